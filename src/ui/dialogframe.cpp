#include "ui/dialogframe.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QWidget>

void useDialogFrame(QWidget& dialog)
{
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
}

int titleBarWidth(const QWidget& window)
{
    QString title = window.windowTitle();
    const QString programName = QGuiApplication::applicationDisplayName();
    if (!programName.isEmpty() && title != programName)
        title += (title.isEmpty() ? QString() : QStringLiteral(" \u2014 ")) + programName;
    QFont font = QGuiApplication::font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.1);
    const QFontMetrics metrics(font);
    // The icon on the left, the close button on the right, and the frame's margins: about four lines'
    // height.
    return metrics.horizontalAdvance(title) + 4 * metrics.height();
}
