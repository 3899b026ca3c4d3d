// kwelta-icons: the program's icon as files for the desktop's icon theme, drawn by the same code as the
// window's own picture, so the two never differ. Run at build time; nothing it writes is committed.
//
//   kwelta-icons <folder> <icon name>
// writes <folder>/<N>x<N>/apps/<icon name>.png for each size a hicolor theme is looked up at, and
// <folder>/scalable/apps/<icon name>.svg.

#include "ui/artwork.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QTextStream>

#include <array>

namespace {

// The sizes the desktop entry's icon is asked for by menus, panels, docks and software centres.
constexpr std::array<int, 8> PixelSizes{16, 22, 24, 32, 48, 64, 128, 256};
// The picture is drawn on a 16-unit grid; the scalable file keeps that grid as its view box.
constexpr int VectorGrid = 16;

QString iconFile(const QString& folder, const QString& size, const QString& name, const QString& suffix)
{
    const QString apps = QDir(folder).filePath(size + QStringLiteral("/apps"));
    if (!QDir().mkpath(apps))
        return {};
    return QDir(apps).filePath(name + suffix);
}

bool writePixels(const QString& folder, const QString& name, int side)
{
    const QString file = iconFile(folder, QStringLiteral("%1x%1").arg(side), name, QStringLiteral(".png"));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintLinkPicture(painter, QRectF(0, 0, side, side), LinkPicture::Open);
    painter.end();
    return !file.isEmpty() && image.save(file, "PNG");
}

bool writeVector(const QString& folder, const QString& name)
{
    const QString file = iconFile(folder, QStringLiteral("scalable"), name, QStringLiteral(".svg"));
    if (file.isEmpty())
        return false;
    QSvgGenerator generator;
    generator.setFileName(file);
    generator.setSize(QSize(VectorGrid, VectorGrid));
    generator.setViewBox(QRectF(0, 0, VectorGrid, VectorGrid));
    generator.setTitle(name);
    QPainter painter;
    if (!painter.begin(&generator))
        return false;
    paintLinkPicture(painter, QRectF(0, 0, VectorGrid, VectorGrid), LinkPicture::Open);
    return painter.end();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (arguments.size() != 3) {
        err << "usage: kwelta-icons <folder> <icon name>\n";
        return 2;
    }
    const QString& folder = arguments.at(1);
    const QString& name = arguments.at(2);
    for (const int side : PixelSizes) {
        if (!writePixels(folder, name, side)) {
            err << "cannot write the " << side << " px icon into " << folder << '\n';
            return 1;
        }
    }
    if (!writeVector(folder, name)) {
        err << "cannot write the scalable icon into " << folder << '\n';
        return 1;
    }
    return 0;
}
