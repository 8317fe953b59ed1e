#include "ConfigFile.h"

#include "ProgressSink.h"
#include "text/IniDocument.h"
#include "text/NumberText.h"

#include <QFileInfo>

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
QString key(const char* name, int n) { return QString::fromLatin1(name) + QString::number(n); }

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

class Reader
{
public:
    explicit Reader(const IniDocument& doc) : m_doc(doc) {}

    QString text(const QString& section, const QString& name, const QString& def = QString()) const
    {
        return m_doc.readString(section, name, def);
    }
    bool has(const QString& section, const QString& name) const { return m_doc.hasKey(section, name); }

    [[noreturn]] void fail(const QString& section, const QString& name, const QString& why) const
    {
        throw BadValue{QStringLiteral("Раздел [%1], ключ %2: %3").arg(section, name, why)};
    }

    std::int64_t decOf(const QString& section, const QString& name, const QString& value) const
    {
        const auto v = NumberText::parseDec(value);
        if (!v)
            fail(section, name, NumberText::notAnInteger(value));
        return *v;
    }
    std::uint32_t hexOf(const QString& section, const QString& name, const QString& value) const
    {
        const auto v = NumberText::parseHex(value);
        if (!v)
            fail(section, name, NumberText::notAnInteger(u'$' + value));
        return *v;
    }

    std::int64_t dec(const QString& section, const QString& name, const char* def) const
    {
        return decOf(section, name, text(section, name, QString::fromLatin1(def)));
    }
    std::uint32_t hex(const QString& section, const QString& name, const char* def) const
    {
        return hexOf(section, name, text(section, name, QString::fromLatin1(def)));
    }
    bool yesno(const QString& section, const QString& name) const
    {
        return text(section, name, QStringLiteral("NO")) == u"YES";
    }
    float real(const QString& section, const QString& name) const
    {
        const QString v = text(section, name, QStringLiteral("0"));
        const auto f = NumberText::parseFloat(v);
        if (!f)
            fail(section, name, NumberText::notAFloat(v));
        return *f;
    }

    // A ParamRef core. Returns false (and leaves `core` as it is) when the key is missing, empty
    // or holds the empty mark "$FF...".
    bool ref4(const QString& section, const QString& name, bool netFirst, ParamCore& core) const
    {
        const QString v = text(section, name, kEmptyRef);
        if (v.isEmpty() || v.section(u'.', 0, 0) == u"$FF")
            return false;
        const QStringList f = v.split(u'.');
        auto field = [&](int i) { return i < f.size() ? f[i] : QString(); };
        const QString rest = f.size() > 3 ? QStringList(f.mid(3)).join(u'.') : QString();
        const auto first = static_cast<std::uint8_t>(decOf(section, name, field(0)));
        const auto number = static_cast<std::uint16_t>(hexOf(section, name, field(1)));
        const auto third = static_cast<std::uint8_t>(decOf(section, name, field(2)));
        const auto task = static_cast<std::uint16_t>(decOf(section, name, rest));
        core.NetNumber = netFirst ? first : third;
        core.Kind = netFirst ? third : first;
        core.ParamNumber = number;
        core.TaskNumber = task;
        return true;
    }

    // A form that begins with a name ("name.x.y[.z]"). The numbers are taken from the right, so
    // that a name holding "." reads back whole. An empty value counts as missing.
    QStringList named(const QString& section, const QString& name, const QString& def,
                      int numbers) const
    {
        QString v = text(section, name, def);
        if (v.isEmpty())
            v = def;
        QStringList parts;
        int end = int(v.size());
        for (int i = 0; i < numbers; ++i) {
            const int dot = int(v.lastIndexOf(u'.', end - 1));
            if (dot < 0 || end == 0) {
                // Too few fields: the missing number reads as an empty text.
                parts.prepend(QString());
                continue;
            }
            parts.prepend(v.mid(dot + 1, end - dot - 1));
            end = dot;
        }
        parts.prepend(v.left(std::max(end, 0)).left(kNameLength));
        return parts;
    }

    // pref3: Name, ParamNumber (hex), TaskNumber (dec).
    void pref3(const QString& section, const QString& name, QString& outName,
               std::uint16_t& param, std::uint16_t& task,
               const QString& def = QStringLiteral(".FFFF.255")) const
    {
        const QStringList p = named(section, name, def, 2);
        outName = p[0];
        param = static_cast<std::uint16_t>(hexOf(section, name, p[1]));
        task = static_cast<std::uint16_t>(decOf(section, name, p[2]));
    }

private:
    const IniDocument& m_doc;
};

QString cut(const QString& s)
{
    return s.left(kNameLength);
}

// "300" .. "10": the file's CAN speed texts. Only the positions that are indices of the
// gateway's list (0-4) are taken; any other value leaves the index as it was.
void readSpeed(const QString& value, const QStringList& table, int validCount, std::uint8_t& index)
{
    const int pos = int(table.indexOf(value));
    if (pos >= 0 && pos < validCount)
        index = static_cast<std::uint8_t>(pos);
}

void readCommon(const Reader& r, GatewayConfig& c)
{
    const QString& s = kCommon;
    CommonSettings& m = c.Common;
    const P p = c.Protocol;
    c.Changed.CommonChanged = false;
    auto u8 = [](auto v) { return static_cast<std::uint8_t>(v); };
    m.AdrCAN = u8(r.hex(s, QStringLiteral("AdrCAN"), "0"));
    if (p != P::KtsEnergia)
        m.AdrExt = u8(r.hex(s, QStringLiteral("AdrExt"), "0"));
    readSpeed(r.text(s, QStringLiteral("V_CAN"), QStringLiteral("300")), fileCanSpeedTable(),
              kCanSpeedCount, m.V_CAN);
    readSpeed(r.text(s, QStringLiteral("V_Ext"), QStringLiteral("9600")), fileLineSpeedTable(),
              kLineSpeedCount, m.V_Ext);
    m.RBit = u8(r.dec(s, QStringLiteral("RBit"), "0"));
    m.TBit = u8(r.dec(s, QStringLiteral("TBit"), "0"));
    m.tbegin = u8(r.dec(s, QStringLiteral("tbegin"), "0"));
    m.trepeat = static_cast<std::uint16_t>(r.dec(s, QStringLiteral("trepeat"), "0"));
    m.TimeR_T = u8(r.dec(s, QStringLiteral("TimeR_T"), "0"));
    if (isProtocol(p, {P::Magistral1, P::Modbus, P::UnkTm})) {
        m.RCon = u8(r.dec(s, QStringLiteral("RCon"), "0"));
        m.TCon = u8(r.dec(s, QStringLiteral("TCon"), "0"));
    }
    if (p == P::Magistral1)
        m.AdrOKP = u8(r.hex(s, QStringLiteral("AdrOKP"), "0"));
    if (isProtocol(p, {P::Modbus, P::UnkTm})) {
        m.Const1 = static_cast<std::uint16_t>(r.hex(s, QStringLiteral("Const1"), "A001"));
        m.Const2 = static_cast<std::uint16_t>(r.hex(s, QStringLiteral("Const2"), "0000"));
    }
    if (isProtocol(p, {P::Modbus, P::Hart})) {
        m.Invers = r.yesno(s, QStringLiteral("Invers"));
        m.SWAP = r.yesno(s, QStringLiteral("SWAP"));
    }
    if (p == P::UnkTm) {
        m.Modem = r.yesno(s, QStringLiteral("Modem"));
        m.TimeRes = u8(r.dec(s, QStringLiteral("TimeRes"), "0"));
        m.RTSoff = u8(r.dec(s, QStringLiteral("RTSoff"), "0"));
        m.RTSon = u8(r.dec(s, QStringLiteral("RTSon"), "0"));
    }
    if (p == P::Hart) {
        const QString name = QStringLiteral("AdrLong");
        const QString v = r.text(s, name, QStringLiteral("00 00 00"));
        const QStringList bytes = v.split(u' ', Qt::SkipEmptyParts);
        if (bytes.size() != 3)
            r.fail(s, name, NumberText::notAnInteger(v));
        m.AdrLong = {0, 2, 0, 0, 0};
        for (int i = 0; i < 3; ++i)
            m.AdrLong[std::size_t(2 + i)] = u8(r.hexOf(s, name, bytes[i]));
        m.Synch = r.yesno(s, QStringLiteral("Synch"));
    }
}

bool readControllers(const IniDocument& doc, const Reader& r, GatewayConfig& c,
                     const LoadOptions& options, ProgressSink* progress)
{
    c.ClearControllers();
    const auto entries = doc.entries(kConfig);
    const std::size_t count = entries.size() / 2;
    const int step = count ? ProgressSink::kMaximum / int(std::min<std::size_t>(count, 116)) : 0;
    bool missing = false;
    for (std::size_t i = 0; i < count; ++i) {
        const auto& [pathKey, path] = entries[2 * i];
        const auto& [netKey, net] = entries[2 * i + 1];
        ControllerEntry e;
        e.QueuePath = path;
        e.NetNumber = static_cast<std::uint8_t>(r.hexOf(kConfig, netKey, net));
        e.Present = !path.isEmpty() && QFileInfo(path).isFile();
        if (e.Present && options.makeDatabase)
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

void readGroup(const Reader& r, GatewayConfig& c)
{
    c.Changed.GroupChanged = false;
    for (int slot = 0; slot < Rows::GroupSlots && slot < int(c.GroupParams.size()); ++slot) {
        const QString name = key("GroupP", slot);
        if (r.text(kGroup, name).isEmpty())
            continue; // missing or empty: the slot stays empty
        const QStringList p = r.named(kGroup, name, QString(), 3);
        GroupParamRef& g = c.GroupParams[std::size_t(slot)];
        g.Name = p[0];
        g.NetNumber = static_cast<std::uint8_t>(r.decOf(kGroup, name, p[1]));
        g.ParamNumber = static_cast<std::uint16_t>(r.hexOf(kGroup, name, p[2]));
        g.TaskNumber = static_cast<std::uint16_t>(r.decOf(kGroup, name, p[3]));
    }
}

void readMagistral(const Reader& r, GatewayConfig& c)
{
    c.Changed.OkpTypesChanged = false;
    for (int s = 0; s < Rows::OkpSubblocks; ++s) {
        const auto type = r.dec(kOkp, key("TypeSub", s), "0");
        // Only the three types exist; any other number would index past the editor's choices.
        c.OkpSubblockTypes[std::size_t(s)] =
            type == SubblockTc || type == SubblockTu ? std::uint8_t(type) : std::uint8_t(SubblockNone);
    }
    c.Changed.TcChanged = c.Changed.TuChanged = false;
    for (int s = 0; s < Rows::OkpSubblocks; ++s) {
        const QString sec = okpSection(s);
        const std::uint8_t type = c.OkpSubblockTypes[std::size_t(s)];
        const int rows = type == SubblockTc ? Rows::SignalsPerTcSubblock : Rows::OperationsPerTuSubblock;
        for (int n = 0; n < rows; ++n) {
            TcTuEntry& e = c.TcTuTable[std::size_t(tcTuRow(s, n))];
            if (r.ref4(sec, key("TC-TU", n), true, e))
                e.Name = cut(r.text(sec, key("NameTC-TU", n)));
            if (type == SubblockTu) {
                const QString t = r.text(sec, key("TimeTU", n), QStringLiteral("0"));
                e.Extra = t.isEmpty() ? 0 : std::int32_t(r.decOf(sec, key("TimeTU", n), t));
            }
        }
    }
    c.Changed.IkpChanged = false;
    for (int s = 0; s < Rows::IkpSubblocks; ++s) {
        const QString sec = ikpSection(s);
        for (int n = 0; n < Rows::MeasurementsPerIkpSubblock; ++n) {
            TiEntry& e = c.IkpTable[std::size_t(ikpRow(s, n))];
            if (r.ref4(sec, key("TO", n), false, e))
                e.Name = cut(r.text(sec, key("NameTO", n)));
        }
    }
}

void readModbus(const Reader& r, GatewayConfig& c, LoadResult& result)
{
    c.Changed.ModbusCoilChanged = false;
    const QString& tu = kTuModbus;
    if (r.dec(tu, QStringLiteral("Coil-0"), "3") == 3) {
        result.notices << QStringLiteral("Несоответствие файла новой версии ВЕГ-78");
        c.HasFile = false;
    } else {
        for (int i = 0; i < Rows::ModbusCoils; ++i) {
            ModbusCoilEntry& e = c.ModbusCoilTable[std::size_t(i)];
            const auto coil = r.dec(tu, key("Coil-", i), "65535");
            if (coil == 65535)
                continue; // a row not in use
            e.Coil = static_cast<std::uint16_t>(coil);
            if (r.ref4(tu, key("TU1-", i), false, e.TU1))
                e.NameTU1 = cut(r.text(tu, key("NameTU1-", i)));
            if (!r.ref4(tu, key("TU0-", i), false, e.TU0))
                e.TU0 = ParamCore{};
            e.NameTU0 = cut(r.text(tu, key("NameTU0-", i)));
            e.TimeTU1 = static_cast<std::uint8_t>(r.dec(tu, key("TimeTU1-", i), "0"));
            e.TimeTU0 = static_cast<std::uint8_t>(r.dec(tu, key("TimeTU0-", i), "0"));
            e.TypeTU = static_cast<std::uint8_t>(r.hex(tu, key("TypeTU-", i), "0"));
            if (r.ref4(tu, key("TU-OC1-", i), false, e.OC1))
                e.NameOC1 = cut(r.text(tu, key("NameOC1-", i)));
            if (r.ref4(tu, key("TU-OC0-", i), false, e.OC0))
                e.NameOC0 = cut(r.text(tu, key("NameOC0-", i)));
            if (r.ref4(tu, key("TU-READY1-", i), false, e.READY1))
                e.NameREADY1 = cut(r.text(tu, key("NameREADY1-", i)));
            if (r.ref4(tu, key("TU-READY0-", i), false, e.READY0))
                e.NameREADY0 = cut(r.text(tu, key("NameREADY0-", i)));
        }
    }
    auto readRows = [&](const QString& sec, std::vector<TcTuEntry>& rows, const char* refKey,
                        const char* nameKey, const char* extraKey) {
        for (int n = 0; n < int(rows.size()); ++n) {
            TcTuEntry& e = rows[std::size_t(n)];
            if (r.ref4(sec, key(refKey, n), false, e)) {
                e.Name = cut(r.text(sec, key(nameKey, n)));
                e.Extra = std::int32_t(r.dec(sec, key(extraKey, n), "0"));
            }
        }
    };
    c.Changed.ModbusTcChanged = false;
    readRows(kTcModbus, c.ModbusTcTable, "Tc", "NameTC", "DiscretInp");
    c.Changed.TiFloatChanged = false;
    readRows(kTiFloatModbus, c.TiFloatTable, "TIFl", "NameTIFl", "HoldingReg");
}

Password readPassword(const Reader& r, const QString& sec, const QString& name)
{
    Password out{};
    const QString v = r.text(sec, name);
    if (v.isEmpty())
        return out;
    if (v.size() != 32)
        r.fail(sec, name, NumberText::notAnInteger(u'$' + v));
    for (int i = 0; i < 16; ++i)
        out[std::size_t(i)] = static_cast<std::uint8_t>(r.hexOf(sec, name, v.mid(2 * i, 2)));
    return out;
}

void readUnk(const Reader& r, GatewayConfig& c)
{
    c.Changed.UnkChanged = false;
    for (int t = 0; t < Rows::UnkThreads; ++t) {
        const QString sec = unkSection(t);
        UnkThread& u = c.UnkThreads[std::size_t(t)];
        u.Name = threadName(r.text(sec, key("NameNitka", t)));
        u.Parole = readPassword(r, sec, key("Parole", t));
        u.TypeMeas = static_cast<std::uint8_t>(r.dec(sec, key("TypeMeas", t), "0"));
        u.Selection = static_cast<std::uint8_t>(r.dec(sec, key("Selection", t), "0"));
        u.SetN = static_cast<std::uint8_t>(r.hex(sec, key("SetN", t), "0"));
        u.RazmHour = static_cast<std::uint8_t>(r.dec(sec, key("RazmHour", t), "0"));
        for (int n = 0; n < Rows::ParamsPerUnkThread; ++n) {
            GroupParamRef& g = c.GroupParams[std::size_t(unkGroupRow(t, n))];
            r.pref3(sec, key("Par", n), g.Name, g.ParamNumber, g.TaskNumber);
        }
    }
    c.ParoleWr = readPassword(r, kUnk, QStringLiteral("ParoleWr"));
}

void readHart(const Reader& r, GatewayConfig& c)
{
    c.Changed.HartChanged = false;
    for (int d = 0; d < Rows::HartDevices; ++d) {
        const QString sec = hartSection(d);
        HartDevice& h = c.HartDevices[std::size_t(d)];
        h.TypeHart = static_cast<std::uint8_t>(r.hex(sec, key("TypeHart", d), "FF"));
        h.NomHart = static_cast<std::uint8_t>(r.hex(sec, key("NomHart", d), "FF"));
        h.KodHart = static_cast<std::uint8_t>(r.hex(sec, key("KodHart", d), "FF"));
        h.SetN = static_cast<std::uint8_t>(r.hex(sec, key("SetN", d), "FF"));
        h.RazmHour = static_cast<std::uint8_t>(r.dec(sec, key("RazmHour", d), "255"));
        for (int m = 0; m < Rows::ParamsPerHartDevice; ++m) {
            GroupParamRef& g = c.GroupParams[std::size_t(hartGroupRow(d, m))];
            r.pref3(sec, key("Par", m), g.Name, g.ParamNumber, g.TaskNumber);
        }
    }
}

void readKts(const Reader& r, GatewayConfig& c)
{
    c.Changed.KtsGroupChanged = false;
    for (int g = 0; g < Rows::KtsGroups; ++g) {
        const QString sec = ktsGroupSection(g);
        KtsGroup& k = c.KtsGroups[std::size_t(g)];
        k.SetN = static_cast<std::uint8_t>(r.hex(sec, key("SetN", g), "FF"));
        k.BegScale = r.real(sec, key("BegScale", g));
        k.EndScale = r.real(sec, key("EndScale", g));
        k.Number = static_cast<std::uint8_t>(r.dec(sec, key("Number", g), "2"));
        r.pref3(sec, key("Par", g), k.Name, k.ParamNumber, k.TaskNumber);
    }
    c.Changed.KtsSignalChanged = false;
    for (int n = 0; n < Rows::KtsSignals; ++n) {
        const QString sec = ktsSignalSection(n);
        KtsSignal& k = c.KtsSignals[std::size_t(n)];
        k.SetN = static_cast<std::uint8_t>(r.hex(sec, key("SetN", n), "FF"));
        const QString name = key("Par", n);
        const QStringList p = r.named(sec, name, QStringLiteral(".FFFF.255.FF"), 3);
        k.Name = p[0];
        k.ParamNumber = static_cast<std::uint16_t>(r.hexOf(sec, name, p[1]));
        k.TaskNumber = static_cast<std::uint16_t>(r.decOf(sec, name, p[2]));
        k.Flags = static_cast<std::uint8_t>(r.hexOf(sec, name, p[3]));
    }
}

// ----------------------------------------------------------------------------------- writing

class Writer
{
public:
    Writer(IniDocument& doc, const SaveOptions& options) : m_doc(doc), m_options(options) {}

    void put(const QString& section, const QString& name, const QString& value)
    {
        m_doc.writeString(section, name, value);
    }
    void dec(const QString& section, const QString& name, std::int64_t v)
    {
        put(section, name, QString::number(v));
    }
    void hex(const QString& section, const QString& name, std::uint32_t v, int digits)
    {
        put(section, name, NumberText::hex(v, digits));
    }
    void yesno(const QString& section, const QString& name, bool v)
    {
        put(section, name, v ? QStringLiteral("YES") : QStringLiteral("NO"));
    }
    void real(const QString& section, const QString& name, float v)
    {
        put(section, name, NumberText::formatFloat(v, m_options.decimalSeparator));
    }
    void ref4(const QString& section, const QString& name, const ParamCore& c, bool netFirst)
    {
        put(section, name,
            QStringLiteral("%1.%2.%3.%4")
                .arg(netFirst ? c.NetNumber : c.Kind)
                .arg(NumberText::hex(c.ParamNumber, 4))
                .arg(netFirst ? c.Kind : c.NetNumber)
                .arg(c.TaskNumber));
    }
    void pref3(const QString& section, const QString& name, const QString& text,
               std::uint16_t param, std::uint16_t task)
    {
        put(section, name, text + u'.' + NumberText::hex(param, 4) + u'.' + QString::number(task));
    }
    void erase(const QString& section) { m_doc.eraseSection(section); }

private:
    IniDocument& m_doc;
    const SaveOptions& m_options;
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
    if (!QFileInfo(path).isFile()) {
        result.status = LoadResult::Status::NotFound;
        result.message = QStringLiteral("Файл %1 не найден").arg(path);
        return result;
    }
    IniDocument::FileStatus status;
    QString error;
    const IniDocument doc = IniDocument::fromFile(path, &status, &error);
    if (status != IniDocument::FileStatus::Ok) {
        result.status = status == IniDocument::FileStatus::Missing ? LoadResult::Status::NotFound
                                                                   : LoadResult::Status::Failed;
        result.message = status == IniDocument::FileStatus::Missing
                             ? QStringLiteral("Файл %1 не найден").arg(path)
                             : error;
        return result;
    }
    return LoadConfiguration(config, doc, path, options, progress);
}

LoadResult LoadConfiguration(GatewayConfig& config, const IniDocument& file, const QString& path,
                             const LoadOptions& options, ProgressSink* progress)
{
    LoadResult result;
    const Reader r(file);
    const ProtocolVariant protocol = protocolFromName(r.text(kProtokol, QStringLiteral("Name")));
    if (protocol == ProtocolVariant::None) {
        result.status = LoadResult::Status::WrongType;
        result.message = QStringLiteral("Файл %1 не соответствует нужному типу").arg(path);
        return result;
    }

    // Filled aside and taken over whole, so that a value that does not read leaves the
    // configuration in memory as it was.
    GatewayConfig c = config;
    c.CreateFor(protocol);
    c.FileName = path;
    c.IsReadBack = r.text(kProtokol, QStringLiteral("TypeFile"), QStringLiteral("Input")) == u"Read";
    c.HasFile = !c.IsReadBack;
    c.IsNewFile = false;
    try {
        readCommon(r, c);
        result.databaseMissing = readControllers(file, r, c, options, progress);
        switch (protocol) {
        case P::Magistral1:
            readGroup(r, c);
            readMagistral(r, c);
            break;
        case P::Modbus:
            readGroup(r, c);
            readModbus(r, c, result);
            break;
        case P::UnkTm:
            readUnk(r, c);
            break;
        case P::Hart:
            readHart(r, c);
            break;
        case P::KtsEnergia:
            readGroup(r, c);
            readKts(r, c);
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
    const bool hasGroup = isProtocol(p, {P::Magistral1, P::Modbus, P::KtsEnergia});

    WriteOutcome out;
    ChangedFlags& w = out.written;
    w.CommonChanged = whole || f.CommonChanged;
    w.ControllersChanged = whole || f.ControllersChanged;
    w.GroupChanged = hasGroup && (whole || f.GroupChanged);
    const bool m1 = p == P::Magistral1, mb = p == P::Modbus;
    w.OkpTypesChanged = m1 && (whole || f.OkpTypesChanged);
    w.TcChanged = w.TuChanged = m1 && (whole || f.TcChanged || f.TuChanged);
    w.IkpChanged = m1 && (whole || f.IkpChanged);
    w.ModbusCoilChanged = mb && (whole || f.ModbusCoilChanged);
    w.ModbusTcChanged = mb && (whole || f.ModbusTcChanged);
    w.TiFloatChanged = mb && (whole || f.TiFloatChanged);
    w.UnkChanged = p == P::UnkTm && (whole || f.UnkChanged);
    w.HartChanged = p == P::Hart && (whole || f.HartChanged);
    w.KtsGroupChanged = p == P::KtsEnergia && (whole || f.KtsGroupChanged);
    w.KtsSignalChanged = p == P::KtsEnergia && (whole || f.KtsSignalChanged);

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
    wr.put(kProtokol, QStringLiteral("Name"), protocolName(p));
    wr.put(kProtokol, QStringLiteral("TypeFile"),
           out.isReadBack ? QStringLiteral("Read") : QStringLiteral("Input"));

    if (w.CommonChanged) {
        const QString& s = kCommon;
        const CommonSettings& m = c.Common;
        wr.erase(s);
        wr.hex(s, QStringLiteral("AdrCAN"), m.AdrCAN, 2);
        wr.hex(s, QStringLiteral("AdrExt"), m.AdrExt, 2);
        const QStringList can = fileCanSpeedTable(), line = fileLineSpeedTable();
        wr.put(s, QStringLiteral("V_CAN"), can.value(m.V_CAN, can.first()));
        wr.put(s, QStringLiteral("V_Ext"), line.value(m.V_Ext, line.first()));
        wr.dec(s, QStringLiteral("RBit"), m.RBit);
        wr.dec(s, QStringLiteral("TBit"), m.TBit);
        wr.dec(s, QStringLiteral("tbegin"), m.tbegin);
        wr.dec(s, QStringLiteral("trepeat"), m.trepeat);
        wr.dec(s, QStringLiteral("TimeR_T"), m.TimeR_T);
        switch (p) {
        case P::Magistral1:
            wr.dec(s, QStringLiteral("RCon"), m.RCon);
            wr.dec(s, QStringLiteral("TCon"), m.TCon);
            wr.hex(s, QStringLiteral("AdrOKP"), m.AdrOKP, 2);
            break;
        case P::Modbus:
        case P::UnkTm:
            wr.dec(s, QStringLiteral("RCon"), m.RCon);
            wr.dec(s, QStringLiteral("TCon"), m.TCon);
            wr.hex(s, QStringLiteral("Const1"), m.Const1, 4);
            wr.hex(s, QStringLiteral("Const2"), m.Const2, 4);
            if (p == P::Modbus) {
                wr.yesno(s, QStringLiteral("Invers"), m.Invers);
                wr.yesno(s, QStringLiteral("SWAP"), m.SWAP);
            } else {
                wr.yesno(s, QStringLiteral("Modem"), m.Modem);
                if (m.Modem) {
                    wr.dec(s, QStringLiteral("TimeRes"), m.TimeRes);
                    wr.dec(s, QStringLiteral("RTSoff"), m.RTSoff);
                    wr.dec(s, QStringLiteral("RTSon"), m.RTSon);
                }
            }
            break;
        case P::Hart: {
            QString adr;
            for (int i = 2; i < 5; ++i)
                adr += NumberText::hex(m.AdrLong[std::size_t(i)], 2) + u' ';
            wr.put(s, QStringLiteral("AdrLong"), adr);
            wr.yesno(s, QStringLiteral("Synch"), m.Synch);
            wr.yesno(s, QStringLiteral("Invers"), m.Invers);
            wr.yesno(s, QStringLiteral("SWAP"), m.SWAP);
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
            wr.put(kConfig, key("WayUser", int(i)), hidePath ? QString() : e.QueuePath);
            wr.hex(kConfig, key("Nset", int(i)), e.NetNumber, 2);
        }
        advance();
    }

    if (w.GroupChanged) {
        wr.erase(kGroup);
        for (int slot = 0; slot < Rows::GroupSlots && slot < int(c.GroupParams.size()); ++slot) {
            const GroupParamRef& g = c.GroupParams[std::size_t(slot)];
            wr.put(kGroup, key("GroupP", slot),
                   g.Name + u'.' + QString::number(g.NetNumber) + u'.' +
                       NumberText::hex(g.ParamNumber, 4) + u'.' + QString::number(g.TaskNumber));
        }
        advance();
    }

    if (w.OkpTypesChanged) {
        wr.erase(kOkp);
        for (int s = 0; s < Rows::OkpSubblocks; ++s)
            wr.dec(kOkp, key("TypeSub", s), c.OkpSubblockTypes[std::size_t(s)]);
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
                wr.ref4(sec, key("TC-TU", n), e, true);
                wr.put(sec, key("NameTC-TU", n), e.Name);
                if (tu)
                    wr.dec(sec, key("TimeTU", n), e.Extra);
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
                wr.ref4(sec, key("TO", n), e, false);
                wr.put(sec, key("NameTO", n), e.Name);
            }
            advance();
        }
    }

    if (w.ModbusCoilChanged) {
        const QString& s = kTuModbus;
        for (int i = 0; i < int(c.ModbusCoilTable.size()); ++i) {
            const ModbusCoilEntry& e = c.ModbusCoilTable[std::size_t(i)];
            wr.ref4(s, key("TU1-", i), e.TU1, false);
            wr.ref4(s, key("TU0-", i), e.TU0, false);
            wr.put(s, key("NameTU1-", i), e.NameTU1);
            wr.put(s, key("NameTU0-", i), e.NameTU0);
            wr.dec(s, key("TimeTU1-", i), e.TimeTU1);
            wr.dec(s, key("TimeTU0-", i), e.TimeTU0);
            wr.hex(s, key("TypeTU-", i), e.TypeTU, 1);
            wr.ref4(s, key("TU-OC1-", i), e.OC1, false);
            wr.ref4(s, key("TU-OC0-", i), e.OC0, false);
            wr.put(s, key("NameOC1-", i), e.NameOC1);
            wr.put(s, key("NameOC0-", i), e.NameOC0);
            wr.ref4(s, key("TU-READY1-", i), e.READY1, false);
            wr.put(s, key("NameREADY1-", i), e.NameREADY1);
            wr.ref4(s, key("TU-READY0-", i), e.READY0, false);
            wr.put(s, key("NameREADY0-", i), e.NameREADY0);
            wr.dec(s, key("Coil-", i), e.Coil);
            advance();
        }
    }

    auto writeRows = [&](const QString& sec, const std::vector<TcTuEntry>& rows,
                         const char* refKey, const char* nameKey, const char* extraKey,
                         int rowsPerStep) {
        for (int n = 0; n < int(rows.size()); ++n) {
            const TcTuEntry& e = rows[std::size_t(n)];
            wr.ref4(sec, key(refKey, n), e, false);
            wr.put(sec, key(nameKey, n), e.Name);
            wr.dec(sec, key(extraKey, n), e.Extra);
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
            wr.put(sec, key("NameNitka", t), threadName(u.Name));
            wr.put(sec, key("Parole", t), hexBytes(u.Parole));
            wr.dec(sec, key("TypeMeas", t), u.TypeMeas);
            wr.dec(sec, key("Selection", t), u.Selection);
            wr.hex(sec, key("SetN", t), u.SetN, 2);
            wr.dec(sec, key("RazmHour", t), u.RazmHour);
            for (int n = 0; n < Rows::ParamsPerUnkThread; ++n) {
                const GroupParamRef& g = c.GroupParams[std::size_t(unkGroupRow(t, n))];
                wr.pref3(sec, key("Par", n), g.Name, g.ParamNumber, g.TaskNumber);
            }
            advance();
        }
        wr.erase(kUnk);
        wr.put(kUnk, QStringLiteral("ParoleWr"), hexBytes(c.ParoleWr));
    }

    if (w.HartChanged) {
        for (int d = 0; d < Rows::HartDevices; ++d) {
            const QString sec = hartSection(d);
            const HartDevice& h = c.HartDevices[std::size_t(d)];
            wr.erase(sec);
            wr.hex(sec, key("TypeHart", d), h.TypeHart, 2);
            wr.hex(sec, key("NomHart", d), h.NomHart, 2);
            wr.hex(sec, key("KodHart", d), h.KodHart, 2);
            wr.hex(sec, key("SetN", d), h.SetN, 2);
            wr.dec(sec, key("RazmHour", d), h.RazmHour);
            for (int m = 0; m < Rows::ParamsPerHartDevice; ++m) {
                const GroupParamRef& g = c.GroupParams[std::size_t(hartGroupRow(d, m))];
                wr.pref3(sec, key("Par", m), g.Name, g.ParamNumber, g.TaskNumber);
            }
            advance();
        }
    }

    if (w.KtsGroupChanged) {
        for (int g = 0; g < Rows::KtsGroups; ++g) {
            const QString sec = ktsGroupSection(g);
            const KtsGroup& k = c.KtsGroups[std::size_t(g)];
            wr.erase(sec);
            wr.hex(sec, key("SetN", g), k.SetN, 2);
            wr.real(sec, key("BegScale", g), k.BegScale);
            wr.real(sec, key("EndScale", g), k.EndScale);
            wr.dec(sec, key("Number", g), k.Number);
            wr.pref3(sec, key("Par", g), k.Name, k.ParamNumber, k.TaskNumber);
            advance();
        }
    }

    if (w.KtsSignalChanged) {
        for (int n = 0; n < Rows::KtsSignals; ++n) {
            const QString sec = ktsSignalSection(n);
            const KtsSignal& k = c.KtsSignals[std::size_t(n)];
            wr.erase(sec);
            wr.hex(sec, key("SetN", n), k.SetN, 2);
            wr.put(sec, key("Par", n),
                   k.Name + u'.' + NumberText::hex(k.ParamNumber, 4) + u'.' +
                       QString::number(k.TaskNumber) + u'.' + NumberText::hex(k.Flags, 2));
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
        progress->hide();
    return result;
}

} // namespace veg
