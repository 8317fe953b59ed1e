#include "SampleConfigs.h"

#include "core/exchange/GatewayImage.h"
#include "core/exchange/ImageCodec.h"

#include <gtest/gtest.h>

#include <map>

using namespace veg;

namespace {

QStringList texts(const std::vector<ImageWrite>& writes)
{
    QStringList out;
    for (const ImageWrite& w : writes)
        out << w.text();
    return out;
}

// The parameter numbers in the order they are first sent.
QStringList paramOrder(const std::vector<ImageWrite>& writes)
{
    QStringList out;
    for (const ImageWrite& w : writes) {
        const QString p = w.text().left(4);
        if (out.isEmpty() || out.back() != p)
            out << p;
    }
    return out;
}

// Reads an image back from what was written, as a gateway that stored it would answer.
GatewayConfig decodeAll(ProtocolVariant protocol, const std::vector<ImageWrite>& writes,
                        ReferencedNets& nets, const CommonSettings& before = {})
{
    std::map<std::pair<std::uint16_t, int>, QByteArray> store;
    for (const ImageWrite& w : writes)
        store[{w.param, w.index}] = w.bytes;
    GatewayConfig c;
    c.CreateFor(protocol);
    c.Common = before;
    for (const auto& sections :
         {GatewayImage::generalSettings(protocol), GatewayImage::tables(protocol)})
        for (const ImageSection& s : sections)
            for (const ImageParam& p : s.params(c))
                for (int e = 0; e < p.elements(); ++e)
                    p.decode(c, e, store.at({p.number, p.isPlain() ? -1 : e}), nets);
    return c;
}

} // namespace

TEST(GatewayImage, GeneralSettingsAsTheyAreSent)
{
    struct Case
    {
        ProtocolVariant protocol;
        QStringList lines;
    } cases[] = {
        {ProtocolVariant::Modbus,
         {"0100 02", "0103 00 FA", "0104 C0", "0105 07 00", "0106 09", "0107 32", "010A 2A",
          "0108 34 12", "010B 01", "010C 00", "0001 12", "0005 E0 4B"}},
        {ProtocolVariant::Hart,
         {"0100 05", "0103 00 FA", "0104 C0", "0105 07 00", "0106 09", "0107 32", "010A 2A",
          "010B 01", "010C 00", "0001 12", "0005 E0 4B"}},
        {ProtocolVariant::Magistral1,
         {"0100 01", "0103 00 FA", "0104 C0", "0105 07 00", "0106 09", "0107 32", "010A 2A",
          "0001 12", "0005 E0 4B"}},
        {ProtocolVariant::UnkTm,
         {"0100 03", "0103 00 FA", "0104 C0", "0105 07 00", "0106 09", "0107 32", "010A 2A",
          "0001 12", "0005 E0 4B"}},
        {ProtocolVariant::KtsEnergia, {}},
    };
    for (const Case& c : cases) {
        const GatewayConfig config = sample::config(c.protocol);
        EXPECT_EQ(
            texts(GatewayImage::encodeSections(config, GatewayImage::generalSettings(c.protocol))),
            c.lines)
            << protocolName(c.protocol).toStdString();
    }
}

TEST(GatewayImage, ParametersInTheOrderOfTheMap)
{
    struct Case
    {
        ProtocolVariant protocol;
        int writes;
        QStringList tableParams;
    } cases[] = {
        {ProtocolVariant::Modbus,
         12 + 1 + 64 + 64 + 4 + 128 + 128 + 16 * 10,
         {"0101", "0301", "0300", "030B", "0303", "0302", "0305", "030C", "0307", "0306", "030D",
          "0308", "030E", "030F", "0310", "0304"}},
        {ProtocolVariant::Hart,
         11 + 1 + 3 + 1 + 16 * 10,
         {"0101", "0800", "0801", "0802", "0803", "0804", "0805", "0806", "0807", "0808", "0809",
          "080B", "080C", "080D", "080A"}},
        {ProtocolVariant::KtsEnergia,
         16 * 4 + 16 * 3 + 4 * 2,
         {"0200", "0201", "0202", "0203", "0204", "0205", "0206", "0207", "0208"}},
    };
    for (const Case& c : cases) {
        const GatewayConfig config = sample::config(c.protocol);
        EXPECT_EQ(int(GatewayImage::encode(config).size()), c.writes);
        EXPECT_EQ(
            paramOrder(GatewayImage::encodeSections(config, GatewayImage::tables(c.protocol))),
            c.tableParams)
            << protocolName(c.protocol).toStdString();
    }

    // УНК ТМ: the common part, then each thread's page; 0x050B is not written, the password
    // sits at 0x050C.
    const GatewayConfig unk = sample::config(ProtocolVariant::UnkTm);
    const QStringList order =
        paramOrder(GatewayImage::encodeSections(unk, GatewayImage::tables(ProtocolVariant::UnkTm)));
    QStringList expected = {"0101", "0400", "0401"};
    for (const char* page : {"05", "06", "07"}) {
        for (const char* offset :
             {"00", "0C", "01", "02", "03", "19", "04", "05", "06", "07", "08", "09", "0A",
              "0D", "0E", "0F", "10", "11", "12", "13", "14", "15", "16", "17", "18"})
            expected << QString::fromLatin1(page) + QString::fromLatin1(offset);
    }
    EXPECT_EQ(order, expected);
    EXPECT_EQ(int(GatewayImage::encode(unk).size()), 9 + 1 + 1 + 16 + 3 * (16 + 16 + 4 + 19));
}

TEST(GatewayImage, EdgeCasesOfTheMap)
{
    // A Магистраль-1 configuration without sub-blocks sends the intelligent point, the point's
    // address, the sub-block types and the group slots: 48 + 14 + 4 elements after the two
    // addresses.
    GatewayConfig m1 = sample::config(ProtocolVariant::Magistral1);
    std::fill(m1.OkpSubblockTypes.begin(), m1.OkpSubblockTypes.end(), SubblockNone);
    const auto none = GatewayImage::encodeSections(m1, GatewayImage::tables(m1.Protocol));
    EXPECT_EQ(none.size(), 2u + 48 + 14 + 4);
    EXPECT_EQ(none.front().text(), "0101 34");
    EXPECT_EQ(none[48].text(), "020B[3] 01 07 69 12"); // kind, number high, low, controller
    EXPECT_EQ(none[49].text(), "0102 56");

    // A ТС sub-block s sends 32 elements under 0x0210 + 4s ... 0x0213 + 4s, indexes 0-7 each.
    m1.OkpSubblockTypes[5] = SubblockTc;
    const auto one = GatewayImage::encodeSections(m1, GatewayImage::tables(m1.Protocol));
    ASSERT_EQ(one.size(), none.size() + 32);
    for (int op = 0; op < 4; ++op)
        for (int b = 0; b < 8; ++b) {
            const ImageWrite& w = one[none.size() + std::size_t(op * 8 + b)];
            EXPECT_EQ(w.param, 0x0210 + 4 * 5 + op);
            EXPECT_EQ(w.index, b);
            EXPECT_EQ(w.bytes,
                      ImageCodec::wireRef(m1.TcTuTable[std::size_t(tcTuRow(5, op * 8 + b))]));
        }

    // A ТУ sub-block: its six references, then after all of them its six pulse times.
    m1.OkpSubblockTypes[5] = SubblockTu;
    m1.TcTuTable[std::size_t(tcTuRow(5, 2))].Extra = 0x1FF; // only the low byte travels
    const QStringList tu =
        texts(GatewayImage::encodeSections(m1, GatewayImage::tables(m1.Protocol)));
    EXPECT_EQ(tu.size(), none.size() + 12);
    EXPECT_TRUE(tu[int(none.size())].startsWith("024D[0] "));
    EXPECT_EQ(tu[int(none.size()) + 8], "025B[2] FF");

    // 19200 baud travels as 0x80, 0xFD; 1.0 as 00 00 80 3F.
    GatewayConfig mb = sample::config(ProtocolVariant::Modbus);
    mb.Common.V_Ext = 6;
    EXPECT_EQ(GatewayImage::encode(mb)[1].text(), "0103 80 FD");
    GatewayConfig kts = sample::config(ProtocolVariant::KtsEnergia);
    kts.KtsGroups[0].BegScale = 1.0f;
    EXPECT_EQ(GatewayImage::encode(kts)[32].text(), "0202[0] 00 00 80 3F");

    // A HART configuration without devices in use counts none and still sends every element.
    GatewayConfig hart;
    hart.CreateFor(ProtocolVariant::Hart);
    hart.ResetCommon();
    const QStringList h = texts(GatewayImage::encode(hart));
    EXPECT_TRUE(h.contains("0803 00"));
    for (const char* p :
         {"0804", "0805", "0806", "0807", "0808", "0809", "080B", "080C", "080D", "080A"})
        EXPECT_EQ(h.filter(QString::fromLatin1(p) + "[").size(), 16) << p;
    EXPECT_TRUE(h.contains("0807[15] FF"));
    EXPECT_TRUE(h.contains("0808[0] FF FF"));

    // An empty reference row goes out as FF FF FF FF, an unused coil with its number 0xFFFF.
    GatewayConfig empty;
    empty.CreateFor(ProtocolVariant::Modbus);
    const QStringList e = texts(GatewayImage::encode(empty));
    EXPECT_TRUE(e.contains("0301[63] FF FF FF FF"));
    EXPECT_TRUE(e.contains("030B[0] FF FF FF FF"));
    EXPECT_TRUE(e.contains("0304[15] FF FF"));
}

TEST(GatewayImage, RefusesSettingsWithoutACode)
{
    struct Case
    {
        ProtocolVariant protocol;
        std::uint8_t vCan, vExt;
        const char* names; // empty: written
    } cases[] = {
        {ProtocolVariant::Modbus, 4, 6, ""},
        {ProtocolVariant::Modbus, 5, 6, "CAN-BUS"},
        {ProtocolVariant::Hart, 0, 7, "внешняя линия - ВЕГ"},
        {ProtocolVariant::Magistral1, 200, 200, "CAN-BUS"},
        // КТС Энергия sends no general settings: nothing to refuse.
        {ProtocolVariant::KtsEnergia, 9, 9, ""},
    };
    for (const Case& c : cases) {
        GatewayConfig config = sample::config(c.protocol);
        config.Common.V_CAN = c.vCan;
        config.Common.V_Ext = c.vExt;
        const QString refusal = GatewayImage::refusal(config);
        if (*c.names == 0) {
            EXPECT_TRUE(refusal.isEmpty()) << refusal.toStdString();
        } else {
            EXPECT_TRUE(refusal.contains(QString::fromUtf8(c.names))) << refusal.toStdString();
            EXPECT_TRUE(refusal.contains(QStringLiteral("«Общие настройки»")));
        }
    }
    GatewayConfig none;
    EXPECT_FALSE(GatewayImage::refusal(none).isEmpty());
}

TEST(GatewayImage, ReadsBackWhatItWrites)
{
    CommonSettings before; // the general settings the read starts from
    before.Const2 = 0x0777;
    before.TimeRes = 11;
    for (int p = 0; p < kProtocolCount; ++p) {
        const GatewayConfig written = sample::config(ProtocolVariant(p));
        ReferencedNets nets;
        const GatewayConfig read =
            decodeAll(written.Protocol, GatewayImage::encode(written), nets, before);
        EXPECT_EQ(sample::difference(read, sample::carried(written, before)), "") << p;
        EXPECT_FALSE(nets.nets.empty());
        EXPECT_EQ(nets.flags.size(), nets.nets.size());
    }
}

TEST(GatewayImage, ReadingNotesTheControllersRowsPointAt)
{
    // Modbus: a coil of type 0x12 names the controllers of TU1, TU0, READY1 and READY0, not
    // those of its feedback signs; 255 is never noted and a number met twice is noted once.
    GatewayConfig mb;
    mb.CreateFor(ProtocolVariant::Modbus);
    mb.ResetCommon();
    ModbusCoilEntry& coil = mb.ModbusCoilTable[0];
    coil.TypeTU = 0x12;
    coil.TU1.NetNumber = 0x0A;
    coil.TU0.NetNumber = 0x0B;
    coil.OC1.NetNumber = 0x0C;
    coil.OC0.NetNumber = 0x0D;
    coil.READY1.NetNumber = 0x0E;
    coil.READY0.NetNumber = 0x0A;
    mb.TiFloatTable[3].NetNumber = 0x01;
    mb.ModbusTcTable[0].Kind = 1; // a bit of a group parameter: no controller of its own
    mb.ModbusTcTable[0].NetNumber = 0x02;
    mb.ModbusTcTable[1].Kind = 0;
    mb.ModbusTcTable[1].NetNumber = 0x03;
    mb.GroupParams[2].ParamNumber = 0x0010;
    mb.GroupParams[2].NetNumber = 0x04;
    mb.GroupParams[3].NetNumber = 0x05; // an empty slot
    ReferencedNets nets;
    decodeAll(mb.Protocol, GatewayImage::encode(mb), nets);
    EXPECT_EQ(nets.nets, (std::vector<std::uint8_t>{0x01, 0x04, 0x03, 0x0A, 0x0B, 0x0E}));
    EXPECT_EQ(nets.flags, std::vector<bool>(6, false));

    // Magistral-1: every intelligent-point row, used group slots, ТС rows of kind 0, every ТУ row.
    GatewayConfig m1;
    m1.CreateFor(ProtocolVariant::Magistral1);
    m1.ResetCommon();
    m1.OkpSubblockTypes[0] = SubblockTc;
    m1.OkpSubblockTypes[1] = SubblockTu;
    m1.IkpTable[7].NetNumber = 0x21;
    m1.TcTuTable[std::size_t(tcTuRow(0, 3))].Kind = 0;
    m1.TcTuTable[std::size_t(tcTuRow(0, 3))].NetNumber = 0x22;
    m1.TcTuTable[std::size_t(tcTuRow(0, 4))].Kind = 1;
    m1.TcTuTable[std::size_t(tcTuRow(0, 4))].NetNumber = 0x23;
    m1.TcTuTable[std::size_t(tcTuRow(1, 5))].Kind = 1; // a ТУ row holds the value format
    m1.TcTuTable[std::size_t(tcTuRow(1, 5))].NetNumber = 0x24;
    ReferencedNets m1Nets;
    const GatewayConfig back = decodeAll(m1.Protocol, GatewayImage::encode(m1), m1Nets);
    EXPECT_EQ(m1Nets.nets, (std::vector<std::uint8_t>{0x21, 0x22, 0x24}));
    EXPECT_EQ(back.OkpSubblockTypes, m1.OkpSubblockTypes);

    // A group slot whose first byte is 0xFF reads back empty in Магистраль-1 whatever its
    // number bytes say; Modbus takes the number as it comes.
    GroupParamRef slot;
    ImageCodec::readGroupWireRef(QByteArray::fromHex("FF001207"), slot, true);
    EXPECT_EQ(slot.ParamNumber, 0xFFFF);
    EXPECT_EQ(slot.NetNumber, 0x07);
    ImageCodec::readGroupWireRef(QByteArray::fromHex("FF001207"), slot, false);
    EXPECT_EQ(slot.ParamNumber, 0x0012);
}

TEST(ImageCodec, CharacterFormatBothWays)
{
    struct Case
    {
        std::uint8_t rBit, rCon, tBit, tCon;
        std::uint8_t byte;
    } cases[] = {
        {0, 1, 1, 2, 0xC0}, // 11 bits odd in, 10 bits out
        {0, 0, 0, 0, 0xEE}, // even both ways
        {0, 2, 0, 1, 0xAC}, {1, 2, 1, 2, 0x00},
        {1, 0, 0, 2, 0x0A}, // 10 bits carry no parity: RCon is not sent
    };
    for (const Case& c : cases) {
        CommonSettings s;
        s.RBit = c.rBit;
        s.RCon = c.rCon;
        s.TBit = c.tBit;
        s.TCon = c.tCon;
        EXPECT_EQ(ImageCodec::characterFormat(s), c.byte) << int(c.byte);
        CommonSettings back;
        ImageCodec::readCharacterFormat(c.byte, back);
        EXPECT_EQ(back.RBit, c.rBit);
        EXPECT_EQ(back.TBit, c.tBit);
        EXPECT_EQ(back.RCon, c.rBit == 1 ? 2 : c.rCon) << int(c.byte);
        EXPECT_EQ(back.TCon, c.tBit == 1 ? 2 : c.tCon) << int(c.byte);
    }
}

TEST(ImageCodec, SpeedTablesAndTheirGaps)
{
    for (std::uint8_t i = 0; i < kLineSpeedCount; ++i)
        EXPECT_EQ(ImageCodec::lineSpeedOf(*ImageCodec::lineTimer(i)), i);
    for (std::uint8_t i = 0; i < kCanSpeedCount; ++i)
        EXPECT_EQ(ImageCodec::canSpeedOf(*ImageCodec::canCode(i)), i);
    EXPECT_FALSE(ImageCodec::lineTimer(7));
    EXPECT_FALSE(ImageCodec::canCode(5));
    EXPECT_FALSE(ImageCodec::lineSpeedOf(0xFE80)); // not 0xFD80
    EXPECT_FALSE(ImageCodec::canSpeedOf(0x42));

    // A value in neither table leaves the setting as it was.
    GatewayConfig c;
    c.CreateFor(ProtocolVariant::Modbus);
    c.Common.V_Ext = 2;
    c.Common.V_CAN = 1;
    ReferencedNets nets;
    for (const ImageSection& s : GatewayImage::generalSettings(ProtocolVariant::Modbus))
        for (const ImageParam& p : s.params(c)) {
            if (p.number == 0x0103)
                p.decode(c, 0, QByteArray::fromHex("1234"), nets);
            if (p.number == 0x0005)
                p.decode(c, 0, QByteArray::fromHex("E042"), nets);
        }
    EXPECT_EQ(c.Common.V_Ext, 2);
    EXPECT_EQ(c.Common.V_CAN, 1);
}

TEST(GatewayImage, ElementLengthsOfTheMap)
{
    using P = ProtocolVariant;
    EXPECT_EQ(GatewayImage::elementLength(P::Magistral1, 0x0200), 4);
    EXPECT_EQ(GatewayImage::elementLength(P::KtsEnergia, 0x0200), 2);
    EXPECT_EQ(GatewayImage::elementLength(P::Magistral1, 0x0247), 4); // ТС of sub-block 13
    EXPECT_EQ(GatewayImage::elementLength(P::Magistral1, 0x0263), 1); // ТУ times of sub-block 13
    EXPECT_EQ(GatewayImage::elementLength(P::Modbus, 0x0005), 2);
    EXPECT_EQ(GatewayImage::elementLength(P::UnkTm, 0x0718), 2);
    EXPECT_FALSE(GatewayImage::elementLength(P::UnkTm, 0x050B));
    EXPECT_FALSE(GatewayImage::elementLength(P::KtsEnergia, 0x0100));
}
