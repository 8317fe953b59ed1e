#pragma once

#include "core/link/LinkFrames.h"
#include "core/link/LinkLine.h"
#include "core/link/LinkTransport.h"

#include <QString>

#include <array>
#include <functional>
#include <utility>
#include <vector>

namespace veg {

// The CAN-BUS adapter: 13-byte frames with their sequence byte, the carrier test before every
// exchange, the adapter's reset and configuration block, and the reopen of the port before the
// last attempt of an exchange that got no answer.
class CanAdapterLine : public LinkTransport
{
public:
    using Settings = std::vector<std::pair<QString, QString>>;

    // `reopen` closes the port and opens it again as the link first opened it (which resets and
    // configures the adapter).
    CanAdapterLine(LinkLine& line, std::function<void()> reopen);

    // One exchange with its retries; byte 1 of `frame` gets the sequence byte.
    LinkStatus CanTransact(LinkFrames::CanFrame frame, int lineKind, int expectedSize,
                           LinkAnswer& answer);
    // A request as the dispatcher sends it: clears the abort flag first; 9 on a closed port, 43
    // for anything but a 13-byte frame; a failed write closes the port.
    LinkStatus send(const QByteArray& request, const LinkTarget& target, LinkAnswer& answer);

    // The 36-byte configuration block from the adapter keys of section "Parametr" ("Acceptance
    // Filter", "Acceptance Mask", "CNF 321"), defaults for missing keys, and the speed byte at
    // `canSpeedPos` of the adapter's speed list.
    void LoadAdapterConfig(const Settings& settings, int canSpeedPos);
    // The reset pulse, the block, and the adapter's three-byte answer, which names its variant.
    bool InitAdapter();
    LinkStatus CheckCarrier();
    // Hexadecimal byte values separated by anything that is not a hex digit; true when at least
    // `wanted` were found, and then the first `wanted` are in `out`.
    static bool ParseHexList(const QString& text, int wanted, std::vector<std::uint8_t>& out);

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

    std::uint8_t OwnAddress() const { return m_ownAddress; }
    std::uint8_t CanToggle() const { return m_canToggle; }
    const std::array<std::uint8_t, LinkFrames::kAdapterConfigSize>& AdapterConfig() const
    {
        return m_adapterConfig;
    }
    int CanSpeedPos() const { return m_canSpeedPos; }
    int AdapterVariant() const { return m_adapterVariant; }

private:
    void resetPulse();
    // A frame of the operation to the target; 9 on a closed port.
    LinkStatus request(std::uint8_t command, std::uint16_t word, const QByteArray& data, int length,
                       const LinkTarget& target, int expectedSize, LinkAnswer& answer);

    LinkLine& m_line;
    std::function<void()> m_reopen;
    std::uint8_t m_ownAddress = 0; // the PC's address on the CAN side; never changed
    std::uint8_t m_canToggle = 0;
    std::array<std::uint8_t, LinkFrames::kAdapterConfigSize> m_adapterConfig{};
    int m_canSpeedPos = 0;
    int m_adapterVariant = 0;
    QString m_sendLine = QStringLiteral(">> ");
    QString m_receiveLine = QStringLiteral("<< ");
};

} // namespace veg
