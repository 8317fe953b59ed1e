// The Modbus master's answer reading and its interpretation, fed whatever a line may bring:
// bytes in any number, in pieces at any moments, with any CRC constant and byte order.
//
// Input: a flags byte (bit 0: no CRC, bit 1: invert, bit 2: swap, bits 3-4: answer time in s,
// bit 5: coils rather than discrete inputs, bit 6: a write of 1 rather than 0), then pieces of
// [delay in 10 ms] [length] [bytes] arriving after the request.

#include "../link/FakePort.h"

#include "core/modbus/ModbusBits.h"
#include "core/settings/ModbusLinkSettings.h"
#include "core/modbus/ModbusMaster.h"
#include "core/modbus/ModbusReading.h"
#include "core/modbus/ModbusResult.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t flags = data[0];
    veg::ModbusLinkSettings settings;
    settings.ConstCRC = (flags & 1) ? 0 : 0xA001;
    settings.InvertBytes = flags & 2;
    settings.SwapWords = flags & 4;
    settings.AnswerSeconds = (flags >> 3) & 3;

    QByteArray pieces(reinterpret_cast<const char*>(data + 1), int(size - 1));
    veg::sim::ManualClock clock;
    auto port = std::make_unique<FakePort>(clock);
    port->onWrite = [&pieces](FakePort& fp, const QByteArray&) {
        // Every request gets the same line noise.
        qint64 at = 0;
        for (int i = 0; i + 1 < pieces.size();) {
            at += std::uint8_t(pieces[i]) * 10;
            const int n = std::uint8_t(pieces[i + 1]);
            fp.arrive(pieces.mid(i + 2, n), at);
            i += 2 + n;
        }
    };
    veg::LinkShared shared;
    veg::LinkContext context;
    context.clock = &clock;
    context.shared = &shared;
    veg::ModbusMaster master(std::move(port), context);
    if (!master.OpenTestPort(QStringLiteral("COM1"), 5, 2, 0))
        std::abort();
    const veg::ModbusReading r = veg::ReadHoldingRegister(master, settings, 5, {});
    if (r.code < 0 || r.code >= veg::ModbusResult::kCount || r.value.isEmpty() != (r.code != 0))
        std::abort();

    // The interpretation alone, on the raw bytes.
    const veg::ModbusReading raw = veg::InterpretAnswer(pieces, settings.ConstCRC != 0,
                                                        settings.InvertBytes, settings.SwapWords);
    if (raw.value.isEmpty() != (raw.code != 0))
        std::abort();

    // The single-bit functions: a success is exactly one bit, never one with a note.
    const bool withCrc = settings.ConstCRC != 0;
    const std::uint8_t function = (flags & 0x20) ? 1 : 2;
    const bool on = flags & 0x40;
    const veg::ModbusReading bit = veg::InterpretBitAnswer(pieces, function, withCrc);
    const veg::ModbusReading write =
        veg::InterpretCoilWriteAnswer(pieces, veg::coilWriteRequest(1, 5, on), withCrc);
    for (const veg::ModbusReading& r : {bit, write}) {
        if (r.code < 0 || r.code >= veg::ModbusResult::kCount ||
            (r.code == 0) != (r.value == "0" || r.value == "1") ||
            r.note.isEmpty() != (r.code == 0))
            std::abort();
    }
    if (write.code == 0 && write.value != (on ? "1" : "0"))
        std::abort();
    return 0;
}
