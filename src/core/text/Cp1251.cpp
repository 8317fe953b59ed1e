#include "Cp1251.h"

#include <array>
#include <string>

namespace veg::Cp1251 {
namespace {

constexpr std::array<char16_t, 64> kHigh = {
    // 0x80
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    // 0x90
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    // 0xA0
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    // 0xB0
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

struct FoldTable
{
    std::array<unsigned char, 256> map{};
    constexpr FoldTable()
    {
        for (int i = 0; i < 256; ++i)
            map[i] = static_cast<unsigned char>(i);
        for (int c = 'A'; c <= 'Z'; ++c)
            map[c] = static_cast<unsigned char>(c + 32);
        for (int c = 0xC0; c <= 0xDF; ++c)
            map[c] = static_cast<unsigned char>(c + 32);
        // Upper-case letters of the 0x80-0xBF rows and their lower-case partners.
        constexpr unsigned char pairs[][2] = {
            {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
            {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
            {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
        };
        for (const auto& p : pairs)
            map[p[0]] = p[1];
    }
};
constexpr FoldTable kFold;

} // namespace

char16_t toUnicode(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return static_cast<char16_t>(0x0410 + (byte - 0xC0));
    return kHigh[byte - 0x80];
}

unsigned char fromUnicode(char16_t ch)
{
    if (ch < 0x80)
        return static_cast<unsigned char>(ch);
    if (ch >= 0x0410 && ch <= 0x044F)
        return static_cast<unsigned char>(0xC0 + (ch - 0x0410));
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == ch)
            return static_cast<unsigned char>(0x80 + i);
    }
    return '?';
}

unsigned char foldCase(unsigned char byte)
{
    return kFold.map[byte];
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
    out.reserve(out.size() + static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (QChar::isHighSurrogate(ch) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i; // one code point outside the code page: one '?'
            out.push_back('?');
            continue;
        }
        out.push_back(static_cast<char>(fromUnicode(ch)));
    }
}

QByteArray encode(QStringView text)
{
    std::string out;
    encodeAppend(text, out);
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

} // namespace veg::Cp1251
