#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace veg {

class Dialogs;
class ProgramSettings;

// The rules of the window "Настройка обмена по Modbus": the controls' values, the coupling of
// the character format and the parity, the key filters, and the apply that stores
// ModbusLinkSettings and writes section "NastrModbus". The window binds its controls to these
// fields and calls the handlers.
class ModbusSettingsForm
{
public:
    ModbusSettingsForm(ProgramSettings& settings, Dialogs& dialogs);

    // The machine's serial ports, offered after COM1 ... COM8 and accepted by their names.
    void setMachinePorts(const QStringList& ports) { m_machinePorts = ports; }

    // The controls' values.
    QStringList ports; // the port list
    QString port;      // the port box's text
    int speed = 5;     // index into ModbusLinkSettings::speeds(); -1 = none
    int format = 1;    // 0 "11 бит", 1 "10 бит"
    int parity = 2;    // 0 even, 1 odd, 2 none
    QString slaveAddress;
    QString answerTime;
    QString constCrc;
    bool invertBytes = false;
    bool swapWords = false;

    // "Контроль" is chosen only with the 11-bit format.
    bool parityEnabled() const { return format == 0; }

    static QStringList formatTexts();
    static QStringList parityTexts();

    void FormActivate();
    // "10 бит" sets "Контроля нет"; "11 бит" sets "Контроль по четности". The format already
    // chosen, clicked again, changes nothing.
    void chooseFormat(int index);

    // Key filters. Each returns the character to enter, or QChar(0) to swallow the key.
    // `text` is the box's text less its selection, which the key replaces: a wholly selected
    // box takes a key as an empty one.
    // The port box: digits and backspace; backspace is refused while "COM" is all that is left,
    // and a "COM" name takes at most two digits.
    static QChar portKey(const QString& text, QChar key);
    // The slave address (2 characters) and the CRC constant (4): hexadecimal digits.
    static QChar hexKey(const QString& text, int maxLength, QChar key);
    // The answer time: digits and backspace.
    static QChar answerTimeKey(QChar key);
    static constexpr int kSlaveAddressLength = 2;
    static constexpr int kConstCrcLength = 4;

    // "Применить": checks the boxes (a wrong port, address or time is reported and replaced),
    // stores the values and writes the settings file. False, with the message shown and nothing
    // stored, when the CRC constant does not read: the window then stays open.
    bool apply();

private:
    bool portAccepted(const QString& name) const;

    ProgramSettings& m_settings;
    Dialogs& m_dialogs;
    QStringList m_machinePorts;
    QStringList m_namedPorts; // every port the settings held while this window was used
};

} // namespace veg
