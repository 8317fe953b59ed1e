#include "core/exchange/GatewayComparison.h"

#include "core/exchange/GatewayImage.h"
#include "core/exchange/GatewayReader.h"

namespace veg {

QString GatewayComparison::notCompared(ProtocolVariant protocol)
{
    const QStringList notCarried = GatewayReader::commonNotCarried(protocol);
    return QStringLiteral("Не сравниваются (их нет в образе ВЕГ): названия, номера задач, очереди "
                          "задач контроллеров, тип файла%1")
        .arg(notCarried.isEmpty()
                 ? QString()
                 : QStringLiteral(", общие настройки ") + notCarried.join(QStringLiteral(", ")));
}

QStringList GatewayComparison::inWords() const
{
    QStringList out;
    for (const ConfigDifference& d : differences)
        out << d.inWords(QStringLiteral("в файле"), QStringLiteral("в ВЕГ"));
    return out;
}

bool GatewayComparison::run(LinkSession& session, ExchangeView& view, const GatewayConfig& file)
{
    differences.clear();
    const QString refusal = GatewayImage::refusal(file);
    if (!refusal.isEmpty()) {
        session.refuse(refusal);
        return false;
    }
    GatewayConfig gateway;
    // Both sides start from the file's general settings: those the image does not carry are the
    // same on both and never differ.
    if (!GatewayReader(session, view).read(file.Common, gateway))
        return false;
    DiffOptions options;
    options.fileType = false;
    options.controllerPaths = false;
    differences = compareConfigs(GatewayReader::imageOf(file, file.Common), gateway, options);
    return true;
}

} // namespace veg
