#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace veg::NumberText {

std::optional<std::int64_t> parseDec(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        negative = t[i] == u'-';
        ++i;
    }
    if (i >= t.size())
        return std::nullopt;
    std::int64_t v = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = v * 10 + (c - u'0');
        if (v > std::int64_t(std::numeric_limits<std::uint32_t>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return v;
}

std::optional<std::uint32_t> parseHex(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 8)
        return std::nullopt;
    std::uint32_t v = 0;
    for (const QChar ch : t) {
        const char16_t c = ch.unicode();
        int d;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        else if (c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else
            return std::nullopt;
        v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    return v;
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
    return QString::number(value, 16).toUpper().rightJustified(digits, u'0');
}

QString formatFloat(float value, QChar decimalSeparator)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    QString out = QString::fromLatin1(buf, ec == std::errc() ? end - buf : 0);
    if (decimalSeparator != u'.')
        out.replace(u'.', decimalSeparator);
    return out;
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
