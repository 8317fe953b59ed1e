#include "core/modbus/ModbusResult.h"

#include <array>

namespace veg::ModbusResult {

namespace {
const std::array<const char*, kCount> kTexts = {
    "OK",
    "Нет ответа от устройства",
    "Несовпадение CRC16 в ответе",
    "Запрещенная функция",
    "Запрещенный адрес данных",
    "Запрещенная величина данных",
    "Сбой в работе устройства Slave",
    "Подтверждение приема",
    "Устройство Slave находится в состоянии занятости",
    "Неподтверждение приема",
    "Ошибка контроля по четности при обращении к памяти",
    "Ошибка приема",
};

QString withCode(const QString& message, int code)
{
    return message + QStringLiteral(" (код ошибки ") + QString::number(code) + u')';
}
} // namespace

QString text(int code)
{
    if (code < 0 || code >= kCount)
        code = ReceiveError;
    return QString::fromUtf8(kTexts[std::size_t(code)]);
}

int fromException(int exceptionCode)
{
    if (exceptionCode < 1 || exceptionCode > 8)
        return ReceiveError;
    return exceptionCode + 2;
}

QString note(int code)
{
    return withCode(text(code), code);
}

QString writeFailedNote()
{
    return withCode(QStringLiteral("Ошибка записи в последовательный порт"), SlaveBusy);
}

} // namespace veg::ModbusResult
