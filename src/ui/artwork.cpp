#include "ui/artwork.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

QIcon polishFlag(QSize size)
{
    QPixmap flag(size);
    QPainter painter(&flag);
    painter.fillRect(0, 0, size.width(), size.height() / 2, Qt::white);
    painter.fillRect(0, size.height() / 2, size.width(), size.height() - size.height() / 2, QColor(220, 20, 60));
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    painter.end();
    return QIcon(flag);
}

QIcon britishFlag(QSize size)
{
    QPixmap flag(size);
    flag.fill(QColor(1, 33, 105));
    QPainter painter(&flag);
    painter.setRenderHint(QPainter::Antialiasing);
    const QLineF diagonals[] = {QLineF(0, 0, size.width(), size.height()), QLineF(0, size.height(), size.width(), 0)};
    painter.setPen(QPen(Qt::white, 3));
    painter.drawLines(diagonals, 2);
    painter.setPen(QPen(QColor(200, 16, 46), 1));
    painter.drawLines(diagonals, 2);
    const QPointF centre(size.width() / 2.0, size.height() / 2.0);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(QRectF(0, centre.y() - 2.5, size.width(), 5), Qt::white);
    painter.fillRect(QRectF(centre.x() - 2.5, 0, 5, size.height()), Qt::white);
    painter.fillRect(QRectF(0, centre.y() - 1.5, size.width(), 3), QColor(200, 16, 46));
    painter.fillRect(QRectF(centre.x() - 1.5, 0, 3, size.height()), QColor(200, 16, 46));
    painter.end();
    return QIcon(flag);
}

QPixmap bannerPicture(QSize size)
{
    QPixmap picture(size);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(120, 0, 0));
    gradient.setColorAt(0.6, QColor(204, 0, 0));
    gradient.setColorAt(1, QColor(240, 150, 120));
    painter.fillRect(picture.rect(), gradient);
    painter.setPen(QPen(QColor(255, 255, 255, 40), 2));
    for (int x = -size.height(); x < size.width(); x += 14)
        painter.drawLine(x, size.height(), x + size.height(), 0);
    painter.end();
    return picture;
}

void paintLinkPicture(QPainter& painter, const QRectF& square, LinkPicture picture)
{
    const QColor fill = picture == LinkPicture::Open ? QColor(0, 150, 40) : QColor(210, 20, 20);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(square.topLeft());
    // Drawn on a grid of 16 units, the size the pictures were made for, so they stay crisp there.
    painter.scale(square.width() / 16.0, square.height() / 16.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill.darker(140));
    painter.drawRoundedRect(QRectF(0, 0, 16, 16), 2, 2);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(1, 1, 14, 14), 1.5, 1.5);

    QPainterPath glyph;
    glyph.addRect(QRectF(1.5, 3, 13, 1.5)); // the weighing platform
    glyph.addRect(QRectF(7, 4.5, 2, 2.5));  // its column
    // The body, wider at its foot, with the display cut out of it.
    glyph.addPolygon(QPolygonF({QPointF(4, 7), QPointF(12, 7), QPointF(14, 13), QPointF(2, 13), QPointF(4, 7)}));
    QPainterPath display;
    display.addRect(QRectF(5, 8.5, 6, 2.5));
    painter.setBrush(Qt::white);
    painter.drawPath(glyph.subtracted(display));
    painter.restore();
}

QIcon linkPicture(LinkPicture picture)
{
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48, 64, 128}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paintLinkPicture(painter, QRectF(0, 0, side, side), picture);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void paintBanner(QLabel& picture, QLabel& shadow, QLabel& front)
{
    const QSize size(std::max(356, picture.width()), 56);
    picture.setPixmap(bannerPicture(size));

    QFont title(QStringLiteral("Lucida Sans Unicode"));
    title.setPixelSize(16);
    title.setBold(true);
    for (QLabel* label : {&shadow, &front}) {
        label->setFont(title);
        label->adjustSize();
    }
    QPalette shadowColours = shadow.palette();
    shadowColours.setColor(QPalette::WindowText, picture.palette().color(QPalette::WindowText));
    shadow.setPalette(shadowColours);
    QPalette frontColours = front.palette();
    frontColours.setColor(QPalette::WindowText, Qt::white);
    front.setPalette(frontColours);
    const QPoint shadowAt(size.width() - shadow.width() - 14, (size.height() - shadow.height()) / 2 + 2);
    shadow.move(shadowAt);
    front.move(shadowAt - QPoint(3, 2));
    front.raise();
}
