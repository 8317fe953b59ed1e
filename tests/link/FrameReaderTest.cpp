// The pure frame readers: what the link, the simulator and the fuzzer all judge frames with.

#include "core/link/LinkFrames.h"
#include "core/link/SerialFrameReader.h"

#include <gtest/gtest.h>

using namespace veg;
using Phase = SerialFrameReader::Phase;

namespace {

SerialFrameReader readAll(const QByteArray& bytes, int checksumKind, int address = 0x25)
{
    SerialFrameReader r(checksumKind, address);
    for (char c : bytes)
        r.push(std::uint8_t(c));
    return r;
}

QByteArray frame(const char* data, int checksumKind, std::uint8_t control = 0,
                 std::uint8_t address = 0x25)
{
    return LinkFrames::serialFrame(QByteArray::fromHex(data), control, address, checksumKind)
        .whole();
}

} // namespace

TEST(SerialFrameReader, JudgesWholeFrames)
{
    struct Case
    {
        const char* name;
        QByteArray bytes;
        int checksumKind;
        LinkStatus status;
        int count;   // data bytes as the link counts them
        int skipped; // bytes before the start byte
    } cases[] = {
        {"short, sum", frame("42060000", 0), 0, 0, 4, 0},
        {"short, CRC in the data", frame("42060000", 1), 1, 0, 6, 0},
        {"short, CRC instead of the sum", frame("42060000", 2), 2, 0, 4, 0},
        {"long, sum", frame("0102030405", 0), 0, 0, 5, 0},
        // A long frame of checksum kind 1 does not count its CRC as data; a short one does.
        {"long, CRC in the data", frame("0102030405", 1), 1, 0, 5, 0},
        {"garbage first", QByteArray::fromHex("FF0033") + frame("42060000", 0), 0, 0, 4, 3},
        {"positive receipt", QByteArray::fromHex("55A2"), 0, 37, 0, 1},
        {"negative receipt", QByteArray::fromHex("E5"), 0, 38, 0, 0},
        {"duplicate start", QByteArray::fromHex("6807076900"), 0, 34, 0, 0},
        {"duplicate length", QByteArray::fromHex("6807086800"), 0, 33, 0, 0},
        {"wrong sum", QByteArray::fromHex("100025420600000016"), 0, 36, 4, 0},
        {"wrong end", QByteArray::fromHex("100025420600006D17"), 0, 35, 4, 0},
        {"wrong CRC", frame("42060000", 2).left(7) + QByteArray::fromHex("0000"), 2, 11, 4, 0},
        // The address outranks the trailer's verdict.
        {"another address", frame("42060000", 0, 0, 0x26), 0, 31, 4, 0},
        {"too short for an address",
         QByteArray::fromHex("68010168") + QByteArray::fromHex("000016"), 0, 31, 0, 0},
    };
    for (const Case& c : cases) {
        const SerialFrameReader r = readAll(c.bytes, c.checksumKind);
        ASSERT_EQ(r.phase(), Phase::Done) << c.name;
        EXPECT_EQ(r.status(), c.status) << c.name;
        EXPECT_EQ(r.count(), c.count) << c.name;
        EXPECT_EQ(r.skipped(), c.skipped) << c.name;
    }
}

TEST(SerialFrameReader, TellsWhatItStillWaitsFor)
{
    const QByteArray f = frame("0102030405", 0);
    SerialFrameReader r(0, 0x25);
    const Phase expected[] = {Phase::LongHeader, Phase::LongHeader, Phase::LongHeader, Phase::Body};
    for (int i = 0; i < 4; ++i) {
        r.push(std::uint8_t(f[i]));
        EXPECT_EQ(r.phase(), expected[i]) << i;
    }
    EXPECT_EQ(r.bodyLength(), 7);
    for (int i = 4; i < f.size() - 2; ++i)
        r.push(std::uint8_t(f[i]));
    EXPECT_EQ(r.phase(), Phase::Trailer);
    EXPECT_EQ(r.data(), QByteArray::fromHex("0102030405"));

    // A long header cut short starts the search again after the bytes already taken.
    SerialFrameReader cut(0, 0x25);
    for (char c : QByteArray::fromHex("AA6807"))
        cut.push(std::uint8_t(c));
    cut.restart();
    EXPECT_EQ(cut.phase(), Phase::Start);
    for (char c : frame("42060000", 0))
        cut.push(std::uint8_t(c));
    EXPECT_EQ(cut.status(), Status::Ok);
    EXPECT_EQ(cut.skipped(), 3);
}

TEST(SerialFrameReader, RequestsCarryTheirPayloadWithoutTheCrc)
{
    for (int kind : {0, 1, 2}) {
        for (const char* data : {"0100F0", "160003020001FFFFFFFF"}) {
            const SerialFrameReader r =
                readAll(frame(data, kind, 0x40), kind, SerialFrameReader::kAnyAddress);
            ASSERT_EQ(r.status(), Status::Ok) << kind << data;
            EXPECT_EQ(r.control(), 0x40);
            EXPECT_EQ(r.address(), 0x25);
            // A short request is padded to four bytes.
            QByteArray expected = QByteArray::fromHex(data);
            expected.append(QByteArray(std::max<qsizetype>(0, 4 - expected.size()), '\0'));
            EXPECT_EQ(r.payload(), expected) << kind << data;
        }
    }
}

TEST(CanAnswer, JudgedAgainstItsRequest)
{
    const LinkFrames::CanFrame request = {0x25, 0xA0, 0, 0, 4, 0x00, 2, 0x00, 0xF0, 0, 0, 0, 0};
    const LinkFrames::CanFrame good = {0x00, 0xA0, 0, 0, 3, 0x25, 0x42, 0x06, 0, 0, 0, 0, 0};
    struct Case
    {
        const char* name;
        int at;
        std::uint8_t value;
        LinkStatus status;
    } cases[] = {
        {"as asked", -1, 0, Status::Ok},
        {"another sequence", 1, 0xC0, Status::ForeignFrame},
        {"same sequence bits", 1, 0x20, Status::Ok}, // only bits 5-6 are compared
        {"to another station", 0, 0x01, Status::ForeignFrame},
        {"from another device", 5, 0x26, Status::ForeignFrame},
        {"another length", 4, 0x02, Status::AdapterLength},
        {"length in the low bits", 4, 0xF3, Status::Ok},
    };
    for (const Case& c : cases) {
        LinkFrames::CanFrame a = good;
        if (c.at >= 0)
            a[std::size_t(c.at)] = c.value;
        EXPECT_EQ(LinkFrames::judgeCanAnswer(a, request, 0x00, 2), c.status) << c.name;
    }
}
