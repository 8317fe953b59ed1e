// Every parameter operation on every route, against the simulator in the same process.

#include "core/link/KalO.h"
#include "sim/GatewaySimulator.h"
#include "sim/ManualClock.h"
#include "sim/SimulatorPort.h"

#include <gtest/gtest.h>

using namespace veg;
using namespace veg::sim;

namespace {

struct Route
{
    const char* name;
    SimOptions::Line line;
    int checksumKind;
    bool transit;
    int adapterVariant;
};

const Route kRoutes[] = {
    {"direct_sum", SimOptions::Line::Serial, 0, false, 0},
    {"direct_crc_in_data", SimOptions::Line::Serial, 1, false, 0},
    {"direct_crc", SimOptions::Line::Serial, 2, false, 0},
    {"transit_sum", SimOptions::Line::Serial, 0, true, 0},
    {"transit_crc_in_data", SimOptions::Line::Serial, 1, true, 0},
    {"transit_crc", SimOptions::Line::Serial, 2, true, 0},
    {"can_adapter", SimOptions::Line::CanAdapter, 0, false, 0},
    {"can_adapter_M", SimOptions::Line::CanAdapter, 0, false, 1},
};

class OperationsTest : public ::testing::TestWithParam<Route>
{
protected:
    ManualClock clock;
    LinkShared shared;
    QStringList log;
    std::unique_ptr<GatewaySimulator> sim;
    SimulatorPort* port = nullptr;
    std::unique_ptr<KalO> link;
    LinkTarget target;

    void start(SimOptions o = {})
    {
        const Route& r = GetParam();
        o.line = r.line;
        o.checksumKind = r.checksumKind;
        o.adapterVariant = r.adapterVariant;
        sim = std::make_unique<GatewaySimulator>(o);
        auto p = std::make_unique<SimulatorPort>(*sim, clock);
        port = p.get();
        LinkContext c;
        c.clock = &clock;
        c.shared = &shared;
        c.log = [this](const QString& line) { log << line; };
        const bool can = r.line == SimOptions::Line::CanAdapter;
        link = std::make_unique<KalO>(std::move(p), c, QStringLiteral("COM1"),
                                      can ? KalO::kCanBus : KalO::kRs232, can ? 10 : 10);
        link->SetRetries(3);
        if (can) {
            link->LoadAdapterConfig(KalO::Settings{}, KalO::canSpeedPosition(0));
            ASSERT_TRUE(link->InitAdapter());
        }
        target = LinkTarget{};
        target.Route = r.transit ? LinkTarget::kTransit : LinkTarget::kDirect;
        target.LineKind = can ? KalO::kCanBus : KalO::kRs232;
        target.RequestKind = can ? LinkTarget::kCanRequest : LinkTarget::kSerialRequest;
        target.Address = r.transit ? o.masterNumber : o.gatewayNumber;
        target.Destination = o.gatewayNumber;
        target.ChecksumKind = r.checksumKind;
    }

    LinkStatus access(int level, const QString& code = {})
    {
        return GetParam().transit ? link->SetAccessLevelTransit(level, code, target)
                                  : link->SetAccessLevel(level, code, target);
    }

    QByteArray dataOf(const LinkAnswer& a, int n)
    {
        return QByteArray(reinterpret_cast<const char*>(a.bytes.data()) + 6, n);
    }
};

} // namespace

TEST_P(OperationsTest, ReadsTheDeviceType)
{
    start();
    LinkAnswer a;
    ASSERT_EQ(link->ReadParam(0xF000, 2, target, a), Status::Ok);
    EXPECT_EQ(dataOf(a, 2), QByteArray::fromHex("4206"));
}

TEST_P(OperationsTest, WritesAndReadsBackAPlainParameter)
{
    start();
    ASSERT_EQ(access(2), Status::Ok);
    EXPECT_EQ(sim->device().accessLevel(), 2);
    ASSERT_EQ(link->WriteParam(0x0103, QByteArray::fromHex("00FD"), target), Status::Ok);
    ASSERT_EQ(link->WriteParam(0x0100, QByteArray::fromHex("02"), target), Status::Ok);
    LinkAnswer a;
    ASSERT_EQ(link->ReadParam(0x0103, 2, target, a), Status::Ok);
    EXPECT_EQ(dataOf(a, 2), QByteArray::fromHex("00FD"));
    ASSERT_EQ(link->ReadParam(0x0100, 1, target, a), Status::Ok);
    EXPECT_EQ(dataOf(a, 1), QByteArray::fromHex("02"));
    EXPECT_EQ(sim->device().store().at({0x0103, GatewayDevice::kPlain}),
              QByteArray::fromHex("00FD"));
}

TEST_P(OperationsTest, WritesASeriesOfElementsAndReadsThemBack)
{
    start();
    const QByteArray elements[] = {QByteArray::fromHex("01002025"), QByteArray::fromHex("FFFFFFFF"),
                                   QByteArray::fromHex("02013A10")};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(link->WriteParamAt(0x0210, std::uint16_t(i), elements[i], i == 0, target),
                  Status::Ok)
            << i;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sim->device().store().at({0x0210, i}), elements[i]);
        LinkAnswer a;
        int got = 0;
        ASSERT_EQ(link->ReadParamAt(0x0210, std::uint16_t(i), 4, 4, target, a, got), Status::Ok);
        EXPECT_EQ(got, 1);
        EXPECT_EQ(dataOf(a, 4), elements[i]);
    }
}

TEST_P(OperationsTest, StopsAndRestartsTheGateway)
{
    SimOptions o;
    o.stopPolls = 4;
    start(o);
    ASSERT_EQ(link->WriteParam(0xF01A, QByteArray(1, '\1'), target), Status::Ok);
    LinkAnswer a;
    int polls = 0;
    do {
        ASSERT_EQ(link->ReadParam(0xF01A, 1, target, a), Status::Ok);
        ++polls;
    } while (a.data(0) != 0x81 && polls < 20);
    EXPECT_EQ(polls, 5);
    ASSERT_EQ(link->WriteParam(0xF01A, QByteArray(1, '\0'), target), Status::Ok);
    ASSERT_EQ(link->ReadParam(0xF01A, 1, target, a), Status::Ok);
    EXPECT_EQ(a.data(0), 0);
}

TEST_P(OperationsTest, AccessCode)
{
    SimOptions o;
    o.accessCode = QStringLiteral("1234ABCD");
    start(o);
    EXPECT_EQ(access(2), Status::AccessDenied);
    EXPECT_EQ(access(2, QStringLiteral("1234ABCE")), Status::AccessDenied);
    EXPECT_EQ(access(2, QStringLiteral("1234abcd")), Status::Ok);
    EXPECT_EQ(sim->device().accessLevel(), 2);
    EXPECT_EQ(access(1), Status::Ok);
}

TEST_P(OperationsTest, SucceedsThroughInjectedFaultsWithinTheRetries)
{
    SimOptions o;
    o.faults.seed = 7;
    o.faults.drop = 0.15;
    o.faults.corrupt = 0.2;
    o.faults.garbage = 0.3;
    o.faults.delay = 0.3;
    o.faults.delayMs = 500;
    start(o);
    link->SetRetries(6);
    for (int i = 0; i < 40; ++i) {
        const QByteArray value = QByteArray::fromHex(QByteArray::number(0x1000 + i, 16));
        ASSERT_EQ(link->WriteParam(std::uint16_t(0x0300 + i), value, target), Status::Ok) << i;
        LinkAnswer a;
        ASSERT_EQ(link->ReadParam(std::uint16_t(0x0300 + i), 2, target, a), Status::Ok) << i;
        EXPECT_EQ(dataOf(a, 2), value) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Routes, OperationsTest, ::testing::ValuesIn(kRoutes),
                         [](const auto& info) { return std::string(info.param.name); });
