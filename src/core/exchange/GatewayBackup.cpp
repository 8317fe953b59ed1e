#include "core/exchange/GatewayBackup.h"

#include "core/exchange/GatewayReader.h"
#include "core/text/NumberText.h"

#include <QDir>
#include <QFileInfo>

namespace veg {

QString GatewayBackup::folderFor(const QString& configFile, const QString& documents)
{
    if (configFile.trimmed().isEmpty())
        return documents;
    const QFileInfo file(configFile);
    return file.absoluteDir().filePath(file.completeBaseName() +
                                       QStringLiteral(" — копии ВЕГ"));
}

QString GatewayBackup::fileName(std::uint8_t gateway, const QDateTime& when)
{
    return QStringLiteral("ВЕГ %1 %2.veg")
        .arg(NumberText::hex(gateway, 2), when.toString(QStringLiteral("yyyy-MM-dd hh-mm-ss")));
}

bool GatewayBackup::take(LinkSession& session, ExchangeView& view, const CommonSettings& current,
                         const QString& folder, const QDateTime& when, const SaveOptions& options)
{
    path.clear();
    error.clear();
    readFailed = false;
    GatewayConfig copy;
    if (!GatewayReader(session, view).read(current, copy)) {
        readFailed = true;
        error = session.ErrorText.trimmed();
        return false;
    }
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("не удалось создать папку ") + QDir::toNativeSeparators(folder);
        return false;
    }
    const QDir dir(folder);
    const QString name = fileName(session.settings().GatewayNumber, when);
    QString target = dir.filePath(name);
    // Two copies in one second keep both: the earlier one is never replaced.
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = dir.filePath(name.chopped(4) + QStringLiteral(" (%1).veg").arg(n));
    const SaveResult saved = SaveConfiguration(copy, target, true, options);
    if (!saved.ok) {
        error = saved.message;
        return false;
    }
    path = target;
    return true;
}

} // namespace veg
