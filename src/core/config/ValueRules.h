#pragma once

#include "core/config/ProtocolCatalogue.h"

#include <QString>

#include <optional>
#include <vector>

namespace veg {

class GatewayConfig;

// The limits that the editor windows put on numbers typed into their cells and spin boxes, in
// one place: the windows refuse a value with these rules, and the configuration check finds the
// values of a configuration that comes from outside the windows (a file, a JSON import) that a
// window would refuse. A value that only a window refuses is still held by the model and the
// file, so an import does not refuse it.
namespace ValueRules {

// Why a value is refused. `message` is the window's own text ("Coil должен быть кратен 2!"); a
// spin box stops at its limits instead of refusing, so its rules name the box (`spinBox`) and
// leave `message` empty. `reason` says it in words for a message outside the window: the value
// and the limit.
struct Refusal
{
    QString reason;
    QString message;
    QString spinBox;

    // The reason followed by what the window does with the value: `7 — нечётный номер; номер
    // Coil должен быть чётным (окно отвечает: "Coil должен быть кратен 2!")`.
    QString text() const;
};

// The pulse durations of a telecontrol command, seconds: Modbus coils and Магистраль-1 ТУ rows.
inline constexpr int kShortestPulse = 1;
inline constexpr int kLongestPulse = 255;
// The bits of a group parameter that a telesignal can take.
inline constexpr int kLastBit = 31;
// The highest coil number; coil numbers are even.
inline constexpr int kLastCoil = 65534;
// The highest discrete-input and holding-register number.
inline constexpr int kLastRegister = 65535;
// Digits after the decimal point of a КТС Энергия group value.
inline constexpr int kMostDecimals = 8;

// A CAN-BUS speed of the general settings: an index into 300, 150, 100, 50, 20 kbit/s. A file
// can give one beyond the list; the window shows none of its items then, and the gateway's image
// has no code for it.
std::optional<Refusal> canSpeed(qint64 index);
// A line speed of the general settings: an index into 300 ... 19200 baud.
std::optional<Refusal> lineSpeed(qint64 index);
// A Modbus coil number ("Телеуправление", column "Coil").
std::optional<Refusal> coil(qint64 number);
// A pulse duration of a Modbus coil ("Длительность импульса ТУ1,с" / "ТУ0,с").
std::optional<Refusal> coilPulse(qint64 seconds);
// A pulse duration of a Магистраль-1 ТУ row (the spin box "Длительность сигнала, сек").
std::optional<Refusal> subblockPulse(qint64 seconds);
// A discrete-input number of a Modbus telesignal ("Адрес Modbus сигналов ТС").
std::optional<Refusal> discreteInput(qint64 number);
// The bit of a group parameter in a Modbus telesignal ("Номер бита").
std::optional<Refusal> telesignalBit(qint64 bit);
// The bit of a group parameter in a Магистраль-1 ТС row (the spin box "Номер бита").
std::optional<Refusal> subblockBit(qint64 bit);
// The bit of a group parameter in a КТС Энергия telesignal.
std::optional<Refusal> ktsBit(qint64 bit);
// A holding-register number of a floating-point telemetry value.
std::optional<Refusal> holdingRegister(qint64 number);
// The digits after the decimal point of a КТС Энергия group ("Кол. знаков после запятой").
std::optional<Refusal> ktsDecimals(qint64 digits);

// A value of a configuration that a window would refuse or cannot show, with the path of its
// field as the configuration's JSON names it ("ModbusCoilTable[3].Coil") and, for a value of a
// table row, the table and the row.
struct RefusedValue
{
    QString path;
    Refusal refusal;
    std::optional<TableId> table;
    int row = -1;
};

// Every value of `config` that its windows would refuse when typed (the numbers above), and every
// value of a choice that is none of the window's items (a speed, a character format or parity, a
// sub-block type, a coil's type, a feedback sign or readiness value, a telesignal's source, a
// КТС Энергия row's flags, a group slot beyond the four); the fixed bytes of the HART long address.
// The spin boxes of the general settings are not held to their limits here: File -> New itself
// gives values below them (trepeat 0 for УНК ТМ), and the window moves such a value into its range
// rather than refusing it. A row's numbers are checked where the row is in use, as the window
// shows them.
std::vector<RefusedValue> refusedValues(const GatewayConfig& config);

} // namespace ValueRules
} // namespace veg
