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
