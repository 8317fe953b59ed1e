#include "gui/widgets/EditorGridView.h"

#include "core/editors/EditorForm.h"
#include "gui/widgets/ContextMenu.h"
#include "gui/widgets/MaskedText.h"
#include "gui/widgets/ParamTreeView.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace veg {

namespace {

const QColor kGrey(0xC0, 0xC0, 0xC0);
const QColor kMarked(0xFF, 0xC8, 0x78);

bool editable(CellKind k)
{
    switch (k) {
    case CellKind::Fixed:
    case CellKind::ReadOnly:
    case CellKind::Check:
        return false;
    default:
        return true;
    }
}

} // namespace

// The form's grid as a table model: texts, colours, hints, check marks.
class EditorGridView::Model : public QAbstractTableModel
{
public:
    Model(EditorForm& form, QObject* parent) : QAbstractTableModel(parent), m_form(form) {}

    const EditorGrid* grid() const { return m_form.grid(); }
    int rowCount(const QModelIndex& parent) const override
    {
        return parent.isValid() || !grid() ? 0 : grid()->rowCount();
    }
    int columnCount(const QModelIndex& parent) const override
    {
        return parent.isValid() || !grid() ? 0 : grid()->columnCount();
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        const EditorGrid* g = grid();
        if (!g || !g->contains(index.row(), index.column()))
            return {};
        const GridCell& c = g->cell(index.row(), index.column());
        const bool data = g->isDataCell(index.row(), index.column());
        switch (role) {
        case Qt::DisplayRole:
            return c.text;
        case Qt::CheckStateRole:
            if (data && c.kind == CellKind::Check)
                return c.checked ? Qt::Checked : Qt::Unchecked;
            return {};
        case Qt::ToolTipRole:
            return data && !c.hint.isEmpty() ? QVariant(c.hint) : QVariant();
        case Qt::TextAlignmentRole:
            return int(Qt::AlignCenter);
        case Qt::BackgroundRole:
            if (!data)
                return QColor(0xE8, 0xE8, 0xE8);
            if (c.marked)
                return kMarked;
            return c.grey ? kGrey : QColor(Qt::white);
        case Qt::ForegroundRole:
            return QColor(Qt::black);
        default:
            return {};
        }
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        const EditorGrid* g = grid();
        if (!g || !g->isDataCell(index.row(), index.column()))
            return Qt::ItemIsEnabled;
        const GridCell& c = g->cell(index.row(), index.column());
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (editable(c.kind) && !c.grey)
            f |= Qt::ItemIsEditable;
        if (c.reference)
            f |= Qt::ItemIsDropEnabled;
        return f;
    }
    void refresh()
    {
        if (rowCount({}) > 0 && columnCount({}) > 0)
            emit dataChanged(index(0, 0), index(rowCount({}) - 1, columnCount({}) - 1));
    }
    void reset()
    {
        beginResetModel();
        endResetModel();
    }

private:
    EditorForm& m_form;
};

// The in-cell editors. The form opens the editor of its current cell, filters every key typed
// into it and takes its text when it is left; a drop-down's choice goes to the form at once.
class EditorGridView::Delegate : public QStyledItemDelegate
{
public:
    explicit Delegate(EditorGridView& view) : QStyledItemDelegate(&view), m_view(view) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override
    {
        EditorForm& form = m_view.m_form;
        const EditorGrid* g = form.grid();
        if (g->currentRow != index.row() || g->currentColumn != index.column())
            return nullptr; // the form moved its current cell elsewhere
        m_edit = form.beginEdit();
        m_choice = -1;
        m_committed = false;
        switch (m_edit.kind) {
        case CellKind::DropDown: {
            auto* combo = new QComboBox(parent);
            combo->setObjectName(QStringLiteral("CellDropDown"));
            combo->addItems(m_edit.items);
            combo->setCurrentIndex(-1);
            QObject::connect(combo, &QComboBox::activated, combo, [this, combo](int i) {
                m_choice = i;
                auto* self = const_cast<Delegate*>(this);
                emit self->commitData(combo);
                emit self->closeEditor(combo);
            });
            QTimer::singleShot(0, combo, &QComboBox::showPopup);
            m_view.m_model->refresh(); // the cell is empty while the list stands in it
            return combo;
        }
        case CellKind::Spin: {
            auto* spin = new QSpinBox(parent);
            spin->setObjectName(QStringLiteral("CellSpin"));
            spin->setRange(m_edit.minimum, m_edit.maximum);
            spin->setValue(m_edit.text.toInt());
            return spin;
        }
        case CellKind::Numeric:
        case CellKind::Text:
        case CellKind::Decimal:
        case CellKind::Hex:
        case CellKind::Mask: {
            auto* edit = new QLineEdit(parent);
            edit->setObjectName(QStringLiteral("CellEdit"));
            edit->setFrame(false);
            edit->setAlignment(Qt::AlignCenter);
            if (m_edit.kind == CellKind::Mask) {
                MaskedText::apply(edit, m_edit.mask);
                MaskedText::show(edit, m_edit.text);
                edit->selectAll(); // the first key frees every place, as a script types it
            } else {
                if (m_edit.maxLength > 0)
                    edit->setMaxLength(m_edit.maxLength);
                edit->setText(m_edit.text);
            }
            edit->installEventFilter(const_cast<Delegate*>(this));
            return edit;
        }
        default:
            return nullptr;
        }
    }
    void setEditorData(QWidget*, const QModelIndex&) const override {}
    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const override
    {
        EditorForm& form = m_view.m_form;
        m_committed = true;
        if (qobject_cast<QComboBox*>(editor)) {
            if (m_choice >= 0)
                form.chooseInCell(m_choice);
            else
                form.cancelEdit();
        } else if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
            form.endEdit(QString::number(spin->value()));
        } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            form.endEdit(edit->inputMask().isEmpty() ? edit->text() : MaskedText::text(edit));
        }
    }
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        if (!m_committed)
            m_view.m_form.cancelEdit(); // Esc, or a drop-down closed without a choice
        m_committed = false;
        QStyledItemDelegate::destroyEditor(editor, index);
        // The form may have changed more than the cell (a refusal, a choice's dependent cells):
        // the window renders once the grid has closed the editor.
        QTimer::singleShot(0, &m_view, [view = &m_view] { emit view->changed(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (edit && event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            // Enter leaves a masked edit also with free places (the view would keep it open):
            // the form asks what to do with them.
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                !edit->inputMask().isEmpty()) {
                auto* self = const_cast<Delegate*>(this);
                emit self->commitData(edit);
                emit self->closeEditor(edit, QAbstractItemDelegate::NoHint);
                return true;
            }
            const QString text = key->text();
            const bool backspace = key->key() == Qt::Key_Backspace;
            if (backspace || (!text.isEmpty() && text.at(0).isPrint())) {
                const QChar typed = backspace ? QChar(8) : text.at(0);
                const KeyOutcome out = m_view.m_form.cellKey(typed, edit->text());
                if (!out.accepted)
                    return true; // swallowed
                if (out.clearFirst) {
                    edit->clear();
                    if (backspace)
                        return true;
                }
                if (!backspace && (out.clearFirst || out.key != typed)) {
                    edit->insert(QString(out.key));
                    return true;
                }
            }
        }
        return QStyledItemDelegate::eventFilter(watched, event);
    }

private:
    EditorGridView& m_view;
    mutable CellEdit m_edit;
    mutable int m_choice = -1;
    mutable bool m_committed = false;
};

// The data rows: clicks, keys, context menu and drops go to the form.
class EditorGridView::Body : public QTableView
{
public:
    explicit Body(EditorGridView& view) : QTableView(&view), m_view(view)
    {
        setAcceptDrops(true);
        setDragDropMode(QAbstractItemView::DropOnly);
        setDropIndicatorShown(false);
    }
    bool mouseDown = false;
    bool editing() const { return state() == EditingState; }

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        mouseDown = true;
        QTableView::mousePressEvent(e);
        mouseDown = false;
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() == Qt::Key_Delete && state() != EditingState) {
            m_view.m_form.deleteKey();
            emit m_view.changed();
            return;
        }
        QTableView::keyPressEvent(e);
    }
    void dragEnterEvent(QDragEnterEvent* e) override
    {
        if (e->mimeData()->hasFormat(ParamTreeView::mimeType()))
            e->acceptProposedAction();
        else
            e->ignore();
    }
    void dragMoveEvent(QDragMoveEvent* e) override
    {
        if (e->mimeData()->hasFormat(ParamTreeView::mimeType()))
            e->acceptProposedAction();
        else
            e->ignore();
    }
    void dropEvent(QDropEvent* e) override
    {
        const int node = ParamTreeView::nodeOf(e->mimeData());
        const QModelIndex index = indexAt(e->position().toPoint());
        if (node < 0 || !index.isValid()) {
            e->ignore();
            return;
        }
        e->acceptProposedAction();
        m_view.m_form.selectNode(node);
        m_view.m_form.dropOnCell(index.row(), index.column());
        emit m_view.changed();
    }

private:
    EditorGridView& m_view;
};

EditorGridView::EditorGridView(EditorForm& form, QWidget* parent) : QWidget(parent), m_form(form)
{
    setObjectName(QStringLiteral("EditorGrid"));
    m_model = new Model(form, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_heading = new QTableView(this);
    m_heading->setObjectName(QStringLiteral("GridHeading"));
    m_body = new Body(*this);
    m_body->setObjectName(QStringLiteral("GridBody"));
    for (QTableView* v : {m_heading, static_cast<QTableView*>(m_body)}) {
        v->setModel(m_model);
        v->horizontalHeader()->hide();
        v->verticalHeader()->hide();
        v->setSelectionMode(QAbstractItemView::SingleSelection);
        v->setWordWrap(true);
        v->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    }
    m_heading->setSelectionMode(QAbstractItemView::NoSelection);
    m_heading->setFocusPolicy(Qt::NoFocus);
    m_heading->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_heading->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_heading->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QFont small = m_heading->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    m_heading->setFont(small);
    m_body->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn); // both views keep the same width
    m_heading->setFrameShape(QFrame::NoFrame);
    m_body->setItemDelegate(new Delegate(*this));
    m_body->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                            QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_body->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(m_heading);
    layout->addWidget(m_body, 1);

    connect(m_body->horizontalScrollBar(), &QScrollBar::valueChanged,
            m_heading->horizontalScrollBar(), &QScrollBar::setValue);
    connect(m_body, &QTableView::clicked, this,
            [this](const QModelIndex& i) { cellClicked(i.row(), i.column()); });
    connect(m_body->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                // Keyboard moves: the form follows as after a click (mouse clicks come through
                // clicked()).
                if (m_rendering || m_body->mouseDown || !current.isValid())
                    return;
                m_form.clickCell(current.row(), current.column());
                QTimer::singleShot(0, this, [this] { emit changed(); });
            });
    connect(m_body, &QWidget::customContextMenuRequested, this, &EditorGridView::openContextMenu);

    // Widths as the editors give them, for a font the size of the original screen's.
    m_scale = std::max(1.0, fontMetrics().averageCharWidth() / 5.5);
}

EditorGridView::~EditorGridView() = default;

int EditorGridView::columnsWidth()
{
    render();
    int width = 0;
    const int columns = m_form.grid() ? m_form.grid()->columnCount() : 0;
    for (int c = 0; c < columns; ++c)
        width += headingView()->columnWidth(c);
    return width;
}

QTableView* EditorGridView::headingView() const
{
    return m_heading;
}

QTableView* EditorGridView::body() const
{
    return m_body;
}

QRect EditorGridView::cellRect(int row, int column) const
{
    return m_body->visualRect(m_model->index(row, column));
}

void EditorGridView::applyLayout()
{
    const EditorGrid* g = m_form.grid();
    if (!g)
        return;
    m_heading->clearSpans();
    for (const EditorGrid::Span& s : g->spans())
        m_heading->setSpan(s.row, s.column, s.rows, s.columns);
    // The widths of the editor, scaled for the screen's font; a column is widened to hold the
    // longest word of its own heading and the items of its drop-down, which the original font
    // held within the given width.
    const QFontMetrics headFont(m_heading->font());
    const QFontMetrics bodyFont(m_body->font());
    auto widestWord = [](const QFontMetrics& fm, const QString& text) {
        int widest = 0;
        for (const QString& word : text.split(u' ', Qt::SkipEmptyParts))
            widest = std::max(widest, fm.horizontalAdvance(word));
        return widest;
    };
    for (int c = 0; c < g->columnCount(); ++c) {
        int w = int(g->widths[std::size_t(c)] * m_scale);
        for (int r = 0; r < g->headingRows(); ++r) {
            const EditorGrid::Span* s = g->spanAt(r, c);
            if (!g->covered(r, c) && (!s || s->columns == 1))
                w = std::max(w, widestWord(headFont, g->cell(r, c).text) + 10);
        }
        if (std::size_t(c) < g->choices.size()) {
            for (const QString& item : g->choices[std::size_t(c)])
                w = std::max(w, bodyFont.horizontalAdvance(item) + 12);
        }
        m_heading->setColumnWidth(c, w);
        m_body->setColumnWidth(c, w);
    }
    for (int r = 0; r < g->rowCount(); ++r) {
        m_heading->setRowHidden(r, r >= g->headingRows());
        m_body->setRowHidden(r, r < g->headingRows());
    }
    // Heading rows as high as their wrapped texts need; a merged cell's need is spread over the
    // last of its rows.
    const QFontMetrics fm(m_heading->font());
    std::vector<int> heights(std::size_t(g->headingRows()), fm.height() + 6);
    auto need = [&](int row, int column, int rows, int columns) {
        int width = 0;
        for (int c = column; c < column + columns; ++c)
            width += m_heading->columnWidth(c);
        const QString text = g->cell(row, column).text;
        return fm.boundingRect(QRect(0, 0, std::max(width - 6, 10), 10000),
                               Qt::TextWordWrap | Qt::AlignCenter, text)
                   .height() +
               6;
    };
    for (int r = 0; r < g->headingRows(); ++r) {
        for (int c = 0; c < g->columnCount(); ++c) {
            if (g->covered(r, c))
                continue;
            const EditorGrid::Span* s = g->spanAt(r, c);
            const int rows = s ? s->rows : 1;
            const int h = need(r, c, rows, s ? s->columns : 1);
            int have = 0;
            for (int k = r; k < r + rows; ++k)
                have += heights[std::size_t(k)];
            if (have < h)
                heights[std::size_t(r + rows - 1)] += h - have;
        }
    }
    int total = 0;
    for (int r = 0; r < g->headingRows(); ++r) {
        m_heading->setRowHeight(r, heights[std::size_t(r)]);
        total += heights[std::size_t(r)];
    }
    m_heading->setFixedHeight(total + 2);
    m_heading->setVisible(g->headingRows() > 0);
}

void EditorGridView::syncCurrent()
{
    const EditorGrid* g = m_form.grid();
    if (!g || !g->isDataCell(g->currentRow, g->currentColumn))
        return;
    const QModelIndex want = m_model->index(g->currentRow, g->currentColumn);
    if (m_body->currentIndex() != want && !m_body->editing()) {
        m_body->setCurrentIndex(want);
        m_body->scrollTo(want);
    }
}

void EditorGridView::scrollToCurrent()
{
    const EditorGrid* g = m_form.grid();
    if (g && g->isDataCell(g->currentRow, g->currentColumn))
        m_body->scrollTo(m_model->index(g->currentRow, g->currentColumn));
}

void EditorGridView::render()
{
    const EditorGrid* g = m_form.grid();
    if (!g)
        return;
    m_rendering = true;
    if (g->rowCount() != m_rows || g->columnCount() != m_columns) {
        m_model->reset();
        m_rows = g->rowCount();
        m_columns = g->columnCount();
        applyLayout();
    } else {
        m_model->refresh();
    }
    setVisible(g->visible);
    syncCurrent();
    m_rendering = false;
}

void EditorGridView::cellClicked(int row, int column)
{
    if (m_rendering)
        return;
    const EditorGrid* g = m_form.grid();
    if (!g->isDataCell(row, column))
        return;
    const GridCell& cell = g->cell(row, column);
    if (cell.kind == CellKind::Check) {
        m_form.checkCell(row, column, !cell.checked);
    } else {
        m_form.clickCell(row, column);
    }
    emit changed();
    // A drop-down opens on the first click.
    if (cell.kind == CellKind::DropDown && !cell.grey && g->currentRow == row &&
        g->currentColumn == column && !m_body->editing())
        m_body->edit(m_model->index(row, column));
}

void EditorGridView::openContextMenu(const QPoint& pos)
{
    const QModelIndex index = m_body->indexAt(pos);
    if (!index.isValid())
        return;
    const QStringList items = m_form.contextMenu({index.row(), index.column(), {}});
    emit changed(); // the cell under the mouse is current now
    const QString chosen = chooseFromMenu(this, items, m_body->viewport()->mapToGlobal(pos));
    if (!chosen.isEmpty()) {
        m_form.contextCommand(chosen);
        emit changed();
    }
}

} // namespace veg
