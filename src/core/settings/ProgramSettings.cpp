#include "core/settings/ProgramSettings.h"

#include "core/port/PortNames.h"
#include "core/text/IniDocument.h"
#include "core/text/NumberText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <optional>

namespace veg {
namespace {

const QString kParametr = QStringLiteral("Parametr");
const QString kBase = QStringLiteral("BaseK19");
const QString kDop = QStringLiteral("DopNastr");
const QString kModbus = QStringLiteral("NastrModbus");

// Reads numbers of one section, collecting the messages of values that do not read.
class SectionReader
{
public:
    SectionReader(const IniDocument& doc, const QString& section, QStringList& errors)
        : m_doc(doc), m_section(section), m_errors(errors)
    {
    }
    QString text(const char* key, const char* def) const
    {
        return m_doc.readString(m_section, QString::fromLatin1(key), QString::fromUtf8(def));
    }
    template <typename T> void dec(const char* key, const char* def, T& out) const
    {
        const QString v = text(key, def);
        if (const auto n = NumberText::parseDec(v))
            out = static_cast<T>(*n);
        else
            report(key, NumberText::notAnInteger(v));
    }
    template <typename T> void hex(const char* key, const char* def, T& out) const
    {
        const QString v = text(key, def);
        if (const auto n = NumberText::parseHex(v))
            out = static_cast<T>(*n);
        else
            report(key, NumberText::notAnInteger(u'$' + v));
    }
    void boolean(const char* key, const char* def, bool& out) const
    {
        int v = out ? 1 : 0;
        dec(key, def, v);
        out = v != 0;
    }

private:
    void report(const char* key, const QString& why) const
    {
        m_errors << QStringLiteral("Файл настроек, раздел [%1], ключ %2: %3")
                        .arg(m_section, QString::fromLatin1(key), why);
    }
    const IniDocument& m_doc;
    const QString& m_section;
    QStringList& m_errors;
};

int indexOfTrimmed(const QStringList& list, const QString& text)
{
    for (int i = 0; i < list.size(); ++i) {
        if (list[i].trimmed() == text.trimmed())
            return i;
    }
    return -1;
}

QString boolText(bool v)
{
    return v ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

ProgramSettings::ProgramSettings(QString path) : m_path(path.isEmpty() ? defaultPath() : path) {}

QString ProgramSettings::defaultPath()
{
    return settingsPathFor(QCoreApplication::applicationFilePath(),
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

QString ProgramSettings::settingsPathFor(const QString& executable, const QString& userConfigRoot)
{
    const QFileInfo exe(executable);
    const QString folder = exe.absolutePath();
    const QString beside = exe.absoluteDir().filePath(exe.completeBaseName() + QStringLiteral(".ini"));
    const QFileInfo besideInfo(beside);
#ifndef Q_OS_WIN
    // A program installed by the package lives in a folder shared by every user of the machine
    // (and writable by root only): its settings are each user's own.
    const bool installed = folder.startsWith(QStringLiteral("/usr/")) ||
                           folder.startsWith(QStringLiteral("/opt/")) ||
                           folder == QStringLiteral("/bin");
#else
    const bool installed = false;
#endif
    if (!installed && QFileInfo(folder).isWritable() &&
        (!besideInfo.exists() || besideInfo.isWritable()))
        return beside;
    // Every program of the tool (vegconf, vegctl) shares the one file of the user.
    const QString dir = QDir(userConfigRoot).filePath(QStringLiteral("vegconf"));
    QDir().mkpath(dir);
    return QDir(dir).filePath(QStringLiteral("vegconf.ini"));
}

QStringList ProgramSettings::adapterKeys()
{
    return {QStringLiteral("Acceptance Filter"), QStringLiteral("Acceptance Mask"),
            QStringLiteral("CNF 321")};
}

QStringList ProgramSettings::ReadProgramSettings()
{
    QStringList errors;
    IniDocument::FileStatus status;
    QString error;
    const IniDocument doc = IniDocument::fromFile(m_path, &status, &error);
    if (status == IniDocument::FileStatus::Failed)
        errors << error;
    readExchange(doc, errors);
    readDatabase(doc);
    editedDatabase = database; // the database path window starts from what the file holds
    readAdditional(doc);
    readModbus(doc, errors);
    return errors;
}

QStringList ProgramSettings::ReadDatabaseDirectories()
{
    IniDocument::FileStatus status;
    QString error;
    const IniDocument doc = IniDocument::fromFile(m_path, &status, &error);
    readDatabase(doc);
    return status == IniDocument::FileStatus::Failed ? QStringList{error} : QStringList{};
}

void ProgramSettings::readExchange(const IniDocument& doc, QStringList& errors)
{
    const SectionReader r(doc, kParametr, errors);
    ExchangeSettings& e = exchange;
    e = ExchangeSettings{};
    e.AdapterKind = r.text("VS", "CAN-BUS") == u"CAN-BUS" ? ExchangeSettings::kCanBus
                                                          : ExchangeSettings::kRs232;
    e.ViaAdapter = false;
    if (e.AdapterKind == ExchangeSettings::kRs232)
        r.boolean("Adapter", "0", e.ViaAdapter);
    e.PortName = r.text("Comport", "COM2");
    e.PortIndex = int(portNames().indexOf(e.PortName));
    r.dec("Pc_numb", "0", e.PcNumber);
    e.CanSpeedIndex = indexOfTrimmed(ExchangeSettings::canSpeeds(), r.text("SpeedPC", "300"));
    r.dec("CRC", "0", e.ChecksumKind);
    const QString speed = e.ViaAdapter ? r.text("Speed", "9600") : QStringLiteral("9600");
    e.SpeedIndex = int(ExchangeSettings::serialSpeeds().indexOf(speed));
    r.hex("AdapterSetn", "1", e.AdapterNumber);
    if (e.ViaAdapter) {
        e.GatewayNumber = 1; // the key's default, also for a value that does not read
        r.hex("SetNVEG", "1", e.GatewayNumber);
    }
    else
        e.GatewayNumber = 0x25;
    r.dec("TimeW", "2", e.AnswerWaitSeconds);
    r.dec("KPov", "3", e.Retries);
    r.dec("WriteRounds", "2", e.WriteRounds);
    e.WriteRounds = std::clamp(e.WriteRounds, 0, ExchangeSettings::kMaxWriteRounds);
    r.boolean("VerifyWrite", "1", e.VerifyAfterWrite);
    r.boolean("BackupBeforeWrite", "1", e.BackupBeforeWrite);
    r.boolean("QuickSearch", "0", e.QuickSearch);
}

void ProgramSettings::readDatabase(const IniDocument& doc)
{
    database.Way = doc.readString(kBase, QStringLiteral("Way"), QString());
    database.WayAlg = doc.readString(kBase, QStringLiteral("WayAlg"), QString());
    database.WayMod = doc.readString(kBase, QStringLiteral("WayMod"), QString());
    database.WayTask = doc.readString(kBase, QStringLiteral("WayTask"), QString());
}

void ProgramSettings::readAdditional(const IniDocument& doc)
{
    additional.ShortTaskNames =
        doc.readString(kDop, QStringLiteral("NameTask"), QStringLiteral("1")) == AdditionalSettings::shortText();
}

void ProgramSettings::readModbus(const IniDocument& doc, QStringList& errors)
{
    const SectionReader r(doc, kModbus, errors);
    ModbusLinkSettings& m = modbus;
    m = ModbusLinkSettings{};
    // One second when the file does not say: an answer time of 1000 s would hold a read of a
    // silent line for over half an hour.
    r.dec("TimeAnswer", "1", m.AnswerSeconds);
    r.hex("SetMod", "1", m.SlaveAddress);
    m.ModbusSpeedIndex = int(ModbusLinkSettings::speeds().indexOf(r.text("SpeedPCMod", "9600")));
    m.TestPortName = r.text("Comport", "COM2");
    r.hex("ConstCRC", "8408", m.ConstCRC);
    r.dec("StopBitMod", "1", m.CharFormat);
    r.dec("ParityMod", "2", m.ParityChoice);
    r.boolean("SwapMod", "0", m.SwapWords);
    r.boolean("InversMod", "0", m.InvertBytes);
}

template <typename Edit> bool ProgramSettings::update(Edit edit, QString* error)
{
    IniDocument::FileStatus status;
    QString readError;
    IniDocument doc = IniDocument::fromFile(m_path, &status, &readError);
    if (status == IniDocument::FileStatus::Failed) {
        // Writing over a file that could not be read would lose its other sections.
        if (error)
            *error = readError;
        return false;
    }
    edit(doc);
    return doc.saveAtomic(m_path, error);
}

bool ProgramSettings::WriteExchangeSettings(QString* error, const ExchangeTexts* texts)
{
    return update(
        [this, texts](IniDocument& doc) {
            // The adapter's tuning shares the section; it survives the rewrite.
            std::vector<std::pair<QString, QString>> kept;
            for (const QString& k : adapterKeys()) {
                if (const auto v = doc.value(kParametr, k))
                    kept.emplace_back(k, *v);
            }
            const ExchangeSettings& e = exchange;
            const QStringList link = ExchangeSettings::linkTypeTexts();
            doc.eraseSection(kParametr);
            auto put = [&](const char* key, const QString& value) {
                doc.writeString(kParametr, QString::fromLatin1(key), value);
            };
            put("VS", link[e.AdapterKind == ExchangeSettings::kCanBus ? 1 : 0]);
            put("Comport", e.PortName);
            put("Pc_numb", texts ? texts->pcNumber : QString::number(e.PcNumber));
            put("SpeedPC", ExchangeSettings::canSpeeds().value(e.CanSpeedIndex));
            put("CRC", QString::number(e.ChecksumKind));
            put("Speed", ExchangeSettings::serialSpeeds().value(e.SpeedIndex));
            put("Adapter", boolText(e.ViaAdapter));
            put("AdapterSetn", texts ? texts->adapterNumber : NumberText::hex(e.AdapterNumber, 2));
            put("SetNVEG", texts ? texts->gatewayNumber : NumberText::hex(e.GatewayNumber, 2));
            put("KPov", QString::number(e.Retries));
            put("TimeW", texts ? texts->answerWait : QString::number(e.AnswerWaitSeconds));
            put("WriteRounds", QString::number(e.WriteRounds));
            putChoices(doc);
            for (const auto& [k, v] : kept)
                doc.writeString(kParametr, k, v);
        },
        error);
}

void ProgramSettings::putChoices(IniDocument& doc) const
{
    doc.writeString(kParametr, QStringLiteral("VerifyWrite"), boolText(exchange.VerifyAfterWrite));
    doc.writeString(kParametr, QStringLiteral("BackupBeforeWrite"),
                    boolText(exchange.BackupBeforeWrite));
    doc.writeString(kParametr, QStringLiteral("QuickSearch"), boolText(exchange.QuickSearch));
}

bool ProgramSettings::WriteExchangeChoices(QString* error)
{
    return update([this](IniDocument& doc) { putChoices(doc); }, error);
}

bool ProgramSettings::WriteNetworkNumbers(QString* error)
{
    return update(
        [this](IniDocument& doc) {
            doc.writeString(kParametr, QStringLiteral("AdapterSetn"), NumberText::hex(exchange.AdapterNumber, 2));
            doc.writeString(kParametr, QStringLiteral("SetNVEG"), NumberText::hex(exchange.GatewayNumber, 2));
        },
        error);
}

bool ProgramSettings::WriteDatabaseDirectories(QString* error)
{
    return update(
        [this](IniDocument& doc) {
            doc.eraseSection(kBase);
            doc.writeString(kBase, QStringLiteral("Way"), editedDatabase.Way);
            doc.writeString(kBase, QStringLiteral("WayAlg"), editedDatabase.WayAlg);
            doc.writeString(kBase, QStringLiteral("WayMod"), editedDatabase.WayMod);
            doc.writeString(kBase, QStringLiteral("WayTask"), editedDatabase.WayTask);
        },
        error);
}

bool ProgramSettings::WriteAdditionalSettings(QString* error)
{
    return update(
        [this](IniDocument& doc) {
            doc.eraseSection(kDop);
            doc.writeString(kDop, QStringLiteral("NameTask"),
                            additional.ShortTaskNames ? AdditionalSettings::shortText()
                                                      : AdditionalSettings::longText());
        },
        error);
}

bool ProgramSettings::WriteModbusLinkSettings(QString* error, const ModbusTexts* texts)
{
    return update(
        [this, texts](IniDocument& doc) {
            const ModbusLinkSettings& m = modbus;
            doc.eraseSection(kModbus);
            auto put = [&](const char* key, const QString& value) {
                doc.writeString(kModbus, QString::fromLatin1(key), value);
            };
            put("Comport", m.TestPortName);
            put("SpeedPCMod", ModbusLinkSettings::speeds().value(m.ModbusSpeedIndex));
            put("StopBitMod", QString::number(m.CharFormat));
            put("ParityMod", QString::number(m.ParityChoice));
            put("InversMod", boolText(m.InvertBytes));
            put("SwapMod", boolText(m.SwapWords));
            put("SetMod", texts ? texts->slaveAddress : NumberText::hex(m.SlaveAddress, 2));
            put("TimeAnswer", texts ? texts->answerTime : QString::number(m.AnswerSeconds));
            put("ConstCRC", texts ? texts->constCrc : NumberText::hex(m.ConstCRC, 4));
        },
        error);
}

} // namespace veg
