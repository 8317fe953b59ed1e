#include "core/config/ConfigFile.h"

#include "core/config/ConfigFileSections.h"
#include "core/ui/ProgressSink.h"
#include "core/text/Cp1251.h"
#include "core/text/IniDocument.h"
#include "core/text/NumberText.h"

#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace veg {
namespace {

using namespace configfile;

// ----------------------------------------------------------------------------------- reading

// A value of the file that does not read. Thrown inside the reader only; the load turns it into
// the refusal of the file.
struct BadValue
{
    QString message;
};

// "TC-TU" + 5 as the bytes of a key, without building a text.

QString fromFile(std::string_view bytes)
{
    return Cp1251::decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

// The keys of one section, read with the file's defaults.
class Sec
{
public:
    Sec(const IniDocument& doc, QString name) : m_view(doc.section(name)), m_name(std::move(name)) {}

    const QString& name() const { return m_name; }
    bool has(std::string_view key) const { return m_view && m_view.raw(key).has_value(); }
    std::string_view bytes(std::string_view key, std::string_view def = {}) const
    {
        if (m_view) {
            if (const auto v = m_view.raw(key))
                return *v;
        }
        return def;
    }
    QString text(std::string_view key) const { return fromFile(bytes(key)); }
    QString name80(std::string_view key) const { return text(key).left(kNameLength); }

    [[noreturn]] void fail(const Key& key, const QString& why) const
    {
        throw BadValue{QStringLiteral("Раздел [%1], ключ %2: %3").arg(m_name, key.text(), why)};
    }
    std::int64_t decOf(const Key& key, std::string_view value) const
    {
        const auto v = NumberText::parseDec(value);
        if (!v)
            fail(key, NumberText::notAnInteger(fromFile(value)));
        return *v;
    }
    std::uint32_t hexOf(const Key& key, std::string_view value) const
    {
        const auto v = NumberText::parseHex(value);
        if (!v)
            fail(key, NumberText::notAnInteger(u'$' + fromFile(value)));
        return *v;
    }
    std::int64_t dec(const Key& key, const char* def) const { return decOf(key, bytes(key, def)); }
    std::uint32_t hex(const Key& key, const char* def) const { return hexOf(key, bytes(key, def)); }
    bool yesno(const Key& key) const { return bytes(key, "NO") == "YES"; }
    float real(const Key& key) const
    {
        const QString v = fromFile(bytes(key, "0"));
        const auto f = NumberText::parseFloat(v);
        if (!f)
            fail(key, NumberText::notAFloat(v));
        return *f;
    }

    // A ParamRef core. Returns false (and leaves `core` as it is) when the key is missing, empty
    // or holds the empty mark "$FF...".
    bool ref4(const Key& key, bool netFirst, ParamCore& core) const
    {
        const std::string_view v = bytes(key);
        if (v.empty() || v.substr(0, v.find('.')) == "$FF")
            return false;
        std::string_view field[4];
        std::string_view rest = v;
        for (int i = 0; i < 3; ++i) {
            const std::size_t dot = rest.find('.');
            field[i] = rest.substr(0, dot);
            rest = dot == std::string_view::npos ? std::string_view() : rest.substr(dot + 1);
        }
        field[3] = rest;
        const auto first = static_cast<std::uint8_t>(decOf(key, field[0]));
        const auto number = static_cast<std::uint16_t>(hexOf(key, field[1]));
        const auto third = static_cast<std::uint8_t>(decOf(key, field[2]));
        const auto task = static_cast<std::uint16_t>(decOf(key, field[3]));
        core.NetNumber = netFirst ? first : third;
        core.Kind = netFirst ? third : first;
        core.ParamNumber = number;
        core.TaskNumber = task;
        return true;
    }

    // A form that begins with a name ("name.x.y[.z]"): the name and `numbers` number fields.
    // The numbers are taken from the right, so that a name holding "." reads back whole. An empty
    // value counts as missing.
    struct Named
    {
        QString name;
        std::string_view numbers[3];
    };
    Named named(const Key& key, std::string_view def, int numbers) const
    {
        std::string_view v = bytes(key);
        if (v.empty())
            v = def;
        Named out;
        std::size_t end = v.size();
        for (int i = numbers - 1; i >= 0; --i) {
            const std::size_t dot = end == 0 ? std::string_view::npos : v.rfind('.', end - 1);
            if (dot == std::string_view::npos)
                continue; // too few fields: the missing number reads as an empty text
            out.numbers[i] = v.substr(dot + 1, end - dot - 1);
            end = dot;
        }
        out.name = fromFile(v.substr(0, end)).left(kNameLength);
        return out;
    }

    // pref3: Name, ParamNumber (hex), TaskNumber (dec); default ".FFFF.255".
    void pref3(const Key& key, QString& name, std::uint16_t& param, std::uint16_t& task) const
    {
        const Named n = named(key, ".FFFF.255", 2);
        name = n.name;
        param = static_cast<std::uint16_t>(hexOf(key, n.numbers[0]));
        task = static_cast<std::uint16_t>(decOf(key, n.numbers[1]));
    }

private:
    IniDocument::SectionView m_view;
    QString m_name;
};

// The file's speed texts: the position of the text in the file's table, also when it is beyond
// the lists of the settings window and the gateway (a hand-edited "19200" is position 8 of the
// line table); such an index is kept, so that a save writes back what the file said. A text that
// is not in the table leaves the index as it was.
void readSpeed(const QString& value, const QStringList& table, std::uint8_t& index)
{
    const int pos = int(table.indexOf(value));
    if (pos >= 0)
        index = static_cast<std::uint8_t>(pos);
}

template <typename T> T narrow(std::int64_t v)
{
    return static_cast<T>(v); // a number wider than its field keeps its low bits
}

void readCommon(const IniDocument& doc, GatewayConfig& c)
{
    const Sec s(doc, kCommon);
    CommonSettings& m = c.Common;
    const P p = c.Protocol;
    c.Changed.CommonChanged = false;
    using u8 = std::uint8_t;
    m.AdrCAN = narrow<u8>(s.hex(Key("AdrCAN"), "0"));
    if (p != P::KtsEnergia)
        m.AdrExt = narrow<u8>(s.hex(Key("AdrExt"), "0"));
    readSpeed(fromFile(s.bytes(Key("V_CAN"), "300")), fileCanSpeedTable(), m.V_CAN);
    readSpeed(fromFile(s.bytes(Key("V_Ext"), "9600")), fileLineSpeedTable(), m.V_Ext);
    m.RBit = narrow<u8>(s.dec(Key("RBit"), "0"));
    m.TBit = narrow<u8>(s.dec(Key("TBit"), "0"));
    m.tbegin = narrow<u8>(s.dec(Key("tbegin"), "0"));
    m.trepeat = narrow<std::uint16_t>(s.dec(Key("trepeat"), "0"));
    m.TimeR_T = narrow<u8>(s.dec(Key("TimeR_T"), "0"));
    if (isProtocol(p, {P::Magistral1, P::Modbus, P::UnkTm})) {
        m.RCon = narrow<u8>(s.dec(Key("RCon"), "0"));
        m.TCon = narrow<u8>(s.dec(Key("TCon"), "0"));
    }
    if (p == P::Magistral1)
        m.AdrOKP = narrow<u8>(s.hex(Key("AdrOKP"), "0"));
    if (isProtocol(p, {P::Modbus, P::UnkTm})) {
        m.Const1 = narrow<std::uint16_t>(s.hex(Key("Const1"), "A001"));
        m.Const2 = narrow<std::uint16_t>(s.hex(Key("Const2"), "0000"));
    }
    if (isProtocol(p, {P::Modbus, P::Hart})) {
        m.Invers = s.yesno(Key("Invers"));
        m.SWAP = s.yesno(Key("SWAP"));
    }
    if (p == P::UnkTm) {
        m.Modem = s.yesno(Key("Modem"));
        m.TimeRes = narrow<u8>(s.dec(Key("TimeRes"), "0"));
        m.RTSoff = narrow<u8>(s.dec(Key("RTSoff"), "0"));
        m.RTSon = narrow<u8>(s.dec(Key("RTSon"), "0"));
    }
    if (p == P::Hart) {
        const Key key("AdrLong");
        const QString v = fromFile(s.bytes(key, "00 00 00"));
        const QStringList bytes = v.split(u' ', Qt::SkipEmptyParts);
        if (bytes.size() != 3)
            s.fail(key, NumberText::notAnInteger(v));
        m.AdrLong = {0, 2, 0, 0, 0};
        for (int i = 0; i < 3; ++i) {
            const auto b = NumberText::parseHex(bytes[i]);
            if (!b)
                s.fail(key, NumberText::notAnInteger(u'$' + bytes[i]));
            m.AdrLong[std::size_t(2 + i)] = narrow<u8>(*b);
        }
        m.Synch = s.yesno(Key("Synch"));
    }
}

bool readControllers(const IniDocument& doc, GatewayConfig& c, const LoadOptions& options,
                     ProgressSink* progress)
{
    c.ClearControllers();
    const auto entries = doc.entries(kConfig);
    const std::size_t count = entries.size() / 2;
    const int step = count ? ProgressSink::kMaximum / int(std::min<std::size_t>(count, 116)) : 0;
    bool missing = false;
    c.Controllers.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const QString& path = entries[2 * i].second;
        const auto& [netKey, net] = entries[2 * i + 1];
        const auto number = NumberText::parseHex(net);
        if (!number)
            throw BadValue{QStringLiteral("Раздел [%1], ключ %2: %3")
                               .arg(kConfig, netKey, NumberText::notAnInteger(u'$' + net))};
        ControllerEntry e = makeController(path, narrow<std::uint8_t>(*number), options);
        if (!e.Present)
            missing = true;
        c.Controllers.push_back(std::move(e));
        if (progress)
            progress->advance(step);
    }
    if (missing && progress)
        progress->hide();
    return missing;
}

void readGroup(const IniDocument& doc, GatewayConfig& c)
{
    const Sec s(doc, kGroup);
    c.Changed.GroupChanged = false;
    for (int slot = 0; slot < Rows::GroupSlots && slot < int(c.GroupParams.size()); ++slot) {
        const Key key("GroupP", slot);
        if (s.bytes(key).empty())
            continue; // missing or empty: the slot stays empty
        const Sec::Named n = s.named(key, {}, 3);
        GroupParamRef& g = c.GroupParams[std::size_t(slot)];
        g.NetNumber = narrow<std::uint8_t>(s.decOf(key, n.numbers[0]));
        g.ParamNumber = narrow<std::uint16_t>(s.hexOf(key, n.numbers[1]));
        g.TaskNumber = narrow<std::uint16_t>(s.decOf(key, n.numbers[2]));
        g.Name = n.name;
    }
}

void readMagistral(const IniDocument& doc, GatewayConfig& c)
{
    const Sec okp(doc, kOkp);
    c.Changed.OkpTypesChanged = false;
    for (int s = 0; s < Rows::OkpSubblocks; ++s) {
        const auto type = okp.dec(Key("TypeSub", s), "0");
        // Only the three types exist; any other number would index past the editor's choices.
        c.OkpSubblockTypes[std::size_t(s)] =
            type == SubblockTc || type == SubblockTu ? std::uint8_t(type) : std::uint8_t(SubblockNone);
    }
    c.Changed.TcChanged = c.Changed.TuChanged = false;
    for (int s = 0; s < Rows::OkpSubblocks; ++s) {
        const Sec sec(doc, okpSection(s));
        const std::uint8_t type = c.OkpSubblockTypes[std::size_t(s)];
        const int rows = type == SubblockTc ? Rows::SignalsPerTcSubblock : Rows::OperationsPerTuSubblock;
        for (int n = 0; n < rows; ++n) {
            TcTuEntry& e = c.TcTuTable[std::size_t(tcTuRow(s, n))];
            if (sec.ref4(Key("TC-TU", n), true, e))
                e.Name = sec.name80(Key("NameTC-TU", n));
            if (type == SubblockTu) {
                const Key key("TimeTU", n);
                const std::string_view t = sec.bytes(key, "0");
                e.Extra = t.empty() ? 0 : std::int32_t(sec.decOf(key, t));
            }
        }
    }
    c.Changed.IkpChanged = false;
    for (int s = 0; s < Rows::IkpSubblocks; ++s) {
        const Sec sec(doc, ikpSection(s));
        for (int n = 0; n < Rows::MeasurementsPerIkpSubblock; ++n) {
            TiEntry& e = c.IkpTable[std::size_t(ikpRow(s, n))];
            if (sec.ref4(Key("TO", n), false, e))
                e.Name = sec.name80(Key("NameTO", n));
        }
    }
}

void readModbus(const IniDocument& doc, GatewayConfig& c, LoadResult& result)
{
    c.Changed.ModbusCoilChanged = false;
    const Sec tu(doc, kTuModbus);
    if (tu.dec(Key("Coil-0"), "3") == 3) {
        result.notices << QStringLiteral("Несоответствие файла новой версии ВЕГ-78");
        c.HasFile = false;
    } else {
        for (int i = 0; i < Rows::ModbusCoils; ++i) {
            ModbusCoilEntry& e = c.ModbusCoilTable[std::size_t(i)];
            const auto coil = tu.dec(Key("Coil-", i), "65535");
            if (coil == 65535)
                continue; // a row not in use
            e.Coil = narrow<std::uint16_t>(coil);
            if (tu.ref4(Key("TU1-", i), false, e.TU1))
                e.NameTU1 = tu.name80(Key("NameTU1-", i));
            if (!tu.ref4(Key("TU0-", i), false, e.TU0))
                e.TU0 = ParamCore{};
            e.NameTU0 = tu.name80(Key("NameTU0-", i));
            e.TimeTU1 = narrow<std::uint8_t>(tu.dec(Key("TimeTU1-", i), "0"));
            e.TimeTU0 = narrow<std::uint8_t>(tu.dec(Key("TimeTU0-", i), "0"));
            e.TypeTU = narrow<std::uint8_t>(tu.hex(Key("TypeTU-", i), "0"));
            if (tu.ref4(Key("TU-OC1-", i), false, e.OC1))
                e.NameOC1 = tu.name80(Key("NameOC1-", i));
            if (tu.ref4(Key("TU-OC0-", i), false, e.OC0))
                e.NameOC0 = tu.name80(Key("NameOC0-", i));
            if (tu.ref4(Key("TU-READY1-", i), false, e.READY1))
                e.NameREADY1 = tu.name80(Key("NameREADY1-", i));
            if (tu.ref4(Key("TU-READY0-", i), false, e.READY0))
                e.NameREADY0 = tu.name80(Key("NameREADY0-", i));
        }
    }
    auto readRows = [&](const QString& section, std::vector<TcTuEntry>& rows, const char* refKey,
                        const char* nameKey, const char* extraKey) {
        const Sec sec(doc, section);
        for (int n = 0; n < int(rows.size()); ++n) {
            TcTuEntry& e = rows[std::size_t(n)];
            if (sec.ref4(Key(refKey, n), false, e)) {
                e.Name = sec.name80(Key(nameKey, n));
                e.Extra = std::int32_t(sec.dec(Key(extraKey, n), "0"));
            }
        }
    };
    c.Changed.ModbusTcChanged = false;
    readRows(kTcModbus, c.ModbusTcTable, "Tc", "NameTC", "DiscretInp");
    c.Changed.TiFloatChanged = false;
    readRows(kTiFloatModbus, c.TiFloatTable, "TIFl", "NameTIFl", "HoldingReg");
}

Password readPassword(const Sec& s, const Key& key)
{
    Password out{};
    const std::string_view v = s.bytes(key);
    if (v.empty())
        return out;
    if (v.size() != 32)
        s.fail(key, NumberText::notAnInteger(u'$' + fromFile(v)));
    for (std::size_t i = 0; i < 16; ++i)
        out[i] = narrow<std::uint8_t>(s.hexOf(key, v.substr(2 * i, 2)));
    return out;
}

void readUnk(const IniDocument& doc, GatewayConfig& c)
{
    c.Changed.UnkChanged = false;
    for (int t = 0; t < Rows::UnkThreads; ++t) {
        const Sec s(doc, unkSection(t));
        UnkThread& u = c.UnkThreads[std::size_t(t)];
        u.Name = threadName(s.text(Key("NameNitka", t)));
        u.Parole = readPassword(s, Key("Parole", t));
        u.TypeMeas = narrow<std::uint8_t>(s.dec(Key("TypeMeas", t), "0"));
        u.Selection = narrow<std::uint8_t>(s.dec(Key("Selection", t), "0"));
        u.SetN = narrow<std::uint8_t>(s.hex(Key("SetN", t), "0"));
        u.RazmHour = narrow<std::uint8_t>(s.dec(Key("RazmHour", t), "0"));
        for (int n = 0; n < Rows::ParamsPerUnkThread; ++n) {
            GroupParamRef& g = c.GroupParams[std::size_t(unkGroupRow(t, n))];
            s.pref3(Key("Par", n), g.Name, g.ParamNumber, g.TaskNumber);
        }
    }
    c.ParoleWr = readPassword(Sec(doc, kUnk), Key("ParoleWr"));
}

void readHart(const IniDocument& doc, GatewayConfig& c)
{
    c.Changed.HartChanged = false;
    for (int d = 0; d < Rows::HartDevices; ++d) {
        const Sec s(doc, hartSection(d));
        HartDevice& h = c.HartDevices[std::size_t(d)];
        h.TypeHart = narrow<std::uint8_t>(s.hex(Key("TypeHart", d), "FF"));
        h.NomHart = narrow<std::uint8_t>(s.hex(Key("NomHart", d), "FF"));
        h.KodHart = narrow<std::uint8_t>(s.hex(Key("KodHart", d), "FF"));
        h.SetN = narrow<std::uint8_t>(s.hex(Key("SetN", d), "FF"));
        h.RazmHour = narrow<std::uint8_t>(s.dec(Key("RazmHour", d), "255"));
        for (int m = 0; m < Rows::ParamsPerHartDevice; ++m) {
            GroupParamRef& g = c.GroupParams[std::size_t(hartGroupRow(d, m))];
            s.pref3(Key("Par", m), g.Name, g.ParamNumber, g.TaskNumber);
        }
    }
}

void readKts(const IniDocument& doc, GatewayConfig& c)
{
    c.Changed.KtsGroupChanged = false;
    for (int g = 0; g < Rows::KtsGroups; ++g) {
        const Sec s(doc, ktsGroupSection(g));
        KtsGroup& k = c.KtsGroups[std::size_t(g)];
        k.SetN = narrow<std::uint8_t>(s.hex(Key("SetN", g), "FF"));
        k.BegScale = s.real(Key("BegScale", g));
        k.EndScale = s.real(Key("EndScale", g));
        k.Number = narrow<std::uint8_t>(s.dec(Key("Number", g), "2"));
        s.pref3(Key("Par", g), k.Name, k.ParamNumber, k.TaskNumber);
    }
    c.Changed.KtsSignalChanged = false;
    for (int r = 0; r < Rows::KtsSignals; ++r) {
        const Sec s(doc, ktsSignalSection(r));
        KtsSignal& k = c.KtsSignals[std::size_t(r)];
        k.SetN = narrow<std::uint8_t>(s.hex(Key("SetN", r), "FF"));
        const Key key("Par", r);
        const Sec::Named n = s.named(key, ".FFFF.255.FF", 3);
        k.Name = n.name;
        k.ParamNumber = narrow<std::uint16_t>(s.hexOf(key, n.numbers[0]));
        k.TaskNumber = narrow<std::uint16_t>(s.decOf(key, n.numbers[1]));
        k.Flags = narrow<std::uint8_t>(s.hexOf(key, n.numbers[2]));
    }
}


} // namespace

ControllerEntry makeController(const QString& queuePath, std::uint8_t netNumber,
                               const LoadOptions& options)
{
    ControllerEntry e;
    e.QueuePath = queuePath;
    e.NetNumber = netNumber;
    e.Present = !queuePath.isEmpty() && QFileInfo(queuePath).isFile();
    // Every row gets its object; one whose queue file is missing simply holds no tasks.
    if (options.makeDatabase)
        e.Database = options.makeDatabase(queuePath, options.directories);
    return e;
}

QStringList fileCanSpeedTable()
{
    return {QStringLiteral("300"), QStringLiteral("200"), QStringLiteral("150"),
            QStringLiteral("120"), QStringLiteral("100"), QStringLiteral("75"),
            QStringLiteral("60"),  QStringLiteral("50"),  QStringLiteral("40"),
            QStringLiteral("37.5"), QStringLiteral("30"), QStringLiteral("25"),
            QStringLiteral("20"),  QStringLiteral("15"),  QStringLiteral("10")};
}

QStringList fileLineSpeedTable()
{
    return {QStringLiteral("100"),  QStringLiteral("150"),  QStringLiteral("300"),
            QStringLiteral("600"),  QStringLiteral("1200"), QStringLiteral("2400"),
            QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("19200")};
}

LoadResult LoadConfiguration(GatewayConfig& config, const QString& path, const LoadOptions& options,
                             ProgressSink* progress)
{
    LoadResult result;
    IniDocument::FileStatus status;
    QString error;
    const IniDocument doc = IniDocument::fromFile(path, &status, &error);
    if (status == IniDocument::FileStatus::Missing) {
        result.status = LoadResult::Status::NotFound;
        result.message = QStringLiteral("Файл %1 не найден").arg(path);
        return result;
    }
    if (status != IniDocument::FileStatus::Ok) {
        result.status = LoadResult::Status::Failed;
        result.message = error;
        return result;
    }
    return LoadConfiguration(config, doc, path, options, progress);
}

LoadResult LoadConfiguration(GatewayConfig& config, const IniDocument& file, const QString& path,
                             const LoadOptions& options, ProgressSink* progress)
{
    LoadResult result;
    const ProtocolVariant protocol = protocolFromName(fromFile(Sec(file, kProtokol).bytes(Key("Name"))));
    if (protocol == ProtocolVariant::None) {
        result.status = LoadResult::Status::WrongType;
        result.message = QStringLiteral("Файл %1 не соответствует нужному типу").arg(path);
        return result;
    }

    // Filled aside and taken over whole, so that a value that does not read leaves the
    // configuration in memory as it was. The general settings the protocol does not store keep
    // their values.
    GatewayConfig c;
    c.Common = config.Common;
    c.CreateFor(protocol);
    c.FileName = path;
    c.IsReadBack = fromFile(Sec(file, kProtokol).bytes(Key("TypeFile"), "Input")) == u"Read";
    c.HasFile = !c.IsReadBack;
    c.IsNewFile = false;
    try {
        readCommon(file, c);
        result.databaseMissing = readControllers(file, c, options, progress);
        switch (protocol) {
        case P::Magistral1:
            readGroup(file, c);
            readMagistral(file, c);
            break;
        case P::Modbus:
            readGroup(file, c);
            readModbus(file, c, result);
            break;
        case P::UnkTm:
            readUnk(file, c);
            break;
        case P::Hart:
            readHart(file, c);
            break;
        case P::KtsEnergia:
            readGroup(file, c);
            readKts(file, c);
            break;
        case P::None:
            break;
        }
    } catch (const BadValue& bad) {
        result.status = LoadResult::Status::Failed;
        result.message = QStringLiteral("Ошибка в файле %1. %2").arg(path, bad.message);
        result.notices.clear();
        result.databaseMissing = false;
        return result;
    }
    config = std::move(c);
    result.status = LoadResult::Status::Loaded;
    return result;
}

} // namespace veg
