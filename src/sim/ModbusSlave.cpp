#include "sim/ModbusSlave.h"

#include "core/config/GatewayConfig.h"
#include "core/modbus/ModbusCrc.h"
#include "core/modbus/ModbusFloat.h"
#include "core/modbus/ModbusFunction.h"

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
constexpr std::uint16_t kInputOfRow = 0x0302;
constexpr std::uint16_t kReferenceOfInput = 0x0303;
constexpr std::uint16_t kCoilOfRow = 0x0304;
constexpr std::uint16_t kSetForOne = 0x0305;
constexpr std::uint16_t kPulseForOne = 0x0306;
constexpr std::uint16_t kCommandType = 0x0307;
constexpr std::uint16_t kFeedbackForOne = 0x0308;
constexpr std::uint16_t kGroupSlot = 0x030B;
constexpr std::uint16_t kSetForZero = 0x030C;
constexpr std::uint16_t kPulseForZero = 0x030D;
constexpr std::uint16_t kFeedbackForZero = 0x030E;
constexpr std::uint16_t kReadyForOne = 0x030F;
constexpr std::uint16_t kReadyForZero = 0x0310;

constexpr std::uint16_t kNoCoil = 0xFFFF;
constexpr std::uint8_t kEmptyKind = 0xFF;
constexpr std::uint8_t kPotential = 0x01; // bit 0 of the command type; clear: a pulse

constexpr int kMaxRegisters = 125;
constexpr int kMaxBits = 2000;
constexpr std::uint8_t kIllegalFunction = 1;
constexpr std::uint8_t kIllegalAddress = 2;
constexpr std::uint8_t kIllegalValue = 3;
constexpr std::uint8_t kBusy = 6;

std::uint8_t u8(char c)
{
    return static_cast<std::uint8_t>(c);
}

QByteArray exception(const ModbusSlave::Settings& s, std::uint8_t function, std::uint8_t code)
{
    QByteArray e;
    e.append(char(s.address));
    e.append(char(function | ModbusFunction::kExceptionBit));
    e.append(char(code));
    return e;
}

QByteArray loHi(std::uint16_t value)
{
    QByteArray b;
    b.append(char(value & 0xFF));
    b.append(char(value >> 8));
    return b;
}

QByteArray wireRef(const ParamCore& ref)
{
    QByteArray b;
    b.append(char(ref.Kind));
    b.append(char(ref.ParamNumber >> 8));
    b.append(char(ref.ParamNumber & 0xFF));
    b.append(char(ref.NetNumber));
    return b;
}

// The element `index` of `param` as the gateway holds it, when it was written whole.
const QByteArray* element(const GatewayDevice& device, std::uint16_t param, int index, int length)
{
    const auto& store = device.store();
    const auto it = store.find({param, index});
    return it == store.end() || it->second.size() < length ? nullptr : &it->second;
}

std::optional<std::uint16_t> wordAt(const GatewayDevice& device, std::uint16_t param, int index)
{
    const QByteArray* v = element(device, param, index, 2);
    if (!v)
        return std::nullopt;
    return std::uint16_t(u8((*v)[0]) | (u8((*v)[1]) << 8));
}

std::uint8_t byteAt(const GatewayDevice& device, std::uint16_t param, int index)
{
    const QByteArray* v = element(device, param, index, 1);
    return v ? u8((*v)[0]) : 0;
}

// An unwritten reference is an empty one.
ParamCore refAt(const GatewayDevice& device, std::uint16_t param, int index)
{
    ParamCore ref;
    if (const QByteArray* v = element(device, param, index, 4)) {
        ref.Kind = u8((*v)[0]);
        ref.ParamNumber = std::uint16_t((u8((*v)[1]) << 8) | u8((*v)[2]));
        ref.NetNumber = u8((*v)[3]);
    }
    return ref;
}

// The number of a row whose reference says it is in use.
std::optional<std::uint16_t> numberOfRow(const GatewayDevice& device, std::uint16_t numbers,
                                         std::uint16_t references, int row)
{
    if (refAt(device, references, row).Kind == kEmptyKind)
        return std::nullopt;
    return wordAt(device, numbers, row);
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
    return numberOfRow(m_device, kRegisterOfRow, kReferenceOfRow, row);
}

std::optional<std::uint16_t> ModbusSlave::inputNumber(int row) const
{
    return numberOfRow(m_device, kInputOfRow, kReferenceOfInput, row);
}

std::optional<std::uint16_t> ModbusSlave::coilNumber(int row) const
{
    const auto coil = numberOfRow(m_device, kCoilOfRow, kSetForOne, row);
    return coil == kNoCoil ? std::nullopt : coil;
}

std::optional<int> ModbusSlave::coilRow(int coil) const
{
    for (int row = 0; row < kCoilRows; ++row) {
        if (coilNumber(row) == coil)
            return row;
    }
    return std::nullopt;
}

float ModbusSlave::plantValue(int row, qint64 nowUs)
{
    // Around 20, 30, 40, ... each with its own phase, a minute per swing.
    const double t = double(nowUs) / 1e6;
    const double v = 20.0 + 10.0 * row + 2.5 * std::sin(2 * std::numbers::pi * t / 60.0 + row);
    return float(std::round(v * 1000.0) / 1000.0);
}

bool ModbusSlave::plantInput(int row, qint64 nowUs)
{
    // Each signal changes every 5, 10, 15 or 20 s, each with its own phase; odd rows start set,
    // so that a plant just started shows both states.
    const qint64 holdUs = qint64(5 + 5 * (row % 4)) * 1000000;
    const bool flipped = ((nowUs + qint64(row) * 1000000) / holdUs) % 2 != 0;
    return flipped != (row % 2 != 0);
}

bool ModbusSlave::coilState(std::uint16_t coil) const
{
    const auto it = m_coils.find(coil);
    return it != m_coils.end() && it->second;
}

QString ModbusSlave::coilCommand(int row, bool on) const
{
    QString text = (on ? QStringLiteral("ТУ1 ") : QStringLiteral("ТУ0 ")) +
                   refText(refAt(m_device, on ? kSetForOne : kSetForZero, row));
    if (byteAt(m_device, kCommandType, row) & kPotential)
        return text + QStringLiteral(", потенциал");
    return text + QStringLiteral(", импульс %1 с")
                      .arg(byteAt(m_device, on ? kPulseForOne : kPulseForZero, row));
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
    // Every request this slave understands has the same length: address, function, a number
    // and a count or a value.
    const int length = s.crc != 0 ? 8 : 6;
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

QByteArray ModbusSlave::answer(const Settings& s, const QByteArray& request, qint64 nowUs)
{
    if (u8(request[0]) != s.address)
        return {}; // another slave's, or a broadcast: never answered
    const std::uint8_t function = u8(request[1]);
    if (function != ModbusFunction::ReadCoils && function != ModbusFunction::ReadDiscreteInputs &&
        function != ModbusFunction::ReadHoldingRegisters &&
        function != ModbusFunction::WriteSingleCoil)
        return exception(s, function, kIllegalFunction);
    if (m_device.runState() != 0)
        return exception(s, function, kBusy);
    if (function == ModbusFunction::WriteSingleCoil)
        return writeCoil(s, request);
    const int first = (u8(request[2]) << 8) | u8(request[3]);
    const int count = (u8(request[4]) << 8) | u8(request[5]);
    if (function == ModbusFunction::ReadHoldingRegisters)
        return registers(s, first, count, nowUs);
    return bits(s, function, first, count, nowUs);
}

QByteArray ModbusSlave::registers(const Settings& s, int first, int count, qint64 nowUs) const
{
    const std::uint8_t function = ModbusFunction::ReadHoldingRegisters;
    if (count < 1 || count > kMaxRegisters || (m_maxQuantity > 0 && count > m_maxQuantity))
        return exception(s, function, kIllegalValue);
    // The two registers of every row in use, as the gateway's byte order puts them.
    std::vector<std::pair<int, std::array<std::uint8_t, 2>>> words;
    for (int row = 0; row < kRows; ++row) {
        const auto reg = rowRegister(row);
        if (!reg)
            continue;
        const auto d = EncodeFloat(plantValue(row, nowUs), s.invertBytes, s.swapWords);
        words.push_back({*reg, {d[0], d[1]}});
        words.push_back({*reg + 1, {d[2], d[3]}});
    }
    QByteArray a;
    a.append(char(s.address));
    a.append(char(function));
    a.append(char(2 * count));
    for (int r = first; r < first + count; ++r) {
        const auto it =
            std::find_if(words.begin(), words.end(), [r](const auto& e) { return e.first == r; });
        if (it == words.end())
            return exception(s, function, kIllegalAddress);
        a.append(char(it->second[0]));
        a.append(char(it->second[1]));
    }
    return a;
}

QByteArray ModbusSlave::bits(const Settings& s, std::uint8_t function, int first, int count,
                             qint64 nowUs) const
{
    if (count < 1 || count > kMaxBits || (m_maxQuantity > 0 && count > m_maxQuantity))
        return exception(s, function, kIllegalValue);
    // The state of every item in use by its number; the first row that claims a number serves it.
    std::map<int, bool> states;
    if (function == ModbusFunction::ReadDiscreteInputs) {
        for (int row = 0; row < kInputRows; ++row) {
            if (const auto n = inputNumber(row))
                states.try_emplace(*n, plantInput(row, nowUs));
        }
    } else {
        for (int row = 0; row < kCoilRows; ++row) {
            if (const auto n = coilNumber(row))
                states.try_emplace(*n, coilState(*n));
        }
    }
    QByteArray a;
    a.append(char(s.address));
    a.append(char(function));
    a.append(char((count + 7) / 8));
    a.append(QByteArray((count + 7) / 8, '\0'));
    for (int i = 0; i < count; ++i) {
        const auto it = states.find(first + i);
        if (it == states.end())
            return exception(s, function, kIllegalAddress);
        // Items go from the lowest bit of the first data byte on.
        if (it->second)
            a[3 + i / 8] = char(u8(a[3 + i / 8]) | (1 << (i % 8)));
    }
    return a;
}

QByteArray ModbusSlave::writeCoil(const Settings& s, const QByteArray& request)
{
    const std::uint8_t function = ModbusFunction::WriteSingleCoil;
    const int coil = (u8(request[2]) << 8) | u8(request[3]);
    const int value = (u8(request[4]) << 8) | u8(request[5]);
    if (value != ModbusFunction::kCoilOn && value != ModbusFunction::kCoilOff)
        return exception(s, function, kIllegalValue);
    const auto row = coilRow(coil);
    if (!row)
        return exception(s, function, kIllegalAddress);
    const bool on = value == ModbusFunction::kCoilOn;
    m_coils[std::uint16_t(coil)] = on;
    if (m_trace)
        m_trace(QStringLiteral("Modbus coil %1 = %2: ").arg(coil).arg(on ? 1 : 0) +
                coilCommand(*row, on));
    return request; // the gateway confirms a command by echoing it
}

void ModbusSlave::preload(GatewayDevice& device, const GatewayConfig& config)
{
    const CommonSettings& c = config.Common;
    device.write(kSlaveAddress, QByteArray(1, char(c.AdrExt)));
    device.write(kCrcConstant, loHi(c.Const1));
    device.write(kInvert, QByteArray(1, char(c.Invers ? 1 : 0)));
    device.write(kSwap, QByteArray(1, char(c.SWAP ? 1 : 0)));
    auto rows = [](const auto& table, int limit) { return std::min(int(table.size()), limit); };
    for (int i = 0; i < rows(config.TiFloatTable, kRows); ++i) {
        const TcTuEntry& row = config.TiFloatTable[std::size_t(i)];
        device.writeAt(kReferenceOfRow, std::uint16_t(i), wireRef(row));
        device.writeAt(kRegisterOfRow, std::uint16_t(i), loHi(std::uint16_t(row.Extra)));
    }
    for (int k = 0; k < int(config.GroupParams.size()); ++k) {
        const GroupParamRef& slot = config.GroupParams[std::size_t(k)];
        QByteArray b;
        b.append(char(slot.isUsed() ? 0x00 : 0xFF));
        b.append(char(slot.ParamNumber >> 8));
        b.append(char(slot.ParamNumber & 0xFF));
        b.append(char(slot.NetNumber));
        device.writeAt(kGroupSlot, std::uint16_t(k), b);
    }
    for (int i = 0; i < rows(config.ModbusTcTable, kInputRows); ++i) {
        const TcTuEntry& row = config.ModbusTcTable[std::size_t(i)];
        device.writeAt(kReferenceOfInput, std::uint16_t(i), wireRef(row));
        device.writeAt(kInputOfRow, std::uint16_t(i), loHi(std::uint16_t(row.Extra)));
    }
    for (int i = 0; i < rows(config.ModbusCoilTable, kCoilRows); ++i) {
        const ModbusCoilEntry& row = config.ModbusCoilTable[std::size_t(i)];
        const auto at = std::uint16_t(i);
        device.writeAt(kSetForOne, at, wireRef(row.TU1));
        device.writeAt(kSetForZero, at, wireRef(row.TU0));
        device.writeAt(kCommandType, at, QByteArray(1, char(row.TypeTU)));
        device.writeAt(kPulseForOne, at, QByteArray(1, char(row.TimeTU1)));
        device.writeAt(kPulseForZero, at, QByteArray(1, char(row.TimeTU0)));
        device.writeAt(kFeedbackForOne, at, wireRef(row.OC1));
        device.writeAt(kFeedbackForZero, at, wireRef(row.OC0));
        device.writeAt(kReadyForOne, at, wireRef(row.READY1));
        device.writeAt(kReadyForZero, at, wireRef(row.READY0));
        device.writeAt(kCoilOfRow, at, loHi(row.Coil));
    }
}

} // namespace veg::sim
