#include "gui/database/TFTask.h"

#include <algorithm>

#include "core/settings/ProgramSettings.h"
#include "gui/widgets/TypedKey.h"
#include "gui/widgets/ScreenFit.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace veg {

namespace {

const char* const kEditorName = "NetNumberEditor";
constexpr int kColumnWidths[ControllerListForm::kColumnCount] = {25, 347, 52};

} // namespace

// The in-place editor of the network-number cells: a line edit whose keys pass the form's filter
// and whose text, when the cell is left, goes to the form rather than into the grid.
class TFTask::NetNumberDelegate : public QStyledItemDelegate
{
public:
    explicit NetNumberDelegate(TFTask& window) : QStyledItemDelegate(&window), m_window(window) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex&) const override
    {
        auto* edit = new QLineEdit(parent);
        edit->setObjectName(QLatin1String(kEditorName));
        edit->setMaxLength(2);
        edit->setFrame(false);
        edit->installEventFilter(&m_window);
        return edit;
    }
    // Runs while the grid is moving its current cell, so it touches only the edited cell.
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override
    {
        if (const auto* edit = qobject_cast<QLineEdit*>(editor)) {
            ControllerListForm& form = m_window.m_form;
            const int row = index.row() + 1;
            form.netNumberEdited(row, edit->text());
            if (row < form.rowCount())
                model->setData(index, form.rows()[std::size_t(row)].netNumber);
        }
    }

private:
    TFTask& m_window;
};

TFTask::TFTask(GatewayConfig& config, const ProgramSettings& settings, Dialogs& dialogs,
               const ControllerRefsEditors& editors, QWidget* parent)
    : QDialog(parent), m_form(config, settings.database, dialogs, editors)
{
    setObjectName(QStringLiteral("TFTask"));
    setWindowTitle(QStringLiteral("Определение списка контроллеров"));
    ScreenFit::keepOnScreen(this);
    auto* layout = new QVBoxLayout(this);

    auto* heading = new QLabel(QStringLiteral("Список  контроллеров"), this);
    heading->setObjectName(QStringLiteral("Heading"));
    heading->setAlignment(Qt::AlignHCenter);
    layout->addWidget(heading);

    m_grid = new QTableWidget(0, ControllerListForm::kColumnCount, this);
    m_grid->setObjectName(QStringLiteral("TaskGrid"));
    QStringList headings;
    for (int c = 0; c < ControllerListForm::kColumnCount; ++c)
        headings << ControllerListForm::heading(c);
    m_grid->setHorizontalHeaderLabels(headings);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setMinimumSectionSize(kColumnWidths[0]);
    // The columns' widths, each at least as wide as its heading in the font of this system.
    int width = 0;
    for (int c = 0; c < ControllerListForm::kColumnCount; ++c) {
        const int heading =
            m_grid->horizontalHeader()->fontMetrics().horizontalAdvance(headings[c]) + 16;
        m_grid->setColumnWidth(c, std::max(kColumnWidths[c], heading));
        width += m_grid->columnWidth(c);
    }
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    m_grid->setItemDelegateForColumn(ControllerListForm::NetNumberColumn,
                                     new NetNumberDelegate(*this));
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    m_grid->installEventFilter(this);
    m_grid->setMinimumWidth(width + 2 * m_grid->frameWidth() + 20);
    layout->addWidget(m_grid);

    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("MessageLine"));
    QFont bold = m_message->font();
    bold.setBold(true);
    bold.setItalic(true);
    m_message->setFont(bold);
    QPalette red = m_message->palette();
    red.setColor(QPalette::WindowText, QColor(Qt::darkRed));
    m_message->setPalette(red);
    layout->addWidget(m_message);

    m_note = new QLabel(QStringLiteral("Путь к очереди задач не найден"), this);
    m_note->setObjectName(QStringLiteral("MarkerNote"));
    m_note->setAutoFillBackground(true);
    QPalette lime = m_note->palette();
    lime.setColor(QPalette::Window, QColor(0x00, 0xFF, 0x00));
    m_note->setPalette(lime);
    m_note->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    layout->addWidget(m_note);

    m_menu = new QMenu(m_grid);
    m_menu->setObjectName(QStringLiteral("TaskMenu"));
    auto item = [this](const char* name, const QString& text,
                       void (ControllerListForm::*handler)()) {
        QAction* a = m_menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, handler] { command(handler); });
    };
    item("N_AddController", ControllerListForm::addCaption(), &ControllerListForm::addController);
    item("N_RemoveController", ControllerListForm::removeCaption(),
         &ControllerListForm::removeController);
    item("N_EnterQueue", ControllerListForm::enterQueueCaption(), &ControllerListForm::enterQueue);

    connect(m_grid, &QTableWidget::customContextMenuRequested, this, &TFTask::openContextMenu);
    connect(m_grid, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
        if (m_rendering || row < 0)
            return;
        m_form.selectCell(row + 1, column);
        render(); // back to the network number, or to the cell that refused to be left
    });
}

QColor TFTask::markerColour() const
{
    return m_note->palette().color(QPalette::Window);
}

int TFTask::exec()
{
    FormActivate();
    return QDialog::exec();
}

int TFTask::execOnController(int index)
{
    FormActivate();
    m_form.selectCell(index + 1, ControllerListForm::NetNumberColumn);
    render();
    return QDialog::exec();
}

void TFTask::FormActivate()
{
    m_form.FormActivate();
    render();
    m_grid->setFocus();
}

void TFTask::command(void (ControllerListForm::*handler)())
{
    (m_form.*handler)();
    render();
}

void TFTask::openContextMenu(const QPoint& pos)
{
    if (const QTableWidgetItem* item = m_grid->itemAt(pos)) {
        const bool moved = m_form.selectCell(item->row() + 1, item->column());
        render();
        if (!moved)
            return;
    }
    m_menu->popup(m_grid->viewport()->mapToGlobal(pos));
}

void TFTask::render()
{
    m_rendering = true;
    const ControllerListForm& f = m_form;
    const int rows = f.rowCount() - 1; // row 0 of the form is the grid's header
    if (m_grid->rowCount() != rows)
        m_grid->setRowCount(rows);
    for (int r = 1; r < f.rowCount(); ++r) {
        const ControllerListForm::Row& row = f.rows()[std::size_t(r)];
        const QString texts[] = {row.number, row.queue, row.netNumber};
        for (int c = 0; c < ControllerListForm::kColumnCount; ++c) {
            QTableWidgetItem* item = m_grid->item(r - 1, c);
            if (!item) {
                item = new QTableWidgetItem;
                m_grid->setItem(r - 1, c, item);
            }
            if (item->text() != texts[c])
                item->setText(texts[c]);
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (c == ControllerListForm::NetNumberColumn && f.isControllerRow(r))
                flags |= Qt::ItemIsEditable;
            item->setFlags(flags);
            if (c == ControllerListForm::NumberColumn)
                item->setBackground(row.marked ? QBrush(markerColour()) : QBrush());
            item->setTextAlignment(c == ControllerListForm::QueueColumn
                                       ? Qt::AlignLeft | Qt::AlignVCenter
                                       : Qt::AlignCenter);
        }
    }
    if (m_grid->currentRow() != f.selectedRow - 1 || m_grid->currentColumn() != f.selectedColumn)
        m_grid->setCurrentCell(f.selectedRow - 1, f.selectedColumn);
    m_message->setText(f.message);
    m_message->setVisible(f.messageVisible);
    m_note->setVisible(f.markerNoteVisible);
    m_rendering = false;
}

bool TFTask::netNumberKey(QObject* editor, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(editor);
    const auto typed = typedCharacter(*static_cast<QKeyEvent*>(event));
    if (!edit || !typed)
        return false;
    const int length = int(edit->text().size() - edit->selectedText().size());
    return takeFilteredKey(*edit, *typed, m_form.netNumberKey(*typed, length));
}

bool TFTask::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        if (watched->objectName() == QLatin1String(kEditorName))
            return netNumberKey(watched, event);
        if (watched == m_grid) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Delete) {
                m_form.deleteKey();
                render();
                return true;
            }
            // A key that would start editing a cell that cannot be edited is swallowed, rather
            // than left to the grid's search by first letter.
            const QString text = key->text();
            if (!text.isEmpty() && text.at(0).isPrint() && !m_form.selectedEditable())
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFTask::done(int result)
{
    // A network number emptied with Delete and never left is checked before the window closes.
    m_form.leaveCell();
    QDialog::done(result);
}

} // namespace veg
