// The real QSerialPort adapter and the real clock against vegsim on a pseudo-terminal. The
// answers come at once, so no test waits for an answer time-out: only the link's fixed pauses
// and its 10 ms flush reads.

#include "SimProcess.h"

#include "core/link/KalO.h"
#include "core/port/QtSerialPort.h"
#include "core/port/SystemClock.h"

#include <QFile>
#include <QJsonArray>

#include <gtest/gtest.h>

using namespace veg;

namespace {

struct Route
{
    const char* name;
    QStringList simOptions;
    bool can;
    bool transit;
    int checksumKind;
};

class EndToEndTest : public ::testing::TestWithParam<Route>
{
protected:
    SystemClock clock;
    LinkShared shared;
    QStringList log;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<KalO> link;
    LinkTarget target;

    void start(QStringList extra = {})
    {
        const Route& r = GetParam();
        sim = std::make_unique<SimProcess>(r.simOptions + extra);
        ASSERT_FALSE(sim->path().isEmpty());
        LinkContext c;
        c.clock = &clock;
        c.shared = &shared;
        c.log = [this](const QString& line) { log << line; };
        shared.TraceLevel = 3;
        link = std::make_unique<KalO>(std::make_unique<QtSerialPort>(), c, sim->path(),
                                      r.can ? KalO::kCanBus : KalO::kRs232, 10);
        ASSERT_TRUE(link->PortOpen()) << sim->path().toStdString();
        link->SetRetries(3);
        if (r.can) {
            link->LoadAdapterConfig(KalO::Settings{}, KalO::canSpeedPosition(0));
            ASSERT_TRUE(link->InitAdapter());
            EXPECT_EQ(link->AdapterVariant(), 1);
        }
        target.Route = r.transit ? LinkTarget::kTransit : LinkTarget::kDirect;
        target.LineKind = r.can ? KalO::kCanBus : KalO::kRs232;
        target.RequestKind = r.can ? LinkTarget::kCanRequest : LinkTarget::kSerialRequest;
        target.Address = r.transit ? 0x01 : 0x25;
        target.Destination = 0x25;
        target.ChecksumKind = r.checksumKind;
    }

    QJsonObject stop()
    {
        link.reset();
        return sim->stop();
    }

    static QString imageValue(const QJsonObject& image, const QString& param, int index = -1)
    {
        for (const auto& v : image.value(QStringLiteral("params")).toArray()) {
            const QJsonObject p = v.toObject();
            if (p.value(QStringLiteral("param")).toString() == param &&
                p.value(QStringLiteral("index")).toInt(-1) == index)
                return p.value(QStringLiteral("data")).toString();
        }
        return {};
    }
};

// The CAN-BUS adapter is the variant "M", which needs no carrier: a pseudo-terminal has no
// modem lines to show one.
const Route kRoutes[] = {
    {"direct", {"--crc", "1"}, false, false, 1},
    {"transit", {"--crc", "2"}, false, true, 2},
    {"can_adapter", {"--link", "can", "--adapter-variant", "1"}, true, false, 0},
};

} // namespace

TEST_P(EndToEndTest, EveryOperationReachesTheGateway)
{
    start();
    LinkAnswer a;
    ASSERT_EQ(link->ReadParam(0xF000, 2, target, a), Status::Ok);
    EXPECT_EQ(a.data(0), 0x42);
    EXPECT_EQ(a.data(1), 0x06);
    const LinkStatus access = GetParam().transit ? link->SetAccessLevelTransit(2, {}, target)
                                                 : link->SetAccessLevel(2, {}, target);
    ASSERT_EQ(access, Status::Ok);
    ASSERT_EQ(link->WriteParam(0x0103, QByteArray::fromHex("00FD"), target), Status::Ok);
    ASSERT_EQ(link->WriteParamAt(0x0200, 0, QByteArray::fromHex("01002025"), true, target),
              Status::Ok);
    ASSERT_EQ(link->WriteParamAt(0x0200, 1, QByteArray::fromHex("FFFFFFFF"), false, target),
              Status::Ok);
    int got = 0;
    ASSERT_EQ(link->ReadParamAt(0x0200, 1, 4, 4, target, a, got), Status::Ok);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(a.bytes.data()) + 6, 4),
              QByteArray::fromHex("FFFFFFFF"));

    const QJsonObject image = stop();
    EXPECT_EQ(image.value(QStringLiteral("accessLevel")).toInt(), 2);
    EXPECT_EQ(imageValue(image, QStringLiteral("0103")), QStringLiteral("00 FD"));
    EXPECT_EQ(imageValue(image, QStringLiteral("0200"), 0), QStringLiteral("01 00 20 25"));
    EXPECT_EQ(imageValue(image, QStringLiteral("0200"), 1), QStringLiteral("FF FF FF FF"));
}

TEST_P(EndToEndTest, FaultsAreOvercomeByTheRetries)
{
    // Faults that the link sees at once (no silent answers): corrupted checksums or foreign
    // adapter frames, garbage before the frames, short delays.
    start({"--seed", "11", "--corrupt", "0.25", "--garbage", "0.3", "--delay", "0.3", "--delay-ms",
           "15"});
    link->SetRetries(6);
    for (int i = 0; i < 12; ++i) {
        const QByteArray value(1, char(i));
        ASSERT_EQ(link->WriteParam(std::uint16_t(0x0400 + i), value, target), Status::Ok) << i;
        LinkAnswer a;
        ASSERT_EQ(link->ReadParam(std::uint16_t(0x0400 + i), 1, target, a), Status::Ok) << i;
        EXPECT_EQ(a.data(0), std::uint8_t(i));
    }
    const QJsonObject image = stop();
    EXPECT_EQ(imageValue(image, QStringLiteral("040B")), QStringLiteral("0B"));
    if (!GetParam().can) {
        // the faults did happen: the link logged failed answers
        EXPECT_FALSE(log.filter(QStringLiteral("ошибки обмена ")).isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Routes, EndToEndTest, ::testing::ValuesIn(kRoutes),
                         [](const auto& info) { return std::string(info.param.name); });
