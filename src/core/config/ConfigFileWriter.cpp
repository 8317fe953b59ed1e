#include "core/config/ConfigFile.h"

#include "core/config/ConfigFileSections.h"
#include "core/ui/ProgressSink.h"
#include "core/text/Cp1251.h"
#include "core/text/IniDocument.h"
#include "core/text/NumberText.h"

#include <QFileInfo>

namespace veg {
namespace {

using namespace configfile;

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
