#include "gui/modbus/TFReadModbus.h"

#include "core/port/QtSerialPort.h"
#include "gui/widgets/ScreenFit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace veg {

TFReadModbus::TFReadModbus(const ModbusLinkSettings& settings, Dialogs& dialogs, QWidget* parent,
                           std::optional<ModbusReadForm::Environment> environment)
    : QDialog(parent), m_log(DailyLog::defaultFolder()),
      m_form(settings, dialogs, environment ? *environment : realEnvironment())
{
    setObjectName(QStringLiteral("TFReadModbus"));
    setWindowTitle(QStringLiteral("Чтение по Modbus"));
    ScreenFit::keepOnScreen(this);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Номера регистров"), this));
    m_registers = new QLineEdit(this);
    m_registers->setObjectName(QStringLiteral("EditRegisters"));
    m_registers->installEventFilter(this);
    top->addWidget(m_registers, 1);
    m_read = new QPushButton(QStringLiteral("Чтение"), this);
    m_read->setObjectName(QStringLiteral("ButtonRead"));
    m_read->setAutoDefault(false);
    top->addWidget(m_read);
    layout->addLayout(top);

    auto* only = new QLabel(QStringLiteral("Чтение только Holding Register!"), this);
    only->setStyleSheet(QStringLiteral("color: maroon; font-weight: bold;"));
    layout->addWidget(only);
    layout->addWidget(new QLabel(QStringLiteral("Данные Holding register"), this));

    m_grid = new QTableWidget(0, ModbusReadForm::kColumns, this);
    m_grid->setObjectName(QStringLiteral("ProfGrid1"));
    m_grid->setHorizontalHeaderLabels(ModbusReadForm::headers());
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    // The long headings wrap onto two lines, so that the notes get the room.
    QHeaderView* header = m_grid->horizontalHeader();
    header->setDefaultAlignment(Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    header->setMinimumHeight(2 * fontMetrics().height() + 10);
    header->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header->resizeSection(1, 190);
    header->resizeSection(2, 190);
    header->setStretchLastSection(true);
    m_grid->setWordWrap(false);
    layout->addWidget(m_grid, 1);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, ModbusReadForm::kProgressMaximum);
    m_progress->setTextVisible(false);
    layout->addWidget(m_progress);

    resize(900, 420);
    m_form.changed = [this] { render(); };
    connect(m_registers, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_form.registers = text; });
    connect(m_read, &QPushButton::clicked, this, &TFReadModbus::readClicked);
}

ModbusReadForm::Environment TFReadModbus::realEnvironment()
{
    ModbusReadForm::Environment env;
    env.makePort = [] { return std::make_unique<QtSerialPort>(); };
    env.clock = &m_clock;
    env.pump = [] { QCoreApplication::processEvents(); };
    env.log = &m_log;
    env.decimalSeparator = QLocale::system().decimalPoint().at(0);
    return env;
}

int TFReadModbus::exec()
{
    FormActivate();
    return QDialog::exec();
}

void TFReadModbus::FormActivate()
{
    m_closePending = false;
    m_form.FormActivate();
    render();
    m_registers->setFocus();
}

void TFReadModbus::render()
{
    const ModbusReadForm& f = m_form;
    m_grid->setRowCount(int(f.rows.size()));
    for (int r = 0; r < int(f.rows.size()); ++r) {
        for (int c = 0; c < ModbusReadForm::kColumns; ++c) {
            QTableWidgetItem* item = m_grid->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignCenter);
                if (c == 0) // the fixed column
                    item->setBackground(palette().button());
                m_grid->setItem(r, c, item);
            }
            const QString& text = f.rows[std::size_t(r)][std::size_t(c)];
            item->setText(text);
            if (c == 3)
                item->setToolTip(text); // a note wider than its column
        }
    }
    m_progress->setVisible(f.progressVisible);
    m_progress->setValue(f.progressPosition);
    m_read->setEnabled(!f.reading());
    m_registers->setReadOnly(f.reading());
}

void TFReadModbus::readClicked()
{
    m_form.registers = m_registers->text();
    m_form.readClicked();
    render();
    if (m_closePending) {
        m_closePending = false;
        done(m_closeResult);
    }
}

bool TFReadModbus::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_registers && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty() && text.at(0).isPrint() &&
            ModbusReadForm::registerKey(text.at(0)).isNull())
            return true; // swallowed
    }
    return QDialog::eventFilter(watched, event);
}

void TFReadModbus::done(int result)
{
    if (m_form.reading()) {
        // The reading ends at its next wait; the window closes when it has.
        m_form.requestAbort();
        m_closePending = true;
        m_closeResult = result;
        return;
    }
    m_form.FormClose();
    QDialog::done(result);
}

} // namespace veg
