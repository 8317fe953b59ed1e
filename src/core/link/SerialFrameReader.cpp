#include "core/link/SerialFrameReader.h"

#include "core/link/LinkFrames.h"

#include <algorithm>

namespace veg {

using namespace LinkFrames;

SerialFrameReader::SerialFrameReader(int checksumKind, int address)
    : m_checksumKind(checksumKind), m_address(address)
{}

void SerialFrameReader::restart()
{
    m_phase = Phase::Start;
    m_status = Status::NoAnswer;
    m_skipped += int(m_header.size()) + 1; // the 0x68 and what followed it
    m_long = false;
    m_crcInData = false;
    m_bodyLength = -1;
    m_header.clear();
    m_body.clear();
    m_trailer.clear();
}

void SerialFrameReader::enterBody(int length)
{
    m_bodyLength = length;
    m_phase = length > 0 ? Phase::Body : Phase::Trailer;
}

void SerialFrameReader::push(std::uint8_t b)
{
    switch (m_phase) {
    case Phase::Start:
        if (b == kPositiveReceipt || b == kNegativeReceipt) {
            m_status = b == kPositiveReceipt ? Status::PositiveReceipt : Status::NegativeReceipt;
            m_phase = Phase::Done;
        } else if (b == kShortStart) {
            enterBody(m_checksumKind == 1 ? 8 : 6);
        } else if (b == kLongStart) {
            m_phase = Phase::LongHeader;
        } else {
            ++m_skipped;
        }
        return;
    case Phase::LongHeader:
        m_header.append(char(b));
        if (m_header.size() < 3)
            return;
        if (std::uint8_t(m_header[2]) != kLongStart) {
            m_status = Status::DuplicateStart;
            m_phase = Phase::Done;
        } else if (m_header[0] != m_header[1]) {
            m_status = Status::DuplicateLength;
            m_phase = Phase::Done;
        } else {
            m_long = true;
            enterBody(std::uint8_t(m_header[0]));
        }
        return;
    case Phase::Body:
        m_body.append(char(b));
        if (m_body.size() == m_bodyLength)
            m_phase = Phase::Trailer;
        return;
    case Phase::Trailer:
        m_trailer.append(char(b));
        if (m_trailer.size() == 2)
            judge();
        return;
    case Phase::Done:
        return;
    }
}

void SerialFrameReader::judge()
{
    m_phase = Phase::Done;
    if (m_checksumKind == 2) {
        m_status = Crc16(m_body + m_trailer) != 0 ? Status::CrcMismatch : Status::Ok;
    } else {
        m_status = Status::Ok;
        if (m_checksumKind == 1) {
            if (Crc16(m_body) != 0)
                m_status = Status::CrcMismatch;
            else
                m_crcInData = true;
        }
        if (m_status == Status::Ok) {
            if (std::uint8_t(m_trailer[0]) != sum8(m_body))
                m_status = Status::Checksum;
            else if (std::uint8_t(m_trailer[1]) != kEnd)
                m_status = Status::EndByte;
        }
    }
    if (address() < 0 || (m_address != kAnyAddress && address() != m_address))
        m_status = Status::Address;
}

int SerialFrameReader::count() const
{
    int n = std::max(0, int(m_body.size()) - 2);
    if (m_crcInData && m_long)
        n = std::max(0, n - 2);
    return n;
}

QByteArray SerialFrameReader::payload() const
{
    QByteArray d = data();
    if (m_checksumKind == 1)
        d.chop(2);
    return d;
}

} // namespace veg
