#pragma once

#include <cstdint>

namespace veg {

// The Modbus RTU functions the gateway's upper-level side serves: its telecontrol commands as
// coils, its telesignals as discrete inputs, its floating-point telemetry as holding registers.
// The link test (master) and the simulated gateway (slave) both speak these.
namespace ModbusFunction {

inline constexpr std::uint8_t ReadCoils = 1;
inline constexpr std::uint8_t ReadDiscreteInputs = 2;
inline constexpr std::uint8_t ReadHoldingRegisters = 3;
inline constexpr std::uint8_t WriteSingleCoil = 5;

// An exception answer carries the request's function code with this bit set.
inline constexpr std::uint8_t kExceptionBit = 0x80;

// The two values a write of a single coil may carry; any other is an illegal value.
inline constexpr std::uint16_t kCoilOn = 0xFF00;
inline constexpr std::uint16_t kCoilOff = 0x0000;

} // namespace ModbusFunction
} // namespace veg
