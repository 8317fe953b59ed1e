#pragma once

#include "core/config/ConfigFile.h"
#include "core/config/GatewayConfig.h"
#include "core/exchange/ExchangeView.h"
#include "core/exchange/LinkSession.h"

#include <QDateTime>
#include <QString>

#include <cstdint>

namespace veg {

// A copy of what a gateway holds, taken before a write overwrites it: the gateway's configuration
// is read back into a configuration of its own (the user's stays untouched) and saved as a ".veg"
// file of its own, replaced atomically. The exchange window's "Сохранить копию из ВЕГ перед
// записью" and vegctl's write --backup take it through here.
class GatewayBackup
{
public:
    // Where the copies of a configuration go: "<folder of the file>/<file name> — копии ВЕГ"
    // beside its file; the user's documents folder `documents` for a configuration never saved.
    static QString folderFor(const QString& configFile, const QString& documents);
    // "ВЕГ <NN> <yyyy-mm-dd hh-mm-ss>.veg": the gateway's network number, the time of the copy.
    static QString fileName(std::uint8_t gateway, const QDateTime& when);

    // Reads the gateway `gateway` (the session's chosen one) and saves its configuration into
    // `folder` (made when missing), under fileName(); a name already taken in that second gets
    // " (2)", " (3)"... False when the read or the save failed: `error` says why, and for a read
    // the session's LastStatus too (Aborted after "Прервать").
    bool take(LinkSession& session, ExchangeView& view, const CommonSettings& current,
              const QString& folder, const QDateTime& when, const SaveOptions& options = {});

    // The file written by the last take() that succeeded.
    QString path;
    QString error;
    // The read itself failed (as against the save): LastStatus of the session tells why.
    bool readFailed = false;
};

} // namespace veg
