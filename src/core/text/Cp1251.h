#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

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

// The one-character conversions used by both directions.
char16_t toUnicode(unsigned char byte);
// Returns '?' for a character outside the code page.
unsigned char fromUnicode(char16_t ch);

// Lower-case form of a byte: Latin and Cyrillic letters of the code page, for names that are
// matched without regard to letter case.
unsigned char foldCase(unsigned char byte);

} // namespace Cp1251
} // namespace veg
