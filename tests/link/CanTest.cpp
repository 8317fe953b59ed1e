#include "LinkFixture.h"

#include "core/link/LinkFrames.h"
#include "core/text/Cp1251.h"
#include "core/text/IniDocument.h"

#include <QFile>
#include <QTemporaryDir>

using namespace veg;

namespace {

QString spaced(const QByteArray& b)
{
    return QString::fromLatin1(b.toHex(' ').toUpper());
}

// An adapter that answers its configuration block with `reset` and each 13-byte frame via
// `answer` (request frame in, answer bytes out).
void adapter(FakePort& port, QByteArray reset,
             std::function<QByteArray(const QByteArray&, int)> answer = {})
{
    auto frames = std::make_shared<int>(0);
    port.onWrite = [reset, answer, frames](FakePort& p, const QByteArray& bytes) {
        if (bytes.size() == LinkFrames::kAdapterConfigSize)
            p.arrive(reset);
        else if (bytes.size() == LinkFrames::kCanFrameSize && answer)
            p.arrive(answer(bytes, ++*frames));
    };
}

// The gateway's answer to a request frame: addressed to the PC, same sequence byte.
QByteArray answerTo(const QByteArray& request, const QByteArray& data, std::uint8_t from = 0x25)
{
    QByteArray a(13, '\0');
    a[0] = 0;
    a[1] = request[1];
    a[4] = char(1 + data.size());
    a[5] = char(from);
    for (int i = 0; i < data.size(); ++i)
        a[6 + i] = data[i];
    return a;
}

LinkTarget canTarget(std::uint8_t gateway = 0x25)
{
    LinkTarget t;
    t.Route = LinkTarget::kDirect;
    t.LineKind = KalO::kCanBus;
    t.RequestKind = LinkTarget::kCanRequest;
    t.Address = gateway;
    t.Destination = gateway;
    return t;
}

} // namespace

struct CanTest : LinkFixture
{
    LinkAnswer answer;
    void makeAdapter(QByteArray reset = QByteArray("\x30\r\n"),
                     std::function<QByteArray(const QByteArray&, int)> a = {})
    {
        makeLink(KalO::kCanBus, 10, [&](FakePort& p) { adapter(p, reset, a); });
    }
};

TEST_F(CanTest, DefaultConfigurationBlock)
{
    makeAdapter();
    const auto& b = link->AdapterConfig();
    const QByteArray block(reinterpret_cast<const char*>(b.data()), int(b.size()));
    EXPECT_EQ(spaced(block),
              QStringLiteral("00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                             "00 00 FF 00 00 00 FF 00 00 00 02 E0 41 DF"));
    EXPECT_EQ(LinkFrames::sum8(block), 0);
}

TEST_F(CanTest, ConfigurationBlockFromTheSettings)
{
    makeAdapter();
    KalO::Settings s = {
        {QStringLiteral("acceptance filter"),
         QStringLiteral("1 2 3 4 5 6 7 8 9 A B C D E F 10 11 12 13 14 15 16 17 118")},
        {QStringLiteral("Acceptance Mask"), QStringLiteral("FF,FF;00-00 ff ff 0 0")},
        {QStringLiteral("CNF 321"), QStringLiteral("03 C0 99")},
    };
    link->LoadAdapterConfig(s, 7);
    const auto& b = link->AdapterConfig();
    const QByteArray block(reinterpret_cast<const char*>(b.data()), int(b.size()));
    EXPECT_EQ(
        spaced(block.left(24)),
        QStringLiteral("01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18"));
    EXPECT_EQ(spaced(block.mid(24, 8)), QStringLiteral("FF FF 00 00 FF FF 00 00"));
    // The speed byte always comes from the speed position.
    EXPECT_EQ(spaced(block.mid(32, 3)), QStringLiteral("03 C0 4B"));
    EXPECT_EQ(LinkFrames::sum8(block), 0);
    EXPECT_EQ(link->CanSpeedPos(), 7);

    // Too few values fall back to the defaults of that key only.
    link->LoadAdapterConfig(KalO::Settings{{QStringLiteral("CNF 321"), QStringLiteral("03 C0")},
                                           {QStringLiteral("Acceptance Mask"), s[1].second}},
                            12);
    EXPECT_EQ(spaced(QByteArray(reinterpret_cast<const char*>(b.data()), 36).mid(24, 11)),
              QStringLiteral("FF FF 00 00 FF FF 00 00 02 E0 5D"));
    // A position outside the table does not read past it.
    link->LoadAdapterConfig(KalO::Settings{}, 99);
    EXPECT_EQ(b[34], 0x41);
}

TEST_F(CanTest, ConfigurationBlockFromTheSettingsFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vegconf.ini"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Parametr]\r\nVS=CAN-BUS\r\nCNF 321=04 A0 00\r\n[Other]\r\nCNF 321=01 01 01\r\n");
    f.close();
    makeAdapter();
    link->LoadAdapterConfig(path, 2);
    EXPECT_EQ(link->AdapterConfig()[32], 0x04);
    EXPECT_EQ(link->AdapterConfig()[33], 0xA0);
    EXPECT_EQ(link->AdapterConfig()[34], 0x43);
    link->LoadAdapterConfig(dir.filePath(QStringLiteral("missing.ini")), 0);
    EXPECT_EQ(link->AdapterConfig()[32], 0x02);
}

TEST(ParseHexList, Tokens)
{
    struct Case
    {
        const char* text;
        int wanted;
        bool ok;
        std::vector<std::uint8_t> values;
    } cases[] = {
        {"01 02 03", 3, true, {1, 2, 3}},
        {"1,2;3", 3, true, {1, 2, 3}},
        {"  aB-ff  ", 2, true, {0xAB, 0xFF}},
        {"123 4567", 2, true, {0x23, 0x67}}, // the low byte of each token
        {"1 2 3 4", 3, true, {1, 2, 3}},
        {"1 2", 3, false, {}},
        {"", 1, false, {}},
        {"xyz", 1, false, {}},
        {"фF", 1, true, {0x0F}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> out;
        EXPECT_EQ(KalO::ParseHexList(QString::fromUtf8(c.text), c.wanted, out), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(out, c.values) << c.text;
        }
    }
}

TEST_F(CanTest, OpensAt115200WithCtsWhateverTheSpeed)
{
    makeLink(KalO::kCanBus, 5, [](FakePort& p) { adapter(p, QByteArray("0\r\n")); });
    EXPECT_EQ(port->baud, 115200);
    EXPECT_TRUE(port->cts);
}

TEST_F(CanTest, InitAdapterJudgesTheResetAnswer)
{
    struct Case
    {
        QByteArray reply;
        bool ok;
        int variant;
    } cases[] = {
        {QByteArray("0\r\n"), true, 0},  {QByteArray("@\r\n"), true, 1},
        {QByteArray("1\r\n"), false, 0}, {QByteArray("0\r"), false, 0},
        {QByteArray("0\n\r"), false, 0}, {QByteArray(), false, 0},
    };
    for (const auto& c : cases) {
        makeAdapter(c.reply);
        EXPECT_EQ(link->InitAdapter(), c.ok) << c.reply.toHex().constData();
        if (c.ok) {
            EXPECT_EQ(link->AdapterVariant(), c.variant);
        }
        // The reset pulse, then the block.
        EXPECT_EQ(port->events.mid(0, 3),
                  (QStringList{QStringLiteral("purge"), QStringLiteral("dtr 1"),
                               QStringLiteral("dtr 0")}));
        ASSERT_EQ(port->writes.size(), 1);
        EXPECT_EQ(port->writes[0].size(), 36);
    }
}

TEST_F(CanTest, RequestFramesByOperation)
{
    struct Case
    {
        const char* name;
        std::function<LinkStatus(KalO&, LinkAnswer&)> run;
        QStringList frames; // bytes 0 and 2.. of each request (byte 1 is the sequence)
        QByteArray answerData;
    };
    int got = 0;
    const Case cases[] = {
        {"read",
         [](KalO& k, LinkAnswer& a) { return k.ReadParam(0xF000, 2, canTarget(), a); },
         {"25 00 00 04 00 02 00 F0 00 00 00 00"},
         QByteArray::fromHex("4206")},
        {"write",
         [](KalO& k, LinkAnswer&) {
             return k.WriteParam(0xF01A, QByteArray::fromHex("01"), canTarget());
         },
         {"25 00 00 05 00 03 1A F0 01 00 00 00"},
         QByteArray::fromHex("00")},
        {"write-at, first",
         [](KalO& k, LinkAnswer&) {
             return k.WriteParamAt(0x0200, 3, QByteArray::fromHex("FFFFFFFF"), true, canTarget());
         },
         {"25 00 00 04 00 06 00 02 00 00 00 00", "25 00 00 08 00 07 03 00 FF FF FF FF"},
         QByteArray::fromHex("00")},
        {"read-at",
         [&](KalO& k, LinkAnswer& a) {
             return k.ReadParamAt(0x0200, 3, 4, 4, canTarget(), a, got);
         },
         {"25 00 00 06 00 08 00 02 03 00 00 00"},
         QByteArray::fromHex("01020304")},
        {"access",
         [](KalO& k, LinkAnswer&) { return k.SetAccessLevel(2, QString(), canTarget()); },
         {"25 00 00 03 00 05 02 00 00 00 00 00"},
         QByteArray::fromHex("02")},
        {"access with code",
         [](KalO& k, LinkAnswer&) {
             return k.SetAccessLevel(2, QStringLiteral("0A0B0C0D"), canTarget());
         },
         {"25 00 00 07 00 05 02 0A 0B 0C 0D 00"},
         QByteArray::fromHex("02")},
    };
    for (const auto& c : cases) {
        makeAdapter(QByteArray("0\r\n"),
                    [&](const QByteArray& req, int) { return answerTo(req, c.answerData); });
        port->writes.clear();
        LinkAnswer a;
        EXPECT_EQ(c.run(*link, a), Status::Ok) << c.name;
        ASSERT_EQ(port->writes.size(), c.frames.size()) << c.name;
        for (int i = 0; i < c.frames.size(); ++i) {
            QByteArray w = port->writes[i];
            w.remove(1, 1);
            EXPECT_EQ(spaced(w), c.frames[i]) << c.name;
        }
    }
}

TEST_F(CanTest, SequenceByteStepsOnEveryAttempt)
{
    makeAdapter(QByteArray("0\r\n"), [](const QByteArray& req, int n) {
        return n == 2 ? QByteArray() : answerTo(req, QByteArray::fromHex("4206"));
    });
    link->SetRetries(3);
    port->writes.clear();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(link->ReadParam(0xF000, 2, canTarget(), answer), Status::Ok);
    QList<int> toggles;
    for (const auto& w : port->writes)
        if (w.size() == 13)
            toggles << std::uint8_t(w[1]);
    // The silent second request is repeated with the next value.
    EXPECT_EQ(toggles, (QList<int>{0x80, 0xA0, 0xC0, 0xE0}));
    EXPECT_EQ(answer.count(), 3);
    EXPECT_EQ(answer.data(0), 0x42);
    EXPECT_EQ(answer.data(1), 0x06);
}

TEST_F(CanTest, AnswersFromOthersAreSkipped)
{
    makeAdapter(QByteArray("0\r\n"), [](const QByteArray& req, int) {
        QByteArray other = answerTo(req, QByteArray::fromHex("0000"), 0x26);
        QByteArray wrongSequence = answerTo(req, QByteArray::fromHex("0000"));
        wrongSequence[1] = char(std::uint8_t(req[1]) ^ 0x20);
        return other + wrongSequence + answerTo(req, QByteArray::fromHex("4206"));
    });
    port->writes.clear();
    EXPECT_EQ(link->ReadParam(0xF000, 2, canTarget(), answer), Status::Ok);
    EXPECT_EQ(port->writes.size(), 1);
    EXPECT_EQ(answer.data(0), 0x42);
}

TEST_F(CanTest, OnlyForeignAnswersGive42)
{
    makeAdapter(QByteArray("@\r\n"), [](const QByteArray& req, int) {
        return answerTo(req, QByteArray::fromHex("0000"), 0x26);
    });
    link->SetRetries(1);
    EXPECT_EQ(link->ReadParam(0xF000, 2, canTarget(), answer), Status::ForeignFrame);
}

TEST_F(CanTest, AWrongLengthEndsAtOnce)
{
    // A read answered with one byte instead of two, a write with two instead of one.
    makeAdapter(QByteArray("0\r\n"), [](const QByteArray& req, int) {
        return answerTo(req, QByteArray::fromHex(req[6] == 2 ? "42" : "0000"));
    });
    link->SetRetries(5);
    port->writes.clear();
    EXPECT_EQ(link->ReadParam(0xF000, 2, canTarget(), answer), Status::AdapterLength);
    EXPECT_EQ(port->writes.size(), 1);
    // A write answered with a wrong length is a failure too.
    EXPECT_EQ(link->WriteParam(0x0100, QByteArray::fromHex("02"), canTarget()),
              Status::AdapterLength);
}

TEST_F(CanTest, AShorterAnswerWaitOfTheContextReplacesTheAdaptersTime)
{
    answerWaitMs = 200;
    makeAdapter(QByteArray("0\r\n"));
    link->SetRetries(1);
    const qint64 start = clock.nowMs();
    EXPECT_EQ(link->ReadParam(0xF000, 2, canTarget(), answer), Status::AdapterNoAnswer);
    EXPECT_GE(clock.nowMs() - start, 200);
    EXPECT_LT(clock.nowMs() - start, 2500);
}

TEST_F(CanTest, SilenceReopensThePortBeforeTheLastAttempt)
{
    makeAdapter(QByteArray("0\r\n"));
    link->SetRetries(3);
    port->writes.clear();
    port->events.clear();
    const qint64 start = clock.nowMs();
    EXPECT_EQ(link->ReadParam(0xF000, 2, canTarget(), answer), Status::AdapterNoAnswer);
    EXPECT_GE(clock.nowMs() - start, 3 * 2500);
    QStringList frames;
    for (const auto& w : port->writes)
        frames << QString::number(w.size());
    // Three requests; the adapter is configured again between the second and the third.
    EXPECT_EQ(frames, (QStringList{"13", "13", "36", "13"}));
    EXPECT_EQ(port->events.count(QStringLiteral("close")), 1);
    EXPECT_TRUE(link->PortOpen());
}

TEST_F(CanTest, NoCarrier)
{
    // The adapter answers its reset but shows no carrier: 46 after two tries.
    makeAdapter(QByteArray("0\r\n"));
    port->carrier = false;
    link->SetRetries(1);
    port->writes.clear();
    EXPECT_EQ(link->ReadParam(0xF000, 2, canTarget(), answer), Status::NoCarrier);
    int blocks = 0;
    for (const auto& w : port->writes) {
        EXPECT_NE(w.size(), 13) << "nothing is sent without a carrier";
        blocks += w.size() == 36;
    }
    EXPECT_EQ(blocks, 2);
    EXPECT_FALSE(
        logLines
            .filter(QStringLiteral(
                " and MS_RLSD_ON)<>MS_RLSD_ON  kod_v=46  Ошибка CAN-контроллера - нет несущей"))
            .isEmpty());

    // An adapter that does not answer its reset: 45.
    makeAdapter(QByteArray());
    port->carrier = false;
    link->SetRetries(1);
    EXPECT_EQ(link->ReadParam(0xF000, 2, canTarget(), answer), Status::AdapterInitFailed);

    // Adapter "M" has no carrier line to test: a modem-status failure does not matter.
    makeAdapter(QByteArray("@\r\n"), [](const QByteArray& req, int) {
        return answerTo(req, QByteArray::fromHex("4206"));
    });
    port->modemFails = true;
    EXPECT_EQ(link->ReadParam(0xF000, 2, canTarget(), answer), Status::Ok);
}

TEST_F(CanTest, AccessLevelAnsweredWithAnotherLength)
{
    // A 43 counts as an answer here; the level is then judged.
    makeAdapter(QByteArray("0\r\n"), [](const QByteArray& req, int) {
        return answerTo(req, QByteArray::fromHex("0200"));
    });
    EXPECT_EQ(link->SetAccessLevel(2, QString(), canTarget()), Status::Ok);
    makeAdapter(QByteArray("0\r\n"), [](const QByteArray& req, int) {
        return answerTo(req, QByteArray::fromHex("01"));
    });
    EXPECT_EQ(link->SetAccessLevel(2, QString(), canTarget()), Status::AccessDenied);
}

TEST_F(CanTest, DataTooLongForTheFrameIsRefused)
{
    makeAdapter(QByteArray("0\r\n"));
    port->writes.clear();
    EXPECT_EQ(link->WriteParam(0x0100, QByteArray(5, '\1'), canTarget()), Status::AdapterLength);
    EXPECT_TRUE(port->writes.isEmpty());
}

TEST_F(CanTest, AWriteFailureReopensThePortAndSendRequestClosesIt)
{
    makeAdapter(QByteArray("0\r\n"));
    link->SetRetries(2);
    port->writeFails = true;
    EXPECT_EQ(link->ReadParam(0xF000, 2, canTarget(), answer), Status::WriteFailed);
    EXPECT_EQ(logLines.count(QStringLiteral("k=8  Ошибка записи в последовательный порт ")), 2);
    // reopened after each failed attempt, the adapter set up again each time
    EXPECT_EQ(port->events.count(QStringLiteral("close")), 2);
    EXPECT_TRUE(link->PortOpen());

    // The dispatcher takes a whole adapter frame; its write failure leaves the port closed.
    LinkTarget t = canTarget();
    QByteArray frame = QByteArray::fromHex("25 00 00 00 04 00 02 00 F0 00 00 00 00");
    EXPECT_EQ(link->SendRequest(frame, t, answer), Status::WriteFailed);
    EXPECT_FALSE(link->PortOpen());
    EXPECT_FALSE(port->isOpen());
    port->writeFails = false;
    EXPECT_EQ(link->SendRequest(frame, t, answer), Status::Aborted);
}

TEST_F(CanTest, AReopenThatFailsEndsWithTheAdapterNotInitialised)
{
    makeAdapter(QByteArray("0\r\n")); // the adapter never answers a frame
    link->SetRetries(3);
    port->writes.clear();
    port->openFails = true; // the reopen before the last attempt fails
    EXPECT_EQ(link->ReadParam(0xF000, 2, canTarget(), answer), Status::AdapterInitFailed);
    EXPECT_EQ(port->writes.size(), 2); // the third attempt could not be sent
    EXPECT_NE(link->ReadParam(0xF000, 2, canTarget(), answer), Status::Ok);
}

TEST_F(CanTest, ForeignFramesStayInTheAttemptsTraceLine)
{
    makeAdapter(QByteArray("@\r\n"), [](const QByteArray& req, int) {
        return answerTo(req, QByteArray::fromHex("0102"), 0x26) +
               answerTo(req, QByteArray::fromHex("0304"), 0x27);
    });
    shared.TraceLevel = 2;
    link->SetRetries(1);
    logLines.clear();
    EXPECT_EQ(link->ReadParam(0xF000, 2, canTarget(), answer), Status::ForeignFrame);
    // The closing trace shows both frames that came instead of the answer.
    const QString received = logLines.filter(QStringLiteral("<< ")).join(u'|');
    EXPECT_TRUE(received.contains(QStringLiteral("26 01 02"))) << received.toStdString();
    EXPECT_TRUE(received.contains(QStringLiteral("27 03 04"))) << received.toStdString();
}

TEST_F(CanTest, ElementReadGoesOnAfterTheAdapterLinkWasReopened)
{
    // Every frame of the first adapter exchange fails to go out; the exchange reopens the port,
    // so the element read's next repetition can still succeed.
    auto failing = std::make_shared<int>(2);
    makeAdapter(QByteArray("0\r\n"), [](const QByteArray& req, int) {
        return answerTo(req, QByteArray::fromHex("0A0B0C0D"));
    });
    port->failWrite = [failing](const QByteArray& b) {
        return b.size() == LinkFrames::kCanFrameSize && (*failing)-- > 0;
    };
    link->SetRetries(2);
    int got = 0;
    EXPECT_EQ(link->ReadParamAt(0x0200, 3, 4, 4, canTarget(), answer, got), Status::Ok);
    EXPECT_EQ(answer.data(0), 0x0A);
}

TEST_F(CanTest, CarrierRaisesRts)
{
    makeAdapter(QByteArray("0\r\n"), [](const QByteArray& req, int) {
        return answerTo(req, QByteArray::fromHex("4206"));
    });
    port->events.clear();
    EXPECT_EQ(link->ReadParam(0xF000, 2, canTarget(), answer), Status::Ok);
    EXPECT_TRUE(port->events.contains(QStringLiteral("rts 1"))) << port->events.join(u',').toStdString();
}
