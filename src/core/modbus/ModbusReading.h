#pragma once

#include "core/modbus/ModbusMaster.h"

#include <QChar>
#include <QString>

#include <optional>
#include <vector>

namespace veg {

struct ModbusLinkSettings;

// One holding register read as the link test reads it: a request for two registers from the
// gateway, repeated once when the gateway acknowledges it with exception 5, and its outcome as
// a result code, a value text or a note.
struct ModbusReading
{
    int code = 0;  // ModbusResult code
    QString value; // the float, or the first register as an unsigned word; empty on failure
    QString note;  // the message with its code on failure
    bool isFloat = false;
    float floatValue = 0;
    bool aborted = false; // the reading was stopped; nothing is to be shown for the register
};

// The bytes of the request for register `reg`: address, 3, the register, two registers.
QByteArray holdingRegisterRequest(std::uint8_t slaveAddress, int reg);

// Reads `reg` with the link test's settings (one repeat after no answer, the settings' CRC
// constant and answer time). `decimalSeparator` is the one the value is written with.
ModbusReading ReadHoldingRegister(ModbusMaster& master, const ModbusLinkSettings& settings, int reg,
                                  const ModbusMaster::Progress& progress,
                                  QChar decimalSeparator = u'.');

// What an answer of `count` bytes means, after a successful transaction. Pure: the fuzzer and
// the tests call it directly.
ModbusReading InterpretAnswer(const QByteArray& answer, bool withCrc, bool invertBytes,
                              bool swapWords, QChar decimalSeparator = u'.');

// The register list of the read window: decimal numbers 0-65535 separated by commas; one
// trailing comma is allowed. On failure `message` gets the text to show.
std::optional<std::vector<int>> ParseRegisterList(const QString& text, QString* message);

} // namespace veg
