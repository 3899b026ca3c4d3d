#pragma once

#include <QIcon>
#include <QPixmap>

// The window's pictures, drawn rather than shipped as files so that they stay sharp at any size.

// The flags of the two offered languages.
QIcon polishFlag(QSize size);
QIcon britishFlag(QSize size);
// The banner's background: a red gradient with light diagonal stripes.
QPixmap bannerPicture(QSize size);
