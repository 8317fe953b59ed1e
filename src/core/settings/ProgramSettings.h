#pragma once

#include "core/settings/AdditionalSettings.h"
#include "core/settings/DatabaseDirectories.h"
#include "core/settings/ExchangeSettings.h"
#include "core/settings/ModbusLinkSettings.h"

#include <QString>
#include <QStringList>

namespace veg {

class IniDocument;

// The program's own settings file: section "Parametr" (the link to the gateway), "BaseK19"
// (the controller database), "DopNastr" (task-name display) and "NastrModbus" (the Modbus link
// test). Every writer rewrites its section in the file as it is on disk at that moment, keeping
// the rest of the file, and replaces the file atomically.
class ProgramSettings
{
public:
    explicit ProgramSettings(QString path = QString());

    // The file beside the executable, named after it with the extension "ini"; when that folder
    // is not writable, or the program is installed in a system folder (/usr, /opt), the file
    // "vegconf.ini" in the user's configuration folder (~/.config/vegconf/), shared by the programs.
    static QString defaultPath();
    // The same rule for a given executable path and configuration root (made when missing).
    static QString settingsPathFor(const QString& executable, const QString& userConfigRoot);

    const QString& path() const { return m_path; }

    ExchangeSettings exchange;
    // The active library directories (and the root) with which every controller's database
    // object is built; only a passing check of the database path window changes them.
    DatabaseDirectories database;
    // The four paths the database path window edits; written to section "BaseK19".
    DatabaseDirectories editedDatabase;
    AdditionalSettings additional;
    ModbusLinkSettings modbus;

    // Reads all four sections. A missing file or key gives the defaults. Returns the messages of
    // values that do not read (each such value keeps its default; the others are still read).
    QStringList ReadProgramSettings();
    // Section "BaseK19" again (File -> New): the active library directories only; the paths the
    // database path window edits stay as they are.
    QStringList ReadDatabaseDirectories();

    // The texts of the exchange settings window's boxes, written as the window shows them.
    struct ExchangeTexts
    {
        QString pcNumber, adapterNumber, gatewayNumber, answerWait;
    };
    // Each returns false with the reason in `error` when the file cannot be written. Without
    // `texts` the numbers are written as the window would show them.
    bool WriteExchangeSettings(QString* error, const ExchangeTexts* texts = nullptr);
    bool WriteDatabaseDirectories(QString* error);
    bool WriteAdditionalSettings(QString* error);
    // The texts of the Modbus settings window's boxes, written as the window shows them.
    struct ModbusTexts
    {
        QString slaveAddress, answerTime, constCrc;
    };
    bool WriteModbusLinkSettings(QString* error, const ModbusTexts* texts = nullptr);
    // The exchange window's check boxes, in place in section "Parametr".
    bool WriteExchangeChoices(QString* error);
    // The exchange window's update of the two network numbers, in place.
    bool WriteNetworkNumbers(QString* error);

    // Section "Parametr" keys of the CAN-BUS adapter that the exchange settings keep.
    static QStringList adapterKeys();

private:
    void readExchange(const IniDocument& doc, QStringList& errors);
    void readDatabase(const IniDocument& doc);
    void readAdditional(const IniDocument& doc);
    void readModbus(const IniDocument& doc, QStringList& errors);
    void putChoices(IniDocument& doc) const;
    template <typename Edit> bool update(Edit edit, QString* error);

    QString m_path;
};

} // namespace veg
