#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string_view>

namespace veg {

// Number texts as the program's files and boxes hold them.
namespace NumberText {

// A decimal integer: optional sign, decimal digits, nothing else (the text is trimmed first).
// Values outside the 32-bit range do not read.
std::optional<std::int64_t> parseDec(const QString& text);
std::optional<std::int64_t> parseDec(std::string_view text);
// A hexadecimal integer without prefix, at most 32 bits.
std::optional<std::uint32_t> parseHex(const QString& text);
std::optional<std::uint32_t> parseHex(std::string_view text);
// A 32-bit float in decimal notation; both '.' and ',' are taken as the decimal separator, so
// that files written with either system separator read.
std::optional<float> parseFloat(const QString& text);

// Upper-case hexadecimal with at least `digits` digits.
QString hex(std::uint32_t value, int digits);
// The shortest decimal text that reads back as the same float, with the given separator.
QString formatFloat(float value, QChar decimalSeparator);

// The message shown when a number field of a file or box does not read.
QString notAnInteger(const QString& text);
QString notAFloat(const QString& text);

} // namespace NumberText
} // namespace veg
