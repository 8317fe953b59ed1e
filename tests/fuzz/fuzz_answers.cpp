// Any bytes as a device's answer. The frame reader must judge them without reading out of
// bounds, and a frame it accepts must be exactly the frame the link would build from its
// contents; the link itself, reading them from a port in virtual time on either line kind, must
// end with a status of the table and no crash.
//
// Input: byte 0 chooses the case (bits 0-1 the checksum kind, bit 2 the CAN-BUS adapter, bits 3-5
// the expected data size), the rest arrives on the line after the request.
#include "core/link/KalO.h"
#include "core/link/LinkFrames.h"
#include "core/link/SerialFrameReader.h"
#include "sim/ManualClock.h"
#include "sim/TimedBytes.h"

#include <cstdint>
#include <cstdlib>

using namespace veg;

namespace {

// A port that answers every write with the fuzzer's bytes, once.
class AnswerPort : public SerialPort
{
public:
    AnswerPort(sim::ManualClock& clock, QByteArray answer)
        : m_clock(clock), m_incoming(clock), m_answer(std::move(answer))
    {}
    bool open(const QString&) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool setBaudRate(int) override { return true; }
    bool setFrameFormat(bool, bool) override { return true; }
    bool setCharacterFormat(Parity, StopBits) override { return true; }
    void setTimeouts(int readMs, int) override { m_readMs = readMs; }
    int read(std::uint8_t* buffer, int n) override
    {
        return m_open ? m_incoming.read(buffer, n, m_readMs) : -1;
    }
    bool write(const std::uint8_t* data, int n) override
    {
        if (!m_open)
            return false;
        if (n == LinkFrames::kAdapterConfigSize) { // the adapter's reset answer
            for (char c : QByteArray("@\r\n"))
                m_incoming.push(m_clock.nowMs(), std::uint8_t(c));
            return true;
        }
        m_written += n;
        if (!m_answered && m_written >= 9) {
            m_answered = true;
            qint64 at = m_clock.nowMs();
            for (char c : m_answer)
                m_incoming.push(at++, std::uint8_t(c)); // a byte a millisecond
        }
        return true;
    }
    bool purgeInput() override { return true; }
    bool setDtr(bool) override { return true; }
    bool setRts(bool) override { return true; }
    std::optional<std::uint32_t> modemStatus() override { return kCarrierOn; }

private:
    sim::ManualClock& m_clock;
    sim::TimedBytes m_incoming;
    QByteArray m_answer;
    bool m_open = false;
    bool m_answered = false;
    int m_written = 0;
    int m_readMs = 0;
};

void checkReader(const QByteArray& bytes, int checksumKind)
{
    SerialFrameReader r(checksumKind, 0x25);
    for (char c : bytes) {
        r.push(std::uint8_t(c));
        if (r.phase() == SerialFrameReader::Phase::Done)
            break;
    }
    if (r.phase() != SerialFrameReader::Phase::Done)
        return;
    if (r.status() < 0 || r.status() >= Status::kCount)
        std::abort();
    if (r.status() != Status::Ok)
        return;
    // An accepted frame is the link's own frame of its contents, byte for byte, where the
    // contents decide the frame's form (a short frame carries 4 data bytes, a long one 5 or more).
    const QByteArray payload = r.payload();
    const bool sameForm = r.isLong() ? payload.size() >= 5 : payload.size() == 4;
    if (!sameForm)
        return;
    const QByteArray rebuilt =
        LinkFrames::serialFrame(payload, r.control(), std::uint8_t(r.address()), checksumKind)
            .whole();
    if (bytes.mid(r.skipped(), rebuilt.size()) != rebuilt)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int mode = data[0];
    const QByteArray answer(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const int checksumKind = (mode & 3) == 3 ? 0 : mode & 3;
    const bool can = mode & 4;
    const int expectedSize = (mode >> 3) & 7;

    for (int kind = 0; kind < 3; ++kind)
        checkReader(answer, kind);

    sim::ManualClock clock;
    LinkShared shared;
    shared.TraceLevel = 4; // every trace line is built
    LinkContext c;
    c.clock = &clock;
    c.shared = &shared;
    c.log = [](const QString&) {};
    KalO link(std::make_unique<AnswerPort>(clock, answer), c, QStringLiteral("COM1"),
              can ? KalO::kCanBus : KalO::kRs232, 10);
    link.SetRetries(1);
    LinkTarget t;
    t.Address = t.Destination = 0x25;
    t.ChecksumKind = checksumKind;
    t.LineKind = can ? KalO::kCanBus : KalO::kRs232;
    t.RequestKind = can ? LinkTarget::kCanRequest : LinkTarget::kSerialRequest;
    LinkAnswer a;
    int got = 0;
    const LinkStatus st = (mode & 0x40)
                              ? link.ReadParamAt(0x0301, 3, expectedSize, expectedSize, t, a, got)
                              : link.ReadParam(0xF000, expectedSize, t, a);
    if (st < 0 || st >= Status::kCount || a.count() > LinkAnswer::kSize)
        std::abort();
    return 0;
}
