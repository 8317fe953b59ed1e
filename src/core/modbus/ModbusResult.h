#pragma once

#include <QString>

namespace veg {

// The outcome of one holding-register read of the link test. 0-2 and 8 come from the
// transaction; 3-11 stand for the slave's exception codes 1-8 and above.
namespace ModbusResult {

enum Code : int
{
    Ok = 0,
    NoAnswer = 1,
    CrcMismatch = 2,
    IllegalFunction = 3, // exception 1
    IllegalAddress = 4,  // exception 2
    IllegalValue = 5,    // exception 3
    SlaveFailure = 6,    // exception 4
    Acknowledge = 7,     // exception 5
    SlaveBusy = 8,       // exception 6; also a failed port write
    NegativeAck = 9,     // exception 7
    MemoryParity = 10,   // exception 8
    ReceiveError = 11,   // any higher exception code, and an answer too short to read
};
inline constexpr int kCount = 12;

// The message of a code; an unknown code gets the text of 11.
QString text(int code);
// The code of a slave's exception answer. Exception code 0 does not exist in Modbus: it is
// taken as a receive error, as the codes above 8 are.
int fromException(int exceptionCode);
// "<message> (код ошибки <code>)", as a failed read is noted.
QString note(int code);
// The note of a transaction whose request could not be written to the port (code 8, whose
// table text speaks of a busy slave).
QString writeFailedNote();

} // namespace ModbusResult
} // namespace veg
