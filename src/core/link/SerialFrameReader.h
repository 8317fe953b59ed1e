#pragma once

#include "core/link/LinkStatus.h"

#include <QByteArray>

#include <cstdint>

namespace veg {

// Reads one serial frame of the RS-232 line byte by byte and judges it: a receipt byte, a short
// frame (0x10), or a long frame (0x68 L L 0x68), with the checks of its checksum kind. Pure: it
// knows neither ports nor time, so the link (answers, with its waits around it), the simulator
// (requests, from its buffer) and the fuzzer all read frames the same way.
//
// Bytes before a start byte are skipped. Once `phase()` is Done, `status()` holds the verdict:
// 37/38 for a receipt, 34/33 for a broken long header, else the trailer's checks (11, 36, 35,
// or 0) with a wrong address (31) taking precedence.
class SerialFrameReader
{
public:
    enum class Phase
    {
        Start,      // looking for a start byte
        LongHeader, // the three bytes after 0x68
        Body,       // control byte, address, data (and the CRC of checksum kind 1)
        Trailer,    // checksum and end byte, or the CRC of checksum kind 2
        Done,
    };
    static constexpr int kAnyAddress = -1;

    explicit SerialFrameReader(int checksumKind, int address = kAnyAddress);

    void push(std::uint8_t b);
    // Back to looking for a start byte: a long header did not complete within its wait.
    void restart();

    Phase phase() const { return m_phase; }
    LinkStatus status() const { return m_status; }
    // Bytes skipped before the start byte of the frame (or receipt) being read.
    int skipped() const { return m_skipped; }
    // A frame's body was read: not a receipt, not a broken long header.
    bool framed() const { return m_bodyLength >= 0 && int(m_body.size()) == m_bodyLength; }
    bool isLong() const { return m_long; }
    // -1 until the start byte (short frame) or the long header told it.
    int bodyLength() const { return m_bodyLength; }
    int bodyRead() const { return int(m_body.size()); }
    const QByteArray& body() const { return m_body; }
    std::uint8_t control() const { return m_body.isEmpty() ? 0 : std::uint8_t(m_body[0]); }
    // The frame's address byte; -1 when the body is too short to hold one.
    int address() const { return m_body.size() < 2 ? -1 : std::uint8_t(m_body[1]); }
    // The body from byte 2: what an answer record receives.
    QByteArray data() const { return m_body.mid(2); }
    // The number of data bytes as the link counts them: a long frame of checksum kind 1 does
    // not count the two CRC bytes of its data, a short one does.
    int count() const;
    // The data without the CRC of checksum kind 1: what a request carries.
    QByteArray payload() const;

private:
    void enterBody(int length);
    void judge();

    int m_checksumKind;
    int m_address;
    Phase m_phase = Phase::Start;
    LinkStatus m_status = Status::NoAnswer;
    int m_skipped = 0;
    bool m_long = false;
    bool m_crcInData = false; // checksum kind 1 and its CRC checked out: two data bytes are CRC
    int m_bodyLength = -1;
    QByteArray m_header;
    QByteArray m_body;
    QByteArray m_trailer;
};

} // namespace veg
