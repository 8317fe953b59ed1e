#include "LinkFixture.h"

#include "core/link/LinkFrames.h"

using namespace veg;

namespace {

QString spaced(const QByteArray& b)
{
    return QString::fromLatin1(b.toHex(' ').toUpper());
}

// Answers every request frame (three writes: header, body, trailer) with the next scripted
// answer; an empty answer is silence.
void answerFrames(FakePort& port, QList<QByteArray> answers)
{
    auto queue = std::make_shared<QList<QByteArray>>(std::move(answers));
    auto pieces = std::make_shared<int>(0);
    port.onWrite = [queue, pieces](FakePort& p, const QByteArray&) {
        if (++*pieces % 3 != 0 || queue->isEmpty())
            return;
        p.arrive(queue->takeFirst());
    };
}

} // namespace

TEST(Crc16, CheckValuesOfBothPolynomials)
{
    EXPECT_EQ(LinkFrames::Crc16(QByteArray("123456789")), 0x6F91);
    EXPECT_EQ(LinkFrames::Crc16(QByteArray("123456789"), true), 0x4B37);
    // Over data followed by its own CRC, low byte first, the register ends at 0.
    QByteArray d = hexBytes("402501F000");
    const auto crc = LinkFrames::Crc16(d);
    d.append(char(crc & 0xFF));
    d.append(char(crc >> 8));
    EXPECT_EQ(LinkFrames::Crc16(d), 0);
}

TEST(SerialFrame, RequestBytesForEveryChecksumKind)
{
    struct Case
    {
        const char* request;
        int checksumKind;
        const char* frame;
    } cases[] = {
        {"0100F0", 0, "10 40 25 01 00 F0 00 56 16"},
        {"0100F0", 1, "10 40 25 01 00 F0 00 D7 2C 59 16"},
        {"0100F0", 2, "10 40 25 01 00 F0 00 D7 2C"},
        {"051AF001", 0, "10 40 25 05 1A F0 01 75 16"},
        {"051AF001", 1, "10 40 25 05 1A F0 01 5D B9 8B 16"},
        {"051AF001", 2, "10 40 25 05 1A F0 01 5D B9"},
        {"1500020100", 0, "68 07 07 68 40 25 15 00 02 01 00 7D 16"},
        {"1500020100", 1, "68 09 09 68 40 25 15 00 02 01 00 1A 1B B2 16"},
        {"1500020100", 2, "68 07 07 68 40 25 15 00 02 01 00 1A 1B"},
        {"16000203 00FFFF", 0, "68 09 09 68 40 25 16 00 02 03 00 FF FF 7E 16"},
        {"16000203 00FFFF", 1, "68 0B 0B 68 40 25 16 00 02 03 00 FF FF 13 A7 38 16"},
        {"16000203 00FFFF", 2, "68 09 09 68 40 25 16 00 02 03 00 FF FF 13 A7"},
    };
    for (const auto& c : cases) {
        const auto f =
            LinkFrames::serialFrame(QByteArray::fromHex(c.request), 0x40, 0x25, c.checksumKind);
        EXPECT_EQ(spaced(f.whole()), QString::fromLatin1(c.frame))
            << c.request << " kind " << c.checksumKind;
    }
}

TEST(CanToggle, StepsThroughTheFourValues)
{
    struct Case
    {
        std::uint8_t from, to;
    } cases[] = {{0x80, 0xA0}, {0xA0, 0xC0}, {0xC0, 0xE0}, {0xE0, 0x80},
                 {0x00, 0x80}, {0x81, 0x80}, {0xFF, 0x80}};
    for (const auto& c : cases)
        EXPECT_EQ(LinkFrames::nextCanToggle(c.from), c.to) << int(c.from);
}

// Each operation on the two serial routes puts its request into a frame to the right address;
// the frame is compared with the request bytes of the operation table.
struct SerialRequestTest : LinkFixture
{
};

TEST_F(SerialRequestTest, OperationsSendTheirRequestBytes)
{
    struct Case
    {
        const char* name;
        bool transit;
        std::function<LinkStatus(KalO&, LinkTarget)> run;
        QList<QByteArray> requests; // one per frame
        QList<QByteArray> answers;
    };
    const QByteArray ack = hexBytes("A2");
    const QByteArray level2 = hexBytes("10 00 25 02 00 00 00 27 16");
    const QByteArray level2Transit = hexBytes("10 00 01 02 00 00 00 03 16");
    LinkAnswer a;
    int got = 0;
    const Case cases[] = {
        {"read",
         false,
         [&](KalO& k, LinkTarget t) { return k.ReadParam(0xF000, 2, t, a); },
         {hexBytes("0100F0")},
         {hexBytes("10 00 25 42 06 00 00 6D 16")}},
        {"write",
         false,
         [&](KalO& k, LinkTarget t) { return k.WriteParam(0xF01A, hexBytes("01"), t); },
         {hexBytes("051AF001")},
         {ack}},
        {"write-at",
         false,
         [&](KalO& k, LinkTarget t) {
             return k.WriteParamAt(0x0200, 3, hexBytes("FFFF"), true, t);
         },
         {hexBytes("1600020300FFFF")},
         {ack}},
        {"read-at",
         false,
         [&](KalO& k, LinkTarget t) { return k.ReadParamAt(0x0200, 1, 4, 4, t, a, got); },
         {hexBytes("1500020100")},
         {hexBytes("10 00 25 01 02 03 04 2F 16")}},
        {"access",
         false,
         [&](KalO& k, LinkTarget t) { return k.SetAccessLevel(2, QString(), t); },
         {hexBytes("1702")},
         {level2}},
        {"access with code",
         false,
         [&](KalO& k, LinkTarget t) { return k.SetAccessLevel(3, QStringLiteral("12AB"), t); },
         {hexBytes("170312AB0000")},
         {hexBytes("10 00 25 03 00 00 00 28 16")}},
        {"access level 1 sends no code",
         false,
         [&](KalO& k, LinkTarget t) { return k.SetAccessLevel(1, QStringLiteral("12AB"), t); },
         {hexBytes("1701")},
         {hexBytes("10 00 25 01 00 00 00 26 16")}},
        {"transit read",
         true,
         [&](KalO& k, LinkTarget t) { return k.ReadParam(0xF000, 2, t, a); },
         {hexBytes("112500F0")},
         {hexBytes("10 00 01 42 06 00 00 49 16")}},
        {"transit write",
         true,
         [&](KalO& k, LinkTarget t) { return k.WriteParam(0xF01A, hexBytes("01"), t); },
         {hexBytes("140525031AF001")},
         {ack}},
        {"transit write-at, first",
         true,
         [&](KalO& k, LinkTarget t) {
             return k.WriteParamAt(0x0200, 0, hexBytes("FFFF"), true, t);
         },
         {hexBytes("14042506 0002"), hexBytes("1406250700 00FFFF")},
         {ack, ack}},
        {"transit write-at, next",
         true,
         [&](KalO& k, LinkTarget t) {
             return k.WriteParamAt(0x0200, 1, hexBytes("FFFF"), false, t);
         },
         {hexBytes("1406250701 00FFFF")},
         {ack}},
        {"transit read-at",
         true,
         [&](KalO& k, LinkTarget t) { return k.ReadParamAt(0x0200, 1, 4, 4, t, a, got); },
         {hexBytes("1406250800020100")},
         {hexBytes("10 00 01 01 02 03 04 0B 16")}},
        {"transit access",
         true,
         [&](KalO& k, LinkTarget t) { return k.SetAccessLevelTransit(2, QString(), t); },
         {hexBytes("1403250502"), hexBytes("11251CF0")},
         {ack, level2Transit}},
    };
    for (const auto& c : cases) {
        makeLink();
        answerFrames(*port, c.answers);
        LinkTarget t = direct();
        if (c.transit) {
            t.Route = LinkTarget::kTransit;
            t.Address = 0x01;
        }
        EXPECT_EQ(c.run(*link, t), Status::Ok) << c.name;
        QByteArray expected;
        for (const auto& r : c.requests)
            expected += LinkFrames::serialFrame(r, 0x40, t.Address, 0).whole();
        EXPECT_EQ(spaced(port->allWritten()), spaced(expected)) << c.name;
    }
}

// The answer side: bytes in, status and data out.
struct AnswerTest : LinkFixture
{
};

TEST_F(AnswerTest, ReadParamJudgesTheAnswer)
{
    struct Case
    {
        const char* name;
        int checksumKind;
        int expected;
        QList<QByteArray> answers;
        LinkStatus status;
        int frames;      // requests sent
        QByteArray data; // answer bytes 6.. when the status is 0
        int count;
    } cases[] = {
        {"short", 0, 2, {hexBytes("10 00 25 42 06 00 00 6D 16")}, 0, 1, hexBytes("42060000"), 4},
        {"short, CRC in the data",
         1,
         2,
         {hexBytes("10 00 25 42 06 00 00 AD B7 D1 16")},
         0,
         1,
         hexBytes("42060000"),
         6},
        {"short, CRC instead of the sum",
         2,
         2,
         {hexBytes("10 00 25 42 06 00 00 AD B7")},
         0,
         1,
         hexBytes("42060000"),
         4},
        {"long",
         0,
         6,
         {hexBytes("68 08 08 68 00 25 01 02 03 04 05 06 3A 16")},
         0,
         1,
         hexBytes("010203040506"),
         6},
        {"long, CRC in the data",
         1,
         6,
         {hexBytes("68 0A 0A 68 00 25 01 02 03 04 05 06 2D A0 07 16")},
         0,
         1,
         hexBytes("010203040506"),
         6},
        {"long, CRC instead of the sum",
         2,
         6,
         {hexBytes("68 08 08 68 00 25 01 02 03 04 05 06 2D A0")},
         0,
         1,
         hexBytes("010203040506"),
         6},
        {"garbage before the start byte",
         0,
         2,
         {hexBytes("FF 00 37 5A 16 10 00 25 42 06 00 00 6D 16")},
         0,
         1,
         hexBytes("42060000"),
         4},
        {"one byte value zero-fills",
         0,
         1,
         {hexBytes("10 00 25 42 00 00 00 67 16")},
         0,
         1,
         hexBytes("42000000"),
         4},
        {"positive receipt to a read", 0, 2, {hexBytes("A2")}, 37, 1, {}, 0},
        {"negative receipt ends at once", 0, 2, {hexBytes("E5")}, 38, 1, {}, 0},
        {"checksum",
         0,
         2,
         {hexBytes("10 00 25 42 06 00 00 6E 16"), hexBytes("10 00 25 42 06 00 00 6E 16"),
          hexBytes("10 00 25 42 06 00 00 6E 16")},
         36,
         3,
         {},
         0},
        {"checksum, then good",
         0,
         2,
         {hexBytes("10 00 25 42 06 00 00 6E 16"), hexBytes("10 00 25 42 06 00 00 6D 16")},
         0,
         2,
         hexBytes("42060000"),
         4},
        {"end byte",
         0,
         2,
         {hexBytes("10 00 25 42 06 00 00 6D 17"), hexBytes("10 00 25 42 06 00 00 6D 17"),
          hexBytes("10 00 25 42 06 00 00 6D 17")},
         35,
         3,
         {},
         0},
        {"CRC in the data",
         1,
         2,
         {hexBytes("10 00 25 42 06 00 00 AD B6 D0 16"),
          hexBytes("10 00 25 42 06 00 00 AD B6 D0 16"),
          hexBytes("10 00 25 42 06 00 00 AD B6 D0 16")},
         11,
         3,
         {},
         0},
        {"CRC instead of the sum",
         2,
         2,
         {hexBytes("10 00 25 42 06 00 00 AD B6"), hexBytes("10 00 25 42 06 00 00 AD B6"),
          hexBytes("10 00 25 42 06 00 00 AD B6")},
         11,
         3,
         {},
         0},
        {"duplicate length",
         0,
         6,
         {hexBytes("68 08 09 68 00 25 01 02 03 04 05 06 3A 16"),
          hexBytes("68 08 08 68 00 25 01 02 03 04 05 06 3A 16")},
         0,
         2,
         hexBytes("010203040506"),
         6},
        {"duplicate length every time",
         0,
         6,
         {hexBytes("68 08 09 68"), hexBytes("68 08 09 68"), hexBytes("68 08 09 68")},
         33,
         3,
         {},
         0},
        {"duplicate start byte",
         0,
         6,
         {hexBytes("68 08 08 69"), hexBytes("68 08 08 69"), hexBytes("68 08 08 69")},
         34,
         3,
         {},
         0},
        {"address",
         0,
         2,
         {hexBytes("10 00 26 42 06 00 00 6E 16"), hexBytes("10 00 26 42 06 00 00 6E 16"),
          hexBytes("10 00 26 42 06 00 00 6E 16")},
         31,
         3,
         {},
         0},
        {"address beats a bad trailer",
         0,
         2,
         {hexBytes("10 00 26 42 06 00 00 00 00"), hexBytes("10 00 26 42 06 00 00 00 00"),
          hexBytes("10 00 26 42 06 00 00 00 00")},
         31,
         3,
         {},
         0},
        {"long answer 4 bytes too long",
         0,
         2,
         {hexBytes("68 08 08 68 00 25 01 02 03 04 05 06 3A 16"),
          hexBytes("68 08 08 68 00 25 01 02 03 04 05 06 3A 16"),
          hexBytes("68 08 08 68 00 25 01 02 03 04 05 06 3A 16")},
         5,
         3,
         {},
         0},
        {"long answer 3 bytes too long passes",
         0,
         3,
         {hexBytes("68 08 08 68 00 25 01 02 03 04 05 06 3A 16")},
         0,
         1,
         hexBytes("010203040506"),
         6},
        {"long answer 4 bytes too short is retried",
         0,
         10,
         {hexBytes("68 08 08 68 00 25 01 02 03 04 05 06 3A 16"),
          hexBytes("68 08 08 68 00 25 01 02 03 04 05 06 3A 16"),
          hexBytes("68 08 08 68 00 25 01 02 03 04 05 06 3A 16")},
         29,
         3,
         {},
         0},
        {"control byte twice",
         0,
         2,
         {hexBytes("10 01 25 42 06 00 00 6E 16"), hexBytes("10 01 25 42 06 00 00 6E 16"),
          hexBytes("10 00 25 42 06 00 00 6D 16")},
         30,
         2,
         {},
         0},
        {"control byte once",
         0,
         2,
         {hexBytes("10 01 25 42 06 00 00 6E 16"), hexBytes("10 00 25 42 06 00 00 6D 16")},
         0,
         2,
         hexBytes("42060000"),
         4},
        {"a long frame too short for its address",
         0,
         2,
         {hexBytes("68 01 01 68 00 00 16"), hexBytes("68 01 01 68 00 00 16"),
          hexBytes("68 01 01 68 00 00 16")},
         31,
         3,
         {},
         0},
    };
    for (const auto& c : cases) {
        makeLink();
        link->SetRetries(3);
        answerFrames(*port, c.answers);
        LinkAnswer a;
        a.bytes.fill(0xCC);
        const LinkStatus st = link->ReadParam(0x0100, c.expected, direct(0x25, c.checksumKind), a);
        EXPECT_EQ(st, c.status) << c.name;
        EXPECT_EQ(port->writes.size() / 3, c.frames) << c.name;
        if (c.status == Status::Ok) {
            EXPECT_EQ(a.count(), c.count) << c.name;
            EXPECT_EQ(
                QByteArray(reinterpret_cast<const char*>(a.bytes.data()) + 6, int(c.data.size())),
                c.data)
                << c.name;
        }
    }
}

TEST_F(AnswerTest, WritesCountAPositiveReceiptAsSuccess)
{
    makeLink();
    answerFrames(*port, {hexBytes("A2"), hexBytes("A2"), hexBytes("E5")});
    EXPECT_EQ(link->WriteParam(0x0100, hexBytes("02"), direct()), Status::Ok);
    EXPECT_EQ(link->WriteParamAt(0x0200, 0, hexBytes("FFFFFFFF"), true, direct()), Status::Ok);
    EXPECT_EQ(link->WriteParam(0x0100, hexBytes("02"), direct()), Status::NegativeReceipt);
}

TEST_F(AnswerTest, AccessLevelMustBeTheOneAskedFor)
{
    makeLink();
    answerFrames(*port, {hexBytes("10 00 25 01 00 00 00 26 16")});
    EXPECT_EQ(link->SetAccessLevel(2, QString(), direct()), Status::AccessDenied);
}

TEST_F(AnswerTest, RandomAndCutAnswersGiveAStatusAndNothingElse)
{
    // Seeded noise, start bytes with random lengths, and good frames cut short or with one
    // byte changed: every answer ends in a status of the table, and a good status only with a
    // count the answer record can hold.
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return std::uint8_t(seed >> 16);
    };
    const QByteArray good = hexBytes("68 08 08 68 00 25 01 02 03 04 05 06 3A 16");
    for (int round = 0; round < 300; ++round) {
        QByteArray a;
        switch (round % 3) {
        case 0:
            for (int i = next() % 40; i > 0; --i)
                a.append(char(next()));
            break;
        case 1:
            a = QByteArray::fromHex("68");
            a.append(char(next()));
            a.append(a[1]);
            a.append(char(0x68));
            for (int i = next(); i > 0; --i)
                a.append(char(next()));
            break;
        default:
            a = good.left(next() % (good.size() + 1));
            if (!a.isEmpty())
                a[next() % a.size()] = char(next());
            break;
        }
        makeLink();
        link->SetRetries(1);
        answerFrames(*port, {a});
        LinkAnswer answer;
        const LinkStatus st = link->ReadParam(0x0100, 6, direct(0x25, round % 3), answer);
        EXPECT_TRUE(st >= 0 && st < Status::kCount) << round;
        if (st == Status::Ok) {
            EXPECT_LE(answer.count(), LinkAnswer::kSize - LinkAnswer::kDataOffset) << round;
        }
    }
}
