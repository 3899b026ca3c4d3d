#include "core/scaletext.h"

namespace {

// Length of the valid UTF-8 sequence starting at data[i], or 0 when there is none.
int utf8SequenceLength(const unsigned char* data, qsizetype size, qsizetype i)
{
    const unsigned char lead = data[i];
    int length = 0;
    char32_t minimum = 0;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        minimum = 0x80;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        minimum = 0x800;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        minimum = 0x10000;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > size)
        return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char next = data[i + k];
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not valid UTF-8.
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

QString decodeScaleText(const QByteArray& bytes)
{
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    QString text;
    text.reserve(size);
    qsizetype i = 0;
    while (i < size) {
        if (data[i] < 0x80) {
            text.append(QChar(data[i]));
            ++i;
            continue;
        }
        const int length = utf8SequenceLength(data, size, i);
        if (length == 0) {
            text.append(QChar(data[i]));
            ++i;
            continue;
        }
        text.append(QString::fromUtf8(bytes.constData() + i, length));
        i += length;
    }
    return text;
}
