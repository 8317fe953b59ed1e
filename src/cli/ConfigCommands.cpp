#include "Commands.h"

#include "core/app/ControllerDatabases.h"
#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"
#include "core/config/ProgramSettings.h"
#include "core/text/NumberText.h"

#include <QFileInfo>
#include <QLocale>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <iostream>

namespace vegctl {
namespace {

using namespace veg;

// Floats as the shortest decimal text that reads back as the same float, not as the nearest
// double (0.1f is 0.1 in the dump, not 0.10000000149011612).
QJsonValue real(float v)
{
    return NumberText::formatFloat(v, u'.').toDouble();
}

QJsonObject coreJson(const ParamCore& c)
{
    return {{"Kind", c.Kind}, {"NetNumber", c.NetNumber}, {"ParamNumber", c.ParamNumber},
            {"TaskNumber", c.TaskNumber}};
}

void addCore(QJsonObject& o, const ParamCore& c)
{
    o["Kind"] = c.Kind;
    o["NetNumber"] = c.NetNumber;
    o["ParamNumber"] = c.ParamNumber;
    o["TaskNumber"] = c.TaskNumber;
}

QJsonArray bytes(const auto& array)
{
    QJsonArray out;
    for (auto b : array)
        out.append(int(b));
    return out;
}

QJsonObject commonJson(const CommonSettings& m)
{
    return {{"AdrCAN", m.AdrCAN},   {"AdrExt", m.AdrExt},   {"AdrOKP", m.AdrOKP},
            {"AdrLong", bytes(m.AdrLong)},
            {"V_CAN", m.V_CAN},     {"V_Ext", m.V_Ext},     {"RBit", m.RBit},
            {"RCon", m.RCon},       {"TBit", m.TBit},       {"TCon", m.TCon},
            {"tbegin", m.tbegin},   {"trepeat", m.trepeat}, {"TimeR_T", m.TimeR_T},
            {"Const1", m.Const1},   {"Const2", m.Const2},   {"Invers", m.Invers},
            {"SWAP", m.SWAP},       {"Modem", m.Modem},     {"TimeRes", m.TimeRes},
            {"RTSoff", m.RTSoff},   {"RTSon", m.RTSon},     {"Synch", m.Synch}};
}

QJsonObject changedJson(const ChangedFlags& f)
{
    return {{"CommonChanged", f.CommonChanged},         {"ControllersChanged", f.ControllersChanged},
            {"GroupChanged", f.GroupChanged},           {"OkpTypesChanged", f.OkpTypesChanged},
            {"TcChanged", f.TcChanged},                 {"TuChanged", f.TuChanged},
            {"IkpChanged", f.IkpChanged},               {"ModbusCoilChanged", f.ModbusCoilChanged},
            {"ModbusTcChanged", f.ModbusTcChanged},     {"TiFloatChanged", f.TiFloatChanged},
            {"UnkChanged", f.UnkChanged},               {"HartChanged", f.HartChanged},
            {"KtsGroupChanged", f.KtsGroupChanged},     {"KtsSignalChanged", f.KtsSignalChanged}};
}

QJsonArray tcTuRows(const std::vector<TcTuEntry>& rows)
{
    QJsonArray out;
    for (const TcTuEntry& e : rows) {
        QJsonObject o;
        addCore(o, e);
        o["Extra"] = e.Extra;
        o["Name"] = e.Name;
        out.append(o);
    }
    return out;
}

} // namespace

QJsonObject configJson(const GatewayConfig& c)
{
    QJsonObject o;
    o["Protocol"] = int(c.Protocol);
    o["FileName"] = c.FileName;
    o["IsNewFile"] = c.IsNewFile;
    o["IsReadBack"] = c.IsReadBack;
    o["HasFile"] = c.HasFile;
    o["Common"] = commonJson(c.Common);
    QJsonArray controllers;
    for (const ControllerEntry& e : c.Controllers)
        controllers.append(QJsonObject{{"Path", e.QueuePath}, {"NetNumber", e.NetNumber}, {"Present", e.Present}});
    o["Controllers"] = controllers;
    QJsonArray group;
    for (const GroupParamRef& g : c.GroupParams)
        group.append(QJsonObject{{"NetNumber", g.NetNumber}, {"ParamNumber", g.ParamNumber},
                                 {"TaskNumber", g.TaskNumber}, {"Name", g.Name}});
    o["GroupParams"] = group;

    switch (c.Protocol) {
    case ProtocolVariant::Magistral1: {
        o["OkpSubblockTypes"] = bytes(c.OkpSubblockTypes);
        o["TcTuTable"] = tcTuRows(c.TcTuTable);
        QJsonArray ikp;
        for (const TiEntry& e : c.IkpTable) {
            QJsonObject r;
            addCore(r, e);
            r["Name"] = e.Name;
            ikp.append(r);
        }
        o["IkpTable"] = ikp;
        break;
    }
    case ProtocolVariant::Modbus: {
        QJsonArray coils;
        for (const ModbusCoilEntry& e : c.ModbusCoilTable)
            coils.append(QJsonObject{
                {"TU0", coreJson(e.TU0)},       {"TU1", coreJson(e.TU1)},
                {"TimeTU1", e.TimeTU1},         {"TimeTU0", e.TimeTU0},
                {"NameTU0", e.NameTU0},         {"NameTU1", e.NameTU1},
                {"TypeTU", e.TypeTU},           {"OC0", coreJson(e.OC0)},
                {"NameOC0", e.NameOC0},         {"OC1", coreJson(e.OC1)},
                {"NameOC1", e.NameOC1},         {"READY1", coreJson(e.READY1)},
                {"NameREADY1", e.NameREADY1},   {"READY0", coreJson(e.READY0)},
                {"NameREADY0", e.NameREADY0},   {"Coil", e.Coil}});
        o["ModbusCoilTable"] = coils;
        o["ModbusTcTable"] = tcTuRows(c.ModbusTcTable);
        o["TiFloatTable"] = tcTuRows(c.TiFloatTable);
        break;
    }
    case ProtocolVariant::UnkTm: {
        QJsonArray threads;
        for (const UnkThread& t : c.UnkThreads)
            threads.append(QJsonObject{{"Name", t.Name},         {"Parole", bytes(t.Parole)},
                                       {"TypeMeas", t.TypeMeas}, {"Selection", t.Selection},
                                       {"SetN", t.SetN},         {"RazmHour", t.RazmHour}});
        o["UnkThreads"] = threads;
        o["ParoleWr"] = bytes(c.ParoleWr);
        break;
    }
    case ProtocolVariant::Hart: {
        QJsonArray devices;
        for (const HartDevice& d : c.HartDevices)
            devices.append(QJsonObject{{"TypeHart", d.TypeHart}, {"NomHart", d.NomHart},
                                       {"KodHart", d.KodHart},   {"SetN", d.SetN},
                                       {"RazmHour", d.RazmHour}});
        o["HartDevices"] = devices;
        break;
    }
    case ProtocolVariant::KtsEnergia: {
        QJsonArray groups, signals_;
        for (const KtsGroup& g : c.KtsGroups)
            groups.append(QJsonObject{{"SetN", g.SetN},           {"ParamNumber", g.ParamNumber},
                                      {"BegScale", real(g.BegScale)}, {"EndScale", real(g.EndScale)},
                                      {"Number", g.Number},       {"TaskNumber", g.TaskNumber},
                                      {"Name", g.Name}});
        for (const KtsSignal& s : c.KtsSignals)
            signals_.append(QJsonObject{{"Flags", s.Flags},           {"SetN", s.SetN},
                                        {"ParamNumber", s.ParamNumber}, {"TaskNumber", s.TaskNumber},
                                        {"Name", s.Name}});
        o["KtsGroups"] = groups;
        o["KtsSignals"] = signals_;
        break;
    }
    case ProtocolVariant::None:
        break;
    }
    o["Changed"] = changedJson(c.Changed);
    return o;
}

void fail(const QString& message, int status)
{
    std::cerr << message.toStdString() << std::endl;
    exitStatus() = status;
}

// The settings file whose database folders build the controllers' database objects: the one
// given with --settings, else vegctl's own beside the executable.
std::string settingsPath;

ProgramSettings& settings()
{
    static ProgramSettings s(settingsPath.empty() ? ProgramSettings::defaultPath()
                                                  : QString::fromStdString(settingsPath));
    static bool read = false;
    if (!read) {
        read = true;
        for (const QString& e : s.ReadProgramSettings())
            std::cerr << e.toStdString() << std::endl;
    }
    return s;
}

bool loadFile(GatewayConfig& c, const std::string& path)
{
    LoadOptions options;
    options.directories = settings().database;
    options.makeDatabase = controllerDatabaseReader();
    const LoadResult r = LoadConfiguration(c, QString::fromStdString(path), options);
    for (const QString& n : r.notices)
        std::cerr << n.toStdString() << std::endl;
    if (!r.loaded()) {
        fail(r.message);
        return false;
    }
    return true;
}

QChar systemDecimalSeparator()
{
    return QLocale::system().decimalPoint().at(0); // as vegconf shows and writes numbers
}

bool saveAs(GatewayConfig& c, const std::string& path)
{
    QString p = QString::fromStdString(path);
    if (!p.contains(u'.'))
        p += QStringLiteral(".veg");
    SaveOptions options;
    options.decimalSeparator = systemDecimalSeparator();
    const SaveResult r = SaveConfiguration(c, p, true, options);
    if (!r.ok)
        fail(r.message);
    return r.ok;
}

void addConfigCommands(CLI::App& app)
{
    static std::string dumpPath, newProtocol, newOut, resaveIn, resaveOut;

    CLI::App* dump = app.add_subcommand("dump", "Load a .veg file and print the configuration as JSON");
    dump->add_option("FILE", dumpPath, "configuration file")->required();
    dump->add_option("--settings", settingsPath, "program settings file with the database folders (section BaseK19)");
    dump->callback([] {
        GatewayConfig c;
        if (!loadFile(c, dumpPath))
            return;
        std::cout << QJsonDocument(configJson(c)).toJson(QJsonDocument::Indented).toStdString();
    });

    CLI::App* create = app.add_subcommand("new", "Make a new configuration and save it");
    create->add_option("PROTOCOL", newProtocol, "Магистраль-1, Modbus, УНК ТМ, HART or КТС Энергия")->required();
    create->add_option("OUT", newOut, "file to write")->required();
    create->callback([] {
        const ProtocolVariant p = protocolFromName(QString::fromStdString(newProtocol));
        if (p == ProtocolVariant::None) {
            fail(QStringLiteral("Неизвестный протокол: %1").arg(QString::fromStdString(newProtocol)));
            return;
        }
        GatewayConfig c;
        c.Protocol = p;
        c.IsNewFile = true;
        c.CreateFor(p);
        c.ResetCommon();
        c.ClearControllers();
        saveAs(c, newOut);
    });

    CLI::App* resave = app.add_subcommand("resave", "Load a .veg file and save it whole into another");
    resave->add_option("IN", resaveIn, "configuration file")->required();
    resave->add_option("OUT", resaveOut, "file to write")->required();
    resave->add_option("--settings", settingsPath, "program settings file with the database folders (section BaseK19)");
    resave->callback([] {
        GatewayConfig c;
        if (loadFile(c, resaveIn))
            saveAs(c, resaveOut);
    });
}

} // namespace vegctl
