// The trace lines a commissioning engineer reads when an exchange fails, pinned whole at fixed
// moments of virtual time (the clock starts at 10:00:00.000; opening the port takes 100 ms on
// the serial line, 300 ms with the adapter's reset).

#include "LinkFixture.h"

#include "core/link/LinkFrames.h"

using namespace veg;

namespace {

// Bytes arriving at given milliseconds after the request frame is out.
struct Arrival
{
    const char* hex;
    int afterMs;
};

struct Case
{
    const char* name;
    bool can;
    int level;
    int retries;
    // Per attempt, what arrives after the request.
    QList<QList<Arrival>> attempts;
    QStringList lines;
};

const QString kRequest = QStringLiteral(">> 10 40 25 01 00 F0 00 56 16 ");
const QString kCanRequest = QStringLiteral(">> 25 80 00 00 04 00 02 00 F0 00 00 00 00 ");

const Case kCases[] = {
    {"an answer with a wrong checksum, coming in three pieces",
     false,
     3,
     1,
     {{{"10", 10}, {"002542060000", 20}, {"0016", 40}}},
     {kRequest,
      // The body length was known at the start byte, the body was complete 10 ms later.
      "Vs=0 m2=3  plus 00:00:03:000 Now=10:00:00:112 Start=10:00:03:112 kpd=6 10:00:00:122 "
      "m1=6 10:00:00:132  10:00:00:152  Result=36 ish=9",
      "ошибки обмена ", "<< 10 00 25 42 06 00 00 00 16 "}},
    {"silence, late bytes, then an answer",
     false,
     3,
     2,
     {{{"002501", 3005}}, {{"100025420600006D16", 0}}},
     {kRequest,
      "Vs=0 m2=3  plus 00:00:03:000 Now=10:00:00:112 Start=10:00:03:112 kpd=0 10:00:03:112 "
      "m1=0 10:00:03:112  10:00:03:112  Result=1 ish=0",
      "ошибки обмена ", "<< ",
      // The moment of the request and the moment now, as plain times of day.
      "после того как: 00 25 01 10:00:00  10:00:03", kRequest, "<< 10 00 25 42 06 00 00 6D 16 "}},
    {"a long answer traced at level 4",
     false,
     4,
     1,
     {{{"68070768", 5}, {"00250102030405", 15}, {"3416", 25}}},
     {kRequest,
      "Vs=0 m2=3  plus 00:00:03:000 Now=10:00:00:112 Start=10:00:03:112 kpd=7 10:00:00:117 "
      "m1=7 10:00:00:127  10:00:00:137  Result=0 ish=13",
      "<< 68 07 07 68 00 25 01 02 03 04 05 34 16 "}},
    {"the adapter's answer, and a quiet line after it",
     true,
     3,
     1,
     {{{"00800000032542060000000000", 0}}},
     {kCanRequest, "<< 00 80 00 00 03 25 42 06 00 00 00 00 00 ", "после того как: "}},
    {"the adapter's answer, and stray bytes after it",
     true,
     3,
     1,
     {{{"00800000032542060000000000", 0}, {"55AA", 2}}},
     {kCanRequest, "<< 00 80 00 00 03 25 42 06 00 00 00 00 00 ", "после того как: 55 AA "}},
};

} // namespace

struct TraceTest : LinkFixture
{
};

TEST_F(TraceTest, WholeLinesAtFixedMoments)
{
    for (const Case& c : kCases) {
        clock = sim::ManualClock();
        auto attempt = std::make_shared<int>(0);
        auto pieces = std::make_shared<int>(0);
        const auto answer = [c, attempt](FakePort& p) {
            if (*attempt < c.attempts.size())
                for (const Arrival& a : c.attempts[(*attempt)])
                    p.arrive(QByteArray::fromHex(a.hex), a.afterMs);
            ++*attempt;
        };
        makeLink(c.can ? KalO::kCanBus : KalO::kRs232, 10, [&](FakePort& p) {
            p.onWrite = [=](FakePort& port, const QByteArray& bytes) {
                if (bytes.size() == LinkFrames::kAdapterConfigSize)
                    port.arrive(QByteArray("@\r\n"));
                else if (bytes.size() == LinkFrames::kCanFrameSize || ++*pieces % 3 == 0)
                    answer(port);
            };
        });
        link->SetRetries(c.retries);
        shared.TraceLevel = c.level;
        LinkTarget t = direct();
        if (c.can) {
            t.LineKind = KalO::kCanBus;
            t.RequestKind = LinkTarget::kCanRequest;
        }
        LinkAnswer a;
        link->ReadParam(0xF000, 2, t, a);
        EXPECT_EQ(logLines, c.lines) << c.name << "\n" << logLines.join('\n').toStdString();
    }
}
