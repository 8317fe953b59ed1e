#include "TestSupport.h"

#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"
#include "core/text/IniDocument.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace veg;
using namespace vegtest;

namespace {

class ConfigFileTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    // A queue file that exists, so that the controller counts as present.
    QString queue(const char* name) const
    {
        const QString p = path(name);
        writeFile(p, "queue");
        return p;
    }

    LoadResult load(GatewayConfig& c, const QString& p) const { return LoadConfiguration(c, p, {}); }

    LoadResult loadText(GatewayConfig& c, const char* utf8, const char* name = "hand.veg") const
    {
        const QString p = path(name);
        writeFile(p, cp1251(utf8));
        return load(c, p);
    }

    IniDocument saved(GatewayConfig& c, const char* name = "out.veg") const
    {
        const SaveResult r = SaveConfiguration(c, path(name), true);
        EXPECT_TRUE(r.ok) << r.message.toStdString();
        return IniDocument::fromBytes(readFile(path(name)));
    }
};

QString rowName(int i)
{
    // Names hold "." to show that they read back whole.
    return QStringLiteral("Параметр %1.%2/Задача(КП-%3)").arg(i).arg(i % 7).arg(i % 3);
}

ParamCore core(int i)
{
    ParamCore c;
    c.Kind = std::uint8_t(i % 3);
    c.NetNumber = std::uint8_t(0x10 + i % 200);
    c.ParamNumber = std::uint16_t(0x0100 + i * 3);
    c.TaskNumber = std::uint16_t(i % 40);
    return c;
}

// A configuration of `p` with every stored value set to something other than its default. The
// general settings the protocol does not store keep the record's defaults.
GatewayConfig filled(ProtocolVariant p, const QStringList& queues)
{
    using P = ProtocolVariant;
    GatewayConfig c;
    c.CreateFor(p);
    CommonSettings& m = c.Common;
    m.AdrCAN = 0x3C;
    if (p != P::KtsEnergia)
        m.AdrExt = 0x11;
    m.V_CAN = 3;
    m.V_Ext = 4;
    m.RBit = 0;
    m.TBit = 0;
    m.tbegin = 77;
    m.trepeat = 300;
    m.TimeR_T = 9;
    if (p == P::Magistral1 || p == P::Modbus || p == P::UnkTm) {
        m.RCon = 1;
        m.TCon = 0;
    }
    if (p == P::Magistral1)
        m.AdrOKP = 0xAB;
    if (p == P::Modbus || p == P::UnkTm) {
        m.Const1 = 0x1234;
        m.Const2 = 0xBEEF;
    }
    if (p == P::Modbus || p == P::Hart) {
        m.Invers = true;
        m.SWAP = true;
    }
    if (p == P::UnkTm) {
        m.Modem = true;
        m.TimeRes = 12;
        m.RTSoff = 13;
        m.RTSon = 14;
    }
    if (p == P::Hart) {
        m.AdrLong = {0, 2, 0x0A, 0x1B, 0x2C};
        m.Synch = true;
    }
    for (int i = 0; i < queues.size(); ++i)
        c.Controllers.push_back({nullptr, queues[i], std::uint8_t(0x20 + i), true});

    auto group = [&](int i) {
        GroupParamRef& g = c.GroupParams[std::size_t(i)];
        g.NetNumber = p == P::UnkTm || p == P::Hart ? 255 : std::uint8_t(0x30 + i);
        g.ParamNumber = std::uint16_t(0x0200 + i);
        g.TaskNumber = std::uint16_t(i);
        g.Name = rowName(i);
    };
    for (int i = 0; i < int(c.GroupParams.size()); ++i)
        group(i);

    switch (p) {
    case P::Magistral1:
        for (int s = 0; s < Rows::OkpSubblocks; ++s) {
            const auto type = std::uint8_t(s % 3);
            c.OkpSubblockTypes[std::size_t(s)] = type;
            const int rows = type == SubblockTc ? 32 : 6;
            for (int n = 0; n < rows; ++n) {
                TcTuEntry& e = c.TcTuTable[std::size_t(tcTuRow(s, n))];
                static_cast<ParamCore&>(e) = core(s * 32 + n);
                e.Name = rowName(s * 32 + n);
                e.Extra = type == SubblockTu ? n + 1 : 0;
            }
        }
        for (int i = 0; i < Rows::Ikp; ++i) {
            static_cast<ParamCore&>(c.IkpTable[std::size_t(i)]) = core(i + 5);
            c.IkpTable[std::size_t(i)].Name = rowName(i);
        }
        break;
    case P::Modbus:
        for (int i = 0; i < Rows::ModbusCoils; i += 2) { // odd rows stay "not in use"
            ModbusCoilEntry& e = c.ModbusCoilTable[std::size_t(i)];
            e.TU0 = core(i);
            e.TU1 = core(i + 1);
            e.TimeTU1 = std::uint8_t(i + 2);
            e.TimeTU0 = std::uint8_t(i + 3);
            e.NameTU0 = rowName(i);
            e.NameTU1 = rowName(i + 1);
            e.TypeTU = std::uint8_t(i % 4);
            e.OC0 = core(i + 2);
            e.NameOC0 = rowName(i + 2);
            e.OC1 = core(i + 3);
            e.NameOC1 = rowName(i + 3);
            e.READY1 = core(i + 4);
            e.NameREADY1 = rowName(i + 4);
            e.READY0 = core(i + 5);
            e.NameREADY0 = rowName(i + 5);
            e.Coil = std::uint16_t(i * 2);
        }
        for (int i = 0; i < Rows::ModbusTc; i += 3) {
            static_cast<ParamCore&>(c.ModbusTcTable[std::size_t(i)]) = core(i);
            c.ModbusTcTable[std::size_t(i)].Name = rowName(i);
            c.ModbusTcTable[std::size_t(i)].Extra = 1000 + i;
        }
        for (int i = 0; i < Rows::TiFloat; i += 2) {
            static_cast<ParamCore&>(c.TiFloatTable[std::size_t(i)]) = core(i);
            c.TiFloatTable[std::size_t(i)].Name = rowName(i);
            c.TiFloatTable[std::size_t(i)].Extra = 40001 + i;
        }
        break;
    case P::UnkTm:
        for (int t = 0; t < Rows::UnkThreads; ++t) {
            UnkThread& u = c.UnkThreads[std::size_t(t)];
            u.Name = threadName(QStringLiteral("Нитка %1").arg(t));
            for (int b = 0; b < 16; ++b)
                u.Parole[std::size_t(b)] = std::uint8_t(t * 16 + b * 11);
            u.TypeMeas = std::uint8_t(t);
            u.Selection = std::uint8_t(t + 1);
            u.SetN = std::uint8_t(0x40 + t);
            u.RazmHour = std::uint8_t(24 + t);
        }
        for (int b = 0; b < 16; ++b)
            c.ParoleWr[std::size_t(b)] = std::uint8_t(0xF0 + b);
        break;
    case P::Hart:
        for (int d = 0; d < Rows::HartDevices; ++d)
            c.HartDevices[std::size_t(d)] = {std::uint8_t(d), std::uint8_t(d + 1), std::uint8_t(d + 2),
                                             std::uint8_t(0x50 + d), std::uint8_t(d + 4)};
        break;
    case P::KtsEnergia:
        for (int g = 0; g < Rows::KtsGroups; ++g) {
            KtsGroup& k = c.KtsGroups[std::size_t(g)];
            k.SetN = std::uint8_t(0x60 + g);
            k.ParamNumber = std::uint16_t(0x0300 + g);
            k.BegScale = -1.5f * float(g);
            k.EndScale = 100.1f + float(g) / 3.0f;
            k.Number = std::uint8_t(g % 5);
            k.TaskNumber = std::uint16_t(g);
            k.Name = rowName(g);
        }
        for (int r = 0; r < Rows::KtsSignals; ++r) {
            KtsSignal& k = c.KtsSignals[std::size_t(r)];
            k.Flags = std::uint8_t(r % 2 ? 0x81 : 0x00);
            k.SetN = std::uint8_t(0x70 + r);
            k.ParamNumber = std::uint16_t(0x0400 + r);
            k.TaskNumber = std::uint16_t(r * 2);
            k.Name = rowName(r);
        }
        break;
    case P::None:
        break;
    }
    return c;
}

// The first member in which two configurations differ, for a readable failure.
std::string difference(const GatewayConfig& a, const GatewayConfig& b)
{
    auto rows = [](const char* name, const auto& x, const auto& y) -> std::string {
        if (x.size() != y.size())
            return std::string(name) + " size";
        for (std::size_t i = 0; i < x.size(); ++i) {
            if (!(x[i] == y[i]))
                return std::string(name) + " row " + std::to_string(i);
        }
        return {};
    };
    if (a.Protocol != b.Protocol)
        return "Protocol";
    if (!(a.Common == b.Common))
        return "Common";
    for (const std::string& d :
         {rows("Controllers", a.Controllers, b.Controllers), rows("GroupParams", a.GroupParams, b.GroupParams),
          rows("OkpSubblockTypes", a.OkpSubblockTypes, b.OkpSubblockTypes),
          rows("TcTuTable", a.TcTuTable, b.TcTuTable), rows("IkpTable", a.IkpTable, b.IkpTable),
          rows("ModbusCoilTable", a.ModbusCoilTable, b.ModbusCoilTable),
          rows("ModbusTcTable", a.ModbusTcTable, b.ModbusTcTable),
          rows("TiFloatTable", a.TiFloatTable, b.TiFloatTable), rows("UnkThreads", a.UnkThreads, b.UnkThreads),
          rows("HartDevices", a.HartDevices, b.HartDevices), rows("KtsGroups", a.KtsGroups, b.KtsGroups),
          rows("KtsSignals", a.KtsSignals, b.KtsSignals)}) {
        if (!d.empty())
            return d;
    }
    if (a.ParoleWr != b.ParoleWr)
        return "ParoleWr";
    if (!(a.Changed == b.Changed))
        return "Changed";
    if (a.FileName != b.FileName || a.IsNewFile != b.IsNewFile || a.IsReadBack != b.IsReadBack ||
        a.HasFile != b.HasFile)
        return "file state";
    return {};
}

} // namespace

TEST_F(ConfigFileTest, EveryProtocolRoundTripsThroughSaveAsAndLoad)
{
    const QStringList queues = {queue("kp1.que"), queue("kp2.que")};
    for (int pi = 0; pi < kProtocolCount; ++pi) {
        const auto p = ProtocolVariant(pi);
        GatewayConfig original = filled(p, queues);
        original.Changed.CommonChanged = true;
        const QString file = path("round.veg");
        ASSERT_TRUE(SaveConfiguration(original, file, true).ok);
        EXPECT_FALSE(original.AnyChanged());
        EXPECT_TRUE(original.HasFile);
        EXPECT_EQ(original.FileName, file);

        GatewayConfig back;
        const LoadResult r = load(back, file);
        ASSERT_TRUE(r.loaded()) << r.message.toStdString();
        EXPECT_TRUE(r.notices.isEmpty());
        EXPECT_FALSE(r.databaseMissing);
        EXPECT_EQ(difference(back, original), "") << protocolName(p).toStdString();
        EXPECT_TRUE(back == original);
        QFile::remove(file);
    }
}

TEST_F(ConfigFileTest, ModbusCommonSectionKeysEncodingsAndOrder)
{
    GatewayConfig c;
    c.CreateFor(ProtocolVariant::Modbus);
    c.ResetCommon();
    c.Common.V_Ext = 5; // 9600 baud
    c.Common.V_CAN = 1; // 150 kbit/s
    c.Common.AdrExt = 0x1A;
    c.Controllers = {{nullptr, queue("Очередь КП.que"), 0x1A, true}};
    const IniDocument d = saved(c);
    const QByteArray bytes = readFile(path("out.veg"));
    EXPECT_TRUE(bytes.startsWith(cp1251("[Protokol]\r\nName=Modbus\r\nTypeFile=Input\r\n[Common]\r\n"
                                        "AdrCAN=00\r\nAdrExt=1A\r\nV_CAN=200\r\nV_Ext=2400\r\n"
                                        "RBit=1\r\nTBit=1\r\ntbegin=22\r\ntrepeat=10\r\nTimeR_T=0\r\n"
                                        "RCon=2\r\nTCon=2\r\nConst1=A001\r\nConst2=0000\r\n"
                                        "Invers=NO\r\nSWAP=NO\r\n[Config]\r\nWayUser0=")))
        << bytes.left(400).toStdString();
    EXPECT_EQ(d.keys("Config"), (QStringList{"WayUser0", "Nset0"}));
    EXPECT_EQ(d.value("Config", "Nset0").value(), "1A");
    EXPECT_EQ(d.sectionNames(),
              (QStringList{"Protokol", "Common", "Config", "GROUP", "TU Modbus", "TC Modbus",
                           "TIFloat Modbus"}));
    // An empty telesignal row.
    EXPECT_EQ(d.value("TC Modbus", "TC5").value(), "255.FFFF.255.65535");
    EXPECT_EQ(d.value("TC Modbus", "NameTC5").value(), "Нет параметра");
    EXPECT_EQ(d.value("TC Modbus", "DiscretInp5").value(), "0");
    EXPECT_EQ(d.keys("TU Modbus").mid(0, 16),
              (QStringList{"TU1-0", "TU0-0", "NameTU1-0", "NameTU0-0", "TimeTU1-0", "TimeTU0-0",
                           "TypeTU-0", "TU-OC1-0", "TU-OC0-0", "NameOC1-0", "NameOC0-0",
                           "TU-READY1-0", "NameREADY1-0", "TU-READY0-0", "NameREADY0-0", "Coil-0"}));
    EXPECT_EQ(d.value("TU Modbus", "Coil-15").value(), "65535");
    EXPECT_EQ(d.value("GROUP", "GroupP3").value(), ".255.FFFF.65535");

    GatewayConfig back;
    ASSERT_TRUE(load(back, path("out.veg")).loaded());
    EXPECT_EQ(back.Common.V_Ext, 5);
    EXPECT_EQ(back.Common.V_CAN, 1);
    EXPECT_EQ(back.TcTuTable.size(), 0u);
    EXPECT_EQ(back.ModbusTcTable[5], TcTuEntry{});
}

TEST_F(ConfigFileTest, CommonKeySetsPerProtocol)
{
    struct Case
    {
        ProtocolVariant p;
        QStringList tail; // the keys after TimeR_T
    } cases[] = {
        {ProtocolVariant::Magistral1, {"RCon", "TCon", "AdrOKP"}},
        {ProtocolVariant::Modbus, {"RCon", "TCon", "Const1", "Const2", "Invers", "SWAP"}},
        {ProtocolVariant::UnkTm, {"RCon", "TCon", "Const1", "Const2", "Modem"}},
        {ProtocolVariant::Hart, {"AdrLong", "Synch", "Invers", "SWAP"}},
        {ProtocolVariant::KtsEnergia, {}},
    };
    const QStringList head = {"AdrCAN", "AdrExt", "V_CAN", "V_Ext", "RBit", "TBit",
                              "tbegin", "trepeat", "TimeR_T"};
    for (const Case& k : cases) {
        GatewayConfig c;
        c.CreateFor(k.p);
        c.ResetCommon();
        EXPECT_EQ(saved(c).keys("Common"), head + k.tail) << int(k.p);
    }
    GatewayConfig unk;
    unk.CreateFor(ProtocolVariant::UnkTm);
    unk.ResetCommon();
    unk.Common.Modem = true;
    EXPECT_EQ(saved(unk).keys("Common").mid(9),
              (QStringList{"RCon", "TCon", "Const1", "Const2", "Modem", "TimeRes", "RTSoff", "RTSon"}));

    // Without a modem the modem times are not stored, and a reload reads them as 0.
    unk.Common.Modem = false;
    saved(unk);
    GatewayConfig back;
    ASSERT_TRUE(load(back, path("out.veg")).loaded());
    EXPECT_EQ(back.Common.TimeRes, 0);
    EXPECT_EQ(back.Common.RTSoff, 0);
}

TEST_F(ConfigFileTest, MagistralSubblockSections)
{
    GatewayConfig c;
    c.CreateFor(ProtocolVariant::Magistral1);
    c.ResetCommon();
    c.OkpSubblockTypes[3] = SubblockTu;
    TcTuEntry& e = c.TcTuTable[std::size_t(tcTuRow(0, 2))];
    e.NetNumber = 0x1A;
    e.ParamNumber = 0x0203;
    e.Kind = 0;
    e.TaskNumber = 5;
    c.TcTuTable[std::size_t(tcTuRow(3, 1))].Extra = 4;
    static_cast<ParamCore&>(c.IkpTable[0]) = e;
    const IniDocument d = saved(c);

    EXPECT_EQ(d.value("OKP Субблок 0", "TC-TU2").value(), "26.0203.0.5"); // NetNumber first
    EXPECT_EQ(d.value("IKP Субблок 0", "TO0").value(), "0.0203.26.5");    // Kind first
    QStringList tuKeys;
    for (int n = 0; n < 6; ++n)
        tuKeys << QStringLiteral("TC-TU%1").arg(n) << QStringLiteral("NameTC-TU%1").arg(n)
               << QStringLiteral("TimeTU%1").arg(n);
    EXPECT_EQ(d.keys("OKP Субблок 3"), tuKeys);
    EXPECT_EQ(d.value("OKP Субблок 3", "TimeTU1").value(), "4");
    EXPECT_EQ(d.keys("OKP Субблок 0").size(), 64); // "нет": 32 rows
    EXPECT_EQ(d.value("OKP", "TypeSub3").value(), "2");

    // A "нет" sub-block: of its 32 stored rows a reload reads the first six.
    IniDocument edited = d;
    edited.writeString("OKP Субблок 0", "TC-TU6", "1.0001.0.1");
    edited.writeString("OKP Субблок 0", "TC-TU5", "2.0002.1.2");
    edited.saveAtomic(path("edited.veg"), nullptr);
    GatewayConfig back;
    ASSERT_TRUE(load(back, path("edited.veg")).loaded());
    EXPECT_EQ(back.TcTuTable[std::size_t(tcTuRow(0, 2))].NetNumber, 0x1A);
    EXPECT_EQ(back.TcTuTable[std::size_t(tcTuRow(0, 5))].NetNumber, 2);
    EXPECT_EQ(back.TcTuTable[std::size_t(tcTuRow(0, 6))], TcTuEntry{});
    EXPECT_EQ(back.TcTuTable[std::size_t(tcTuRow(3, 1))].Extra, 4);
}

TEST_F(ConfigFileTest, HandWrittenFilesRead)
{
    // Keys in other letter cases, "Config" keys read by position whatever their names, values
    // with blanks around them, an "AdrLong" as written (with its trailing blank).
    GatewayConfig c;
    ASSERT_TRUE(loadText(c, "[PROTOKOL]\nname=HART\n[common]\nADRLONG= 0A 1B 2C \nsynch=YES\n"
                            "Invers=yes\nV_CAN = 200\nV_Ext=19200\n"
                            "[Config]\nPath=a\nNumber=1F\nWayUser1=\nNset1=25\nlonely=x\n"
                            "[hart 2]\nTypeHart2=0c\nPar4=Имя.с.точкой.0A0B.7\n")
                    .loaded());
    EXPECT_EQ(c.Protocol, ProtocolVariant::Hart);
    EXPECT_EQ(c.Common.AdrLong, (std::array<std::uint8_t, 5>{0, 2, 0x0A, 0x1B, 0x2C}));
    EXPECT_TRUE(c.Common.Synch);
    EXPECT_FALSE(c.Common.Invers); // only the exact "YES" is true
    EXPECT_EQ(c.Common.V_CAN, 1);
    EXPECT_EQ(c.Common.V_Ext, 8); // "19200": position 8 of the file's line table
    ASSERT_EQ(c.Controllers.size(), 2u);
    EXPECT_EQ(c.Controllers[0].QueuePath, "a");
    EXPECT_EQ(c.Controllers[0].NetNumber, 0x1F);
    EXPECT_FALSE(c.Controllers[0].Present);
    EXPECT_EQ(c.Controllers[1].NetNumber, 0x25);
    EXPECT_EQ(c.HartDevices[2].TypeHart, 0x0C);
    EXPECT_EQ(c.HartDevices[1].TypeHart, 0xFF);
    const GroupParamRef& g = c.GroupParams[std::size_t(hartGroupRow(2, 4))];
    EXPECT_EQ(g.Name, "Имя.с.точкой");
    EXPECT_EQ(g.ParamNumber, 0x0A0B);
    EXPECT_EQ(g.TaskNumber, 7);
    // A missing "Par" key reads its default ".FFFF.255".
    EXPECT_EQ(c.GroupParams[0].ParamNumber, 0xFFFF);
    EXPECT_EQ(c.GroupParams[0].TaskNumber, 255);
}

// A speed is the position of its text in the file's table, also beyond the window's lists, and
// a save writes back the text the file had.
TEST_F(ConfigFileTest, SpeedsAreKeptAsTheFileGivesThem)
{
    struct Case
    {
        const char* lines; // the speed keys of "Common"
        int can, line;     // the indices read
        const char* canText;
        const char* lineText; // written back
    };
    const Case cases[] = {
        {"V_CAN=200\nV_Ext=2400\n", 1, 5, "200", "2400"},
        {"V_CAN=10\nV_Ext=19200\n", 14, 8, "10", "19200"},
        {"V_CAN=37.5\nV_Ext=100\n", 9, 0, "37.5", "100"},
        {"V_CAN=300\n", 0, 7, "300", "9600"}, // a missing "V_Ext" is "9600", position 7
        {"V_CAN=999\nV_Ext=abc\n", 3, 4, "120", "1200"}, // not in the tables: kept as it was
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.lines);
        GatewayConfig c;
        c.Common.V_CAN = 3;
        c.Common.V_Ext = 4;
        const QByteArray text = QByteArray("[Protokol]\nName=Modbus\n[Common]\n") + k.lines;
        ASSERT_TRUE(loadText(c, text.constData()).loaded());
        EXPECT_EQ(c.Common.V_CAN, k.can);
        EXPECT_EQ(c.Common.V_Ext, k.line);
        const IniDocument out = saved(c);
        EXPECT_EQ(out.value("Common", "V_CAN").value(), k.canText);
        EXPECT_EQ(out.value("Common", "V_Ext").value(), k.lineText);
    }
}

TEST_F(ConfigFileTest, KtsKeepsAdrExtInTheFileButDoesNotReadIt)
{
    GatewayConfig c;
    c.CreateFor(ProtocolVariant::KtsEnergia);
    c.ResetCommon();
    c.Common.AdrExt = 0x42;
    EXPECT_EQ(saved(c).value("Common", "AdrExt").value(), "42");
    GatewayConfig back;
    back.Common.AdrExt = 0x07;
    ASSERT_TRUE(load(back, path("out.veg")).loaded());
    EXPECT_EQ(back.Common.AdrExt, 0x07);
}

TEST_F(ConfigFileTest, RefusedFilesLeaveTheConfigurationAsItWas)
{
    GatewayConfig before = filled(ProtocolVariant::Modbus, {});
    before.FileName = "keep.veg";
    before.Changed.ModbusTcChanged = true;
    before.HasFile = true;

    struct Case
    {
        const char* text;
        LoadResult::Status status;
        const char* message; // part of the message
    } cases[] = {
        {"[Protokol]\nName=Modbus x\n", LoadResult::Status::WrongType, "не соответствует нужному типу"},
        {"[Protokol]\nName=modbus\n", LoadResult::Status::WrongType, "не соответствует нужному типу"},
        {"[Protokol]\n", LoadResult::Status::WrongType, "не соответствует нужному типу"},
        {"\x01\x02\xFF binary", LoadResult::Status::WrongType, "не соответствует нужному типу"},
        {"[Protokol]\nName=Modbus\n[Common]\nRBit=abc\n", LoadResult::Status::Failed, "RBit"},
        {"[Protokol]\nName=Modbus\n[Common]\nAdrCAN=\n", LoadResult::Status::Failed, "AdrCAN"},
        {"[Protokol]\nName=Modbus\n[Common]\ntrepeat=99999999999\n", LoadResult::Status::Failed, "trepeat"},
        {"[Protokol]\nName=Modbus\n[Config]\nWayUser0=a\nNset0=G1\n", LoadResult::Status::Failed, "Nset0"},
        {"[Protokol]\nName=Modbus\n[TC Modbus]\nTC3=1.XYZ.2.3\n", LoadResult::Status::Failed, "TC3"},
        {"[Protokol]\nName=Modbus\n[TC Modbus]\nTC3=1.0001\n", LoadResult::Status::Failed, "TC3"},
        {"[Protokol]\nName=Modbus\n[TC Modbus]\nTC3=1.0001.2.3.4\n", LoadResult::Status::Failed, "TC3"},
        {"[Protokol]\nName=Modbus\n[TU Modbus]\nCoil-0=4\nTimeTU1-0=x\n", LoadResult::Status::Failed, "TimeTU1-0"},
        {"[Protokol]\nName=КТС Энергия\n[KTC Gr 1]\nBegScale1=1..5\n", LoadResult::Status::Failed, "BegScale1"},
        {"[Protokol]\nName=КТС Энергия\n[KTC TC 2]\nPar2=abc\n", LoadResult::Status::Failed, "Par2"},
        {"[Protokol]\nName=УНК ТМ\n[UNK Nitka1]\nParole1=00112233\n", LoadResult::Status::Failed, "Parole1"},
        {"[Protokol]\nName=HART\n[Common]\nAdrLong=0A 1B\n", LoadResult::Status::Failed, "AdrLong"},
        {"[Protokol]\nName=Магистраль-1\n[OKP]\nTypeSub0=2\n[OKP Субблок 0]\nTimeTU0=1s\n",
         LoadResult::Status::Failed, "TimeTU0"},
    };
    for (const Case& k : cases) {
        GatewayConfig c = before;
        const LoadResult r = loadText(c, k.text);
        EXPECT_EQ(r.status, k.status) << k.text;
        EXPECT_TRUE(r.message.contains(QString::fromUtf8(k.message), Qt::CaseInsensitive))
            << r.message.toStdString();
        EXPECT_EQ(c, before) << k.text;
    }
    GatewayConfig c = before;
    const LoadResult r = load(c, path("no such file.veg"));
    EXPECT_EQ(r.status, LoadResult::Status::NotFound);
    EXPECT_EQ(r.message, QStringLiteral("Файл %1 не найден").arg(path("no such file.veg")));
    EXPECT_EQ(c, before);
}

TEST_F(ConfigFileTest, OldCoilSectionIsReportedAndSkipped)
{
    GatewayConfig c;
    const LoadResult r = loadText(c, "[Protokol]\nName=Modbus\n[TU Modbus]\nCoil-1=4\nTU1-1=0.0001.1.1\n"
                                     "[TC Modbus]\nTC0=0.0203.26.5\nNameTC0=Старый.сигнал\n");
    ASSERT_TRUE(r.loaded());
    EXPECT_EQ(r.notices, QStringList{"Несоответствие файла новой версии ВЕГ-78"});
    EXPECT_FALSE(c.HasFile);
    EXPECT_EQ(c.ModbusCoilTable[1], ModbusCoilEntry{});
    EXPECT_EQ(c.ModbusTcTable[0].NetNumber, 26); // the rest of the file is read
    EXPECT_EQ(c.ModbusTcTable[0].Name, "Старый.сигнал");
}

TEST_F(ConfigFileTest, CoilRowsNotInUseAreNotRead)
{
    GatewayConfig c;
    ASSERT_TRUE(loadText(c, "[Protokol]\nName=Modbus\n[TU Modbus]\nCoil-0=65535\nTU1-0=0.0001.1.1\n"
                            "Coil-1=6\nTU1-1=1.0002.3.4\nNameTU1-1=Включить\nNameTU0-1=Отключить\n")
                    .loaded());
    EXPECT_EQ(c.ModbusCoilTable[0], ModbusCoilEntry{});
    const ModbusCoilEntry& e = c.ModbusCoilTable[1];
    EXPECT_EQ(e.Coil, 6);
    EXPECT_EQ(e.TU1.Kind, 1);
    EXPECT_EQ(e.TU1.NetNumber, 3);
    EXPECT_EQ(e.NameTU1, "Включить");
    EXPECT_TRUE(e.TU0.isEmpty());
    EXPECT_EQ(e.NameTU0, "Отключить"); // read whether or not TU0 is there
    EXPECT_EQ(e.TimeTU1, 0);           // the file's default, not the empty row's
}

TEST_F(ConfigFileTest, SaveWritesOnlyFlaggedSectionsAndKeepsTheRestOfTheFile)
{
    GatewayConfig c = filled(ProtocolVariant::Modbus, {});
    saved(c, "own.veg");
    IniDocument d = IniDocument::fromBytes(readFile(path("own.veg")));
    d.writeString("Чужой раздел", "Ключ", "значение");
    d.writeString("TC Modbus", "Foreign", "kept");
    d.writeString("Common", "Foreign", "dropped with its section");
    d.saveAtomic(path("own.veg"), nullptr);

    c.TiFloatTable[1].Extra = 555;
    c.Changed.TiFloatChanged = true;
    c.Common.AdrCAN = 0x01;
    c.Changed.CommonChanged = true;
    c.ModbusTcTable[0].Extra = 999; // changed without its flag: not written
    RecordingProgress progress;
    ASSERT_TRUE(SaveConfiguration(c, path("own.veg"), false, {}, &progress).ok);
    EXPECT_EQ(progress.shown, QStringList{"Идет сохранение файла"});
    EXPECT_EQ(progress.steps, 1 + 64);
    EXPECT_FALSE(progress.visible);
    EXPECT_FALSE(c.AnyChanged());

    const IniDocument after = IniDocument::fromBytes(readFile(path("own.veg")));
    EXPECT_EQ(after.value("TIFloat Modbus", "HoldingReg1").value(), "555");
    EXPECT_EQ(after.value("Common", "AdrCAN").value(), "01");
    EXPECT_FALSE(after.hasKey("Common", "Foreign"));
    EXPECT_EQ(after.value("TC Modbus", "TC0").value(), "0.0100.16.0");
    EXPECT_EQ(after.value("TC Modbus", "DiscretInp0").value(), "1000");
    EXPECT_EQ(after.value("TC Modbus", "Foreign").value(), "kept");
    EXPECT_EQ(after.value("Чужой раздел", "ключ").value(), "значение");
    EXPECT_EQ(after.value("Protokol", "Name").value(), "Modbus");
    EXPECT_EQ(after.sectionNames().count("Protokol"), 1);
}

TEST_F(ConfigFileTest, AFailedSaveChangesNeitherTheFileNorTheFlags)
{
    GatewayConfig c = filled(ProtocolVariant::KtsEnergia, {});
    c.FileName = "old.veg";
    c.Changed.KtsGroupChanged = true;
    c.IsNewFile = true;
    const QString bad = path("missing folder/x.veg");
    const SaveResult r = SaveConfiguration(c, bad, true);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.message.isEmpty());
    EXPECT_TRUE(c.Changed.KtsGroupChanged);
    EXPECT_EQ(c.FileName, "old.veg");
    EXPECT_TRUE(c.IsNewFile);
    EXPECT_FALSE(QFile::exists(bad));
}

TEST_F(ConfigFileTest, ReadBackFilesAndTheirControllers)
{
    GatewayConfig c;
    const QString present = queue("kp.que");
    const QString text = QStringLiteral("[Protokol]\nName=КТС Энергия\nTypeFile=Read\n[Config]\n"
                                        "WayUser0=%1\nNset0=10\nWayUser1=\nNset1=11\n")
                             .arg(present);
    writeFile(path("rb.veg"), Cp1251::encode(text));
    RecordingProgress progress;
    const LoadResult r = LoadConfiguration(c, path("rb.veg"), {}, &progress);
    ASSERT_TRUE(r.loaded());
    EXPECT_TRUE(r.databaseMissing);
    EXPECT_FALSE(progress.visible);
    EXPECT_EQ(progress.steps, 2);
    EXPECT_TRUE(c.IsReadBack);
    EXPECT_FALSE(c.HasFile);
    EXPECT_TRUE(c.Controllers[0].Present);
    EXPECT_FALSE(c.Controllers[1].Present);

    // While a database is missing the file stays "Read" and the missing path is not stored.
    c.Controllers[1].QueuePath = "typed but absent";
    IniDocument d = saved(c);
    EXPECT_EQ(d.value("Protokol", "TypeFile").value(), "Read");
    EXPECT_EQ(d.value("Config", "WayUser1").value(), "");
    EXPECT_TRUE(c.IsReadBack);

    // Once every controller has its database it becomes an ordinary file.
    c.IsReadBack = true;
    c.Controllers[1] = {nullptr, queue("kp2.que"), 0x11, true};
    d = saved(c);
    EXPECT_EQ(d.value("Protokol", "TypeFile").value(), "Input");
    EXPECT_FALSE(c.IsReadBack);
}

TEST_F(ConfigFileTest, EveryControllerGetsItsDatabaseObject)
{
    GatewayConfig c;
    const QString q = queue("kp.que");
    writeFile(path("db.veg"),
              Cp1251::encode(QStringLiteral("[Protokol]\nName=Modbus\n[Config]\nWayUser0=%1\nNset0=1\n"
                                            "WayUser1=nowhere.que\nNset1=2\n")
                                 .arg(q)));
    QStringList asked;
    LoadOptions options;
    options.directories = {"root", "alg", "mod", "tsk"};
    options.makeDatabase = [&](const QString& queuePath, const DatabaseDirectories& d) {
        asked << queuePath + u'|' + d.WayAlg + u'|' + d.WayMod + u'|' + d.WayTask;
        return std::shared_ptr<const Task_CL>();
    };
    ASSERT_TRUE(LoadConfiguration(c, path("db.veg"), options).loaded());
    EXPECT_EQ(asked, (QStringList{q + "|alg|mod|tsk", "nowhere.que|alg|mod|tsk"}));
    EXPECT_TRUE(c.Controllers[0].Present);
    EXPECT_FALSE(c.Controllers[1].Present);
}

TEST_F(ConfigFileTest, SaveProgressSteps)
{
    struct Case
    {
        ProtocolVariant p;
        bool whole;
        int steps;
        int step;
    } cases[] = {
        {ProtocolVariant::Modbus, true, 1 + 1 + 1 + 16 + 32 + 64, 116 / 114},
        {ProtocolVariant::Magistral1, true, 1 + 1 + 1 + 1 + 14 + 12, 116 / 29},
        {ProtocolVariant::UnkTm, true, 1 + 1 + 3, 116 / 4},
        {ProtocolVariant::Hart, false, 1, 116}, // only "Common": one step counts as two
        {ProtocolVariant::KtsEnergia, false, 0, 116},
    };
    for (const Case& k : cases) {
        GatewayConfig c;
        c.CreateFor(k.p);
        c.ResetCommon();
        c.Changed.CommonChanged = k.p == ProtocolVariant::Hart;
        RecordingProgress progress;
        ASSERT_TRUE(SaveConfiguration(c, path("steps.veg"), k.whole, {}, &progress).ok);
        EXPECT_EQ(progress.steps, k.steps) << int(k.p);
        if (k.steps) {
            EXPECT_EQ(progress.position, k.steps * k.step) << int(k.p);
        }
    }
}

TEST_F(ConfigFileTest, FloatsUseTheGivenSeparatorAndReadWithEither)
{
    GatewayConfig c;
    c.CreateFor(ProtocolVariant::KtsEnergia);
    c.KtsGroups[0].BegScale = 0.1f;
    c.KtsGroups[0].EndScale = -2.5f;
    SaveOptions comma;
    comma.decimalSeparator = u',';
    ASSERT_TRUE(SaveConfiguration(c, path("f.veg"), true, comma).ok);
    const IniDocument d = IniDocument::fromBytes(readFile(path("f.veg")));
    EXPECT_EQ(d.value("KTC Gr 0", "BegScale0").value(), "0,1");
    EXPECT_EQ(d.value("KTC Gr 0", "EndScale0").value(), "-2,5");
    GatewayConfig back;
    ASSERT_TRUE(load(back, path("f.veg")).loaded());
    EXPECT_EQ(back.KtsGroups[0].BegScale, 0.1f);
    EXPECT_EQ(back.KtsGroups[0].EndScale, -2.5f);
}

TEST_F(ConfigFileTest, OverlongValuesAreCutToTheirFields)
{
    GatewayConfig c;
    const QString longName(120, u'Ж');
    writeFile(path("long.veg"),
              Cp1251::encode(QStringLiteral("[Protokol]\nName=УНК ТМ\n[Common]\nAdrCAN=1FF\ntrepeat=70000\n"
                                            "[UNK Nitka0]\nNameNitka0=%1\nPar0=%1.0001.2\n")
                                 .arg(longName)));
    ASSERT_TRUE(load(c, path("long.veg")).loaded());
    EXPECT_EQ(c.Common.AdrCAN, 0xFF);       // low bits
    EXPECT_EQ(c.Common.trepeat, 70000 & 0xFFFF);
    EXPECT_EQ(c.UnkThreads[0].Name, QString(16, u'Ж'));
    EXPECT_EQ(c.GroupParams[0].Name, QString(80, u'Ж'));
    EXPECT_EQ(c.GroupParams[0].ParamNumber, 1);
}

TEST_F(ConfigFileTest, SectionsAndKeysOfTheOtherProtocols)
{
    struct Case
    {
        ProtocolVariant p;
        QStringList sections;
        const char* section;
        QStringList keys;
    } cases[] = {
        {ProtocolVariant::Magistral1,
         QStringList{"Protokol", "Common", "GROUP", "OKP"} +
             QStringList{"OKP Субблок 0", "OKP Субблок 13", "IKP Субблок 0", "IKP Субблок 11"},
         "IKP Субблок 2",
         {"TO0", "NameTO0", "TO1", "NameTO1", "TO2", "NameTO2", "TO3", "NameTO3"}},
        {ProtocolVariant::UnkTm,
         {"Protokol", "Common", "UNK Nitka0", "UNK Nitka1", "UNK Nitka2", "UNK"},
         "UNK Nitka1",
         QStringList{"NameNitka1", "Parole1", "TypeMeas1", "Selection1", "SetN1", "RazmHour1"} +
             [] {
                 QStringList k;
                 for (int n = 0; n < 19; ++n)
                     k << QStringLiteral("Par%1").arg(n);
                 return k;
             }()},
        {ProtocolVariant::Hart,
         {"Protokol", "Common", "HART 0", "HART 15"},
         "HART 3",
         {"TypeHart3", "NomHart3", "KodHart3", "SetN3", "RazmHour3", "Par0", "Par1", "Par2", "Par3",
          "Par4"}},
        {ProtocolVariant::KtsEnergia,
         {"Protokol", "Common", "GROUP", "KTC Gr 0", "KTC Gr 15", "KTC TC 0", "KTC TC 15"},
         "KTC Gr 4",
         {"SetN4", "BegScale4", "EndScale4", "Number4", "Par4"}},
    };
    for (const Case& c : cases) {
        GatewayConfig config;
        config.CreateFor(c.p);
        config.ResetCommon();
        const IniDocument d = saved(config);
        const QStringList names = d.sectionNames();
        int last = -1;
        for (const QString& s : c.sections) {
            const int at = int(names.indexOf(s));
            EXPECT_GT(at, last) << protocolName(c.p).toStdString() << " " << s.toStdString();
            last = at;
        }
        EXPECT_EQ(d.keys(QString::fromUtf8(c.section)), c.keys) << c.section;
    }

    // Values of the other protocols' rows as the file holds them.
    GatewayConfig unk;
    unk.CreateFor(ProtocolVariant::UnkTm);
    for (int b = 0; b < 16; ++b)
        unk.UnkThreads[1].Parole[std::size_t(b)] = std::uint8_t(b);
    unk.ParoleWr[15] = 0xAB;
    unk.GroupParams[std::size_t(unkGroupRow(1, 2))] = {255, 0x0304, 7, QStringLiteral("Расход")};
    IniDocument d = saved(unk);
    EXPECT_EQ(d.value("UNK Nitka1", "Parole1").value(), "000102030405060708090A0B0C0D0E0F");
    EXPECT_EQ(d.value("UNK", "ParoleWr").value(), "000000000000000000000000000000AB");
    EXPECT_EQ(d.value("UNK Nitka1", "Par2").value(), "Расход.0304.7");
    EXPECT_EQ(d.value("UNK Nitka0", "NameNitka0").value(), ""); // sixteen blanks, trimmed

    GatewayConfig kts;
    kts.CreateFor(ProtocolVariant::KtsEnergia);
    kts.KtsSignals[2] = {0x81, 0x1B, 0x0205, 9, QStringLiteral("Авария")};
    kts.KtsGroups[1].BegScale = 1000000.0f;
    d = saved(kts);
    EXPECT_EQ(d.value("KTC TC 2", "Par2").value(), "Авария.0205.9.81");
    EXPECT_EQ(d.value("KTC TC 2", "SetN2").value(), "1B");
    EXPECT_EQ(d.value("KTC Gr 1", "BegScale1").value(), "1000000");
    EXPECT_EQ(d.value("KTC Gr 1", "Number1").value(), "2");
}
