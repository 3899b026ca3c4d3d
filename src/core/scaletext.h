#pragma once

#include <QByteArray>
#include <QString>

// Text from the scale and from the script is a string of bytes. Where the bytes form valid UTF-8
// they are read as UTF-8; every other byte stands for the ISO 8859-1 character of that code, so
// plain ASCII, UTF-8 and the single-byte texts of older scales all come out as the user expects.
QString decodeScaleText(const QByteArray& bytes);
