// Writing a configuration into the gateway and reading it back, against the simulator in the same
// process and in virtual time, by every route.

#include "RecordingView.h"
#include "SampleConfigs.h"
#include "SimGateway.h"

#include "core/config/ConfigDiff.h"
#include "core/exchange/GatewayReader.h"
#include "core/exchange/GatewayVerifier.h"
#include "core/exchange/GatewayWriter.h"

#include <gtest/gtest.h>

using namespace veg;
using namespace veg::sim;

namespace {

struct Case
{
    ProtocolVariant protocol;
    Route route;
};

std::string caseName(const ::testing::TestParamInfo<Case>& info)
{
    const char* names[] = {"Magistral1", "Modbus", "UnkTm", "Hart", "KtsEnergia"};
    return std::string(names[int(info.param.protocol)]) + "_" + routeName(info.param.route);
}

std::vector<Case> everyCase()
{
    std::vector<Case> out;
    for (int p = 0; p < kProtocolCount; ++p)
        for (Route r : {Route::Direct, Route::Transit, Route::Can})
            out.push_back({ProtocolVariant(p), r});
    return out;
}

SimOptions gatewayOf(ProtocolVariant protocol)
{
    SimOptions o;
    o.variant = int(protocol);
    return o;
}

} // namespace

class RoundTripTest : public ::testing::TestWithParam<Case>
{
};

TEST_P(RoundTripTest, WhatIsWrittenReadsBack)
{
    const Case& c = GetParam();
    SimGateway g(c.route, gatewayOf(c.protocol));
    ASSERT_TRUE(g.session->OpenLink());
    RecordingView view;

    const GatewayConfig written = sample::config(c.protocol);
    GatewayWriter writer(*g.session, view);
    ASSERT_TRUE(writer.write(written)) << g.session->ErrorText.toStdString();
    EXPECT_EQ(g.session->LastStatus, Status::Ok);
    EXPECT_EQ(view.captions, QStringList{"Идет запись"});
    EXPECT_EQ(view.progress.back(), 128); // the bar ends full, also after 160 coil elements

    // The gateway holds exactly the image, and runs again.
    const GatewayDevice& device = g.sim->device();
    for (const ImageWrite& w : GatewayImage::encode(written)) {
        const auto it = device.store().find({w.param, w.index});
        ASSERT_NE(it, device.store().end()) << w.text().toStdString();
        EXPECT_EQ(it->second, w.bytes) << w.text().toStdString();
    }
    EXPECT_EQ(device.runState(), GatewayImage::kRunning);
    const bool stops = written.catalogue().stopsForTables;
    EXPECT_EQ(device.journal().contains("write F01A 01"), stops);
    EXPECT_EQ(device.journal().contains("write F01A 00"), stops);

    // Read back from general settings that differ from those written.
    CommonSettings before;
    before.Const2 = 0x0102;
    before.Modem = true;
    before.V_CAN = 1;
    GatewayReader reader(*g.session, view);
    GatewayConfig read;
    ASSERT_TRUE(reader.read(before, read)) << g.session->ErrorText.toStdString();
    EXPECT_EQ(view.captions.back(), "Идет чтение");

    GatewayConfig expected = sample::carried(written, before);
    for (std::uint8_t net : reader.referencedNets().nets)
        expected.Controllers.push_back(ControllerEntry{nullptr, QString(), net, false});
    expected.IsReadBack = true;
    expected.Changed.ControllersChanged = true;
    for (ChangedFlag f : written.catalogue().tableFlags)
        expected.Changed.*f = true;
    EXPECT_EQ(sample::difference(read, expected), "");
    // The same without a gateway, and the same to the comparison of vegctl diff --gateway.
    const GatewayConfig image = GatewayReader::imageOf(written, before);
    EXPECT_EQ(sample::difference(image, expected), "");
    EXPECT_TRUE(compareConfigs(image, read).empty());
    EXPECT_FALSE(read.Controllers.empty());
    EXPECT_FALSE(read.Changed.CommonChanged); // a save as writes every section anyway
}

INSTANTIATE_TEST_SUITE_P(Protocols, RoundTripTest, ::testing::ValuesIn(everyCase()), caseName);

struct WriteTest : ::testing::Test
{
    RecordingView view;

    // The requests after the access level, as the gateway served them.
    static QStringList afterAccess(const GatewayDevice& device)
    {
        QStringList j = device.journal();
        while (!j.isEmpty() && !j.front().startsWith("access"))
            j.removeFirst();
        if (!j.isEmpty())
            j.removeFirst();
        return j;
    }
};

TEST_F(WriteTest, TheRoadOfEachProtocol)
{
    // КТС Энергия: after the access level only the run state is read, then its list; no general
    // settings, no stop, no restart.
    SimGateway kts(Route::Direct, gatewayOf(ProtocolVariant::KtsEnergia));
    ASSERT_TRUE(kts.session->OpenLink());
    ASSERT_TRUE(
        GatewayWriter(*kts.session, view).write(sample::config(ProtocolVariant::KtsEnergia)));
    const QStringList j = afterAccess(kts.sim->device());
    EXPECT_EQ(j.front(), "read F01A");
    EXPECT_TRUE(j[1].startsWith("select 0200") || j[1].startsWith("writeAt 0200[0]"));
    EXPECT_TRUE(j.filter(QRegularExpression("^write ")).isEmpty());

    // Only the direct RS-232 line reads the device type first.
    for (Route r : {Route::Direct, Route::Transit, Route::Can}) {
        SimGateway g(r, gatewayOf(ProtocolVariant::Hart));
        ASSERT_TRUE(g.session->OpenLink());
        ASSERT_TRUE(GatewayWriter(*g.session, view).write(sample::config(ProtocolVariant::Hart)));
        EXPECT_EQ(g.sim->device().journal().front() == "read F000", r == Route::Direct)
            << routeName(r);
    }
}

TEST_F(WriteTest, AnOldModbusGatewayIsRefusedBeforeAnythingIsWritten)
{
    SimOptions o = gatewayOf(ProtocolVariant::Modbus);
    o.version = 3;
    SimGateway g(Route::Direct, o);
    ASSERT_TRUE(g.session->OpenLink());
    EXPECT_FALSE(GatewayWriter(*g.session, view).write(sample::config(ProtocolVariant::Modbus)));
    EXPECT_EQ(g.session->LastStatus, Status::OldVersion);
    EXPECT_EQ(g.session->ErrorText, "  Старая версия ВЕГ-78 не поддерживается");
    EXPECT_EQ(g.sim->device().journal(), (QStringList{"read F000", "access 2", "read F002"}));
    EXPECT_TRUE(g.sim->device().store().empty());
}

TEST_F(WriteTest, AStoppedGatewayGetsNoStopRequestButIsRestarted)
{
    SimOptions o = gatewayOf(ProtocolVariant::UnkTm);
    o.startStopped = true;
    SimGateway g(Route::Transit, o);
    ASSERT_TRUE(g.session->OpenLink());
    ASSERT_TRUE(GatewayWriter(*g.session, view).write(sample::config(ProtocolVariant::UnkTm)));
    EXPECT_FALSE(g.sim->device().journal().contains("write F01A 01"));
    EXPECT_EQ(g.sim->device().journal().back(), "write F01A 00");
    EXPECT_EQ(g.sim->device().runState(), GatewayImage::kRunning);
}

TEST_F(WriteTest, StopPollLimits)
{
    struct Limit
    {
        std::uint16_t trepeat;
        int pollsNeeded; // polls the gateway answers "not yet" before it reports 0x81
        bool stops;
        int reads; // reads of the run state after the first
    } limits[] = {
        {0, 150, true, 151},  // the last of 151 polls still counts
        {0, 151, false, 151}, // one more is too many: 54, tables untouched
        {2, 171, false, 171}, // (2 + 15) × 10 + 1
        {10, 3, true, 4},
    };
    for (const Limit& l : limits) {
        SimOptions o = gatewayOf(ProtocolVariant::Hart);
        o.stopPolls = l.pollsNeeded;
        SimGateway g(Route::Direct, o);
        ASSERT_TRUE(g.session->OpenLink());
        GatewayConfig config = sample::config(ProtocolVariant::Hart);
        config.Common.trepeat = l.trepeat;
        const qint64 start = g.clock.nowMs();
        const bool ok = GatewayWriter(*g.session, view).write(config);
        EXPECT_EQ(ok, l.stops) << l.trepeat << " " << l.pollsNeeded;
        const QStringList j = afterAccess(g.sim->device());
        EXPECT_EQ(j.count("read F01A"), 1 + l.reads) << l.trepeat << " " << l.pollsNeeded;
        if (!l.stops) {
            EXPECT_EQ(g.session->LastStatus, Status::NotStopped);
            EXPECT_EQ(g.session->ErrorText, "  Контроллер не перешел в состояние \"СТОП\"");
            EXPECT_TRUE(j.filter("writeAt").isEmpty());
            // 100 ms between the polls that did not see the stop.
            EXPECT_GE(g.clock.nowMs() - start, qint64(l.reads) * 100);
        }
    }
}

TEST_F(WriteTest, TheCanAddressMayFailWhereTheCanSpeedDecides)
{
    struct Refused
    {
        QSet<std::uint16_t> params;
        bool ok;
        LinkStatus status;
    } cases[] = {
        {{0x0001}, true, Status::Ok},
        {{0x0001, 0x0005}, false, Status::NegativeReceipt},
        {{0x0104}, false, Status::NegativeReceipt}, // any other item ends the stage
    };
    for (const Refused& c : cases) {
        SimOptions o = gatewayOf(ProtocolVariant::Modbus);
        o.refusedWrites = c.params;
        SimGateway g(Route::Direct, o);
        ASSERT_TRUE(g.session->OpenLink());
        view.progress.clear();
        GatewayWriter writer(*g.session, view);
        EXPECT_EQ(writer.WriteSettings(sample::config(ProtocolVariant::Modbus)), c.ok);
        EXPECT_EQ(g.session->LastStatus, c.status);
        const QStringList j = g.sim->device().journal();
        EXPECT_EQ(j.filter("write 0005").size(), c.params.contains(0x0104) ? 0 : 1);
    }
}

TEST_F(WriteTest, FailingTablesLeaveTheGatewayStopped)
{
    SimGateway g(Route::Direct, gatewayOf(ProtocolVariant::Modbus));
    ASSERT_TRUE(g.session->OpenLink());
    // The port fails once the tables are half written.
    g.pumpHook = [&] {
        if (g.sim->device().store().size() > 200)
            g.port->setWriteFails(true);
    };
    EXPECT_FALSE(GatewayWriter(*g.session, view).write(sample::config(ProtocolVariant::Modbus)));
    EXPECT_EQ(g.session->LastStatus, Status::WriteFailed);
    EXPECT_EQ(g.sim->device().runState(), GatewayImage::kStopped);
    EXPECT_FALSE(g.sim->device().journal().contains("write F01A 00"));
    // The failed write closed the port: the next command finds no usable link.
    EXPECT_FALSE(GatewayWriter(*g.session, view).write(sample::config(ProtocolVariant::Modbus)));
    EXPECT_EQ(g.session->ErrorText, "Ошибка инициализации порта COM1");
}

TEST_F(WriteTest, TheOperatorsAbortEndsTheWriteAtOnce)
{
    for (Route r : {Route::Direct, Route::Transit, Route::Can}) {
        SimGateway g(r, gatewayOf(ProtocolVariant::Modbus));
        ASSERT_TRUE(g.session->OpenLink());
        g.pumpHook = [&] {
            if (g.sim->device().store().size() == 100)
                g.shared.AbortRequested = true;
        };
        EXPECT_FALSE(
            GatewayWriter(*g.session, view).write(sample::config(ProtocolVariant::Modbus)));
        EXPECT_EQ(g.session->LastStatus, Status::Aborted) << routeName(r);
        EXPECT_LE(g.sim->device().store().size(), 101u) << routeName(r);
    }
}

struct ReadTest : WriteTest
{
};

TEST_F(ReadTest, TheProtocolComesFromTheGatewaysCode)
{
    struct Code
    {
        ProtocolVariant simulated;
        int code; // -1: the gateway's own
        ProtocolVariant read;
    } cases[] = {
        {ProtocolVariant::KtsEnergia, -1, ProtocolVariant::KtsEnergia}, // 0
        {ProtocolVariant::KtsEnergia, 6, ProtocolVariant::KtsEnergia},
        {ProtocolVariant::Hart, 4, ProtocolVariant::Hart},
        {ProtocolVariant::Hart, 5, ProtocolVariant::Hart},
        {ProtocolVariant::UnkTm, 3, ProtocolVariant::UnkTm},
    };
    for (const Code& c : cases) {
        SimGateway g(Route::Direct, gatewayOf(c.simulated));
        if (c.code >= 0)
            g.sim->device().write(0x0100, QByteArray(1, char(c.code)));
        ASSERT_TRUE(g.session->OpenLink());
        GatewayConfig read;
        ASSERT_TRUE(GatewayReader(*g.session, view).read({}, read));
        EXPECT_EQ(read.Protocol, c.read) << c.code;
        // КТС Энергия keeps no general settings in the gateway: none are read.
        EXPECT_EQ(g.sim->device().journal().contains("read 0103"),
                  c.read != ProtocolVariant::KtsEnergia);
    }
}

TEST_F(ReadTest, AnUnknownProtocolCodeStopsBeforeTables)
{
    SimGateway g(Route::Direct, gatewayOf(ProtocolVariant::Modbus));
    g.sim->device().write(0x0100, QByteArray(1, char(7)));
    ASSERT_TRUE(g.session->OpenLink());
    GatewayConfig read;
    EXPECT_FALSE(GatewayReader(*g.session, view).read({}, read));
    EXPECT_EQ(g.session->LastStatus, LinkSession::kRefused);
    EXPECT_TRUE(g.session->ErrorText.contains("код протокола 7"));
    EXPECT_EQ(read.Protocol, ProtocolVariant::None);
    EXPECT_TRUE(read.GroupParams.empty());
    EXPECT_EQ(g.sim->device().journal().back(), "read 0100");
}

TEST_F(ReadTest, OnlyTheSubblocksOfTheirTypeAreRead)
{
    SimGateway g(Route::Can, gatewayOf(ProtocolVariant::Magistral1));
    ASSERT_TRUE(g.session->OpenLink());
    GatewayConfig none = sample::config(ProtocolVariant::Magistral1);
    std::fill(none.OkpSubblockTypes.begin(), none.OkpSubblockTypes.end(), SubblockNone);
    ASSERT_TRUE(GatewayWriter(*g.session, view).write(none));
    g.sim->device().clearJournal();
    GatewayConfig read;
    ASSERT_TRUE(GatewayReader(*g.session, view).read({}, read));
    const QStringList j = g.sim->device().journal();
    EXPECT_EQ(j.filter("readAt 020C").size(), 14);
    EXPECT_EQ(j.filter(QRegularExpression("readAt 02(1|2|3|4|5|6)")).size(), 0);
    GatewayConfig empty;
    empty.CreateFor(ProtocolVariant::Magistral1);
    EXPECT_EQ(read.TcTuTable, empty.TcTuTable);
}

TEST_F(ReadTest, AnOldModbusGatewayIsRefused)
{
    SimOptions o = gatewayOf(ProtocolVariant::Modbus);
    o.version = 3;
    SimGateway g(Route::Transit, o);
    ASSERT_TRUE(g.session->OpenLink());
    GatewayConfig read;
    EXPECT_FALSE(GatewayReader(*g.session, view).read({}, read));
    EXPECT_EQ(g.session->LastStatus, Status::OldVersion);
}

TEST_F(WriteTest, VerifyListsEveryElementThatDiffers)
{
    SimGateway g(Route::Transit, gatewayOf(ProtocolVariant::Modbus));
    ASSERT_TRUE(g.session->OpenLink());
    const GatewayConfig written = sample::config(ProtocolVariant::Modbus);
    ASSERT_TRUE(GatewayWriter(*g.session, view).write(written));

    GatewayVerifier verifier(*g.session, view);
    std::vector<ImageDifference> differences;
    ASSERT_TRUE(verifier.verify(written, differences));
    EXPECT_TRUE(differences.empty());

    // The gateway's element changed behind the file's back, and a row the file changed since.
    g.sim->device().writeAt(0x0303, 5, QByteArray::fromHex("00123456"));
    GatewayConfig edited = written;
    edited.Common.AdrCAN = 0x44;
    ASSERT_TRUE(verifier.verify(edited, differences));
    ASSERT_EQ(differences.size(), 2u);
    EXPECT_EQ(differences[0].text(), "0001 gateway 12 file 44");
    EXPECT_TRUE(differences[1].text().startsWith("0303[5] gateway 00 12 34 56 file "));
}

// The general settings a read-back keeps from where it starts: those the image leaves out.
TEST(ImageOf, GeneralSettingsThatTheImageDoesNotCarry)
{
    for (int p = 0; p < kProtocolCount; ++p) {
        const auto protocol = ProtocolVariant(p);
        const GatewayConfig written = sample::config(protocol);
        CommonSettings other;
        const GatewayConfig kept = sample::carried(written, other);
        QStringList expected;
        for (const ConfigDifference& d : compareConfigs(sample::carried(written, written.Common), kept))
            expected << d.path.mid(QStringLiteral("Common.").size());
        // Every field whose start shows through in the tests' own account of the image is named;
        // a field the image carries is not.
        const QStringList notCarried = GatewayReader::commonNotCarried(protocol);
        EXPECT_EQ(notCarried.contains("AdrOKP"), protocol != ProtocolVariant::Magistral1);
        EXPECT_EQ(notCarried.contains("V_Ext"), protocol == ProtocolVariant::KtsEnergia);
        for (const QString& field : expected)
            EXPECT_TRUE(notCarried.contains(field)) << protocolName(protocol).toStdString() << " "
                                                    << field.toStdString();
    }
}
