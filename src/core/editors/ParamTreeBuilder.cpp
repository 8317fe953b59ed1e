#include "core/editors/ParamTreeBuilder.h"

#include "core/config/GatewayConfig.h"
#include "core/database/Task_CL.h"
#include "core/editors/ReferenceRules.h"
#include "core/text/NumberText.h"

namespace veg {

namespace {

QString noDatabaseNodeText(std::uint8_t netNumber)
{
    return QStringLiteral("Модуль - сетевой номер ") + NumberText::hex(netNumber, 2);
}

// " (№ 0101)" without the cost of a formatted number per node: trees of big sites hold tens of
// thousands of parameter nodes.
void appendNumber(QString& text, std::uint16_t number)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    const char16_t tail[] = {u' ',
                             u'(',
                             u'№',
                             u' ',
                             digits[(number >> 12) & 0xF],
                             digits[(number >> 8) & 0xF],
                             digits[(number >> 4) & 0xF],
                             digits[number & 0xF],
                             u')'};
    text.append(reinterpret_cast<const QChar*>(tail), int(std::size(tail)));
}

bool withoutDatabase(const GatewayConfig& config, const ControllerEntry& c)
{
    return config.IsReadBack && !c.Present;
}

} // namespace

QString queueName(const QString& queuePath)
{
    const int slash = int(std::max(queuePath.lastIndexOf(u'/'), queuePath.lastIndexOf(u'\\')));
    QString name = queuePath.mid(slash + 1);
    const int dot = int(name.indexOf(u'.'));
    if (dot >= 0)
        name.truncate(dot);
    return name;
}

QString controllerNodeText(const GatewayConfig& config, int controller)
{
    if (controller < 0 || controller >= int(config.Controllers.size()))
        return {};
    const ControllerEntry& c = config.Controllers[std::size_t(controller)];
    return withoutDatabase(config, c) ? noDatabaseNodeText(c.NetNumber) : queueName(c.QueuePath);
}

QString controllerListText(const GatewayConfig& config, int controller)
{
    if (controller < 0 || controller >= int(config.Controllers.size()))
        return {};
    const ControllerEntry& c = config.Controllers[std::size_t(controller)];
    const QString name =
        withoutDatabase(config, c) ? QStringLiteral("Контроллер ") : queueName(c.QueuePath);
    return name + QStringLiteral("( CAN-адрес - ") + NumberText::hex(c.NetNumber, 2) +
           QStringLiteral(")");
}

int archiveDepth(const Task_CL& database, const ParamCandidate& candidate)
{
    const auto& descriptors = database.descriptors();
    if (candidate.Descriptor < 0 || std::size_t(candidate.Descriptor) >= descriptors.size())
        return 0;
    switch (descriptors[std::size_t(candidate.Descriptor)].descriptorClass()) {
    case 1:
        return candidate.Length / 24;
    case 2:
    case 3:
        return 1;
    default:
        return 0;
    }
}

std::optional<int> archiveDepthOf(const Task_CL& database, std::uint16_t taskNumber,
                                  std::uint16_t paramNumber)
{
    const auto& params = database.params();
    int found = -1;
    for (int i = 0; i < int(params.size()); ++i) {
        const ParamRecord& p = params[std::size_t(i)];
        if (p.Number != paramNumber)
            continue;
        if (std::uint16_t(p.Task) == taskNumber) {
            found = i;
            break;
        }
        if (found < 0)
            found = i;
    }
    if (found < 0)
        return std::nullopt;
    const ParamRecord& p = params[std::size_t(found)];
    const auto& descriptors = database.descriptors();
    ParamCandidate c;
    c.Descriptor = p.Descriptor;
    c.Param = found;
    if (p.Descriptor >= 0 && std::size_t(p.Descriptor) < descriptors.size()) {
        const ParamDescriptor& d = descriptors[std::size_t(p.Descriptor)];
        c.TypeCode = d.TypeCode;
        c.Length = d.isArray() ? d.Length : 0;
    }
    c.AttributeWord = p.AttributeWord;
    return archiveDepth(database, c);
}

bool BuildParameterTree(ParamTree& tree, const GatewayConfig& config, const TreeOptions& options)
{
    tree.clear();
    tree.kind = ParamTree::Kind::Parameters;
    tree.controller = options.onlyController;
    if (config.Controllers.empty())
        return false;

    std::vector<ParamCandidate> candidates;
    for (int ci = 0; ci < int(config.Controllers.size()); ++ci) {
        if (options.onlyController >= 0 && ci != options.onlyController)
            continue;
        const ControllerEntry& c = config.Controllers[std::size_t(ci)];
        TreeNode controllerNode;
        controllerNode.text = controllerNodeText(config, ci);
        controllerNode.controller = ci;
        controllerNode.expanded = options.expandAll || c.NetNumber == options.expandNet;
        const int cnode = tree.add(-1, std::move(controllerNode));
        if (withoutDatabase(config, c) || !c.Database)
            continue;
        const Task_CL& db = *c.Database;
        const auto& tasks = db.tasks();
        for (int ti = 0; ti < int(tasks.size()); ++ti) {
            const TaskRecord& task = tasks[std::size_t(ti)];
            candidates.clear();
            db.ListTaskParameters(task.Algorithm, ti, 1, candidates);
            int tnode = -1;
            for (const ParamCandidate& k : candidates) {
                if (options.offer && !options.offer(db, task, k))
                    continue;
                if (tnode < 0) {
                    TreeNode t;
                    t.text = options.shortTaskNames ? task.ShortName : task.LongName;
                    t.level = 1;
                    t.controller = ci;
                    t.task = ti;
                    t.taskNumber = task.Number;
                    tnode = tree.add(cnode, std::move(t));
                    ++tree.taskNodes;
                }
                const ParamRecord& p = db.params()[std::size_t(k.Param)];
                TreeNode n;
                // The short name, the long one when the short one is empty.
                n.text = p.ShortName.isEmpty() ? p.LongName : p.ShortName;
                if (options.numberInText)
                    appendNumber(n.text, p.Number);
                n.level = 2;
                n.controller = ci;
                n.task = ti;
                n.taskNumber = task.Number;
                n.param = k.Param;
                n.paramNumber = p.Number;
                if (options.archiveDepth)
                    n.archiveDepth = archiveDepth(db, k);
                tree.add(tnode, std::move(n));
            }
        }
    }
    return true;
}

bool BuildGroupTree(ParamTree& tree, const GatewayConfig& config)
{
    tree.clear();
    tree.kind = ParamTree::Kind::Groups;
    bool used = false;
    for (int s = 0; s < Rows::GroupSlots; ++s) {
        TreeNode root;
        root.text = QString::number(s + 1) + QStringLiteral(" параметр");
        root.slot = s;
        root.expanded = true;
        const int r = tree.add(-1, std::move(root));
        if (s >= int(config.GroupParams.size()) || !config.GroupParams[std::size_t(s)].isUsed())
            continue;
        const GroupParamRef& g = config.GroupParams[std::size_t(s)];
        TreeNode child;
        child.text = config.IsReadBack
                         ? DescribeReference(config, g.NetNumber, g.ParamNumber, false, g.Name)
                         : g.Name;
        appendNumber(child.text, g.ParamNumber);
        child.level = 1;
        child.slot = s;
        child.paramNumber = g.ParamNumber;
        tree.add(r, std::move(child));
        used = true;
    }
    return used;
}

bool LocateReference(ParamTree& tree, const GatewayConfig& config, std::uint8_t kind,
                     std::uint16_t taskNumber, std::uint16_t paramNumber, std::uint8_t netNumber)
{
    if (kind == 255) {
        tree.select(tree.firstNode());
        tree.requestFocus();
        return true;
    }
    const auto controller = config.ControllerIndex(netNumber);
    if (!controller)
        return false;
    int cnode = -1;
    for (int r : tree.roots()) {
        if (tree.node(r).controller == *controller) {
            cnode = r;
            break;
        }
    }
    int found = -1;
    if (cnode >= 0 && !config.Controllers[std::size_t(*controller)].Present) {
        found = cnode;
    } else if (cnode >= 0) {
        for (int t : tree.node(cnode).children) {
            if (std::uint16_t(tree.node(t).taskNumber) != taskNumber)
                continue;
            for (int p : tree.node(t).children) {
                if (tree.node(p).paramNumber == paramNumber) {
                    found = p;
                    break;
                }
            }
            break;
        }
    }
    tree.select(found >= 0 ? found : tree.firstNode());
    tree.requestFocus();
    return true;
}

std::uint8_t formatKind(std::uint8_t was, const PlacedParam& placed)
{
    if (placed.valueFormat)
        return *placed.valueFormat;
    return was == 255 ? 0 : was;
}

std::optional<PlacedParam> placedParameter(const ParamTree& tree, int node,
                                           const GatewayConfig& config)
{
    if (tree.kind != ParamTree::Kind::Parameters || node < 0 || node >= tree.size())
        return std::nullopt;
    const TreeNode& n = tree.node(node);
    if (n.level != 2 || n.controller < 0 || n.controller >= int(config.Controllers.size()))
        return std::nullopt;
    const TreeNode& taskNode = tree.node(n.parent);
    const TreeNode& controllerNode = tree.node(taskNode.parent);
    const ControllerEntry& c = config.Controllers[std::size_t(n.controller)];
    PlacedParam p;
    p.controller = n.controller;
    p.netNumber = c.NetNumber;
    p.taskNumber = std::uint16_t(taskNode.taskNumber);
    p.paramNumber = n.paramNumber;
    p.name = cutName(n.text + u'/' + taskNode.text + u'(' + controllerNode.text + u')');
    p.archiveDepth = n.archiveDepth;
    if (c.Database) {
        const ParameterMatch m = c.Database->FindParameter(p.paramNumber, AnyClass);
        if (m.Found) {
            const auto format = std::uint8_t((m.AttributeWord >> 8) & 0x3);
            p.valueFormat = format == 3 ? 0 : format;
        }
    }
    return p;
}

} // namespace veg
