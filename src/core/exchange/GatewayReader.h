#pragma once

#include "core/config/GatewayConfig.h"
#include "core/exchange/ExchangeSteps.h"

#include <QStringList>

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

    // What a read-back gives of a gateway that holds the image of `config`, without a link: every
    // element encoded and decoded again, sections in the order of a read. The general settings
    // start from `current` as in read(); what the image does not carry (names, the controllers'
    // queues, general settings outside the protocol's image) is therefore the same as in any
    // read-back from `current`. Only for a configuration without an image refusal.
    static GatewayConfig imageOf(const GatewayConfig& config, const CommonSettings& current);
    // The fields of the general settings that the image of `protocol` does not carry, as the JSON
    // of a configuration names them ("AdrOKP", ...): a read-back keeps their `current` values.
    static QStringList commonNotCarried(ProtocolVariant protocol);

private:
    // The end of a complete read: the controllers from the network numbers the rows name, the
    // state of a read-back configuration.
    static void completeReadBack(GatewayConfig& out, const ReferencedNets& nets);

    ReferencedNets m_nets;
};

} // namespace veg
