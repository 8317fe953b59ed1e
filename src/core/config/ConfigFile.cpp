#include "core/config/ConfigFile.h"

#include "core/config/ProgressSink.h"
#include "core/text/IniDocument.h"
#include "core/text/NumberText.h"

#include "core/text/Cp1251.h"

#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace veg {
namespace {

const QString kProtokol = QStringLiteral("Protokol");
const QString kCommon = QStringLiteral("Common");
const QString kConfig = QStringLiteral("Config");
const QString kGroup = QStringLiteral("GROUP");
const QString kOkp = QStringLiteral("OKP");
const QString kTuModbus = QStringLiteral("TU Modbus");
const QString kTcModbus = QStringLiteral("TC Modbus");
const QString kTiFloatModbus = QStringLiteral("TIFloat Modbus");
const QString kUnk = QStringLiteral("UNK");
const QString kEmptyRef = QStringLiteral("$FF.");

QString okpSection(int s) { return QStringLiteral("OKP Субблок %1").arg(s); }
QString ikpSection(int s) { return QStringLiteral("IKP Субблок %1").arg(s); }
QString unkSection(int t) { return QStringLiteral("UNK Nitka%1").arg(t); }
QString hartSection(int d) { return QStringLiteral("HART %1").arg(d); }
QString ktsGroupSection(int g) { return QStringLiteral("KTC Gr %1").arg(g); }
QString ktsSignalSection(int r) { return QStringLiteral("KTC TC %1").arg(r); }

bool isProtocol(ProtocolVariant p, std::initializer_list<ProtocolVariant> set)
{
    for (ProtocolVariant q : set) {
        if (p == q)
            return true;
    }
    return false;
}

using P = ProtocolVariant;

// ----------------------------------------------------------------------------------- reading

// A value of the file that does not read. Thrown inside the reader only; the load turns it into
// the refusal of the file.
struct BadValue
{
    QString message;
};

// "TC-TU" + 5 as the bytes of a key, without building a text.
class Key
{
public:
    Key(const char* prefix, int n)
    {
        const std::size_t len = std::min(std::strlen(prefix), sizeof m_buf - 12);
        std::memcpy(m_buf, prefix, len);
        const auto end = std::to_chars(m_buf + len, m_buf + sizeof m_buf, n).ptr;
        m_view = std::string_view(m_buf, std::size_t(end - m_buf));
    }
    explicit Key(const char* name) : m_view(name) {}
    operator std::string_view() const { return m_view; }
    QString text() const { return QString::fromLatin1(m_view.data(), qsizetype(m_view.size())); }

private:
    char m_buf[32];
    std::string_view m_view;
};

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
        ControllerEntry e;
        e.QueuePath = path;
        const auto number = NumberText::parseHex(net);
        if (!number)
            throw BadValue{QStringLiteral("Раздел [%1], ключ %2: %3")
                               .arg(kConfig, netKey, NumberText::notAnInteger(u'$' + net))};
        e.NetNumber = narrow<std::uint8_t>(*number);
        e.Present = !path.isEmpty() && QFileInfo(path).isFile();
        // Every row gets its object; one whose queue file is missing simply holds no tasks.
        if (options.makeDatabase)
            e.Database = options.makeDatabase(path, options.directories);
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

// ----------------------------------------------------------------------------------- writing

class Writer
{
public:
    Writer(IniDocument& doc, const SaveOptions& options) : m_doc(doc), m_options(options) {}

    void erase(const QString& section)
    {
        m_doc.eraseSection(section);
        m_current = -1; // the other sections have moved
    }
    void raw(const QString& section, const Key& key, std::string_view value)
    {
        if (m_current < 0 || section != m_currentName) {
            m_current = m_doc.sectionForWrite(section);
            m_currentName = section;
        }
        m_doc.writeRaw(m_current, key, value);
    }
    // A text of the model, in Windows-1251 on one line.
    void put(const QString& section, const Key& key, const QString& value)
    {
        m_buf.clear();
        appendText(value);
        raw(section, key, m_buf);
    }
    void dec(const QString& section, const Key& key, std::int64_t v)
    {
        m_buf.clear();
        appendDec(v);
        raw(section, key, m_buf);
    }
    void hex(const QString& section, const Key& key, std::uint32_t v, int digits)
    {
        m_buf.clear();
        appendHex(v, digits);
        raw(section, key, m_buf);
    }
    void yesno(const QString& section, const Key& key, bool v) { raw(section, key, v ? "YES" : "NO"); }
    void real(const QString& section, const Key& key, float v)
    {
        put(section, key, NumberText::formatFloat(v, m_options.decimalSeparator));
    }
    void ref4(const QString& section, const Key& key, const ParamCore& c, bool netFirst)
    {
        m_buf.clear();
        appendDec(netFirst ? c.NetNumber : c.Kind);
        m_buf += '.';
        appendHex(c.ParamNumber, 4);
        m_buf += '.';
        appendDec(netFirst ? c.Kind : c.NetNumber);
        m_buf += '.';
        appendDec(c.TaskNumber);
        raw(section, key, m_buf);
    }
    // Name, then the numbers: (value, hex digits or 0 for decimal) pairs, joined by ".".
    void named(const QString& section, const Key& key, const QString& name,
               std::initializer_list<std::pair<std::uint32_t, int>> numbers)
    {
        m_buf.clear();
        appendText(name);
        for (const auto& [v, digits] : numbers) {
            m_buf += '.';
            if (digits)
                appendHex(v, digits);
            else
                appendDec(v);
        }
        raw(section, key, m_buf);
    }
    void pref3(const QString& section, const Key& key, const QString& name, std::uint16_t param,
               std::uint16_t task)
    {
        named(section, key, name, {{param, 4}, {task, 0}});
    }

private:
    void appendText(const QString& text)
    {
        const std::size_t from = m_buf.size();
        Cp1251::encodeAppend(text, m_buf);
        for (std::size_t i = from; i < m_buf.size(); ++i) {
            if (m_buf[i] == '\n' || m_buf[i] == '\r')
                m_buf[i] = ' '; // a line break would end the value in the file
        }
    }
    void appendDec(std::int64_t v)
    {
        char b[24];
        m_buf.append(b, std::to_chars(b, b + sizeof b, v).ptr);
    }
    void appendHex(std::uint32_t v, int digits)
    {
        char b[16];
        int len = 0;
        do {
            b[len++] = "0123456789ABCDEF"[v & 0xF];
            v >>= 4;
        } while (v);
        while (len < digits && len < int(sizeof b))
            b[len++] = '0';
        while (len)
            m_buf += b[--len];
    }

    IniDocument& m_doc;
    const SaveOptions& m_options;
    std::string m_buf;
    int m_current = -1;
    QString m_currentName;
};

QString hexBytes(const Password& p)
{
    QString out;
    for (std::uint8_t b : p)
        out += NumberText::hex(b, 2);
    return out;
}

} // namespace

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

WriteOutcome WriteConfiguration(const GatewayConfig& c, IniDocument& file, bool whole,
                                const SaveOptions& options, ProgressSink* progress)
{
    const P p = c.Protocol;
    const ChangedFlags& f = c.Changed;
    const ProtocolCatalogue& cat = catalogueOf(p);

    WriteOutcome out;
    ChangedFlags& w = out.written;
    w.CommonChanged = whole || f.CommonChanged;
    w.ControllersChanged = whole || f.ControllersChanged;
    for (ChangedFlag flag : cat.tableFlags)
        w.*flag = whole || f.*flag;
    // Either flag of the ordinary point's rows writes all of its sub-blocks.
    w.TcChanged = w.TuChanged = w.TcChanged || w.TuChanged;

    int total = int(w.CommonChanged) + int(w.ControllersChanged) + int(w.GroupChanged) +
                int(w.OkpTypesChanged) + (w.TcChanged ? Rows::OkpSubblocks : 0) +
                (w.IkpChanged ? Rows::IkpSubblocks : 0) + (w.ModbusCoilChanged ? 16 : 0) +
                (w.ModbusTcChanged ? 32 : 0) + (w.TiFloatChanged ? 64 : 0) +
                (w.UnkChanged ? 3 : 0) + (w.HartChanged ? 16 : 0) +
                (w.KtsGroupChanged ? 16 : 0) + (w.KtsSignalChanged ? 16 : 0);
    if (total < 2) // one step, or none at all, counts as two
        total = 2;
    const int step = ProgressSink::kMaximum / (total - 1);
    auto advance = [&] {
        if (progress)
            progress->advance(step);
    };

    // A read-back whose controllers all have their database no longer depends on the gateway.
    out.isReadBack = c.IsReadBack && !(!c.Controllers.empty() && !c.AnyDatabaseMissing());

    Writer wr(file, options);
    wr.erase(kProtokol);
    wr.put(kProtokol, Key("Name"), protocolName(p));
    wr.put(kProtokol, Key("TypeFile"),
           out.isReadBack ? QStringLiteral("Read") : QStringLiteral("Input"));

    if (w.CommonChanged) {
        const QString& s = kCommon;
        const CommonSettings& m = c.Common;
        wr.erase(s);
        wr.hex(s, Key("AdrCAN"), m.AdrCAN, 2);
        wr.hex(s, Key("AdrExt"), m.AdrExt, 2);
        const QStringList can = fileCanSpeedTable(), line = fileLineSpeedTable();
        wr.put(s, Key("V_CAN"), can.value(m.V_CAN, can.first()));
        wr.put(s, Key("V_Ext"), line.value(m.V_Ext, line.first()));
        wr.dec(s, Key("RBit"), m.RBit);
        wr.dec(s, Key("TBit"), m.TBit);
        wr.dec(s, Key("tbegin"), m.tbegin);
        wr.dec(s, Key("trepeat"), m.trepeat);
        wr.dec(s, Key("TimeR_T"), m.TimeR_T);
        switch (p) {
        case P::Magistral1:
            wr.dec(s, Key("RCon"), m.RCon);
            wr.dec(s, Key("TCon"), m.TCon);
            wr.hex(s, Key("AdrOKP"), m.AdrOKP, 2);
            break;
        case P::Modbus:
        case P::UnkTm:
            wr.dec(s, Key("RCon"), m.RCon);
            wr.dec(s, Key("TCon"), m.TCon);
            wr.hex(s, Key("Const1"), m.Const1, 4);
            wr.hex(s, Key("Const2"), m.Const2, 4);
            if (p == P::Modbus) {
                wr.yesno(s, Key("Invers"), m.Invers);
                wr.yesno(s, Key("SWAP"), m.SWAP);
            } else {
                wr.yesno(s, Key("Modem"), m.Modem);
                if (m.Modem) {
                    wr.dec(s, Key("TimeRes"), m.TimeRes);
                    wr.dec(s, Key("RTSoff"), m.RTSoff);
                    wr.dec(s, Key("RTSon"), m.RTSon);
                }
            }
            break;
        case P::Hart: {
            QString adr;
            for (int i = 2; i < 5; ++i)
                adr += NumberText::hex(m.AdrLong[std::size_t(i)], 2) + u' ';
            wr.put(s, Key("AdrLong"), adr);
            wr.yesno(s, Key("Synch"), m.Synch);
            wr.yesno(s, Key("Invers"), m.Invers);
            wr.yesno(s, Key("SWAP"), m.SWAP);
            break;
        }
        case P::KtsEnergia:
        case P::None:
            break;
        }
        advance();
    }

    if (w.ControllersChanged) {
        wr.erase(kConfig);
        for (std::size_t i = 0; i < c.Controllers.size(); ++i) {
            const ControllerEntry& e = c.Controllers[i];
            const bool hidePath = c.IsReadBack && !e.Present;
            wr.put(kConfig, Key("WayUser", int(i)), hidePath ? QString() : e.QueuePath);
            wr.hex(kConfig, Key("Nset", int(i)), e.NetNumber, 2);
        }
        advance();
    }

    if (w.GroupChanged) {
        wr.erase(kGroup);
        for (int slot = 0; slot < Rows::GroupSlots && slot < int(c.GroupParams.size()); ++slot) {
            const GroupParamRef& g = c.GroupParams[std::size_t(slot)];
            wr.named(kGroup, Key("GroupP", slot), g.Name,
                     {{g.NetNumber, 0}, {g.ParamNumber, 4}, {g.TaskNumber, 0}});
        }
        advance();
    }

    if (w.OkpTypesChanged) {
        wr.erase(kOkp);
        for (int s = 0; s < Rows::OkpSubblocks; ++s)
            wr.dec(kOkp, Key("TypeSub", s), c.OkpSubblockTypes[std::size_t(s)]);
        advance();
    }

    if (w.TcChanged) {
        for (int s = 0; s < Rows::OkpSubblocks; ++s) {
            const QString sec = okpSection(s);
            const bool tu = c.OkpSubblockTypes[std::size_t(s)] == SubblockTu;
            wr.erase(sec);
            const int rows = tu ? Rows::OperationsPerTuSubblock : Rows::SignalsPerTcSubblock;
            for (int n = 0; n < rows; ++n) {
                const TcTuEntry& e = c.TcTuTable[std::size_t(tcTuRow(s, n))];
                wr.ref4(sec, Key("TC-TU", n), e, true);
                wr.put(sec, Key("NameTC-TU", n), e.Name);
                if (tu)
                    wr.dec(sec, Key("TimeTU", n), e.Extra);
            }
            advance();
        }
    }

    if (w.IkpChanged) {
        for (int s = 0; s < Rows::IkpSubblocks; ++s) {
            const QString sec = ikpSection(s);
            wr.erase(sec);
            for (int n = 0; n < Rows::MeasurementsPerIkpSubblock; ++n) {
                const TiEntry& e = c.IkpTable[std::size_t(ikpRow(s, n))];
                wr.ref4(sec, Key("TO", n), e, false);
                wr.put(sec, Key("NameTO", n), e.Name);
            }
            advance();
        }
    }

    if (w.ModbusCoilChanged) {
        const QString& s = kTuModbus;
        for (int i = 0; i < int(c.ModbusCoilTable.size()); ++i) {
            const ModbusCoilEntry& e = c.ModbusCoilTable[std::size_t(i)];
            wr.ref4(s, Key("TU1-", i), e.TU1, false);
            wr.ref4(s, Key("TU0-", i), e.TU0, false);
            wr.put(s, Key("NameTU1-", i), e.NameTU1);
            wr.put(s, Key("NameTU0-", i), e.NameTU0);
            wr.dec(s, Key("TimeTU1-", i), e.TimeTU1);
            wr.dec(s, Key("TimeTU0-", i), e.TimeTU0);
            wr.hex(s, Key("TypeTU-", i), e.TypeTU, 1);
            wr.ref4(s, Key("TU-OC1-", i), e.OC1, false);
            wr.ref4(s, Key("TU-OC0-", i), e.OC0, false);
            wr.put(s, Key("NameOC1-", i), e.NameOC1);
            wr.put(s, Key("NameOC0-", i), e.NameOC0);
            wr.ref4(s, Key("TU-READY1-", i), e.READY1, false);
            wr.put(s, Key("NameREADY1-", i), e.NameREADY1);
            wr.ref4(s, Key("TU-READY0-", i), e.READY0, false);
            wr.put(s, Key("NameREADY0-", i), e.NameREADY0);
            wr.dec(s, Key("Coil-", i), e.Coil);
            advance();
        }
    }

    auto writeRows = [&](const QString& sec, const std::vector<TcTuEntry>& rows,
                         const char* refKey, const char* nameKey, const char* extraKey,
                         int rowsPerStep) {
        for (int n = 0; n < int(rows.size()); ++n) {
            const TcTuEntry& e = rows[std::size_t(n)];
            wr.ref4(sec, Key(refKey, n), e, false);
            wr.put(sec, Key(nameKey, n), e.Name);
            wr.dec(sec, Key(extraKey, n), e.Extra);
            if ((n + 1) % rowsPerStep == 0)
                advance();
        }
    };
    if (w.ModbusTcChanged)
        writeRows(kTcModbus, c.ModbusTcTable, "TC", "NameTC", "DiscretInp", 4);
    if (w.TiFloatChanged)
        writeRows(kTiFloatModbus, c.TiFloatTable, "TIFl", "NameTIFl", "HoldingReg", 1);

    if (w.UnkChanged) {
        for (int t = 0; t < Rows::UnkThreads; ++t) {
            const QString sec = unkSection(t);
            const UnkThread& u = c.UnkThreads[std::size_t(t)];
            wr.erase(sec);
            wr.put(sec, Key("NameNitka", t), threadName(u.Name));
            wr.put(sec, Key("Parole", t), hexBytes(u.Parole));
            wr.dec(sec, Key("TypeMeas", t), u.TypeMeas);
            wr.dec(sec, Key("Selection", t), u.Selection);
            wr.hex(sec, Key("SetN", t), u.SetN, 2);
            wr.dec(sec, Key("RazmHour", t), u.RazmHour);
            for (int n = 0; n < Rows::ParamsPerUnkThread; ++n) {
                const GroupParamRef& g = c.GroupParams[std::size_t(unkGroupRow(t, n))];
                wr.pref3(sec, Key("Par", n), g.Name, g.ParamNumber, g.TaskNumber);
            }
            advance();
        }
        wr.erase(kUnk);
        wr.put(kUnk, Key("ParoleWr"), hexBytes(c.ParoleWr));
    }

    if (w.HartChanged) {
        for (int d = 0; d < Rows::HartDevices; ++d) {
            const QString sec = hartSection(d);
            const HartDevice& h = c.HartDevices[std::size_t(d)];
            wr.erase(sec);
            wr.hex(sec, Key("TypeHart", d), h.TypeHart, 2);
            wr.hex(sec, Key("NomHart", d), h.NomHart, 2);
            wr.hex(sec, Key("KodHart", d), h.KodHart, 2);
            wr.hex(sec, Key("SetN", d), h.SetN, 2);
            wr.dec(sec, Key("RazmHour", d), h.RazmHour);
            for (int m = 0; m < Rows::ParamsPerHartDevice; ++m) {
                const GroupParamRef& g = c.GroupParams[std::size_t(hartGroupRow(d, m))];
                wr.pref3(sec, Key("Par", m), g.Name, g.ParamNumber, g.TaskNumber);
            }
            advance();
        }
    }

    if (w.KtsGroupChanged) {
        for (int g = 0; g < Rows::KtsGroups; ++g) {
            const QString sec = ktsGroupSection(g);
            const KtsGroup& k = c.KtsGroups[std::size_t(g)];
            wr.erase(sec);
            wr.hex(sec, Key("SetN", g), k.SetN, 2);
            wr.real(sec, Key("BegScale", g), k.BegScale);
            wr.real(sec, Key("EndScale", g), k.EndScale);
            wr.dec(sec, Key("Number", g), k.Number);
            wr.pref3(sec, Key("Par", g), k.Name, k.ParamNumber, k.TaskNumber);
            advance();
        }
    }

    if (w.KtsSignalChanged) {
        for (int n = 0; n < Rows::KtsSignals; ++n) {
            const QString sec = ktsSignalSection(n);
            const KtsSignal& k = c.KtsSignals[std::size_t(n)];
            wr.erase(sec);
            wr.hex(sec, Key("SetN", n), k.SetN, 2);
            wr.named(sec, Key("Par", n), k.Name, {{k.ParamNumber, 4}, {k.TaskNumber, 0}, {k.Flags, 2}});
            advance();
        }
    }
    return out;
}

SaveResult SaveConfiguration(GatewayConfig& config, const QString& path, bool whole,
                             const SaveOptions& options, ProgressSink* progress)
{
    SaveResult result;
    if (progress)
        progress->show(QStringLiteral("Идет сохранение файла"));
    IniDocument::FileStatus status;
    QString error;
    IniDocument doc = IniDocument::fromFile(path, &status, &error);
    if (status == IniDocument::FileStatus::Failed) {
        result.message = error;
    } else {
        const WriteOutcome out = WriteConfiguration(config, doc, whole, options, progress);
        if (doc.saveAtomic(path, &error)) {
            ChangedFlags& f = config.Changed;
            const ChangedFlags& w = out.written;
            auto clear = [](bool& flag, bool written) {
                if (written)
                    flag = false;
            };
            clear(f.CommonChanged, w.CommonChanged);
            clear(f.ControllersChanged, w.ControllersChanged);
            clear(f.GroupChanged, w.GroupChanged);
            clear(f.OkpTypesChanged, w.OkpTypesChanged);
            clear(f.TcChanged, w.TcChanged);
            clear(f.TuChanged, w.TuChanged);
            clear(f.IkpChanged, w.IkpChanged);
            clear(f.ModbusCoilChanged, w.ModbusCoilChanged);
            clear(f.ModbusTcChanged, w.ModbusTcChanged);
            clear(f.TiFloatChanged, w.TiFloatChanged);
            clear(f.UnkChanged, w.UnkChanged);
            clear(f.HartChanged, w.HartChanged);
            clear(f.KtsGroupChanged, w.KtsGroupChanged);
            clear(f.KtsSignalChanged, w.KtsSignalChanged);
            config.IsReadBack = out.isReadBack;
            config.IsNewFile = false;
            config.HasFile = true;
            config.FileName = path;
            result.ok = true;
        } else {
            result.message = error;
        }
    }
    if (progress)
        progress->done();
    return result;
}

} // namespace veg
