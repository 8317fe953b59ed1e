#include "sim/ModbusSlave.h"

#include "core/config/GatewayConfig.h"
#include "core/modbus/ModbusCrc.h"
#include "core/modbus/ModbusFloat.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace veg::sim {

namespace {

constexpr std::uint16_t kSlaveAddress = 0x0101;
constexpr std::uint16_t kCrcConstant = 0x0108;
constexpr std::uint16_t kInvert = 0x010B;
constexpr std::uint16_t kSwap = 0x010C;
constexpr std::uint16_t kRegisterOfRow = 0x0300;
constexpr std::uint16_t kReferenceOfRow = 0x0301;

constexpr std::uint8_t kReadHolding = 3;
constexpr int kMaxRegisters = 125;
constexpr std::uint8_t kIllegalFunction = 1;
constexpr std::uint8_t kIllegalAddress = 2;
constexpr std::uint8_t kIllegalValue = 3;
constexpr std::uint8_t kBusy = 6;

std::uint8_t u8(char c)
{
    return static_cast<std::uint8_t>(c);
}

} // namespace

ModbusSlave::ModbusSlave(const GatewayDevice& device, int paceBaud)
    : m_device(device), m_paceBaud(paceBaud)
{}

ModbusSlave::Settings ModbusSlave::settings() const
{
    const auto& store = m_device.store();
    auto plain = [&](std::uint16_t param) -> const QByteArray* {
        const auto it = store.find({param, GatewayDevice::kPlain});
        return it == store.end() || it->second.isEmpty() ? nullptr : &it->second;
    };
    Settings s;
    if (const QByteArray* v = plain(kSlaveAddress))
        s.address = u8((*v)[0]);
    if (const QByteArray* v = plain(kCrcConstant); v && v->size() >= 2)
        s.crc = std::uint16_t(u8((*v)[0]) | (u8((*v)[1]) << 8));
    if (const QByteArray* v = plain(kInvert))
        s.invertBytes = (*v)[0] != 0;
    if (const QByteArray* v = plain(kSwap))
        s.swapWords = (*v)[0] != 0;
    return s;
}

std::optional<std::uint16_t> ModbusSlave::rowRegister(int row) const
{
    const auto& store = m_device.store();
    const auto ref = store.find({kReferenceOfRow, row});
    const auto reg = store.find({kRegisterOfRow, row});
    if (ref == store.end() || ref->second.isEmpty() || u8(ref->second[0]) == 0xFF ||
        reg == store.end() || reg->second.size() < 2)
        return std::nullopt;
    return std::uint16_t(u8(reg->second[0]) | (u8(reg->second[1]) << 8));
}

float ModbusSlave::plantValue(int row, qint64 nowUs)
{
    // Around 20, 30, 40, ... each with its own phase, a minute per swing.
    const double t = double(nowUs) / 1e6;
    const double v = 20.0 + 10.0 * row + 2.5 * std::sin(2 * std::numbers::pi * t / 60.0 + row);
    return float(std::round(v * 1000.0) / 1000.0);
}

std::vector<ModbusSlave::Output> ModbusSlave::takeOutput()
{
    std::vector<Output> out;
    out.swap(m_out);
    return out;
}

void ModbusSlave::receive(const QByteArray& bytes, qint64 nowUs)
{
    // A pause inside a frame ends it, as on the gateway's line: what came before is dropped.
    if (m_lastInputUs >= 0 && nowUs - m_lastInputUs > kFrameGapUs)
        m_buffer.clear();
    m_lastInputUs = nowUs;
    m_buffer.append(bytes);
    const Settings s = settings();
    const int length = s.crc != 0 ? 8 : 6; // every request this slave understands
    while (m_buffer.size() >= length) {
        QByteArray request = m_buffer.left(length);
        if (s.crc != 0) {
            if (!hasModbusCrc(s.crc, request)) {
                m_buffer.remove(0, 1); // not a request after all: look further
                continue;
            }
            request.chop(2);
        }
        m_buffer.remove(0, length);
        QByteArray a = answer(s, request, nowUs);
        if (a.isEmpty())
            continue;
        if (s.crc != 0)
            a = withModbusCrc(s.crc, a);
        ++m_served;
        qint64 due = nowUs;
        if (m_paceBaud > 0)
            due += qint64(length + a.size()) * 10 * 1000000 / m_paceBaud;
        m_out.push_back({due, a});
    }
}

QByteArray ModbusSlave::answer(const Settings& s, const QByteArray& request, qint64 nowUs) const
{
    if (u8(request[0]) != s.address)
        return {}; // another slave's, or a broadcast: never answered
    const std::uint8_t function = u8(request[1]);
    auto exception = [&](std::uint8_t code) {
        QByteArray e;
        e.append(char(s.address));
        e.append(char(function | 0x80));
        e.append(char(code));
        return e;
    };
    if (function != kReadHolding)
        return exception(kIllegalFunction);
    if (m_device.runState() != 0)
        return exception(kBusy);
    const int first = (u8(request[2]) << 8) | u8(request[3]);
    const int count = (u8(request[4]) << 8) | u8(request[5]);
    if (count < 1 || count > kMaxRegisters)
        return exception(kIllegalValue);

    // The two registers of every row in use, as the gateway's byte order puts them.
    std::vector<std::pair<int, std::array<std::uint8_t, 2>>> registers;
    for (int row = 0; row < kRows; ++row) {
        const auto reg = rowRegister(row);
        if (!reg)
            continue;
        const auto d = EncodeFloat(plantValue(row, nowUs), s.invertBytes, s.swapWords);
        registers.push_back({*reg, {d[0], d[1]}});
        registers.push_back({*reg + 1, {d[2], d[3]}});
    }
    QByteArray a;
    a.append(char(s.address));
    a.append(char(kReadHolding));
    a.append(char(2 * count));
    for (int r = first; r < first + count; ++r) {
        const auto it = std::find_if(registers.begin(), registers.end(),
                                     [r](const auto& e) { return e.first == r; });
        if (it == registers.end())
            return exception(kIllegalAddress);
        a.append(char(it->second[0]));
        a.append(char(it->second[1]));
    }
    return a;
}

void ModbusSlave::preload(GatewayDevice& device, const GatewayConfig& config)
{
    const CommonSettings& c = config.Common;
    device.write(kSlaveAddress, QByteArray(1, char(c.AdrExt)));
    QByteArray crc;
    crc.append(char(c.Const1 & 0xFF));
    crc.append(char(c.Const1 >> 8));
    device.write(kCrcConstant, crc);
    device.write(kInvert, QByteArray(1, char(c.Invers ? 1 : 0)));
    device.write(kSwap, QByteArray(1, char(c.SWAP ? 1 : 0)));
    for (int i = 0; i < int(config.TiFloatTable.size()) && i < kRows; ++i) {
        const TcTuEntry& row = config.TiFloatTable[std::size_t(i)];
        QByteArray ref;
        ref.append(char(row.Kind));
        ref.append(char(row.ParamNumber >> 8));
        ref.append(char(row.ParamNumber & 0xFF));
        ref.append(char(row.NetNumber));
        device.writeAt(kReferenceOfRow, std::uint16_t(i), ref);
        QByteArray reg;
        reg.append(char(row.Extra & 0xFF));
        reg.append(char((row.Extra >> 8) & 0xFF));
        device.writeAt(kRegisterOfRow, std::uint16_t(i), reg);
    }
}

} // namespace veg::sim
