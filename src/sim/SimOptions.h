#pragma once

#include <QSet>
#include <QString>

#include <cstdint>

namespace veg::sim {

// Fault injection: each answer draws, from a generator seeded with `seed`, whether it is
// dropped, corrupted, replaced by a negative receipt, delayed or preceded by garbage.
struct FaultOptions
{
    std::uint32_t seed = 1;
    double drop = 0;    // no answer at all
    double corrupt = 0; // serial: a wrong checksum; adapter: a foreign frame before the answer
    double nak = 0;     // serial: a negative receipt in place of the answer
    double delay = 0;   // the answer comes `delayMs` late
    int delayMs = 20;
    double garbage = 0; // serial: 1..5 stray bytes before the answer
};

struct SimOptions
{
    enum class Line
    {
        Serial,
        CanAdapter
    };

    Line line = Line::Serial;
    std::uint8_t gatewayNumber = 0x25;
    bool masterModule = true; // a master module answers at `masterNumber`
    // The device type the master module reports in 0xF000: not a gateway's.
    static constexpr std::uint16_t kMasterTypeCode = 0x0601;
    std::uint8_t masterNumber = 0x01;
    int checksumKind = 0;              // the serial frames' checksum kind
    int variant = 1;                   // protocol variant 0..4, 255 none
    std::uint8_t version = 4;          // answer to 0xF002
    int stopPolls = 3;                 // polls of 0xF01A after a stop request before 0x81
    int adapterVariant = 1;            // the adapter's reset answer: 0 "0\r\n", 1 ("M") "@\r\n"
    QString accessCode;                // code for levels 2 and 3; empty accepts any
    int paceBaud = 0;                  // > 0: answers wait for the wire time of request and answer
    QSet<std::uint16_t> refusedWrites; // plain parameters whose writes the gateway refuses
    // Parameters whose writes the gateway acknowledges but does not take: they keep what they
    // held (a store that has gone bad), so that a check after writing has something to find.
    QSet<std::uint16_t> keptParams;
    bool startStopped = false;         // the work cycle is stopped (0x81) from the start
    FaultOptions faults;
};

} // namespace veg::sim
