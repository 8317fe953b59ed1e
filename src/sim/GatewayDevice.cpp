#include "sim/GatewayDevice.h"

#include "core/config/ProtocolCatalogue.h"
#include "core/exchange/GatewayImage.h"

#include <QJsonArray>

#include <algorithm>

namespace veg::sim {

namespace {
constexpr std::uint16_t kTypeCode = 0xF000;
constexpr std::uint16_t kVersion = 0xF002;
constexpr std::uint16_t kRunState = 0xF01A;
constexpr std::uint16_t kAccessLevel = 0xF01C;
constexpr std::uint8_t kStopped = 0x81;
constexpr std::uint8_t kStopping = 0x01;

QString hexText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString number(std::uint16_t param)
{
    return QString::number(param, 16).toUpper().rightJustified(4, u'0');
}
} // namespace

GatewayDevice::GatewayDevice(const SimOptions& options)
    : m_options(options), m_lengths(GatewayImage::elementLengths(protocol())),
      m_runState(options.startStopped ? kStopped : 0)
{}

std::uint16_t GatewayDevice::typeCode() const
{
    return catalogueOf(protocol()).deviceType;
}

ProtocolVariant GatewayDevice::protocol() const
{
    return m_options.variant >= 0 && m_options.variant < kProtocolCount
               ? ProtocolVariant(m_options.variant)
               : ProtocolVariant::None;
}

QByteArray GatewayDevice::unwritten(std::uint16_t param) const
{
    // A gateway knows its protocol before anything is written: its code, and zeros of the
    // length its map gives every other parameter.
    if (param == GatewayImage::kProtocolCode)
        return QByteArray(1, char(std::max(0, catalogueOf(protocol()).gatewayCode)));
    const auto it = m_lengths.find(param);
    return QByteArray(it == m_lengths.end() ? 1 : it->second, '\0');
}

QByteArray GatewayDevice::read(std::uint16_t param)
{
    m_journal << QStringLiteral("read ") + number(param);
    switch (param) {
    case kTypeCode: {
        QByteArray out;
        out.append(char(typeCode() & 0xFF));
        out.append(char(typeCode() >> 8));
        return out;
    }
    case kVersion:
        return QByteArray(1, char(m_options.version));
    case kRunState:
        if (m_runState == kStopping) {
            if (m_pollsLeft <= 0)
                m_runState = kStopped;
            else
                --m_pollsLeft;
        }
        return QByteArray(1, char(m_runState));
    case kAccessLevel:
        return QByteArray(1, char(m_accessLevel));
    default:
        break;
    }
    const auto it = m_store.find({param, kPlain});
    return it == m_store.end() ? unwritten(param) : it->second;
}

bool GatewayDevice::write(std::uint16_t param, const QByteArray& data)
{
    m_journal << QStringLiteral("write ") + number(param) + u' ' + hexText(data);
    if (m_options.refusedWrites.contains(param))
        return false;
    if (!m_options.keptParams.contains(param))
        m_store[{param, kPlain}] = data;
    if (param == kRunState && !data.isEmpty()) {
        if (data[0] == 1 && m_runState == 0) {
            m_runState = kStopping;
            m_pollsLeft = m_options.stopPolls;
        } else if (data[0] == 0) {
            m_runState = 0;
        }
    }
    return true;
}

QByteArray GatewayDevice::readAt(std::uint16_t param, std::uint16_t index)
{
    m_journal << QStringLiteral("readAt %1[%2]").arg(number(param)).arg(index);
    const auto it = m_store.find({param, int(index)});
    return it == m_store.end() ? unwritten(param) : it->second;
}

void GatewayDevice::writeAt(std::uint16_t param, std::uint16_t index, const QByteArray& data)
{
    m_journal << QStringLiteral("writeAt %1[%2] ").arg(number(param)).arg(index) + hexText(data);
    if (!m_options.keptParams.contains(param))
        m_store[{param, int(index)}] = data;
}

void GatewayDevice::writeSelected(std::uint16_t index, const QByteArray& data)
{
    writeAt(m_selected, index, data);
}

void GatewayDevice::select(std::uint16_t param)
{
    m_journal << QStringLiteral("select ") + number(param);
    m_selected = param;
}

int GatewayDevice::setAccess(int level, const QByteArray& code)
{
    m_journal << QStringLiteral("access %1").arg(level);
    if (level == 2 || level == 3) {
        if (!m_options.accessCode.isEmpty() &&
            hexText(code).remove(QLatin1Char(' ')) != m_options.accessCode.toUpper())
            return m_accessLevel;
    }
    m_accessLevel = level;
    return m_accessLevel;
}

QJsonObject GatewayDevice::toJson() const
{
    QJsonArray params;
    for (const auto& [key, value] : m_store) {
        QJsonObject p;
        p[QStringLiteral("param")] =
            QString::number(key.first, 16).toUpper().rightJustified(4, '0');
        if (key.second != kPlain)
            p[QStringLiteral("index")] = key.second;
        p[QStringLiteral("data")] = hexText(value);
        params.append(p);
    }
    QJsonObject root;
    root[QStringLiteral("gateway")] =
        QString::number(m_options.gatewayNumber, 16).toUpper().rightJustified(2, '0');
    root[QStringLiteral("typeCode")] =
        QString::number(typeCode(), 16).toUpper().rightJustified(4, '0');
    root[QStringLiteral("runState")] = int(m_runState);
    root[QStringLiteral("accessLevel")] = m_accessLevel;
    root[QStringLiteral("params")] = params;
    return root;
}

namespace {

// A string of `digits` hexadecimal digits at most, as the image writes numbers.
std::optional<uint> hexNumber(const QJsonValue& v, int digits)
{
    const QString text = v.toString();
    bool ok = false;
    const uint n = text.toUInt(&ok, 16);
    if (!v.isString() || text.isEmpty() || text.size() > digits || !ok)
        return std::nullopt;
    return n;
}

// "AA BB ..." as the image writes the bytes of an element; empty for no bytes.
std::optional<QByteArray> hexBytes(const QJsonValue& v)
{
    if (!v.isString())
        return std::nullopt;
    QByteArray out;
    for (const QString& pair : v.toString().split(u' ', Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint b = pair.toUInt(&ok, 16);
        if (pair.size() != 2 || !ok)
            return std::nullopt;
        out.append(char(b));
    }
    return out;
}

// A whole number in [lo, hi].
std::optional<int> wholeNumber(const QJsonValue& v, int lo, int hi)
{
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (d != double(int(d)) || d < lo || d > hi)
        return std::nullopt;
    return int(d);
}

} // namespace

std::optional<GatewayDevice::Image> GatewayDevice::fromJson(const QJsonObject& json,
                                                            QString* error)
{
    auto fail = [&](const QString& why) -> std::optional<Image> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    Image image;
    const auto gateway = hexNumber(json.value(QStringLiteral("gateway")), 2);
    if (!gateway)
        return fail(QStringLiteral("\"gateway\" is not a network number of two hex digits"));
    image.gatewayNumber = std::uint8_t(*gateway);
    const auto type = hexNumber(json.value(QStringLiteral("typeCode")), 4);
    if (!type)
        return fail(QStringLiteral("\"typeCode\" is not a type code of four hex digits"));
    bool known = false;
    for (int v : {0, 1, 2, 3, 4, 255}) {
        SimOptions o;
        o.variant = v;
        if (GatewayDevice(o).typeCode() == *type) {
            image.variant = v;
            known = true;
        }
    }
    if (!known)
        return fail(QStringLiteral("\"typeCode\" %1 is not a gateway's")
                        .arg(*type, 4, 16, QLatin1Char('0')));
    const auto run = wholeNumber(json.value(QStringLiteral("runState")), 0, 255);
    if (!run)
        return fail(QStringLiteral("\"runState\" is not a number 0..255"));
    image.runState = std::uint8_t(*run);
    const auto access = wholeNumber(json.value(QStringLiteral("accessLevel")), 0, 3);
    if (!access)
        return fail(QStringLiteral("\"accessLevel\" is not a level 0..3"));
    image.accessLevel = *access;
    const QJsonValue params = json.value(QStringLiteral("params"));
    if (!params.isArray())
        return fail(QStringLiteral("\"params\" is not a list"));
    int i = 0;
    for (const QJsonValue& v : params.toArray()) {
        const QString where = QStringLiteral("params[%1]: ").arg(i++);
        const QJsonObject p = v.toObject();
        const auto param = hexNumber(p.value(QStringLiteral("param")), 4);
        if (!param)
            return fail(where + QStringLiteral("\"param\" is not a parameter of four hex digits"));
        int index = kPlain;
        if (p.contains(QStringLiteral("index"))) {
            const auto n = wholeNumber(p.value(QStringLiteral("index")), 0, 0xFFFF);
            if (!n)
                return fail(where + QStringLiteral("\"index\" is not an element index"));
            index = *n;
        }
        const auto data = hexBytes(p.value(QStringLiteral("data")));
        if (!data)
            return fail(where + QStringLiteral("\"data\" is not hex bytes"));
        if (!image.store.emplace(std::pair{std::uint16_t(*param), index}, *data).second)
            return fail(where + QStringLiteral("the element is there twice"));
    }
    return image;
}

void GatewayDevice::restore(const Image& image)
{
    m_store = image.store;
    m_runState = image.runState;
    m_pollsLeft = m_runState == kStopping ? m_options.stopPolls : 0;
    m_accessLevel = image.accessLevel;
}

} // namespace veg::sim
