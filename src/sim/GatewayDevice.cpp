#include "sim/GatewayDevice.h"

#include <QJsonArray>

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
} // namespace

GatewayDevice::GatewayDevice(const SimOptions& options) : m_options(options) {}

std::uint16_t GatewayDevice::typeCode() const
{
    switch (m_options.variant) {
    case 0:
        return 0x0641;
    case 1:
        return 0x0642;
    case 2:
        return 0x0643;
    case 3:
        return 0x0645;
    case 4:
        return 0x0646;
    default:
        return 0x0640;
    }
}

QByteArray GatewayDevice::read(std::uint16_t param)
{
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
    return it == m_store.end() ? QByteArray(1, '\0') : it->second;
}

void GatewayDevice::write(std::uint16_t param, const QByteArray& data)
{
    m_store[{param, kPlain}] = data;
    if (param == kRunState && !data.isEmpty()) {
        if (data[0] == 1 && m_runState == 0) {
            m_runState = kStopping;
            m_pollsLeft = m_options.stopPolls;
        } else if (data[0] == 0) {
            m_runState = 0;
        }
    }
}

QByteArray GatewayDevice::readAt(std::uint16_t param, std::uint16_t index) const
{
    const auto it = m_store.find({param, int(index)});
    return it == m_store.end() ? QByteArray(1, '\0') : it->second;
}

void GatewayDevice::writeAt(std::uint16_t param, std::uint16_t index, const QByteArray& data)
{
    m_store[{param, int(index)}] = data;
}

void GatewayDevice::writeSelected(std::uint16_t index, const QByteArray& data)
{
    writeAt(m_selected, index, data);
}

int GatewayDevice::setAccess(int level, const QByteArray& code)
{
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
