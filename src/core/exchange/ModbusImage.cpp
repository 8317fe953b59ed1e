#include "core/exchange/ImageParts.h"

namespace veg::GatewayImage::Parts {

using namespace ImageCodec;

// Modbus: the float telemetry, the telesignals and the coils of the telecontrol commands.
namespace {

// The 16-bit number a Modbus row carries in `Extra` (a holding register, a discrete input).
ImageParam extraWords(std::uint16_t number, int count, std::vector<TcTuEntry> GatewayConfig::*table)
{
    return indexed(
        number, count, 2,
        [table](const GatewayConfig& c, int i) {
            return loHi(std::uint16_t((c.*table)[std::size_t(i)].Extra & 0xFFFF));
        },
        [table](GatewayConfig& c, int i, const QByteArray& b, ReferencedNets&) {
            (c.*table)[std::size_t(i)].Extra = fromLoHi(b);
        });
}

Params modbusTelemetry(const GatewayConfig&)
{
    return {
        adrExt(),
        refs<TcTuEntry>(
            0x0301, Rows::TiFloat,
            [](GatewayConfig& c, int i) -> TcTuEntry& { return c.TiFloatTable[std::size_t(i)]; }),
        extraWords(0x0300, Rows::TiFloat, &GatewayConfig::TiFloatTable),
        groupSlots(0x030B, false),
    };
}

Params modbusTelesignals(const GatewayConfig&)
{
    return {
        refs<TcTuEntry>(
            0x0303, Rows::ModbusTc,
            [](GatewayConfig& c, int i) -> TcTuEntry& { return c.ModbusTcTable[std::size_t(i)]; },
            [](const GatewayConfig& c, const TcTuEntry& r, int i) { return signalRow(c, r, i); }),
        extraWords(0x0302, Rows::ModbusTc, &GatewayConfig::ModbusTcTable),
    };
}

ModbusCoilEntry& coil(GatewayConfig& c, int i)
{
    return c.ModbusCoilTable[std::size_t(i)];
}

ImageParam coilRef(std::uint16_t number, ParamCore ModbusCoilEntry::*ref,
                   std::function<bool(std::uint8_t typeTu)> noted)
{
    return refs<ParamCore>(
        number, Rows::ModbusCoils,
        [ref](GatewayConfig& c, int i) -> ParamCore& { return coil(c, i).*ref; },
        [noted](const GatewayConfig& c, const ParamCore&, int i) {
            return noted(c.ModbusCoilTable[std::size_t(i)].TypeTU);
        });
}

ImageParam coilByte(std::uint16_t number, std::uint8_t ModbusCoilEntry::*field)
{
    return indexed(
        number, Rows::ModbusCoils, 1,
        [field](const GatewayConfig& c, int i) {
            return byte(c.ModbusCoilTable[std::size_t(i)].*field);
        },
        [field](GatewayConfig& c, int i, const QByteArray& b, ReferencedNets&) {
            coil(c, i).*field = first(b);
        });
}

Params modbusTelecontrol(const GatewayConfig&)
{
    const auto always = [](std::uint8_t) { return true; };
    // The feedback signs count when the low four bits of the type are 0, the readiness values
    // for the types 0x10..0x1F.
    const auto feedback = [](std::uint8_t type) { return (type & 0x0F) == 0; };
    const auto readiness = [](std::uint8_t type) { return type >= 0x10 && type <= 0x1F; };
    return {
        coilRef(0x0305, &ModbusCoilEntry::TU1, always),
        coilRef(0x030C, &ModbusCoilEntry::TU0, always),
        coilByte(0x0307, &ModbusCoilEntry::TypeTU),
        coilByte(0x0306, &ModbusCoilEntry::TimeTU1),
        coilByte(0x030D, &ModbusCoilEntry::TimeTU0),
        coilRef(0x0308, &ModbusCoilEntry::OC1, feedback),
        coilRef(0x030E, &ModbusCoilEntry::OC0, feedback),
        coilRef(0x030F, &ModbusCoilEntry::READY1, readiness),
        coilRef(0x0310, &ModbusCoilEntry::READY0, readiness),
        indexed(
            0x0304, Rows::ModbusCoils, 2,
            [](const GatewayConfig& c, int i) {
                return loHi(c.ModbusCoilTable[std::size_t(i)].Coil);
            },
            [](GatewayConfig& c, int i, const QByteArray& b, ReferencedNets&) {
                coil(c, i).Coil = fromLoHi(b);
            }),
    };
}

} // namespace

std::vector<ImageSection> modbusTables()
{
    return {{modbusTelemetry}, {modbusTelesignals}, {modbusTelecontrol}};
}

} // namespace veg::GatewayImage::Parts
