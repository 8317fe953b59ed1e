#pragma once

#include "core/database/ControllerRefsEditor.h"
#include "core/editors/EditorForm.h"
#include "core/editors/ParamTreeBuilder.h"

namespace veg {

// "Настройка групповых параметров" (TFGroup): the four group-parameter slots of the Магистраль-1,
// Modbus and КТС Энергия configurations, as four read-only fields ("Slot1" ... "Slot4") with a
// ">>" button each (">>1" ... ">>4") beside a tree of the group-parameter candidates.
class GroupParamsForm : public EditorForm, public ControllerRefsEditor
{
public:
    explicit GroupParamsForm(EditorSession& session) : EditorForm(session) {}

    QString windowName() const override { return QStringLiteral("TFGroup"); }
    QString caption() const override { return QStringLiteral("Настройка групповых параметров"); }
    void FormActivate() override;

    const ParamTree* tree() const override { return &m_tree; }
    void selectNode(int node) override { m_tree.select(node); }
    void place(int slot = -1) override;

    std::vector<FormField> fields() const override;
    void clickField(const QString& id) override;
    QChar fieldKey(const QString& id, QChar key, int length, int selected) override;
    QString press(const QString& id) override;
    QStringList contextMenu(const UiTarget& target) override;
    void contextCommand(const QString& item) override;

    bool RebindController(int controllerIndex) override;
    void RemoveControllerRefs(int controllerIndex) override;
    bool ChangedFlags::*changedFlag() const override { return &ChangedFlags::GroupChanged; }

    static QString slotField(int slot) { return QStringLiteral("Slot%1").arg(slot + 1); }
    static QString slotButton(int slot) { return QStringLiteral(">>%1").arg(slot + 1); }
    // Candidates: tasks whose algorithm is in Algorithms32, TypeCode masked with 0xB7 = 0xA4.
    static TreeOptions groupTreeOptions();

private:
    int slotCount() const;
    int slotOf(const QString& id) const;
    QString slotText(int slot) const;
    void locateSlot(int slot);

    ParamTree m_tree;
    bool m_buttonsEnabled = false;
    int m_menuSlot = -1;
};

} // namespace veg
