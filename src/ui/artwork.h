#pragma once

#include <QIcon>
#include <QPixmap>

class QPainter;
class QRectF;

// The window's pictures, drawn rather than shipped as files so that they stay sharp at any size.

// The flags of the two offered languages.
QIcon polishFlag(QSize size);
QIcon britishFlag(QSize size);
// The banner's background: a red gradient with light diagonal stripes.
QPixmap bannerPicture(QSize size);

// The two pictures of the notification-area icon, in the order of their index: 0 the serial port
// closed, 1 open. One white glyph of a platform scale on a red or a green square, at every size a panel
// may ask for. Index 1 is also the program's own icon.
enum class LinkPicture { Closed = 0, Open = 1 };
QIcon linkPicture(LinkPicture picture);
// The same picture as vector strokes into any square, for the icon files that are made from it.
void paintLinkPicture(QPainter& painter, const QRectF& square, LinkPicture picture);

class QLabel;
// The banner over the width of its picture label: the title text twice, the front white over a shadow 3
// pixels right and 2 down in the text colour, at the right end.
void paintBanner(QLabel& picture, QLabel& shadow, QLabel& front);
