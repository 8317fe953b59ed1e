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

// What one request of the link test brought back, before its data are read.
struct ModbusAnswer
{
    int code = 0;     // of ModbusTransact: 0 an answer came, 1 none, 2 wrong CRC, 8 not written
    QByteArray bytes; // the answer as it came, its CRC included
    bool aborted = false;
};

// One request to the gateway as the link test makes it, whatever its function: the settings'
// CRC constant and answer time, one repeat when nothing answers, and the request once more when
// the gateway acknowledges it with exception 5 (it has taken the request but has no answer yet).
// `answerLength` is the length of the expected answer without its CRC; the answer reading stops
// there.
ModbusAnswer AskGateway(ModbusMaster& master, const ModbusLinkSettings& settings,
                        const QByteArray& request, int answerLength,
                        const ModbusMaster::Progress& progress);

// The reading of a request whose transaction failed or was stopped (`answer.code` != 0 or
// `answer.aborted`), with its code and note.
ModbusReading FailedTransaction(const ModbusAnswer& answer);
// The reading of an exception answer: the exception's code (3-11) and note; nullopt for an
// answer that is not one.
std::optional<ModbusReading> ExceptionReading(const QByteArray& answer);

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
