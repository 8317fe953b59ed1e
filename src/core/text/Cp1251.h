#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>
#include <string>

namespace veg {

// Windows-1251, the code page of every file the program shares with the outside (.veg files,
// the settings file, exchange logs) and of the controller database's texts.
namespace Cp1251 {

// Every byte maps to one character; the one byte the code page leaves undefined (0x98) maps to
// U+0098 so that any file survives a read and a write unchanged.
QString decode(QByteArrayView bytes);
void decodeAppend(QByteArrayView bytes, QString& out);

// Characters outside the code page become '?'.
QByteArray encode(QStringView text);
void encodeAppend(QStringView text, std::string& out);

namespace detail {
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

} // namespace detail

// The one-character conversions used by both directions.
inline char16_t toUnicode(unsigned char byte)
{
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return static_cast<char16_t>(0x0410 + (byte - 0xC0));
    return detail::kHigh[byte - 0x80];
}
// Returns '?' for a character outside the code page.
unsigned char fromUnicode(char16_t ch);

// Lower-case form of a byte: Latin and Cyrillic letters of the code page, for names that are
// matched without regard to letter case.
inline unsigned char foldCase(unsigned char byte)
{
    return detail::kFold.map[byte];
}

} // namespace Cp1251
} // namespace veg
