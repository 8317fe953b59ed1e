#include "core/editors/TableEditorForm.h"

#include "core/ui/Dialogs.h"
#include "core/config/GatewayConfig.h"
#include "core/editors/ReferenceRules.h"
#include "core/settings/AdditionalSettings.h"
#include "core/text/HexKeyFilter.h"

namespace veg {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

constexpr char16_t kBackspace = 8;

} // namespace

void TableEditorForm::setupGrid(int headingRows, int dataRows, const std::vector<Column>& columns)
{
    m_grid.reset(headingRows + dataRows, int(columns.size()), headingRows, 1);
    for (int c = 0; c < int(columns.size()); ++c) {
        const Column& col = columns[std::size_t(c)];
        m_grid.widths[std::size_t(c)] = col.width;
        if (!col.heading.isEmpty())
            m_grid.merge(0, c, headingRows, 1, col.heading);
        m_grid.setColumnKind(c, col.kind, col.reference);
        m_grid.choices[std::size_t(c)] = col.items;
    }
    m_grid.numberRows(0);
    m_rowNumbers = true;
}

TreeOptions TableEditorForm::defaultTreeOptions() const
{
    TreeOptions o;
    o.shortTaskNames = session().additional.ShortTaskNames;
    return o;
}

void TableEditorForm::FormActivate()
{
    m_filling = true;
    m_clickSync = true;
    m_editing = false;
    if (m_rowNumbers)
        m_grid.numberRows(0);
    for (int r = firstDataRow(); r < m_grid.rowCount(); ++r)
        fillRow(r);
    rowsChanged();
    m_tree.visible = true;
    const bool shown = activateTree();
    m_grid.visible = shown;
    if (!shown)
        m_tree.visible = false;
    m_filling = false;
}

bool TableEditorForm::activateTree()
{
    if (!BuildParameterTree())
        return false;
    m_grid.setCurrent(firstDataRow(), 1);
    if (const auto ref = mainReference(firstDataRow()))
        LocateReference(ref->Kind, ref->TaskNumber, ref->ParamNumber, ref->NetNumber);
    return true;
}

bool TableEditorForm::BuildParameterTree(std::uint8_t expandNet)
{
    TreeOptions options = treeOptions();
    options.expandNet = expandNet;
    if (!veg::BuildParameterTree(m_tree, config(), options)) {
        dialogs().info(QStringLiteral("Нет списка контроллеров!"));
        return false;
    }
    return true;
}

void TableEditorForm::LocateReference(std::uint8_t kind, std::uint16_t taskNumber,
                                      std::uint16_t paramNumber, std::uint8_t netNumber)
{
    veg::LocateReference(m_tree, config(), kind, taskNumber, paramNumber, netNumber);
}

bool TableEditorForm::isReferenceCell(int row, int column) const
{
    if (!m_grid.isDataCell(row, column))
        return false;
    const GridCell& c = m_grid.cell(row, column);
    return c.reference && !c.grey;
}

void TableEditorForm::PlaceParameter()
{
    const int row = m_grid.currentRow, column = m_grid.currentColumn;
    if (!isReferenceCell(row, column)) {
        dialogs().info(wrongCellMessage());
        return;
    }
    const auto placed = placedParameter(m_tree, m_tree.selected(), config());
    if (!placed) {
        dialogs().info(QStringLiteral("Параметр не выбран!"));
        return;
    }
    storeReference(row, column, *placed);
    rowsChanged();
    m_tree.requestFocus();
    markChanged();
}

void TableEditorForm::markChanged()
{
    if (bool ChangedFlags::*flag = changedFlag())
        config().Changed.*flag = true;
}

void TableEditorForm::showReference(int row, int column, const QString& name, const QString& hint)
{
    GridCell& c = m_grid.cell(row, column);
    c.text = name;
    c.hint = hint;
}

QString TableEditorForm::shownName(std::uint8_t netNumber, std::uint16_t paramNumber,
                                   const QString& stored, bool group) const
{
    return config().IsReadBack ? DescribeReference(config(), netNumber, paramNumber, group, stored)
                               : stored;
}

void TableEditorForm::syncTreeWithCell(int row, int column)
{
    const auto ref = referenceAt(row, column);
    // An empty reference (Kind 255: a feedback or readiness reference whose sign or value was
    // never chosen, or was emptied by the type or steps) leaves the tree as it is.
    if (ref && ref->Kind != 255)
        LocateReference(ref->Kind, ref->TaskNumber, ref->ParamNumber, ref->NetNumber);
}

void TableEditorForm::clickCell(int row, int column)
{
    if (!m_grid.isDataCell(row, column))
        return;
    m_grid.setCurrent(row, column);
    if (m_clickSync && !m_filling)
        syncTreeWithCell(row, column);
    afterClick(row, column);
}

bool TableEditorForm::showTableRow(int index)
{
    if (!gridTable() || !m_grid.visible || index < 0 || gridRow(index) >= m_grid.rowCount())
        return false;
    clickCell(gridRow(index), 1);
    return m_grid.currentRow == gridRow(index);
}

QStringList TableEditorForm::dropDownItems(int row, int column) const
{
    return std::size_t(column) < m_grid.choices.size() ? m_grid.choices[std::size_t(column)]
                                                       : QStringList();
}

CellEdit TableEditorForm::editorFor(int row, int column) const
{
    const GridCell& c = m_grid.cell(row, column);
    CellEdit e;
    e.kind = c.kind;
    e.text = c.text;
    if (c.kind == CellKind::DropDown) {
        e.text.clear();
        e.items = dropDownItems(row, column);
    }
    return e;
}

CellEdit TableEditorForm::beginEdit()
{
    const int row = m_grid.currentRow, column = m_grid.currentColumn;
    m_editing = false;
    if (!m_grid.isDataCell(row, column) || !m_grid.visible)
        return {};
    GridCell& c = m_grid.cell(row, column);
    switch (c.kind) {
    case CellKind::Fixed:
    case CellKind::ReadOnly:
    case CellKind::Check:
        return {};
    default:
        break;
    }
    if (c.grey)
        return {};
    if (c.kind == CellKind::DropDown && !dropDownAllowed(row, column))
        return {};
    CellEdit e = editorFor(row, column);
    if (e.kind == CellKind::Mask && e.text.size() != e.mask.size())
        e.text = emptyMask(e.mask); // the cell's "нет" is not carried into the masked edit
    else if (e.maxLength > 0 && e.maxLength < marker().size() && e.text == marker())
        e.text.clear(); // an editor too short for the marker opens empty
    m_editorStart = e.text;
    m_editText = c.text;
    if (e.kind == CellKind::DropDown)
        c.text.clear(); // the drop-down stands in the cell until a choice
    m_editing = true;
    return e;
}

KeyOutcome TableEditorForm::cellKey(QChar key, const QString& text)
{
    KeyOutcome out;
    if (!m_editing)
        return out;
    const GridCell& c = m_grid.cell(m_grid.currentRow, m_grid.currentColumn);
    const bool backspace = key.unicode() == kBackspace;
    const bool hasMarker = text.contains(marker());
    switch (c.kind) {
    case CellKind::Numeric:
        out.accepted = backspace || isDigit(key);
        out.clearFirst = out.accepted && hasMarker;
        break;
    case CellKind::Decimal:
        if (key == u'.' || key == u',')
            key = session().decimalSeparator;
        out.accepted = backspace || isDigit(key) || key == session().decimalSeparator;
        out.clearFirst = out.accepted && hasMarker;
        break;
    case CellKind::Text:
        // Only the marker itself goes: a name may hold the letters "нет".
        out.accepted = backspace || key.isPrint();
        out.clearFirst = out.accepted && text == marker();
        break;
    case CellKind::Hex:
    case CellKind::Mask:
        key = backspace ? key : HexKeyFilter(key);
        out.accepted = !key.isNull() && key != u' ';
        out.clearFirst = out.accepted && hasMarker;
        break;
    default:
        break;
    }
    out.key = key;
    return out;
}

void TableEditorForm::endEdit(const QString& text)
{
    if (!m_editing)
        return;
    m_editing = false;
    const int row = m_grid.currentRow, column = m_grid.currentColumn;
    GridCell& c = m_grid.cell(row, column);
    const bool mask = c.kind == CellKind::Mask;
    // An editor left with the text it opened with changed nothing; a spin edit's value is a
    // choice even when the cell showed none before.
    const bool unchanged = text == m_editorStart && c.kind != CellKind::Spin;
    if (c.kind == CellKind::DropDown || text == m_editText || unchanged || m_filling) {
        c.text = m_editText;
        return;
    }
    QString value = text;
    // A masked edit left with free places: the user may have them filled with zeros; otherwise
    // the cell keeps them, and the editor's closing checks look at it again.
    if (mask && value.contains(u'_') &&
        dialogs().confirm(QStringLiteral("Введены не все данные.Заменить нулями?")))
        value.replace(u'_', u'0');
    c.text = value;
    if (!cellChanged(row, column, value)) {
        if (m_grid.isDataCell(row, column))
            m_grid.cell(row, column).text = m_editText;
    }
    rowsChanged();
}

QString TableEditorForm::withoutMarker(QString text)
{
    const int at = int(text.indexOf(u'н'));
    if (at >= 0)
        text.truncate(at);
    return text;
}

QString TableEditorForm::emptyMask(const QString& mask)
{
    QString text = mask;
    text.replace(u'H', u'_');
    return text;
}

void TableEditorForm::cancelEdit()
{
    if (!m_editing)
        return;
    m_editing = false;
    m_grid.cell(m_grid.currentRow, m_grid.currentColumn).text = m_editText;
}

void TableEditorForm::chooseInCell(int index)
{
    if (!m_editing)
        return;
    const int row = m_grid.currentRow, column = m_grid.currentColumn;
    GridCell& c = m_grid.cell(row, column);
    const QStringList items = dropDownItems(row, column);
    m_editing = false;
    if (c.kind != CellKind::DropDown || index < 0 || index >= items.size()) {
        c.text = m_editText;
        return;
    }
    c.text = items[index];
    choiceMade(row, column, index);
    rowsChanged();
}

void TableEditorForm::checkCell(int row, int column, bool checked)
{
    clickCell(row, column);
    if (!m_grid.isDataCell(row, column))
        return;
    GridCell& c = m_grid.cell(row, column);
    if (c.kind != CellKind::Check || c.grey || c.checked == checked)
        return;
    c.checked = checked;
    checkChanged(row, column, checked);
}

void TableEditorForm::deleteKey()
{
    const int row = m_grid.currentRow, column = m_grid.currentColumn;
    if (!m_grid.isDataCell(row, column))
        return;
    const GridCell& c = m_grid.cell(row, column);
    if (c.kind != CellKind::Numeric || c.grey)
        return;
    m_editText = m_editorStart = c.text;
    m_editing = true;
    endEdit(QString());
}

void TableEditorForm::dropOnCell(int row, int column)
{
    if (!m_grid.isDataCell(row, column))
        return;
    m_grid.setCurrent(row, column);
    if (!isReferenceCell(row, column))
        return; // a drop on a cell that takes no parameter does nothing
    m_clickSync = false;
    PlaceParameter();
    m_clickSync = true;
}

QStringList TableEditorForm::contextMenu(const UiTarget& target)
{
    if (!m_grid.visible || !m_grid.isDataCell(target.row, target.column))
        return {};
    m_grid.setCurrent(target.row, target.column);
    return menuItems(target.row, target.column);
}

void TableEditorForm::contextCommand(const QString& item)
{
    const int row = m_grid.currentRow, column = m_grid.currentColumn;
    if (!m_grid.isDataCell(row, column) || !menuItems(row, column).contains(item))
        return;
    menuCommand(item, row, column);
}

void TableEditorForm::menuCommand(const QString& item, int row, int column)
{
    if (item == deleteItem())
        deleteRow(row);
}

void TableEditorForm::deleteRow(int row)
{
    const QString question = QStringLiteral("Удалить ") + QString::number(dataIndex(row) + 1) +
                             QStringLiteral(" строку?");
    if (!dialogs().confirm(question))
        return;
    if (m_deleteMode == DeleteMode::InPlace) {
        resetTableRow(dataIndex(row));
        fillRow(row);
        rowsChanged();
    } else {
        removeTableRow(dataIndex(row));
        removeGridRow(row);
    }
    markChanged();
}

void TableEditorForm::removeGridRow(int row)
{
    m_grid.removeRow(row);
    if (m_rowNumbers)
        m_grid.numberRows(0);
    fillRow(m_grid.rowCount() - 1);
    rowsChanged();
}

void TableEditorForm::insertRow(int row)
{
    if (row < firstDataRow() || row >= m_grid.rowCount())
        return;
    insertTableRow(dataIndex(row));
    m_grid.insertRow(row);
    if (m_rowNumbers)
        m_grid.numberRows(0);
    for (int r = row; r < m_grid.rowCount(); ++r)
        fillRow(r);
    rowsChanged();
    markChanged();
}

std::vector<FormField> TableEditorForm::fields() const
{
    FormField place;
    place.id = placeButton();
    place.caption = QStringLiteral("<< Поместить");
    place.kind = FormField::Kind::Button;
    place.visible = m_grid.visible;
    return {place};
}

QString TableEditorForm::press(const QString& id)
{
    if (id == placeButton())
        PlaceParameter();
    return {};
}

} // namespace veg
