#include "core/editors/ControllerTreeForm.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/text/NumberText.h"

namespace veg {

QString ControllerTreeForm::press(const QString& id)
{
    if (id == placeButton())
        place();
    return {};
}

std::optional<PlacedParam> ControllerTreeForm::selectedParameterOf(std::uint8_t netNumber)
{
    auto placed = placedParameter(m_tree, m_tree.selected(), config());
    if (!placed) {
        dialogs().info(QStringLiteral("Параметр не выбран!"));
        return std::nullopt;
    }
    if (placed->netNumber != netNumber) {
        dialogs().info(QStringLiteral("Неправильный выбор!"));
        return std::nullopt;
    }
    return placed;
}

void ControllerTreeForm::beginActivation()
{
    m_filling = true;
    m_clickSync = true;
    m_editing = false;
    m_tree.clear();
    hideTree();
}

void ControllerTreeForm::placeDropped(int row, int column)
{
    m_grid.setCurrent(row, column);
    m_clickSync = false;
    place();
    m_clickSync = true;
}

TreeOptions ControllerTreeForm::treeOptions() const
{
    TreeOptions o = defaultTreeOptions();
    o.offer = [this](const Task_CL& db, const TaskRecord& task, const ParamCandidate& c) {
        return offers(db, task, c);
    };
    o.onlyController = m_treeController;
    o.archiveDepth = testsArchives();
    if (m_treeController >= 0 && m_treeController < int(config().Controllers.size()))
        o.expandNet = config().Controllers[std::size_t(m_treeController)].NetNumber;
    return o;
}

bool ControllerTreeForm::showControllerTree(std::uint8_t netNumber)
{
    const auto index = netNumber == 255 ? std::nullopt : config().ControllerIndex(netNumber);
    if (!index) {
        hideTree();
        return false;
    }
    session().currentController = *index;
    if (m_tree.visible && m_tree.kind == ParamTree::Kind::Parameters && m_treeController == *index)
        return true;
    m_treeController = *index;
    veg::BuildParameterTree(m_tree, config(), treeOptions());
    m_tree.visible = true;
    return true;
}

void ControllerTreeForm::hideTree()
{
    m_tree.visible = false;
}

int ControllerTreeForm::shownController() const
{
    return m_tree.visible && m_tree.kind == ParamTree::Kind::Parameters ? m_treeController : -1;
}

void ControllerTreeForm::selectParameter(std::uint16_t taskNumber, std::uint16_t paramNumber)
{
    int found = -1;
    for (int pass = 0; pass < 2 && found < 0; ++pass) {
        for (int root : m_tree.roots()) {
            for (int t : m_tree.node(root).children) {
                if (pass == 0 && std::uint16_t(m_tree.node(t).taskNumber) != taskNumber)
                    continue;
                for (int p : m_tree.node(t).children) {
                    if (m_tree.node(p).paramNumber == paramNumber) {
                        found = p;
                        break;
                    }
                }
                if (found >= 0)
                    break;
            }
        }
    }
    m_tree.select(found >= 0 ? found : m_tree.firstNode());
    m_tree.requestFocus();
}

void ControllerTreeForm::selectFirstNode()
{
    m_tree.select(m_tree.firstNode());
}

QStringList ControllerTreeForm::controllerItems() const
{
    QStringList items;
    for (int i = 0; i < int(config().Controllers.size()); ++i)
        items << controllerListText(config(), i);
    return items;
}

QString ControllerTreeForm::controllerText(std::uint8_t netNumber) const
{
    if (const auto index = config().ControllerIndex(netNumber))
        return controllerListText(config(), *index);
    // A network number the list does not hold (a file edited by hand): named as a controller
    // without database.
    return QStringLiteral("Контроллер ( CAN-адрес - ") + NumberText::hex(netNumber, 2) + u')';
}

std::optional<std::uint8_t> ControllerTreeForm::controllerNet(int index) const
{
    if (index < 0 || index >= int(config().Controllers.size()))
        return std::nullopt;
    return config().Controllers[std::size_t(index)].NetNumber;
}

QString ControllerTreeForm::slotHint(std::uint16_t paramNumber, std::uint8_t netNumber)
{
    return NumberText::hex(paramNumber, 4) + u' ' + NumberText::hex(netNumber, 2);
}

} // namespace veg
