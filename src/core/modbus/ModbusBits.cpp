#include "core/modbus/ModbusBits.h"

#include "core/modbus/ModbusFunction.h"
#include "core/settings/ModbusLinkSettings.h"
#include "core/modbus/ModbusResult.h"

#include <algorithm>

namespace veg {

namespace {

// The answer to one item: address, function, byte count 1, the data byte.
constexpr int kBitAnswer = 4;
// The answer to a coil write: the request itself.
constexpr int kWriteAnswer = 6;

QByteArray request(std::uint8_t slaveAddress, std::uint8_t function, int address,
                   std::uint16_t word)
{
    QByteArray r;
    r.append(char(slaveAddress));
    r.append(char(function));
    r.append(char((address >> 8) & 0xFF));
    r.append(char(address & 0xFF));
    r.append(char(word >> 8));
    r.append(char(word & 0xFF));
    return r;
}

ModbusReading receiveError()
{
    ModbusReading r;
    r.code = ModbusResult::ReceiveError;
    r.note = ModbusResult::note(r.code);
    return r;
}

ModbusReading bitValue(bool on)
{
    ModbusReading r;
    r.value = on ? QStringLiteral("1") : QStringLiteral("0");
    return r;
}

// The answer without its CRC.
QByteArray body(const QByteArray& answer, bool withCrc)
{
    return withCrc ? answer.chopped(std::min<qsizetype>(2, answer.size())) : answer;
}

ModbusReading readBit(ModbusMaster& master, const ModbusLinkSettings& settings,
                      std::uint8_t function, int address, const ModbusMaster::Progress& progress)
{
    const ModbusAnswer a =
        AskGateway(master, settings, bitReadRequest(settings.SlaveAddress, function, address),
                   kBitAnswer, progress);
    if (a.aborted || a.code != 0)
        return FailedTransaction(a);
    return InterpretBitAnswer(a.bytes, function, settings.ConstCRC != 0);
}

} // namespace

QByteArray bitReadRequest(std::uint8_t slaveAddress, std::uint8_t function, int address)
{
    return request(slaveAddress, function, address, 1);
}

QByteArray coilWriteRequest(std::uint8_t slaveAddress, int address, bool on)
{
    return request(slaveAddress, ModbusFunction::WriteSingleCoil, address,
                   on ? ModbusFunction::kCoilOn : ModbusFunction::kCoilOff);
}

ModbusReading InterpretBitAnswer(const QByteArray& answer, std::uint8_t function, bool withCrc)
{
    if (auto e = ExceptionReading(answer))
        return *e;
    const QByteArray b = body(answer, withCrc);
    if (b.size() < kBitAnswer || std::uint8_t(b[1]) != function || std::uint8_t(b[2]) < 1)
        return receiveError();
    // The first item is the lowest bit of the first data byte.
    return bitValue((std::uint8_t(b[3]) & 1) != 0);
}

ModbusReading InterpretCoilWriteAnswer(const QByteArray& answer, const QByteArray& request,
                                       bool withCrc)
{
    if (auto e = ExceptionReading(answer))
        return *e;
    // A gateway that took the command answers with the request itself; an answer naming another
    // coil or another value does not say that this command was carried out.
    if (request.size() != kWriteAnswer || body(answer, withCrc) != request)
        return receiveError();
    return bitValue(std::uint8_t(request[4]) == (ModbusFunction::kCoilOn >> 8));
}

ModbusReading ReadDiscreteInput(ModbusMaster& master, const ModbusLinkSettings& settings,
                                int address, const ModbusMaster::Progress& progress)
{
    return readBit(master, settings, ModbusFunction::ReadDiscreteInputs, address, progress);
}

ModbusReading ReadCoil(ModbusMaster& master, const ModbusLinkSettings& settings, int address,
                       const ModbusMaster::Progress& progress)
{
    return readBit(master, settings, ModbusFunction::ReadCoils, address, progress);
}

ModbusReading WriteCoil(ModbusMaster& master, const ModbusLinkSettings& settings, int address,
                        bool on, const ModbusMaster::Progress& progress)
{
    const QByteArray r = coilWriteRequest(settings.SlaveAddress, address, on);
    const ModbusAnswer a = AskGateway(master, settings, r, kWriteAnswer, progress);
    if (a.aborted || a.code != 0)
        return FailedTransaction(a);
    return InterpretCoilWriteAnswer(a.bytes, r, settings.ConstCRC != 0);
}

} // namespace veg
