#include "gui/app/ConfigOverviewView.h"

#include "gui/app/LineDiagram.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QEvent>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace veg {

namespace {

// The editor a tree item asks for, kept in its first column, and the row it opens on.
constexpr int kEditorRole = Qt::UserRole + 1;
constexpr int kRowRole = Qt::UserRole + 2;

QTreeWidget* makeTree(const QString& name, const QStringList& headings, QWidget* parent)
{
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(name);
    tree->setRootIsDecorated(false);
    tree->setHeaderLabels(headings);
    tree->setUniformRowHeights(true);
    tree->setWordWrap(false);
    return tree;
}

// Rows as high as their wrapped texts need in the width of their columns (a tree asks its
// delegate for a row's height without the column's width).
class WrappingDelegate : public QStyledItemDelegate
{
public:
    explicit WrappingDelegate(QTreeView* tree) : QStyledItemDelegate(tree), m_tree(tree) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem o = option;
        o.rect = QRect(0, 0, std::max(m_tree->columnWidth(index.column()), 1), 1);
        o.features |= QStyleOptionViewItem::WrapText;
        return QStyledItemDelegate::sizeHint(o, index);
    }

private:
    QTreeView* m_tree;
};

} // namespace

ConfigOverviewView::ConfigOverviewView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Overview"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    m_empty = new QLabel(QStringLiteral("Конфигурации нет: создайте её (Файл → Новый) или "
                                        "загрузите из файла (Файл → Загрузить)."),
                         this);
    m_empty->setObjectName(QStringLiteral("OverviewEmpty"));
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setWordWrap(true);
    m_empty->setStyleSheet(QStringLiteral("color: #606060;"));
    layout->addWidget(m_empty, 1);

    m_content = new QWidget(this);
    auto* content = new QVBoxLayout(m_content);
    content->setContentsMargins(0, 0, 0, 0);
    m_diagram = new LineDiagram(m_content);
    content->addWidget(m_diagram);
    m_settings = new QLabel(m_content);
    m_settings->setObjectName(QStringLiteral("OverviewSettings"));
    m_settings->setTextInteractionFlags(Qt::TextSelectableByMouse);
    content->addWidget(m_settings);

    auto* lists = new QHBoxLayout;
    auto* tablesBox = new QGroupBox(QStringLiteral("Таблицы"), m_content);
    auto* tablesLayout = new QVBoxLayout(tablesBox);
    m_tables = makeTree(QStringLiteral("OverviewTables"),
                        {QStringLiteral("Таблица"), QStringLiteral("Строк занято")}, tablesBox);
    m_tables->setToolTip(QStringLiteral("Двойной щелчок открывает окно таблицы"));
    m_tables->header()->setStretchLastSection(false);
    m_tables->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_tables->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tablesLayout->addWidget(m_tables);
    lists->addWidget(tablesBox, 3);

    m_checkBox = new QGroupBox(QStringLiteral("Проверка"), m_content);
    auto* checkLayout = new QVBoxLayout(m_checkBox);
    m_findings = makeTree(QStringLiteral("OverviewFindings"),
                          {QString(), QStringLiteral("Где"), QStringLiteral("Что")}, m_checkBox);
    m_findings->setToolTip(QStringLiteral("Двойной щелчок открывает окно, где это исправляется"));
    m_findings->header()->setStretchLastSection(true);
    // What is wrong wraps over as many lines as it needs; a place cut short keeps its end, the
    // rows, and is read whole in its hint.
    m_findings->setUniformRowHeights(false);
    m_findings->setWordWrap(true);
    m_findings->setItemDelegate(new WrappingDelegate(m_findings));
    m_findings->setTextElideMode(Qt::ElideMiddle);
    m_findings->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_findings->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_findings->installEventFilter(this);
    // Wrapped rows take their heights anew when a column gets another width.
    connect(m_findings->header(), &QHeaderView::sectionResized, m_findings, [this] {
        QTimer::singleShot(0, m_findings, [this] { m_findings->doItemsLayout(); });
    });
    checkLayout->addWidget(m_findings);
    lists->addWidget(m_checkBox, 5);
    content->addLayout(lists, 1);
    layout->addWidget(m_content, 1);

    for (QTreeWidget* tree : {m_tables, m_findings}) {
        connect(tree, &QTreeWidget::itemActivated, this,
                [this](QTreeWidgetItem* item) { itemActivated(item); });
    }
    showOverview({});
}

void ConfigOverviewView::showOverview(const ConfigOverview& overview)
{
    m_overview = overview;
    m_empty->setVisible(!overview.present);
    m_content->setVisible(overview.present);
    m_diagram->setLine(overview);
    m_settings->setText(QStringLiteral("Настройки ВЕГ-78: ") + overview.settings);

    m_tables->clear();
    for (const ConfigOverview::Table& t : overview.tables) {
        auto* item = new QTreeWidgetItem(
            m_tables, {t.title, QStringLiteral("%1 из %2").arg(t.used).arg(t.size)});
        item->setData(0, kEditorRole, int(t.editor));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }

    m_findings->clear();
    m_checkBox->setTitle(QStringLiteral("Проверка: ") + overview.summary);
    for (const CheckFinding& f : overview.findings) {
        const bool error = f.severity == Severity::Error;
        auto* item = new QTreeWidgetItem(
            m_findings,
            {error ? QStringLiteral("Ошибка") : QStringLiteral("Внимание"), f.where(), f.text});
        item->setForeground(0, error ? QColor(0xB0, 0x20, 0x20) : QColor(0x9A, 0x6A, 0x00));
        item->setToolTip(1, f.where());
        item->setToolTip(2, f.text);
        if (f.editor) {
            item->setData(0, kEditorRole, int(*f.editor));
            item->setData(0, kRowRole, f.tableRow);
        }
    }
    if (overview.findings.empty() && overview.present) {
        auto* item = new QTreeWidgetItem(m_findings, {QString(), QStringLiteral("Замечаний нет")});
        item->setForeground(1, QColor(0x3C, 0x8D, 0x4A));
    }
    layoutFindingColumns();
}

void ConfigOverviewView::layoutFindingColumns()
{
    m_findings->resizeColumnToContents(0);
    m_findings->resizeColumnToContents(1);
    // A long place (a window's whole caption and its rows) must leave room to read what is wrong.
    const int mostForPlace = std::max(m_findings->viewport()->width() * 2 / 5, 60);
    if (m_findings->columnWidth(1) > mostForPlace)
        m_findings->setColumnWidth(1, mostForPlace);
    m_findings->doItemsLayout();
}

bool ConfigOverviewView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_findings && event->type() == QEvent::Resize)
        QTimer::singleShot(0, this, [this] { layoutFindingColumns(); });
    return QWidget::eventFilter(watched, event);
}

void ConfigOverviewView::itemActivated(QTreeWidgetItem* item)
{
    const QVariant editor = item ? item->data(0, kEditorRole) : QVariant();
    const QVariant row = item ? item->data(0, kRowRole) : QVariant();
    if (editor.isValid())
        emit editorRequested(EditorId(editor.toInt()), row.isValid() ? row.toInt() : -1);
}

} // namespace veg
