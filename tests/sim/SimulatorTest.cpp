#include "core/link/LinkFrames.h"
#include "sim/GatewayDevice.h"
#include "sim/GatewaySimulator.h"

#include <QJsonArray>

#include <gtest/gtest.h>

using namespace veg;
using namespace veg::sim;

namespace {

QByteArray frame(const char* request, std::uint8_t address = 0x25, int ck = 0)
{
    return LinkFrames::serialFrame(QByteArray::fromHex(request), 0x40, address, ck).whole();
}

QByteArray served(GatewaySimulator& sim)
{
    QByteArray out;
    for (const auto& o : sim.takeOutput())
        out += o.bytes;
    return out;
}

} // namespace

TEST(GatewayDevice, TypeCodeByVariant)
{
    struct Case
    {
        int variant;
        std::uint16_t code;
    } cases[] = {{0, 0x0641}, {1, 0x0642}, {2, 0x0643}, {3, 0x0645}, {4, 0x0646}, {255, 0x0640}};
    for (const auto& c : cases) {
        SimOptions o;
        o.variant = c.variant;
        GatewayDevice d(o);
        const QByteArray v = d.read(0xF000);
        EXPECT_EQ(std::uint16_t(std::uint8_t(v[0]) | std::uint8_t(v[1]) << 8), c.code);
    }
}

TEST(GatewayDevice, RunStateStopsAfterItsPolls)
{
    SimOptions o;
    o.stopPolls = 2;
    GatewayDevice d(o);
    EXPECT_EQ(d.read(0xF01A), QByteArray(1, '\0'));
    d.write(0xF01A, QByteArray(1, '\1'));
    EXPECT_NE(d.read(0xF01A), QByteArray(1, '\x81'));
    EXPECT_NE(d.read(0xF01A), QByteArray(1, '\x81'));
    EXPECT_EQ(d.read(0xF01A), QByteArray(1, '\x81'));
    // A stop request to a stopped gateway changes nothing; 0 restarts it.
    d.write(0xF01A, QByteArray(1, '\1'));
    EXPECT_EQ(d.read(0xF01A), QByteArray(1, '\x81'));
    d.write(0xF01A, QByteArray(1, '\0'));
    EXPECT_EQ(d.read(0xF01A), QByteArray(1, '\0'));
}

TEST(GatewayDevice, ImageHoldsEveryWrite)
{
    GatewayDevice d{SimOptions{}};
    d.write(0x0100, QByteArray::fromHex("02"));
    d.select(0x0200);
    d.writeSelected(5, QByteArray::fromHex("FFFF"));
    d.writeAt(0x0200, 0, QByteArray::fromHex("0102"));
    const QJsonObject j = d.toJson();
    const QJsonArray params = j.value(QStringLiteral("params")).toArray();
    ASSERT_EQ(params.size(), 3);
    EXPECT_EQ(params[0].toObject().value(QStringLiteral("param")).toString(),
              QStringLiteral("0100"));
    EXPECT_FALSE(params[0].toObject().contains(QStringLiteral("index")));
    EXPECT_EQ(params[1].toObject().value(QStringLiteral("index")).toInt(), 0);
    EXPECT_EQ(params[2].toObject().value(QStringLiteral("index")).toInt(), 5);
    EXPECT_EQ(params[2].toObject().value(QStringLiteral("data")).toString(),
              QStringLiteral("FF FF"));
    EXPECT_EQ(j.value(QStringLiteral("typeCode")).toString(), QStringLiteral("0642"));
}

TEST(GatewayDevice, AKeptParameterAcknowledgesWritesAndHoldsWhatItHeld)
{
    SimOptions o;
    o.keptParams = {0x0100, 0x0806};
    GatewayDevice d(o);
    const QByteArray unwritten = d.readAt(0x0806, 2);
    const QByteArray plain = d.read(0x0100);
    EXPECT_TRUE(d.write(0x0100, QByteArray::fromHex("05")));
    d.writeAt(0x0806, 2, QByteArray::fromHex("7F"));
    d.select(0x0806);
    d.writeSelected(3, QByteArray::fromHex("7F"));
    d.writeAt(0x0805, 2, QByteArray::fromHex("7F"));
    EXPECT_EQ(d.read(0x0100), plain);
    EXPECT_EQ(d.readAt(0x0806, 2), unwritten);
    EXPECT_EQ(d.readAt(0x0806, 3), unwritten);
    EXPECT_EQ(d.readAt(0x0805, 2), QByteArray::fromHex("7F"));
    EXPECT_EQ(d.store().size(), 1u);
    // The requests were served all the same.
    EXPECT_EQ(d.journal().filter("write").size(), 4);
}

TEST(GatewayDevice, AnImageReadsBackAsTheStoreItWasWrittenFrom)
{
    SimOptions o;
    o.variant = 3;
    o.gatewayNumber = 0x3C;
    o.stopPolls = 1;
    GatewayDevice d(o);
    d.setAccess(2, {});
    d.write(0x0100, QByteArray::fromHex("05"));
    d.write(0x0200, QByteArray());
    d.writeAt(0x0806, 2, QByteArray::fromHex("7F"));
    d.writeAt(0x0806, 0, QByteArray::fromHex("0102A0FF"));
    d.write(0xF01A, QByteArray(1, '\1')); // stopping: one poll before it reports stopped

    QString error;
    const auto image = GatewayDevice::fromJson(d.toJson(), &error);
    ASSERT_TRUE(image) << error.toStdString();
    EXPECT_EQ(image->gatewayNumber, 0x3C);
    EXPECT_EQ(image->variant, 3);
    EXPECT_EQ(image->accessLevel, 2);
    EXPECT_EQ(image->store, d.store());

    SimOptions again = o;
    again.stopPolls = 1;
    GatewayDevice restarted(again);
    restarted.restore(*image);
    EXPECT_EQ(restarted.store(), d.store());
    EXPECT_EQ(restarted.accessLevel(), 2);
    EXPECT_EQ(restarted.toJson(), d.toJson());
    EXPECT_NE(restarted.read(0xF01A), QByteArray(1, '\x81'));
    EXPECT_EQ(restarted.read(0xF01A), QByteArray(1, '\x81'));
}

TEST(GatewayDevice, AnImageThatDoesNotReadIsRefusedWithItsReason)
{
    const QJsonObject good = GatewayDevice(SimOptions{}).toJson();
    auto with = [&](const char* key, const QJsonValue& v) {
        QJsonObject j = good;
        j[QLatin1String(key)] = v;
        return j;
    };
    auto param = [](QJsonObject p) { return QJsonArray{p}; };
    const struct Case
    {
        QJsonObject json;
        const char* reason;
    } cases[] = {
        {QJsonObject{}, "\"gateway\""},
        {with("gateway", "1FF"), "\"gateway\""},
        {with("typeCode", "0601"), "\"typeCode\" 0601"},
        {with("runState", 300), "\"runState\""},
        {with("accessLevel", 1.5), "\"accessLevel\""},
        {with("params", "none"), "\"params\""},
        {with("params", param({{"param", "XYZ"}, {"data", ""}})), "params[0]: \"param\""},
        {with("params", param({{"param", "0100"}, {"index", -1}, {"data", ""}})),
         "params[0]: \"index\""},
        {with("params", param({{"param", "0100"}, {"data", "0G"}})), "params[0]: \"data\""},
        {with("params", param({{"param", "0100"}, {"data", "123"}})), "params[0]: \"data\""},
        {with("params", QJsonArray{QJsonObject{{"param", "0100"}, {"data", "01"}},
                                   QJsonObject{{"param", "100"}, {"data", "02"}}}),
         "params[1]: the element is there twice"},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_FALSE(GatewayDevice::fromJson(c.json, &error)) << c.reason;
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.reason))) << error.toStdString();
    }
    QString error;
    EXPECT_TRUE(GatewayDevice::fromJson(good, &error)) << error.toStdString();
}

TEST(GatewaySimulator, FindsFramesInAStreamOfPieces)
{
    GatewaySimulator sim{SimOptions{}};
    const QByteArray request = frame("0100F0");
    // noise, then the frame in three pieces, then a frame for somebody else, then a broken one
    sim.receive(QByteArray::fromHex("FF 00 16"), 0);
    sim.receive(request.left(1), 0);
    sim.receive(request.mid(1, 5), 0);
    EXPECT_TRUE(served(sim).isEmpty());
    sim.receive(request.mid(6), 0);
    EXPECT_EQ(served(sim),
              LinkFrames::serialFrame(QByteArray::fromHex("4206"), 0, 0x25, 0).whole());
    sim.receive(frame("0100F0", 0x30), 0);
    QByteArray broken = request;
    broken[broken.size() - 2] = char(broken[broken.size() - 2] + 1);
    sim.receive(broken, 0);
    EXPECT_TRUE(served(sim).isEmpty());
    // and it still answers afterwards
    sim.receive(request, 0);
    EXPECT_FALSE(served(sim).isEmpty());
}

TEST(GatewaySimulator, MasterModulePassesTransitRequestsOn)
{
    GatewaySimulator sim{SimOptions{}};
    sim.receive(frame("140525031AF001", 0x01), 0);
    EXPECT_EQ(served(sim), QByteArray::fromHex("A2"));
    EXPECT_EQ(sim.device().store().at({0xF01A, GatewayDevice::kPlain}), QByteArray(1, '\1'));
    // a gateway number nobody has behind the master module
    sim.receive(frame("112600F0", 0x01), 0);
    EXPECT_EQ(served(sim), QByteArray::fromHex("E5"));
    SimOptions alone;
    alone.masterModule = false;
    GatewaySimulator noMaster(alone);
    noMaster.receive(frame("112500F0", 0x01), 0);
    EXPECT_TRUE(served(noMaster).isEmpty());
}

TEST(GatewaySimulator, AdapterWantsItsBlockFirstAndAgainAfterAReset)
{
    SimOptions o;
    o.line = SimOptions::Line::CanAdapter;
    o.adapterVariant = 0;
    GatewaySimulator sim(o);
    QByteArray block(36, '\0');
    block[24] = char(0xFF);
    block[28] = char(0xFF);
    block[32] = 0x02;
    block[33] = char(0xE0);
    block[34] = 0x41;
    block[35] = char(0x100 - LinkFrames::sum8(block));
    QByteArray request = QByteArray::fromHex("25 80 00 00 04 00 02 00 F0 00 00 00 00");
    sim.receive(request, 0); // not a block: ignored until 36 bytes came, then dropped
    sim.lineIdle();
    EXPECT_FALSE(sim.adapterConfigured());
    sim.receive(block, 0);
    EXPECT_EQ(served(sim), QByteArray("0\r\n"));
    sim.receive(request, 0);
    EXPECT_EQ(served(sim), QByteArray::fromHex("00 80 00 00 03 25 42 06 00 00 00 00 00"));
    // A link that reopens the port sends the block again without a reset pulse.
    sim.receive(block, 0);
    EXPECT_EQ(served(sim), QByteArray("0\r\n"));
    sim.receive(request, 0);
    EXPECT_EQ(served(sim).size(), 13);
}

TEST(GatewaySimulator, FaultsFollowTheSeed)
{
    auto run = [](std::uint32_t seed) {
        SimOptions o;
        o.faults.seed = seed;
        o.faults.drop = 0.3;
        o.faults.corrupt = 0.3;
        o.faults.garbage = 0.3;
        GatewaySimulator sim(o);
        QByteArray all;
        for (int i = 0; i < 30; ++i) {
            sim.receive(frame("0100F0"), 0);
            all += served(sim) + "|";
        }
        return all;
    };
    EXPECT_EQ(run(5), run(5));
    EXPECT_NE(run(5), run(6));
    const QByteArray good =
        LinkFrames::serialFrame(QByteArray::fromHex("4206"), 0, 0x25, 0).whole();
    const QList<QByteArray> answers = run(5).split('|');
    EXPECT_LT(answers.count(good), 29);
    EXPECT_GT(answers.count(good), 0);
}

TEST(GatewaySimulator, PacingHoldsTheAnswerForTheWireTime)
{
    SimOptions o;
    o.paceBaud = 9600;
    GatewaySimulator sim(o);
    sim.receive(frame("0100F0"), 1000);
    const auto out = sim.takeOutput();
    ASSERT_EQ(out.size(), 1u);
    // 9 bytes in, 9 bytes out, 10 bits each
    EXPECT_EQ(out[0].dueUs, 1000 + 18 * 10 * 1000000 / 9600);
}
