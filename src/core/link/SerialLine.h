#pragma once

#include "core/link/LinkLine.h"
#include "core/link/LinkTransport.h"

#include <QString>

namespace veg {

// The RS-232 line: serial frames to the gateway or, in transit, to the master module, their
// answers read and judged with the waits of the line, retried as the link's rules say, and
// traced.
class SerialLine : public LinkTransport
{
public:
    explicit SerialLine(LinkLine& line);

    // One request (function code and data) with its retries. The answer's data bytes go to bytes
    // 6 onward of `answer`; `count` is the number the answer carried.
    LinkStatus Transact(const QByteArray& request, int& count, int checksumKind,
                        std::uint8_t address, int requestKind, int expectedSize, int lineKind,
                        LinkAnswer& answer);
    // A request as the dispatcher sends it: clears the abort flag first; 9 on a closed port;
    // a positive receipt is success when no data was expected; a failed write closes the port.
    LinkStatus send(const QByteArray& request, const LinkTarget& target, LinkAnswer& answer);

    LinkStatus readParam(std::uint16_t paramNo, int expectedSize, const LinkTarget& target,
                         LinkAnswer& answer) override;
    LinkStatus writeParam(std::uint16_t paramNo, const QByteArray& data,
                          const LinkTarget& target) override;
    LinkStatus writeParamAt(std::uint16_t paramNo, std::uint16_t index, const QByteArray& data,
                            bool selectFirst, const LinkTarget& target) override;
    LinkStatus readParamAt(std::uint16_t paramNo, std::uint16_t index, int bytes, int elementSize,
                           const LinkTarget& target, LinkAnswer& answer, int& got) override;
    LinkStatus accessLevel(int level, const QByteArray& code, const LinkTarget& target,
                           LinkAnswer& answer) override;

    // Copies the count into byte 4 of a read answer and clears the bytes of a value shorter than
    // three, so that nothing of an earlier answer shows through.
    static void fillReadAnswer(LinkAnswer& answer, int count);

    std::uint8_t PacketNo() const { return m_packetNo; }
    int LastCount() const { return m_lastCount; }
    bool LongAnswer() const { return m_longAnswer; }

private:
    struct Received
    {
        LinkStatus status = Status::NoAnswer;
        int count = 0;
        bool framed = false;
        std::uint8_t control = 0;
    };
    Received ReceiveFrame(int checksumKind, std::uint8_t address, int expectedSize, int lineKind,
                          LinkAnswer& answer);
    // A request straight to the gateway: 9 on a closed port, a failed write closes it.
    LinkStatus direct(const QByteArray& request, const LinkTarget& target, int expectedSize,
                      LinkAnswer& answer, int& count);

    LinkLine& m_line;
    std::uint8_t m_packetNo = 0;
    int m_lastCount = 0;
    bool m_longAnswer = false;
    QString m_sendLine = QStringLiteral(">> ");
    QString m_receiveLine = QStringLiteral("<< ");
};

} // namespace veg
