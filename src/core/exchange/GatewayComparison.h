#pragma once

#include "core/config/ConfigDiff.h"
#include "core/config/GatewayConfig.h"
#include "core/exchange/ExchangeView.h"
#include "core/exchange/LinkSession.h"

#include <QStringList>

#include <vector>

namespace veg {

// A configuration against what a gateway holds: the gateway's image is read back (abortable, the
// progress on the view) into a configuration of its own, and the two are compared field by field
// over what the image carries. The exchange window's "Сравнение с ВЕГ", its check after a write,
// and vegctl's diff --gateway and write --verify all compare through here.
struct GatewayComparison
{
    // Left: the file's side; right: the gateway's.
    std::vector<ConfigDifference> differences;

    bool equal() const { return differences.empty(); }
    // "Не сравниваются (их нет в образе ВЕГ): названия, ..." for `protocol`: what the image does
    // not carry, said once rather than listed as differences.
    static QString notCompared(ProtocolVariant protocol);
    // The differences in the words of the windows, one a line.
    QStringList inWords() const;

    // False when the configuration has no image (its refusal) or the read failed; the session's
    // LastStatus and ErrorText then say why.
    bool run(LinkSession& session, ExchangeView& view, const GatewayConfig& file);
};

} // namespace veg
