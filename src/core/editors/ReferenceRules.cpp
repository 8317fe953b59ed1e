#include "core/editors/ReferenceRules.h"

#include "core/config/GatewayConfig.h"
#include "core/database/Task_CL.h"
#include "core/editors/ParamTreeBuilder.h"
#include "core/text/NumberText.h"

namespace veg {

QString cutName(const QString& name)
{
    return name.left(kNameLength);
}

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

bool RebindReferences(const GatewayConfig& config, int controller, const std::vector<RefSlot>& refs)
{
    if (controller < 0 || controller >= int(config.Controllers.size()))
        return false;
    const ControllerEntry& c = config.Controllers[std::size_t(controller)];
    auto ours = [&](const RefSlot& s) {
        return s.netNumber == c.NetNumber && s.paramNumber != 0xFFFF;
    };
    for (const RefSlot& s : refs) {
        int at = 0;
        if (ours(s) && (!c.Database || !c.Database->FindParameterIndex(s.paramNumber, at, false)))
            return false;
    }
    if (!c.Database)
        return true;
    const Task_CL& db = *c.Database;
    const QString queue = queueName(c.QueuePath);
    for (const RefSlot& s : refs) {
        if (!ours(s))
            continue;
        const int task = db.FindTaskOfParameter(s.paramNumber);
        const QString taskName =
            task >= 0 && task < db.taskCount() ? db.tasks()[std::size_t(task)].LongName : QString();
        if (s.taskNumber)
            *s.taskNumber = std::uint16_t(db.GetTaskNumber(task));
        if (s.name) {
            *s.name = cutName(queue + u'/' + taskName + u'/' +
                              db.GetParameterName(s.paramNumber, -1, false));
        }
    }
    return true;
}

} // namespace veg
