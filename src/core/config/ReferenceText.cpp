#include "core/config/ReferenceText.h"

#include "core/config/GatewayConfig.h"
#include "core/text/NumberText.h"

namespace veg {

namespace {

QString unknownParameter(std::uint16_t paramNumber, std::uint8_t netNumber)
{
    return QStringLiteral("Параметр ") + NumberText::hex(paramNumber, 4) +
           QStringLiteral(" (модуль ") + NumberText::hex(netNumber, 2) + u')';
}

} // namespace

QString DescribeReference(const GatewayConfig& config, std::uint8_t netNumber,
                          std::uint16_t paramNumber, bool group, const QString& storedName)
{
    if (!group) {
        return config.ControllerPresent(netNumber) ? storedName
                                                   : unknownParameter(paramNumber, netNumber);
    }
    const int slot = paramNumber >> 8;
    if (slot >= int(config.GroupParams.size()))
        return unknownParameter(0xFFFF, 255);
    const GroupParamRef& g = config.GroupParams[std::size_t(slot)];
    return config.ControllerPresent(g.NetNumber) ? g.Name
                                                 : unknownParameter(g.ParamNumber, g.NetNumber);
}

} // namespace veg
