#pragma once

#include "core/editors/ControllerTreeForm.h"

namespace veg {

struct GroupParamRef;
struct HartDevice;

// "Настройка параметров" (TFHART): the 16 HART devices of a HART configuration, one at a time,
// chosen in the selector "Device" ("Условный номер устройства", 1-16), and their five
// parameters each (GroupParams row device × 5 + n). Column 0 holds the row titles, column 1 the
// device's values. The tree shows the parameters of the device's controller only, each with its
// archive depth.
//
// The type, number and code of a device are kept in the grid until another device is chosen or
// the window closes; everything else is stored as it is made.
class HartDevicesForm : public ControllerTreeForm
{
public:
    explicit HartDevicesForm(EditorSession& session);

    enum Row
    {
        TypeRow = 1,
        NumberRow = 2,
        CodeRow = 3,
        ControllerRow = 4,
        FirstSlotRow = 5, // "Параметр за текущий месяц", slot 0
        HourlyRow = 7,    // "Параметр "часовой архив"", slot 2
        FirstArchiveRow = 7,
        LastSlotRow = 9,
        DepthRow = 10, // "Глубина часового архива"
        RowCount = 11
    };

    QString windowName() const override { return QStringLiteral("TFHART"); }
    QString caption() const override { return QStringLiteral("Настройка параметров"); }
    void FormActivate() override;

    void clickCell(int row, int column) override;
    void dropOnCell(int row, int column) override;
    void place(int slot = -1) override;
    std::vector<FormField> fields() const override;
    void chooseField(const QString& id, int index) override;

    bool RebindController(int controllerIndex) override;
    void RemoveControllerRefs(int controllerIndex) override;
    bool ChangedFlags::*changedFlag() const override { return &ChangedFlags::HartChanged; }

    // The id of the device selector.
    static QString deviceField() { return QStringLiteral("Device"); }
    // The title of a grid row: "Параметр отказа", ...
    static QString rowTitle(int row);
    int device() const { return m_device; }

protected:
    bool offers(const Task_CL& database, const TaskRecord& task,
                const ParamCandidate& candidate) const override;
    bool testsArchives() const override { return true; }
    void fillRow(int row) override;
    bool isReferenceCell(int row, int column) const override;
    QString wrongCellMessage() const override { return {}; }
    void storeReference(int row, int column, const PlacedParam& placed) override;
    bool cellChanged(int row, int column, const QString& text) override;
    QStringList dropDownItems(int row, int column) const override;
    void choiceMade(int row, int column, int index) override;
    CellEdit editorFor(int row, int column) const override;
    void menuCommand(const QString& item, int row, int column) override;
    bool closeCheck() override;

private:
    HartDevice& current() const;
    GroupParamRef& slot(int n) const;
    void showDevice();
    void syncTree();
    void resetSlots();
    // Rows 1-3 into the device shown, when they were changed.
    void storeCodes();

    int m_device = 0;
    bool m_deviceChanged = false;
};

} // namespace veg
