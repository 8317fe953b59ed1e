#include "gui/exchange/TFObmen.h"

#include "core/exchange/ConfigurationHost.h"
#include "core/port/QtSerialPort.h"
#include "gui/widgets/TypedKey.h"
#include "gui/widgets/ScreenFit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTextCursor>
#include <QVBoxLayout>

namespace veg {

namespace {

QWidget* rangeRow(QWidget* parent, QCheckBox* box, const QString& from, QLineEdit* a,
                  const QString& to, QLineEdit* b)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box);
    layout->addWidget(new QLabel(from, row));
    layout->addWidget(a);
    layout->addWidget(new QLabel(to, row));
    layout->addWidget(b);
    layout->addStretch();
    return row;
}

QLineEdit* rangeEdit(QWidget* parent, const QString& name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setMaxLength(2);
    e->setFixedWidth(36);
    e->setAlignment(Qt::AlignCenter);
    return e;
}

} // namespace

TFObmen::TFObmen(ProgramSettings& settings, Dialogs& dialogs, ConfigurationHost& host,
                 QWidget* parent, LinkSession::PortFactory makePort, std::unique_ptr<DailyLog> log,
                 Clock* clock)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFObmen"));
    setWindowTitle(QStringLiteral("Обмен с ВЕГ-78"));
    ScreenFit::keepOnScreen(this);
    if (!makePort)
        makePort = [] { return std::make_unique<QtSerialPort>(); };
    if (!log)
        log = std::make_unique<DailyLog>(DailyLog::defaultFolder());
    m_form = std::make_unique<ExchangeForm>(
        settings, dialogs, host, clock ? *clock : m_systemClock,
        [] { QCoreApplication::processEvents(); }, std::move(makePort), std::move(log));
    m_form->backupSaveOptions.decimalSeparator = QLocale::system().decimalPoint().at(0);
    m_form->changed = [this] { render(); };
    m_form->configurationReplaced = [this] { emit configurationReplaced(); };

    auto* layout = new QVBoxLayout(this);
    auto* menu = new QMenuBar(this);
    m_n1 = menu->addAction(QStringLiteral("Поиск"));
    m_n1->setObjectName(QStringLiteral("N1"));
    m_n2 = menu->addAction(QStringLiteral("Запись в ВЕГ"));
    m_n2->setObjectName(QStringLiteral("N2"));
    m_n3 = menu->addAction(QStringLiteral("Чтение из ВЕГ"));
    m_n3->setObjectName(QStringLiteral("N3"));
    m_compare = menu->addAction(QStringLiteral("Сравнение с ВЕГ"));
    m_compare->setObjectName(QStringLiteral("NCompare"));
    m_resume = menu->addAction(QStringLiteral("Продолжить запись"));
    m_resume->setObjectName(QStringLiteral("NResume"));
    layout->setMenuBar(menu);
    const std::pair<QAction*, ExchangeForm::Command> items[] = {
        {m_n1, ExchangeForm::Command::Search},
        {m_n2, ExchangeForm::Command::Write},
        {m_n3, ExchangeForm::Command::Read},
        {m_compare, ExchangeForm::Command::Compare},
        {m_resume, ExchangeForm::Command::Resume}};
    for (const auto& [item, command] : items)
        connect(item, &QAction::triggered, this, [this, c = command] { m_form->N1Click(c); });

    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("Label1"));
    m_caption->setStyleSheet(QStringLiteral("color: maroon; font-weight: bold;"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setToolTip(QStringLiteral("Двойной щелчок — протокол обмена"));
    m_caption->installEventFilter(this);
    layout->addWidget(m_caption);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, ExchangeView::kProgressMaximum);
    m_progress->setTextVisible(false);
    layout->addWidget(m_progress);
    // A bad line shows itself: the requests sent again so far.
    m_repeats = new QLabel(this);
    m_repeats->setObjectName(QStringLiteral("Repeats"));
    layout->addWidget(m_repeats);

    m_gateways = new QCheckBox(this);
    m_gateways->setObjectName(QStringLiteral("CheckBox1"));
    m_masters = new QCheckBox(this);
    m_masters->setObjectName(QStringLiteral("CheckBox2"));
    connect(m_gateways, &QCheckBox::toggled, this,
            [this](bool on) { m_form->gatewaysChecked = on; });
    connect(m_masters, &QCheckBox::toggled, this, [this](bool on) { m_form->mastersChecked = on; });
    const char* names[] = {"Edit1", "Edit2", "Edit3", "Edit4"};
    for (int i = 0; i < 4; ++i) {
        m_range[std::size_t(i)] = rangeEdit(this, QString::fromLatin1(names[i]));
        QLineEdit* edit = m_range[std::size_t(i)];
        edit->installEventFilter(this);
        // Every change of the box reaches the form, also the clearing of a selected text before
        // a key: the search reads what the box shows.
        connect(edit, &QLineEdit::textChanged, this, [this, i](const QString& text) {
            m_form->editRange(ExchangeForm::RangeBox(i), text);
        });
        connect(edit, &QLineEdit::editingFinished, this,
                [this, i] { m_form->Edit1Exit(ExchangeForm::RangeBox(i)); });
    }
    m_gatewayRow = rangeRow(this, m_gateways, QStringLiteral("Поиск сетевого номера ВЕГ (Hex) с"),
                            m_range[0], QStringLiteral("по"), m_range[1]);
    m_masterRow =
        rangeRow(this, m_masters, QStringLiteral("Поиск сетевого номера ведущего модуля (Hex) с"),
                 m_range[2], QStringLiteral("по"), m_range[3]);
    // "Быстрый поиск" at the end of the gateways' row: the window keeps its height.
    m_quick = new QCheckBox(QStringLiteral("Быстрый поиск"), this);
    m_quick->setObjectName(QStringLiteral("QuickBox"));
    connect(m_quick, &QCheckBox::toggled, this, [this](bool on) { m_form->setQuickChecked(on); });
    auto* gatewayRowLayout = static_cast<QHBoxLayout*>(m_gatewayRow->layout());
    gatewayRowLayout->insertWidget(gatewayRowLayout->count() - 1, m_quick);
    layout->addWidget(m_gatewayRow);
    layout->addWidget(m_masterRow);

    m_verify = new QCheckBox(QStringLiteral("Проверить после записи"), this);
    m_verify->setObjectName(QStringLiteral("VerifyBox"));
    m_verify->setToolTip(QStringLiteral(
        "После записи прочитать образ из ВЕГ и сравнить его с конфигурацией"));
    connect(m_verify, &QCheckBox::toggled, this, [this](bool on) { m_form->setVerifyChecked(on); });
    layout->addWidget(m_verify);
    m_backup = new QCheckBox(QStringLiteral("Сохранить копию из ВЕГ перед записью"), this);
    m_backup->setObjectName(QStringLiteral("BackupBox"));
    m_backup->setToolTip(QStringLiteral(
        "Перед записью прочитать конфигурацию из ВЕГ и сохранить её файлом .veg в папке "
        "«<имя файла> — копии ВЕГ» рядом с файлом конфигурации (для несохранённой — в папке "
        "документов)"));
    connect(m_backup, &QCheckBox::toggled, this, [this](bool on) { m_form->setBackupChecked(on); });
    layout->addWidget(m_backup);

    m_grid = new QTableWidget(0, 3, this);
    m_grid->setObjectName(QStringLiteral("ProfGrid1"));
    m_grid->setHorizontalHeaderLabels(ExchangeForm::gridTitles());
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    m_grid->verticalHeader()->hide();
    m_grid->setColumnWidth(0, 30);
    // Wide enough for its title in the font the system gives.
    m_grid->setColumnWidth(1,
                           std::max(64, m_grid->horizontalHeader()->fontMetrics().horizontalAdvance(
                                            ExchangeForm::gridTitles()[1]) +
                                            16));
    m_grid->setColumnWidth(2, 238);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::NoSelection);
    m_grid->installEventFilter(this);
    connect(m_grid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (item->column() == 0 && (item->flags() & Qt::ItemIsUserCheckable))
            m_form->ProfGrid1CheckBoxChanged(item->row(), item->checkState() == Qt::Checked);
    });
    layout->addWidget(m_grid, 1);

    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("Memo1"));
    m_memo->setReadOnly(true);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_memo, 1);

    auto* buttons = new QHBoxLayout;
    m_action = new QPushButton(this);
    m_action->setObjectName(QStringLiteral("Button1"));
    m_abort = new QPushButton(QStringLiteral("Прервать"), this);
    m_abort->setObjectName(QStringLiteral("Button2"));
    m_action->setAutoDefault(false);
    m_abort->setAutoDefault(false);
    connect(m_action, &QPushButton::clicked, this, [this] { m_form->Button1Click(); });
    connect(m_abort, &QPushButton::clicked, this, [this] { m_form->Button2Click(); });
    buttons->addStretch();
    buttons->addWidget(m_action);
    buttons->addWidget(m_abort);
    layout->addLayout(buttons);
    resize(560, 420);
    render();
}

TFObmen::~TFObmen()
{
    if (m_busyCursor)
        QApplication::restoreOverrideCursor();
}

QAction* TFObmen::menuItem(ExchangeForm::Command command) const
{
    switch (command) {
    case ExchangeForm::Command::Search:
        return m_n1;
    case ExchangeForm::Command::Write:
        return m_n2;
    case ExchangeForm::Command::Read:
        return m_n3;
    case ExchangeForm::Command::Compare:
        return m_compare;
    case ExchangeForm::Command::Resume:
        return m_resume;
    case ExchangeForm::Command::None:
        break;
    }
    return nullptr;
}

void TFObmen::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Once per opening; the form's message boxes over the window do not open the link again.
    m_memoShown = 0;
    m_memo->clear();
    m_form->FormActivate();
}

void TFObmen::done(int result)
{
    if (!m_form->closeRequested())
        return; // a command runs: it was asked to stop, the window stays
    QDialog::done(result);
}

void TFObmen::render()
{
    const ExchangeForm& f = *m_form;
    m_caption->setText(f.caption);
    m_progress->setVisible(f.progressVisible);
    m_progress->setValue(f.progress);
    m_n1->setEnabled(!f.busy);
    m_n2->setEnabled(!f.busy && f.writeEnabled);
    m_n3->setEnabled(!f.busy);
    m_compare->setEnabled(!f.busy && f.writeEnabled);
    m_resume->setVisible(f.resumeEnabled);
    m_resume->setEnabled(!f.busy && f.resumeEnabled);
    m_repeats->setVisible(f.progressVisible && f.repeatedRequests() > 0);
    m_repeats->setText(ExchangeForm::repeatsText(f.repeatedRequests()));
    m_verify->setVisible(f.verifyBoxVisible);
    m_verify->setEnabled(!f.busy);
    if (m_verify->isChecked() != f.verifyChecked()) {
        const QSignalBlocker block(m_verify);
        m_verify->setChecked(f.verifyChecked());
    }
    m_backup->setVisible(f.backupBoxVisible);
    m_backup->setEnabled(!f.busy);
    if (m_backup->isChecked() != f.backupChecked()) {
        const QSignalBlocker block(m_backup);
        m_backup->setChecked(f.backupChecked());
    }
    m_quick->setVisible(f.quickBoxVisible);
    m_quick->setEnabled(!f.busy);
    if (f.quickBoxVisible)
        m_quick->setToolTip(f.quickHint());
    if (m_quick->isChecked() != f.quickChecked()) {
        const QSignalBlocker block(m_quick);
        m_quick->setChecked(f.quickChecked());
    }
    m_action->setVisible(f.actionVisible);
    m_action->setText(f.actionCaption);
    m_action->setEnabled(!f.busy);
    m_abort->setVisible(f.abortVisible);
    m_abort->setEnabled(f.abortEnabled);
    m_gatewayRow->setVisible(f.gatewayRangeVisible);
    m_gateways->setVisible(f.gatewaysBoxVisible);
    m_gateways->setChecked(f.gatewaysChecked);
    m_masterRow->setVisible(f.masterRangeVisible);
    m_masters->setVisible(f.mastersBoxVisible);
    m_masters->setChecked(f.mastersChecked);
    for (int i = 0; i < 4; ++i) {
        QLineEdit* e = m_range[std::size_t(i)];
        e->setEnabled(!f.busy);
        if (e->text() != f.range[std::size_t(i)])
            e->setText(f.range[std::size_t(i)]);
    }
    renderGrid();
    m_grid->setVisible(f.gridVisible);
    renderMemo();
    m_memo->setVisible(f.memoVisible);
    if (f.busy != m_busyCursor) {
        if (f.busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
        m_busyCursor = f.busy;
    }
}

void TFObmen::renderGrid()
{
    const std::vector<FoundDevice>& rows = m_form->rows;
    const QSignalBlocker block(m_grid);
    m_grid->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r) {
        const FoundDevice& d = rows[std::size_t(r)];
        auto cell = [&](int column, const QString& text) {
            QTableWidgetItem* item = m_grid->item(r, column);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignCenter);
                m_grid->setItem(r, column, item);
            }
            item->setText(text);
            return item;
        };
        QTableWidgetItem* box = cell(0, QString());
        if (d.checkable) {
            box->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            box->setCheckState(d.checked ? Qt::Checked : Qt::Unchecked);
        } else {
            box->setFlags(Qt::ItemIsEnabled);
            box->setData(Qt::CheckStateRole, QVariant());
        }
        cell(1, QStringLiteral("%1").arg(d.number, 2, 16, QLatin1Char('0')).toUpper())
            ->setFlags(Qt::ItemIsEnabled);
        cell(2, d.device)->setFlags(Qt::ItemIsEnabled);
    }
}

void TFObmen::renderMemo()
{
    const QStringList& lines = m_form->memo;
    if (lines.size() < m_memoShown) { // the form cleared its memo
        m_memo->clear();
        m_memoShown = 0;
    }
    if (m_memoShown == lines.size())
        return;
    for (; m_memoShown < lines.size(); ++m_memoShown)
        m_memo->appendPlainText(lines[m_memoShown]);
    // The view follows the cursor: left at the end of a long last line (the differences' closing
    // line), it would scroll every shorter line out of view to the left. At the start of the last
    // line the view keeps the bottom lines and their beginnings in sight.
    QTextCursor cursor = m_memo->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::StartOfBlock);
    m_memo->setTextCursor(cursor);
    m_memo->horizontalScrollBar()->setValue(0);
}

bool TFObmen::rangeKey(int box, QKeyEvent* pressed)
{
    auto* edit = m_range[std::size_t(box)];
    const auto key = typedCharacter(*pressed);
    if (!key)
        return false;
    const QChar typed = *key;
    const bool whole = edit->hasSelectedText() && edit->selectedText() == edit->text();
    bool clearFirst = false;
    const QChar entered = m_form->Edit1KeyPress(edit->text(), whole, typed, clearFirst);
    if (entered.isNull())
        return true; // swallowed
    if (clearFirst)
        edit->clear();
    if (entered.unicode() == 8)
        return false; // the box's own backspace
    edit->insert(QString(entered));
    return true;
}

bool TFObmen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_caption && event->type() == QEvent::MouseButtonDblClick) {
        m_form->Label1DblClick();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == m_grid) {
            // The grid takes no keys: its check boxes are clicked.
            return key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab;
        }
        for (int i = 0; i < 4; ++i)
            if (watched == m_range[std::size_t(i)])
                return rangeKey(i, key);
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace veg
