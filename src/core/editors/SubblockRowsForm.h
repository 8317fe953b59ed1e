#pragma once

#include "core/config/ConfigRecords.h"
#include "core/editors/EditorForm.h"
#include "core/editors/ParamTreeBuilder.h"

#include <optional>

namespace veg {

// The windows of one Магистраль-1 sub-block (TFTC, TFTU, TFNastrIKP), written once. Unlike the
// grid editors they show one group of rows at a time: the choices ("Operation", "Bit",
// "Measurement") pick the group and the row, the read-only boxes "Box1" ... show the rows of the
// group (the row's name, or in a configuration read back from a gateway the name derived from the
// database; the reference code as hint), and the page beside them holds the source choice
// ("Source") that decides which tree is shown, a spin box where the editor has one, the tree and
// "<< Поместить" ("Поместить"), which fills the chosen row from the tree by the chosen source.
//
// The window opens on the first group and row with no source chosen and no tree. Choosing a row
// (the same one too) makes the source follow it: an empty row "нет"-source (no tree), a group-bit row
// the group tree with its slot selected, any other row the parameter tree with its parameter
// located. A click on a box chooses that box's row.
class SubblockRowsForm : public EditorForm
{
public:
    explicit SubblockRowsForm(EditorSession& session) : EditorForm(session) {}

    void FormActivate() override;
    // The window keeps no checks: closing clears the choices and stops following them.
    bool closeRequested() override;

    const ParamTree* tree() const override { return &m_tree; }
    void selectNode(int node) override { m_tree.select(node); }
    void place(int slot = -1) override;

    std::vector<FormField> fields() const override;
    void clickField(const QString& id) override;
    QChar fieldKey(const QString&, QChar, int, int) override { return QChar(0); }
    void chooseField(const QString& id, int index) override;
    void spinField(const QString& id, int value) override;
    QString press(const QString& id) override;

    static QString boxField(int box) { return QStringLiteral("Box%1").arg(box + 1); }
    static QString sourceField() { return QStringLiteral("Source"); }
    static QString positionField() { return QStringLiteral("Position"); }
    static QString placeButton() { return QStringLiteral("Поместить"); }

    // The sub-block the window shows (the session's, within the table).
    int subblock() const;
    // The table row of the chosen group and row (-1 while nothing is chosen).
    int currentRow() const;

protected:
    enum class Source
    {
        Parameter,
        Group,
        None
    };
    struct Selector
    {
        QString id;      // "Operation"
        QString caption; // "Телеоперация"
        int count;       // the items are "1" ... count
    };
    struct Spin
    {
        QString id, caption;
        int minimum, maximum;
        std::optional<Source> shownFor; // visible while this source is chosen; none: always
    };

    // --- what an editor states
    virtual std::vector<Selector> selectors() const = 0;
    // Which selector picks the box (the row) within the group.
    virtual int boxSelector() const { return 0; }
    virtual int boxCount() const = 0;
    virtual QString boxCaption(int box) const { return QString::number(box + 1); }
    // The table row of box `box` of the chosen group.
    virtual int tableRow(int box) const = 0;
    virtual QString positionText() const = 0;
    virtual QString pageCaption() const = 0;
    // The items of the source choice and the source each stands for.
    virtual std::vector<std::pair<QString, Source>> sources() const = 0;
    virtual TreeOptions treeOptions() const = 0;
    virtual std::optional<Spin> spin() const { return std::nullopt; }
    // The spin box's value for a row the choices moved to (none: it keeps its value).
    virtual std::optional<int> spinValueOf(int row) const { return std::nullopt; }

    virtual ParamCore& core(int row) const = 0;
    virtual QString& name(int row) const = 0;
    virtual bool isGroupRow(int row) const { return false; }
    virtual void storeParameter(int row, const PlacedParam& placed) = 0;
    virtual void storeGroupBit(int row, int slot, int bit, const QString& nodeText) {}
    virtual void emptyRow(int row) = 0;
    virtual void markChanged() = 0;

    int spinValue() const { return m_spinValue; }
    int choice(int selector) const
    {
        return selector < int(m_choices.size()) ? m_choices[std::size_t(selector)] : -1;
    }

private:
    void followRow();
    // Shows the tree of a source; `row` (-1: none) is the row whose reference it then shows.
    void showSource(Source source, int row);
    std::optional<Source> chosenSource() const;
    // The window is open on a group and a row: every choice is made.
    bool allChosen() const;
    QString boxText(int row) const;

    ParamTree m_tree;
    std::vector<int> m_choices; // one item index per selector, -1 = none
    int m_source = -1;          // index in sources(), -1 = none
    int m_spinValue = 0;
    bool m_following = false;
};

} // namespace veg
