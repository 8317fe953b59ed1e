#pragma once

#include <QString>
#include <QStringList>

namespace veg {

class Dialogs;
class ProgramSettings;

// The rules of the window "Настройка обмена": what it shows for the chosen link, what each choice
// changes, and the apply that stores the settings and writes section "Parametr". The window binds
// its controls to these fields and calls the handlers.
class ExchangeSettingsForm
{
public:
    ExchangeSettingsForm(ProgramSettings& settings, Dialogs& dialogs);

    // The ports offered: COM1 ... COM8, the ports the machine has, then every port the settings
    // named since the program started (offeredPorts).
    void setMachinePorts(const QStringList& ports) { m_machinePorts = ports; }

    // The controls' values (indices into the lists of ExchangeSettings; -1 = nothing chosen).
    int linkType = 1; // 0 "RS-232 ", 1 "CAN-BUS"
    QStringList ports; // the port box's list
    QString port;      // the port box's text: one of the list or a name typed
    int checksum = 0;
    int retries = 3; // "Количество повторов", kMinRetries..kMaxRetries
    static constexpr int kMinRetries = 1;
    static constexpr int kMaxRetries = 20;
    int writeRounds = 2; // "Повторных циклов при записи", 0..ExchangeSettings::kMaxWriteRounds
    int speed = 5;
    QString pcNumber;
    int canSpeed = 0;
    QString gatewayNumber;
    bool viaAdapter = false;
    QString adapterNumber;
    QString answerWait;
    bool changed = false;

    struct Visibility
    {
        bool pcNumberPanel, canSpeedPanel, checksumGroup, serialSpeedPanel, adapterCheck,
            adapterNumber, speedEnabled, gatewayEnabled;
        friend bool operator==(const Visibility&, const Visibility&) = default;
    };
    Visibility visibility() const;

    void FormActivate();

    // Handlers of the controls.
    void chooseLinkType(int index);
    void chooseViaAdapter(bool checked);
    void choosePort(int index) { port = ports.value(index, port), changed = true; }
    void editPort(const QString& text) { port = text, changed = true; }
    void chooseChecksum(int index) { checksum = index, changed = true; }
    void chooseRetries(int value) { retries = value, changed = true; }
    void chooseWriteRounds(int value) { writeRounds = value, changed = true; }
    void chooseSpeed(int index) { speed = index, changed = true; }
    void chooseCanSpeed(int index) { canSpeed = index, changed = true; }
    void editPcNumber(const QString& text) { pcNumber = text, changed = true; }
    void editGatewayNumber(const QString& text) { gatewayNumber = text.left(2), changed = true; }
    void editAdapterNumber(const QString& text) { adapterNumber = text, changed = true; }
    void editAnswerWait(const QString& text) { answerWait = text, changed = true; }
    // The PC-number box takes only digits and backspace.
    static bool pcNumberKey(QChar key) { return key.unicode() == 8 || (key >= u'0' && key <= u'9'); }

    // "Применить": stores the values and writes the settings file. False with the message shown
    // when the file cannot be written (the values are stored all the same). A blank port box
    // keeps the port stored before.
    bool apply();
    // Closing the window: asks "Сохранить изменения?" when something changed; Yes applies.
    // Returns true when the window may close.
    bool closeRequested();

private:
    ProgramSettings& m_settings;
    Dialogs& m_dialogs;
    QStringList m_machinePorts;
    QStringList m_namedPorts; // every port the settings held while this window was used
};

} // namespace veg
