#include "core/text/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace veg::NumberText {

namespace {

template <typename Ch> bool blank(Ch c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// [begin, end) narrowed to the text without surrounding blanks.
template <typename Ch> void trimmed(const Ch*& begin, const Ch*& end)
{
    while (begin < end && blank(*begin))
        ++begin;
    while (end > begin && blank(end[-1]))
        --end;
}

template <typename Ch> std::optional<std::int64_t> dec(const Ch* p, const Ch* end)
{
    trimmed(p, end);
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p >= end)
        return std::nullopt;
    std::int64_t v = 0;
    for (; p < end; ++p) {
        if (*p < '0' || *p > '9')
            return std::nullopt;
        v = v * 10 + (*p - '0');
        if (v > std::int64_t(std::numeric_limits<std::uint32_t>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return v;
}

template <typename Ch> std::optional<std::uint32_t> hexValue(const Ch* p, const Ch* end)
{
    trimmed(p, end);
    if (p >= end || end - p > 8)
        return std::nullopt;
    std::uint32_t v = 0;
    for (; p < end; ++p) {
        const auto c = *p;
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else
            return std::nullopt;
        v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    return v;
}

} // namespace

std::optional<std::int64_t> parseDec(const QString& text)
{
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    return dec(p, p + text.size());
}

std::optional<std::int64_t> parseDec(std::string_view text)
{
    return dec(text.data(), text.data() + text.size());
}

std::optional<std::uint32_t> parseHex(const QString& text)
{
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    return hexValue(p, p + text.size());
}

std::optional<std::uint32_t> parseHex(std::string_view text)
{
    return hexValue(text.data(), text.data() + text.size());
}

std::optional<float> parseFloat(const QString& text)
{
    QString t = text.trimmed();
    t.replace(u',', u'.');
    const QString upper = t.toUpper();
    if (upper == u"NAN")
        return std::numeric_limits<float>::quiet_NaN();
    if (upper == u"INF" || upper == u"+INF")
        return std::numeric_limits<float>::infinity();
    if (upper == u"-INF")
        return -std::numeric_limits<float>::infinity();
    const std::string s = t.toStdString();
    if (s.empty() || s.size() > 64)
        return std::nullopt;
    const char* begin = s.data();
    if (*begin == '+')
        ++begin;
    float v = 0;
    const auto [end, ec] = std::from_chars(begin, s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

QString hex(std::uint32_t value, int digits)
{
    char buf[16];
    int len = 0;
    do {
        buf[len++] = "0123456789ABCDEF"[value & 0xF];
        value >>= 4;
    } while (value != 0);
    while (len < digits && len < int(sizeof buf))
        buf[len++] = '0';
    QString out(len, Qt::Uninitialized);
    for (int i = 0; i < len; ++i)
        out[i] = QLatin1Char(buf[len - 1 - i]);
    return out;
}

QString formatFloat(float value, QChar decimalSeparator)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    // The shortest digits that read back as the same float, laid out as the system's general
    // float text: plain decimals for exponents from -5 to 14, otherwise "1.5E20" / "1E-7".
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    if (ec != std::errc())
        return QStringLiteral("0");
    const std::string sci(buf, end);
    const std::size_t e = sci.find('e');
    std::string mantissa = sci.substr(0, e);
    const int exponent = std::stoi(sci.substr(e + 1));
    const bool negative = !mantissa.empty() && mantissa[0] == '-';
    if (negative)
        mantissa.erase(0, 1);
    std::string digits;
    for (char c : mantissa) {
        if (c != '.')
            digits += c;
    }
    std::string out;
    if (value == 0.0f) {
        out = "0";
    } else if (exponent >= -5 && exponent < 15) {
        const int point = exponent + 1; // digits before the decimal point
        if (point <= 0) {
            out = "0." + std::string(std::size_t(-point), '0') + digits;
        } else if (point >= int(digits.size())) {
            out = digits + std::string(std::size_t(point - int(digits.size())), '0');
        } else {
            out = digits.substr(0, std::size_t(point)) + "." + digits.substr(std::size_t(point));
        }
    } else {
        out = digits.substr(0, 1);
        if (digits.size() > 1)
            out += "." + digits.substr(1);
        out += "E" + std::to_string(exponent);
    }
    if (negative && value != 0.0f)
        out.insert(0, 1, '-');
    QString text = QString::fromLatin1(out.data(), qsizetype(out.size()));
    if (decimalSeparator != u'.')
        text.replace(u'.', decimalSeparator);
    return text;
}

QString notAnInteger(const QString& text)
{
    return QStringLiteral("'%1' не является допустимым целым числом").arg(text);
}

QString notAFloat(const QString& text)
{
    return QStringLiteral("'%1' не является допустимым числом с плавающей точкой").arg(text);
}

} // namespace veg::NumberText
