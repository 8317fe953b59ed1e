#include "core/editors/GroupParamsForm.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/database/Task_CL.h"
#include "core/editors/ReferenceRules.h"

#include <algorithm>

namespace veg {

TreeOptions GroupParamsForm::groupTreeOptions()
{
    TreeOptions o;
    o.offer = [](const Task_CL& db, const TaskRecord& task, const ParamCandidate& c) {
        return db.IsAlgorithm32(task.Algorithm) && (c.TypeCode & 0xB7) == 0xA4;
    };
    o.shortTaskNames = false; // this tree always shows the long task names
    o.expandAll = true;
    return o;
}

int GroupParamsForm::slotCount() const
{
    return std::min(int(config().GroupParams.size()), int(Rows::GroupSlots));
}

int GroupParamsForm::slotOf(const QString& id) const
{
    for (int s = 0; s < slotCount(); ++s) {
        if (id == slotField(s) || id == slotButton(s))
            return s;
    }
    return -1;
}

QString GroupParamsForm::slotText(int slot) const
{
    const GroupParamRef& g = config().GroupParams[std::size_t(slot)];
    if (!g.isUsed())
        return QStringLiteral("нет параметра");
    return config().IsReadBack
               ? DescribeReference(config(), g.NetNumber, g.ParamNumber, false, g.Name)
               : g.Name;
}

void GroupParamsForm::FormActivate()
{
    m_buttonsEnabled = false;
    m_menuSlot = -1;
    m_tree.clear();
    const GatewayConfig& c = config();
    const bool noDatabase = std::none_of(c.Controllers.begin(), c.Controllers.end(),
                                         [](const ControllerEntry& e) { return bool(e.Database); });
    if (noDatabase && (!c.IsReadBack || c.Controllers.empty())) {
        dialogs().info(QStringLiteral("Нет списка контроллеров!"));
        return;
    }
    BuildParameterTree(m_tree, c, groupTreeOptions());
    if (m_tree.taskNodes > 0)
        m_buttonsEnabled = true;
    else if (!c.IsReadBack)
        dialogs().info(QStringLiteral("Нет групповых параметров!"));
    if (slotCount() > 0)
        locateSlot(0);
}

std::vector<FormField> GroupParamsForm::fields() const
{
    std::vector<FormField> out;
    FormField heading;
    heading.id = QStringLiteral("Heading");
    heading.text = QStringLiteral("Групповые параметры");
    out.push_back(heading);
    for (int s = 0; s < slotCount(); ++s) {
        FormField f;
        f.id = slotField(s);
        f.caption = QStringLiteral("%1 параметр").arg(s + 1);
        f.kind = FormField::Kind::Text;
        f.readOnly = true;
        f.text = slotText(s);
        f.hint = refText(config().GroupParams[std::size_t(s)]);
        out.push_back(f);
        FormField b;
        b.id = slotButton(s);
        b.caption = QStringLiteral(">>");
        b.kind = FormField::Kind::Button;
        b.enabled = m_buttonsEnabled;
        out.push_back(b);
    }
    return out;
}

void GroupParamsForm::locateSlot(int slot)
{
    const GroupParamRef& g = config().GroupParams[std::size_t(slot)];
    m_tree.requestFocus();
    if (!g.isUsed()) {
        m_tree.select(m_tree.firstNode());
        return;
    }
    int found = -1;
    if (const auto controller = config().ControllerIndex(g.NetNumber)) {
        for (int root : m_tree.roots()) {
            const TreeNode& cnode = m_tree.node(root);
            if (cnode.controller != *controller)
                continue;
            if (!config().Controllers[std::size_t(*controller)].Present) {
                found = root;
                break;
            }
            for (int t : cnode.children) {
                if (std::uint16_t(m_tree.node(t).taskNumber) != g.TaskNumber)
                    continue;
                for (int p : m_tree.node(t).children) {
                    if (m_tree.node(p).paramNumber == g.ParamNumber)
                        found = p;
                }
            }
            break;
        }
    }
    m_tree.select(found); // nothing is selected when the parameter is not in the tree
}

void GroupParamsForm::clickField(const QString& id)
{
    const int s = slotOf(id);
    if (s >= 0 && id == slotField(s))
        locateSlot(s);
}

QChar GroupParamsForm::fieldKey(const QString&, QChar, int, int)
{
    return QChar(0); // the slot fields take no typed keys
}

void GroupParamsForm::place(int slot)
{
    if (slot < 0 || slot >= slotCount() || !m_buttonsEnabled)
        return;
    if (const auto placed = placedParameter(m_tree, m_tree.selected(), config())) {
        GroupParamRef& g = config().GroupParams[std::size_t(slot)];
        g.NetNumber = placed->netNumber;
        g.TaskNumber = placed->taskNumber;
        g.ParamNumber = placed->paramNumber;
        g.Name = placed->name;
        m_tree.requestFocus();
    }
    // Set also when the selection was no parameter and the slot stayed as it was.
    config().Changed.GroupChanged = true;
}

QString GroupParamsForm::press(const QString& id)
{
    const int s = slotOf(id);
    if (s >= 0 && id == slotButton(s))
        place(s);
    return {};
}

QStringList GroupParamsForm::contextMenu(const UiTarget& target)
{
    m_menuSlot = slotOf(target.field);
    if (m_menuSlot < 0 || target.field != slotField(m_menuSlot))
        return {};
    return {QStringLiteral("Удалить")};
}

void GroupParamsForm::contextCommand(const QString& item)
{
    if (item != QStringLiteral("Удалить") || m_menuSlot < 0)
        return;
    const int s = m_menuSlot;
    if (!dialogs().confirm(QStringLiteral("Удалить \"") + slotText(s) + QStringLiteral("\"?")))
        return;
    config().GroupParams[std::size_t(s)] = GroupParamRef{};
    config().Changed.GroupChanged = true;
}

bool GroupParamsForm::RebindController(int controllerIndex)
{
    std::vector<RefSlot> refs;
    for (int s = 0; s < slotCount(); ++s) {
        GroupParamRef& g = config().GroupParams[std::size_t(s)];
        refs.push_back({g.NetNumber, g.ParamNumber, &g.TaskNumber, &g.Name});
    }
    return RebindReferences(config(), controllerIndex, refs);
}

void GroupParamsForm::RemoveControllerRefs(int controllerIndex)
{
    if (controllerIndex < 0 || controllerIndex >= int(config().Controllers.size()))
        return;
    const std::uint8_t net = config().Controllers[std::size_t(controllerIndex)].NetNumber;
    for (int s = 0; s < slotCount(); ++s) {
        GroupParamRef& g = config().GroupParams[std::size_t(s)];
        if (g.NetNumber == net)
            g = GroupParamRef{};
    }
}

} // namespace veg
