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

} // namespace veg::sim
