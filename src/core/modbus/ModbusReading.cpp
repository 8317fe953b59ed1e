#include "core/modbus/ModbusReading.h"

#include "core/modbus/ModbusFloat.h"
#include "core/modbus/ModbusFunction.h"
#include "core/settings/ModbusLinkSettings.h"
#include "core/modbus/ModbusResult.h"
#include "core/text/NumberText.h"

#include <cmath>

namespace veg {

namespace {

constexpr int kAcknowledge = 5;
// The answer to two registers: address, function, byte count, four data bytes (+ CRC).
constexpr int kHeader = 3;
constexpr int kRegisterAnswer = kHeader + 4;

std::uint8_t at(const QByteArray& bytes, int i)
{
    return std::uint8_t(bytes[i]);
}

bool isException(const QByteArray& answer)
{
    return answer.size() >= 3 && (at(answer, 1) & ModbusFunction::kExceptionBit) != 0;
}

// Fixed point with 4 decimals; values with more than 10 integer digits in exponent form, so
// that no cell fills with digits.
QString floatText(float value, QChar decimalSeparator)
{
    const double v = value;
    QString text = std::isfinite(v) && std::fabs(v) < 1e10 ? QString::number(v, 'f', 4)
                                                           : QString::number(v, 'E', 9);
    if (decimalSeparator != u'.')
        text.replace(u'.', decimalSeparator);
    return text;
}

} // namespace

ModbusAnswer AskGateway(ModbusMaster& master, const ModbusLinkSettings& settings,
                        const QByteArray& request, int answerLength,
                        const ModbusMaster::Progress& progress)
{
    const int expected = answerLength + (settings.ConstCRC != 0 ? 2 : 0);
    ModbusAnswer a;
    int count = 0;
    auto transact = [&] {
        return master.ModbusTransact(request, 1, progress, count, a.bytes, settings.ConstCRC,
                                     expected, settings.AnswerSeconds);
    };
    a.code = transact();
    if (a.code == 0 && isException(a.bytes) && at(a.bytes, 2) == kAcknowledge && !master.aborted())
        a.code = transact();
    a.aborted = master.aborted();
    return a;
}

ModbusReading FailedTransaction(const ModbusAnswer& answer)
{
    ModbusReading r;
    if (answer.aborted) {
        r.aborted = true;
        return r;
    }
    r.code = answer.code;
    r.note = answer.code == ModbusResult::SlaveBusy ? ModbusResult::writeFailedNote()
                                                    : ModbusResult::note(answer.code);
    return r;
}

std::optional<ModbusReading> ExceptionReading(const QByteArray& answer)
{
    if (!isException(answer))
        return std::nullopt;
    ModbusReading r;
    r.code = ModbusResult::fromException(at(answer, 2));
    r.note = ModbusResult::note(r.code);
    return r;
}

QByteArray holdingRegisterRequest(std::uint8_t slaveAddress, int reg)
{
    QByteArray r;
    r.append(char(slaveAddress));
    r.append(char(ModbusFunction::ReadHoldingRegisters));
    r.append(char((reg >> 8) & 0xFF));
    r.append(char(reg & 0xFF));
    r.append(char(0));
    r.append(char(2));
    return r;
}

ModbusReading InterpretAnswer(const QByteArray& answer, bool withCrc, bool invertBytes,
                              bool swapWords, QChar decimalSeparator)
{
    if (auto e = ExceptionReading(answer))
        return *e;
    ModbusReading r;
    // Data bytes the answer carries after its header (and before its CRC).
    const int data = int(answer.size()) - kHeader - (withCrc ? 2 : 0);
    if (data >= 4) {
        r.isFloat = true;
        r.floatValue = DecodeFloat(at(answer, 3), at(answer, 4), at(answer, 5), at(answer, 6),
                                   invertBytes, swapWords);
        r.value = floatText(r.floatValue, decimalSeparator);
    } else if (data >= 2) {
        r.value = QString::number(at(answer, 3) * 256 + at(answer, 4));
    } else {
        r.code = ModbusResult::ReceiveError; // no register in it
        r.note = ModbusResult::note(r.code);
    }
    return r;
}

ModbusReading ReadHoldingRegister(ModbusMaster& master, const ModbusLinkSettings& settings, int reg,
                                  const ModbusMaster::Progress& progress, QChar decimalSeparator)
{
    const ModbusAnswer a =
        AskGateway(master, settings, holdingRegisterRequest(settings.SlaveAddress, reg),
                   kRegisterAnswer, progress);
    if (a.aborted || a.code != 0)
        return FailedTransaction(a);
    return InterpretAnswer(a.bytes, settings.ConstCRC != 0, settings.InvertBytes,
                           settings.SwapWords, decimalSeparator);
}

std::optional<std::vector<int>> ParseRegisterList(const QString& text, QString* message)
{
    if (text.isEmpty()) {
        if (message)
            *message = QStringLiteral("Не введен номер регистра");
        return std::nullopt;
    }
    QStringList pieces = text.split(u',');
    if (pieces.size() > 1 && pieces.last().isEmpty())
        pieces.removeLast();
    std::vector<int> out;
    for (const QString& piece : pieces) {
        const auto n = NumberText::parseDec(piece);
        // A register number travels as two bytes: anything else would ask for another one.
        if (!n || *n < 0 || *n > 0xFFFF) {
            if (message)
                *message = QStringLiteral("Неверно введены номера регистров");
            return std::nullopt;
        }
        out.push_back(int(*n));
    }
    return out;
}

} // namespace veg
