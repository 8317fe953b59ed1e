#include "core/text/Cp1251.h"

#include <array>
#include <string>

namespace veg::Cp1251 {

unsigned char fromUnicode(char16_t ch)
{
    if (ch < 0x80)
        return static_cast<unsigned char>(ch);
    if (ch >= 0x0410 && ch <= 0x044F)
        return static_cast<unsigned char>(0xC0 + (ch - 0x0410));
    for (std::size_t i = 0; i < detail::kHigh.size(); ++i) {
        if (detail::kHigh[i] == ch)
            return static_cast<unsigned char>(0x80 + i);
    }
    return '?';
}

void decodeAppend(QByteArrayView bytes, QString& out)
{
    const qsizetype start = out.size();
    out.resize(start + bytes.size());
    QChar* dst = out.data() + start;
    const auto* src = reinterpret_cast<const unsigned char*>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        dst[i] = QChar(toUnicode(src[i]));
}

QString decode(QByteArrayView bytes)
{
    QString out;
    decodeAppend(bytes, out);
    return out;
}

void encodeAppend(QStringView text, std::string& out)
{
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(text.size()));
    char* dst = out.data() + start;
    const QChar* src = text.data();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ch = src[i].unicode();
        if (ch < 0x80) {
            *dst++ = static_cast<char>(ch);
        } else if (ch >= 0x0410 && ch <= 0x044F) {
            *dst++ = static_cast<char>(0xC0 + (ch - 0x0410));
        } else if (QChar::isHighSurrogate(ch) && i + 1 < n && QChar::isLowSurrogate(src[i + 1].unicode())) {
            ++i; // one code point outside the code page: one '?'
            *dst++ = '?';
        } else {
            *dst++ = static_cast<char>(fromUnicode(ch));
        }
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
}

QByteArray encode(QStringView text)
{
    std::string out;
    encodeAppend(text, out);
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

} // namespace veg::Cp1251
