#pragma once

#include "core/modbus/ModbusReading.h"

#include <QByteArray>

#include <cstdint>

namespace veg {

struct ModbusLinkSettings;

// The gateway's single-bit items as the link test reaches them: a telesignal published as a
// discrete input (function 2), a telecontrol command taken as a coil (function 1 reads its
// state, function 5 gives the command). One request per item, as holding registers are read:
// an exception answers a whole request, so a request for several items would hide the state of
// every item beside one the gateway does not have; and the gateway's coil numbers are even, so
// its coils never make a run of consecutive numbers anyway.
//
// A successful reading has `value` "0" or "1": the bit read, or the value written.

// Address, function (1 or 2), the item's number, one item.
QByteArray bitReadRequest(std::uint8_t slaveAddress, std::uint8_t function, int address);
// Address, 5, the coil's number, FF 00 for 1 or 00 00 for 0.
QByteArray coilWriteRequest(std::uint8_t slaveAddress, int address, bool on);

// What an answer to a function 1 or 2 request for one item means: an exception answer gives its
// code; an answer of another function or without a data byte is a receive error (11). Pure.
ModbusReading InterpretBitAnswer(const QByteArray& answer, std::uint8_t function, bool withCrc);
// What the answer to a coil write means: the request echoed is success; an exception answer
// gives its code; anything else (another coil, another value) is a receive error (11). Pure.
ModbusReading InterpretCoilWriteAnswer(const QByteArray& answer, const QByteArray& request,
                                       bool withCrc);

// One item with the link test's settings (one repeat after no answer, one after exception 5).
ModbusReading ReadDiscreteInput(ModbusMaster& master, const ModbusLinkSettings& settings,
                                int address, const ModbusMaster::Progress& progress);
ModbusReading ReadCoil(ModbusMaster& master, const ModbusLinkSettings& settings, int address,
                       const ModbusMaster::Progress& progress);
ModbusReading WriteCoil(ModbusMaster& master, const ModbusLinkSettings& settings, int address,
                        bool on, const ModbusMaster::Progress& progress);

} // namespace veg
