#pragma once

#include "core/config/GatewayConfig.h"
#include "core/exchange/ExchangeSteps.h"

namespace veg {

// Reads a configuration back from the gateway: access, the protocol it runs, its general
// settings, then that protocol's tables through the inverse of the image. It fills the
// configuration it is given, which the caller puts in place of the program's only when the read
// is complete.
class GatewayReader : public ExchangeSteps
{
public:
    using ExchangeSteps::ExchangeSteps;

    // The whole read into `out`, which starts from the general settings `current` (those the
    // image does not carry keep their values). On success `out` is a read-back configuration:
    // its controllers are the network numbers the rows point at, its tables' changed flags are
    // set.
    bool read(const CommonSettings& current, GatewayConfig& out);

    // Access, the protocol code (`Protocol` of `config`) and the general settings.
    bool ReadSettings(GatewayConfig& config);
    // The tables of `config.Protocol`, into tables already made for it.
    bool ReadTables(GatewayConfig& config);
    bool ReadProtocolTables(GatewayConfig& config, const LinkTarget& target);

    const ReferencedNets& referencedNets() const { return m_nets; }

    // The message of a protocol code that names no protocol.
    static QString unknownProtocol(int code);

private:
    ReferencedNets m_nets;
};

} // namespace veg
