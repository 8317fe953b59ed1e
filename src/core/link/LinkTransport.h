#pragma once

#include "core/link/LinkStatus.h"
#include "core/link/LinkTarget.h"

#include <QByteArray>

#include <cstdint>

namespace veg {

// The parameter operations as one line kind carries them: the RS-232 line (to the gateway, or in
// transit through the master module) and the CAN-BUS adapter build their own requests and judge
// their own answers. The link object picks the line once per operation, by the request kind of
// the target; what both share (the repetition of the element read, the access level check) stays
// with it.
class LinkTransport
{
public:
    virtual ~LinkTransport() = default;

    virtual LinkStatus readParam(std::uint16_t paramNo, int expectedSize, const LinkTarget& target,
                                 LinkAnswer& answer) = 0;
    virtual LinkStatus writeParam(std::uint16_t paramNo, const QByteArray& data,
                                  const LinkTarget& target) = 0;
    virtual LinkStatus writeParamAt(std::uint16_t paramNo, std::uint16_t index,
                                    const QByteArray& data, bool selectFirst,
                                    const LinkTarget& target) = 0;
    // One round of the element read; `got` is the number of elements received.
    virtual LinkStatus readParamAt(std::uint16_t paramNo, std::uint16_t index, int bytes,
                                   int elementSize, const LinkTarget& target, LinkAnswer& answer,
                                   int& got) = 0;
    // The access request; the answer's first data byte is the level in force.
    virtual LinkStatus accessLevel(int level, const QByteArray& code, const LinkTarget& target,
                                   LinkAnswer& answer) = 0;
};

} // namespace veg
