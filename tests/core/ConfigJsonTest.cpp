// A configuration as JSON and back: the round trip through a saved file, and what an import
// refuses, with the JSON path and the reason.

#include "core/config/ConfigFile.h"
#include "core/config/ConfigJson.h"
#include "core/config/GatewayConfig.h"
#include "core/text/IniDocument.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace veg;

namespace {

GatewayConfig newConfig(ProtocolVariant p)
{
    GatewayConfig c;
    c.Protocol = p;
    c.CreateFor(p);
    c.ResetCommon();
    c.ClearControllers();
    c.IsNewFile = true;
    return c;
}

// The JSON of a configuration without the name of its file, which a save decides.
QJsonObject content(const GatewayConfig& c)
{
    QJsonObject o = ConfigJson::toJson(c);
    o.remove(QStringLiteral("FileName"));
    return o;
}

QString pretty(const QJsonObject& o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented));
}

// Sets the value at a JSON path ("ModbusCoilTable[3].TU1.Kind", "Common.V_CAN") in place;
// every step but the last must exist.
void setAt(QJsonObject& root, const QString& path, const QJsonValue& value)
{
    static const QRegularExpression step(QStringLiteral("^(\\w+)(?:\\[(\\d+)\\])?$"));
    const QStringList steps = path.split(u'.');
    const auto m = step.match(steps.front());
    ASSERT_TRUE(m.hasMatch()) << path.toStdString();
    const QString key = m.captured(1);
    if (m.captured(2).isEmpty()) {
        if (steps.size() == 1) {
            root[key] = value;
            return;
        }
        QJsonObject inner = root[key].toObject();
        setAt(inner, steps.mid(1).join(u'.'), value);
        root[key] = inner;
        return;
    }
    QJsonArray rows = root[key].toArray();
    const int i = m.captured(2).toInt();
    ASSERT_LT(i, rows.size()) << path.toStdString();
    if (steps.size() == 1) {
        rows[i] = value;
    } else {
        QJsonObject row = rows[i].toObject();
        setAt(row, steps.mid(1).join(u'.'), value);
        rows[i] = row;
    }
    root[key] = rows;
}

// The demo configuration of a protocol, as a load without databases gives it.
GatewayConfig demo(ProtocolVariant p)
{
    const QDir dir(QStringLiteral(VEG_DEMO_DIR));
    for (const QString& name : dir.entryList({QStringLiteral("*.veg")}, QDir::Files)) {
        GatewayConfig c;
        if (LoadConfiguration(c, dir.filePath(name), LoadOptions{}).loaded() && c.Protocol == p)
            return c;
    }
    ADD_FAILURE() << "no demo configuration of " << protocolName(p).toStdString();
    return newConfig(p);
}

// The lines in which two configurations' JSON differ, "path: a -> b" for the values of the same
// keys, so that a failure shows the few fields and not two whole configurations.
QStringList differences(const QJsonValue& a, const QJsonValue& b, const QString& path = {})
{
    if (a.isObject() && b.isObject()) {
        QStringList out;
        QStringList keys = a.toObject().keys() + b.toObject().keys();
        keys.removeDuplicates();
        for (const QString& k : keys)
            out += differences(a.toObject().value(k), b.toObject().value(k),
                               path.isEmpty() ? k : path + u'.' + k);
        return out;
    }
    if (a.isArray() && b.isArray() && a.toArray().size() == b.toArray().size()) {
        QStringList out;
        for (qsizetype i = 0; i < a.toArray().size(); ++i)
            out += differences(a.toArray().at(i), b.toArray().at(i),
                               QStringLiteral("%1[%2]").arg(path).arg(i));
        return out;
    }
    if (a == b)
        return {};
    auto text = [](const QJsonValue& v) {
        return v.isUndefined() ? QStringLiteral("(нет)")
                               : QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(
                                                       QJsonDocument::Compact))
                                     .mid(1)
                                     .chopped(1);
    };
    return {path + QStringLiteral(": ") + text(a) + QStringLiteral(" -> ") + text(b)};
}

// Imports JSON, saves the result, loads the file again: what a script's configuration becomes.
GatewayConfig throughFile(const QJsonObject& json, const QString& path)
{
    GatewayConfig imported;
    const ConfigJson::ImportResult r = ConfigJson::fromJson(json, imported, LoadOptions{});
    EXPECT_TRUE(r.ok()) << r.errors.join(u'\n').toStdString();
    EXPECT_TRUE(SaveConfiguration(imported, path, true).ok);
    GatewayConfig loaded;
    EXPECT_TRUE(LoadConfiguration(loaded, path, LoadOptions{}).loaded());
    return loaded;
}

} // namespace

// dump -> import -> dump gives the same JSON for every demo configuration and for a new one of
// every protocol.
TEST(ConfigJson, RoundTripThroughAFile)
{
    QTemporaryDir dir;
    std::vector<std::pair<QString, GatewayConfig>> configs;
    const QDir demo(QStringLiteral(VEG_DEMO_DIR));
    for (const QString& name : demo.entryList({QStringLiteral("*.veg")}, QDir::Files)) {
        GatewayConfig c;
        ASSERT_TRUE(LoadConfiguration(c, demo.filePath(name), LoadOptions{}).loaded());
        configs.emplace_back(name, std::move(c));
    }
    ASSERT_EQ(configs.size(), 5u);
    for (int p = 0; p < kProtocolCount; ++p) {
        // As vegctl new makes it: saved, and dumped from the file.
        GatewayConfig c = newConfig(ProtocolVariant(p));
        const QString path = dir.filePath(QStringLiteral("new%1.veg").arg(p));
        ASSERT_TRUE(SaveConfiguration(c, path, true).ok);
        GatewayConfig saved;
        ASSERT_TRUE(LoadConfiguration(saved, path, LoadOptions{}).loaded());
        configs.emplace_back(protocolName(ProtocolVariant(p)), std::move(saved));
    }
    for (const auto& [name, config] : configs) {
        const QJsonObject json = ConfigJson::toJson(config);
        const GatewayConfig back = throughFile(json, dir.filePath(QStringLiteral("back.veg")));
        EXPECT_EQ(pretty(content(back)).toStdString(), pretty(content(config)).toStdString())
            << name.toStdString();
    }
}

// A value that only a window refuses when typed is a value the model and the file hold: the
// import takes it as a file's reader would (vegctl check tells of it), and the file keeps it.
TEST(ConfigJson, ValuesOnlyAWindowRefusesAreTaken)
{
    struct Case
    {
        ProtocolVariant protocol;
        QString path;
        QJsonValue value;
    };
    const Case cases[] = {
        {ProtocolVariant::Modbus, "ModbusCoilTable[3].Coil", 7},
        {ProtocolVariant::Modbus, "ModbusCoilTable[0].TimeTU0", 0}, // "TimeTU0-0" missing
        {ProtocolVariant::Modbus, "ModbusCoilTable[0].TypeTU", 2},
        {ProtocolVariant::Modbus, "ModbusCoilTable[0].OC1.Kind", 7},
        {ProtocolVariant::Modbus, "ModbusTcTable[2].Extra", 65536},
        {ProtocolVariant::Modbus, "TiFloatTable[0].Extra", 70000},
        {ProtocolVariant::Modbus, "Common.RCon", 9},
        {ProtocolVariant::KtsEnergia, "KtsGroups[1].Number", 9},
        {ProtocolVariant::KtsEnergia, "KtsSignals[0].Flags", 7},
        {ProtocolVariant::Hart, "Common.V_CAN", 5},
        {ProtocolVariant::Magistral1, "Common.RBit", 2},
    };
    QTemporaryDir dir;
    for (const Case& k : cases) {
        QJsonObject json = ConfigJson::toJson(demo(k.protocol));
        setAt(json, k.path, k.value);
        const GatewayConfig back = throughFile(json, dir.filePath(QStringLiteral("taken.veg")));
        json.remove(QStringLiteral("FileName"));
        EXPECT_EQ(differences(content(back), json), QStringList()) << k.path.toStdString();
    }
}

namespace {

// The lines of a ".veg" text, with every key line dropped at the chance `drop`; `dropped` gets
// the lines left out, to name them when the file does not round-trip.
QByteArray withKeysRemoved(const QByteArray& text, double drop, std::mt19937& random,
                           QStringList& dropped)
{
    std::bernoulli_distribution remove(drop);
    QByteArray out;
    int number = 0;
    for (const QByteArray& line : text.split('\n')) {
        ++number;
        // The protocol's name stays: without it the file is refused and there is nothing to
        // import.
        if (line.contains('=') && !line.startsWith('[') && !line.startsWith("Name=") &&
            remove(random)) {
            dropped << QString::number(number);
            continue;
        }
        out += line + '\n';
    }
    return out;
}

} // namespace

// dump -> import -> dump is the identity for every file that loads, not only for files the
// windows wrote: the demo files with keys removed at random read the readers' defaults (a
// missing "TimeTU1-" reads 0, a missing "Number" 2, a missing "Coil-0" makes the coil section
// one of the old version), and every such configuration imports and saves as it was loaded.
// The file state is left out of the comparison besides the name: a file of the old coil
// version loads without HasFile, and the file the import writes is of the current version.
TEST(ConfigJson, EveryLoadableFileRoundTrips)
{
    std::mt19937 random(20261211);
    const QDir dir(QStringLiteral(VEG_DEMO_DIR));
    const QStringList files = dir.entryList({QStringLiteral("*.veg")}, QDir::Files);
    ASSERT_EQ(files.size(), 5);
    constexpr int kPerFile = 80;
    int loaded = 0;
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray original = f.readAll();
        for (int i = 0; i < kPerFile; ++i) {
            // From a few keys missing to most of them.
            const double drop = 0.01 + 0.6 * i / kPerFile;
            QStringList dropped;
            const QByteArray text = withKeysRemoved(original, drop, random, dropped);
            const std::string where = QStringLiteral("%1, lines removed: %2")
                                          .arg(name, dropped.join(u' '))
                                          .toStdString();
            GatewayConfig c;
            // A file that does not load has nothing to import: the controller list read by
            // position takes a path for a network number once a key of "Config" is gone.
            if (!LoadConfiguration(c, IniDocument::fromBytes(text), QString(), LoadOptions{})
                     .loaded())
                continue;
            ++loaded;
            QJsonObject json = ConfigJson::toJson(c);
            GatewayConfig imported;
            const ConfigJson::ImportResult r = ConfigJson::fromJson(json, imported, LoadOptions{});
            ASSERT_TRUE(r.ok()) << where << "\n" << r.errors.join(u'\n').toStdString();
            IniDocument saved;
            WriteConfiguration(imported, saved, true);
            GatewayConfig back;
            ASSERT_TRUE(LoadConfiguration(back, saved, QString(), LoadOptions{}).loaded()) << where;
            QJsonObject again = ConfigJson::toJson(back);
            for (QJsonObject* o : {&json, &again})
                o->remove(QStringLiteral("HasFile"));
            ASSERT_EQ(differences(again, json), QStringList()) << where;
        }
    }
    // A few hundred files that load, most with keys of the tables and general settings missing.
    EXPECT_GE(loaded, 250);
}

// A script writes only what it sets: the rest is what File -> New gives.
TEST(ConfigJson, KeysLeftOutKeepWhatANewConfigurationHas)
{
    const GatewayConfig fresh = newConfig(ProtocolVariant::Modbus);
    GatewayConfig c;
    ASSERT_TRUE(ConfigJson::fromJson(QByteArray(R"({"Protocol": 1, "Common": {"V_Ext": 6}})"), c,
                                     LoadOptions{})
                    .ok());
    EXPECT_EQ(c.Common.V_Ext, 6);
    GatewayConfig expected = fresh;
    expected.Common.V_Ext = 6;
    EXPECT_EQ(pretty(content(c)).toStdString(), pretty(content(expected)).toStdString());
}

namespace {

struct Refusal
{
    const char* name;
    ProtocolVariant protocol;
    QString path;      // where the value goes; empty: the whole JSON is given as `value`
    QJsonValue value;  // the value put there (undefined: the key removed)
    QString expected;  // the start of the error line: its path and the gist of the reason
    QString mentions;  // and what the line must also say (a window's own message), if anything
};

QJsonValue longName()
{
    return QString(81, u'ж');
}

const Refusal kRefusals[] = {
    // The file keeps only the user bytes 2-4 of the long address.
    {"fixed_bytes_of_the_long_address", ProtocolVariant::Hart, "Common.AdrLong",
     QJsonArray{1, 2, 3, 4, 5}, "Common.AdrLong: [1,2,3,4,5] не сохраняется в файле .veg",
     "байты 0 и 1 всегда равны 0 и 2"},
    // Types, ranges and keys.
    {"number_as_text", ProtocolVariant::Hart, "Common.AdrCAN", "12",
     "Common.AdrCAN: \"12\" — строка, а нужно число 0…255", ""},
    {"number_beyond_its_field", ProtocolVariant::Hart, "Common.AdrCAN", 256,
     "Common.AdrCAN: 256 вне диапазона поля 0…255", ""},
    {"fraction", ProtocolVariant::Hart, "HartDevices[0].RazmHour", 1.5,
     "HartDevices[0].RazmHour: 1.5 — не целое число", ""},
    {"flag_as_number", ProtocolVariant::Hart, "Common.Modem", 1,
     "Common.Modem: 1 — число, а нужно true или false", ""},
    {"unknown_key", ProtocolVariant::Hart, "Common.Speed", 9600, "Common.Speed: неизвестный ключ",
     ""},
    {"unknown_key_of_a_row", ProtocolVariant::Modbus, "TiFloatTable[1].Register", 3,
     "TiFloatTable[1].Register: неизвестный ключ", ""},
    {"table_of_another_protocol", ProtocolVariant::Modbus, "KtsGroups", QJsonArray(),
     "KtsGroups: таблица протокола КТС Энергия, а не Modbus", ""},
    {"table_of_another_length", ProtocolVariant::Modbus, "ModbusCoilTable", QJsonArray{},
     "ModbusCoilTable: строк в массиве 0, а в конфигурации Modbus их 16", ""},
    {"row_not_an_object", ProtocolVariant::Hart, "HartDevices[1]", 5,
     "HartDevices[1]: 5 — число, а нужен объект строки", ""},
    {"name_longer_than_kept", ProtocolVariant::Modbus, "TiFloatTable[0].Name", longName(),
     "TiFloatTable[0].Name: длина 81, а конфигурация хранит не больше 80 символов", ""},
    {"controller_without_its_fields", ProtocolVariant::Hart, "Controllers",
     QJsonArray{QJsonObject{{"Path", 5}}}, "Controllers[0].Path: 5 — число, а нужна строка", ""},
    {"changed_flags_not_an_object", ProtocolVariant::Hart, "Changed", true,
     "Changed: true — логическое значение, а нужен объект флагов изменений", ""},
    {"protocol_missing", ProtocolVariant::Hart, "Protocol", QJsonValue::Undefined,
     "Protocol: обязательный ключ не задан", ""},
    {"protocol_unknown", ProtocolVariant::Hart, "Protocol", 5,
     "Protocol: 5 — не из списка протоколов", ""},
    // Values the .veg file would not give back.
    {"setting_the_protocols_file_does_not_keep", ProtocolVariant::Modbus, "Common.AdrOKP", 5,
     "Common.AdrOKP: 5 не сохраняется в файле .veg", "файл Modbus не хранит AdrOKP"},
    {"name_with_blanks_at_its_ends", ProtocolVariant::Modbus, "TiFloatTable[0].Name", " Т1 ",
     "TiFloatTable[0].Name: \" Т1 \" не сохраняется в файле .veg", "без пробелов по краям"},
    {"field_of_a_row_not_in_use", ProtocolVariant::Modbus, "ModbusCoilTable[15].NameTU1", "x",
     "ModbusCoilTable[15].NameTU1: \"x\" не сохраняется в файле .veg",
     "строка не используется (Coil 65535)"},
};

class ImportRefusal : public ::testing::TestWithParam<Refusal>
{
};

} // namespace

TEST_P(ImportRefusal, NamesThePathAndTheReasonAndChangesNothing)
{
    const Refusal& r = GetParam();
    QJsonObject json = ConfigJson::toJson(demo(r.protocol));
    if (r.value.isUndefined())
        json.remove(r.path);
    else
        setAt(json, r.path, r.value);

    GatewayConfig target = newConfig(ProtocolVariant::UnkTm);
    target.Common.AdrCAN = 0x33;
    const GatewayConfig before = target;
    const ConfigJson::ImportResult result = ConfigJson::fromJson(json, target, LoadOptions{});
    ASSERT_EQ(result.errors.size(), 1) << result.errors.join(u'\n').toStdString();
    EXPECT_TRUE(result.errors.front().startsWith(r.expected)) << result.errors.front().toStdString();
    EXPECT_TRUE(result.errors.front().contains(r.mentions)) << result.errors.front().toStdString();
    EXPECT_EQ(pretty(ConfigJson::toJson(target)).toStdString(),
              pretty(ConfigJson::toJson(before)).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Cases, ImportRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

// Every refused value of one import is told, in the order of the JSON, not only the first.
TEST(ConfigJson, EveryRefusedValueIsTold)
{
    QJsonObject json = ConfigJson::toJson(newConfig(ProtocolVariant::Modbus));
    setAt(json, "Common.AdrCAN", "x");
    setAt(json, "TiFloatTable[2].Kind", -1);
    GatewayConfig c;
    const auto r = ConfigJson::fromJson(json, c, LoadOptions{});
    ASSERT_EQ(r.errors.size(), 2) << r.errors.join(u'\n').toStdString();
    EXPECT_TRUE(r.errors[0].startsWith("Common.AdrCAN:"));
    EXPECT_TRUE(r.errors[1].startsWith("TiFloatTable[2].Kind: -1 вне диапазона поля 0…255"));
}

TEST(ConfigJson, TextThatIsNoConfigurationObject)
{
    GatewayConfig c;
    const auto broken = ConfigJson::fromJson(QByteArray("{\n  \"Protocol\": 1,\n"), c, {});
    ASSERT_EQ(broken.errors.size(), 1);
    EXPECT_TRUE(broken.errors.front().startsWith("3:1: ошибка JSON: объект не закрыт"))
        << broken.errors.front().toStdString();
    const auto array = ConfigJson::fromJson(QByteArray("[1, 2]"), c, {});
    EXPECT_EQ(array.errors, QStringList{"В JSON нет объекта конфигурации"});
}
