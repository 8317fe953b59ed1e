#include "gui/modbus/TFMonitorModbus.h"

#include "core/port/QtSerialPort.h"
#include "gui/widgets/ScreenFit.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace veg {

namespace {

const QColor kChanged(255, 236, 150);

} // namespace

TFMonitorModbus::TFMonitorModbus(const GatewayConfig& config, const ModbusLinkSettings& settings,
                                 Dialogs& dialogs, QWidget* parent,
                                 std::optional<ModbusMonitorForm::Environment> environment)
    : QDialog(parent), m_log(DailyLog::defaultFolder())
{
    m_form = std::make_unique<ModbusMonitorForm>(config, settings, dialogs,
                                                 environment ? *environment : realEnvironment());
    setObjectName(QStringLiteral("TFMonitorModbus"));
    setWindowTitle(QStringLiteral("Монитор Modbus"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    auto button = [this, top](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        top->addWidget(b);
        return b;
    };
    m_start = button("ButtonStart", QStringLiteral("Пуск"));
    m_stop = button("ButtonStop", QStringLiteral("Стоп"));
    top->addSpacing(16);
    m_on = button("ButtonCoilOn", QStringLiteral("Записать 1"));
    m_off = button("ButtonCoilOff", QStringLiteral("Записать 0"));
    top->addSpacing(16);
    m_record = button("ButtonRecord", QStringLiteral("Запись в файл"));
    m_record->setCheckable(true);
    top->addStretch(1);
    layout->addLayout(top);

    m_figures = new QLabel(this);
    m_figures->setObjectName(QStringLiteral("LabelFigures"));
    layout->addWidget(m_figures);

    auto* split = new QSplitter(Qt::Vertical, this);
    m_grid = new QTableWidget(m_form->rowCount(), ModbusMonitorForm::kColumns, split);
    m_grid->setObjectName(QStringLiteral("GridRows"));
    m_grid->setHorizontalHeaderLabels(ModbusMonitorForm::headers());
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setWordWrap(false);
    QHeaderView* header = m_grid->horizontalHeader();
    header->resizeSection(0, 70);
    header->resizeSection(1, 70);
    header->resizeSection(2, 480);
    header->resizeSection(3, 110);
    header->resizeSection(4, 90);
    header->setStretchLastSection(true);
    for (int r = 0; r < m_form->rowCount(); ++r) {
        for (int c = 0; c < ModbusMonitorForm::kColumns; ++c) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(c == 2 || c == 5 ? Qt::AlignLeft | Qt::AlignVCenter
                                                    : Qt::AlignCenter);
            m_grid->setItem(r, c, item);
        }
    }

    m_series = new QLineSeries;
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->addSeries(m_series);
    m_axisX = new QValueAxis;
    m_axisX->setRange(-double(ModbusMonitorForm::kTrendMs) / 1000.0, 0);
    m_axisX->setTitleText(QStringLiteral("с"));
    m_axisX->setLabelFormat(QStringLiteral("%d"));
    m_axisY = new QValueAxis;
    chart->addAxis(m_axisX, Qt::AlignBottom);
    chart->addAxis(m_axisY, Qt::AlignLeft);
    m_series->attachAxis(m_axisX);
    m_series->attachAxis(m_axisY);
    chart->setMargins(QMargins(4, 4, 4, 4));
    m_chartView = new QChartView(chart, split);
    m_chartView->setObjectName(QStringLiteral("ChartTrend"));
    m_chartView->setRenderHint(QPainter::Antialiasing);
    m_chartView->setMinimumHeight(150);
    split->addWidget(m_grid);
    split->addWidget(m_chartView);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);

    resize(1200, 680); // within a 1366×768 screen with its task bar
    ScreenFit::keepOnScreen(this);
    m_form->changed = [this] { render(); };
    connect(m_start, &QPushButton::clicked, this, &TFMonitorModbus::startClicked);
    connect(m_stop, &QPushButton::clicked, this, [this] { m_form->stop(); });
    connect(m_on, &QPushButton::clicked, this, [this] { m_form->writeCoil(selectedRow(), true); });
    connect(m_off, &QPushButton::clicked, this,
            [this] { m_form->writeCoil(selectedRow(), false); });
    connect(m_record, &QPushButton::clicked, this, [this] {
        m_form->toggleRecording();
        render();
    });
    connect(m_grid, &QTableWidget::itemSelectionChanged, this, [this] { render(); });
    // The highlight of a change fades and the trend moves on even while nothing is read.
    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, [this] { render(); });
    m_timer->start();
    render();
}

TFMonitorModbus::~TFMonitorModbus()
{
    m_form->FormClose();
}

ModbusMonitorForm::Environment TFMonitorModbus::realEnvironment()
{
    ModbusMonitorForm::Environment env;
    env.makePort = [] { return std::make_unique<QtSerialPort>(); };
    env.clock = &m_clock;
    env.pump = [] { QCoreApplication::processEvents(); };
    env.log = &m_log;
    env.decimalSeparator = QLocale::system().decimalPoint().at(0);
    return env;
}

int TFMonitorModbus::exec()
{
    m_closePending = false;
    render();
    return QDialog::exec();
}

int TFMonitorModbus::selectedRow() const
{
    const auto rows = m_grid->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void TFMonitorModbus::render()
{
    const ModbusMonitorForm& f = *m_form;
    for (int r = 0; r < f.rowCount(); ++r) {
        const auto cells = f.cells(r);
        const bool lit = f.highlighted(r);
        for (int c = 0; c < ModbusMonitorForm::kColumns; ++c) {
            QTableWidgetItem* item = m_grid->item(r, c);
            if (item->text() != cells[std::size_t(c)])
                item->setText(cells[std::size_t(c)]);
            if (c == 2 || c == 5)
                item->setToolTip(cells[std::size_t(c)]);
            item->setBackground(lit && (c == 3 || c == 4 || c == 5) ? QBrush(kChanged) : QBrush());
        }
    }
    m_figures->setText(f.figures() + (f.recording()
                                          ? QStringLiteral("   Запись в файл ") + f.recordPath()
                                          : QString()));
    m_start->setEnabled(!f.polling());
    m_stop->setEnabled(f.polling());
    const int row = selectedRow();
    const bool coil =
        row >= 0 && f.monitor().rows()[std::size_t(row)].table == MonitorTable::Telecontrol;
    m_on->setEnabled(coil);
    m_off->setEnabled(coil);
    m_record->setChecked(f.recording());
    renderTrend();
}

void TFMonitorModbus::renderTrend()
{
    const int row = selectedRow();
    const bool telemetry =
        row >= 0 && m_form->monitor().rows()[std::size_t(row)].table == MonitorTable::Telemetry;
    m_chartView->setVisible(telemetry);
    if (!telemetry)
        return;
    const std::vector<QPointF> points = m_form->trend(row);
    m_series->replace(QList<QPointF>(points.begin(), points.end()));
    m_chartView->chart()->setTitle(m_form->monitor().rows()[std::size_t(row)].text);
    if (points.empty())
        return;
    const auto [lo, hi] =
        std::minmax_element(points.begin(), points.end(),
                            [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
    const double margin = std::max(0.5, (hi->y() - lo->y()) * 0.1);
    m_axisY->setRange(lo->y() - margin, hi->y() + margin);
}

void TFMonitorModbus::startClicked()
{
    m_form->start();
    render();
    if (m_closePending) {
        m_closePending = false;
        done(m_closeResult);
    }
}

void TFMonitorModbus::done(int result)
{
    if (m_form->polling()) {
        // Polling runs below this call: it stops at its next wait, then the window closes.
        m_closePending = true;
        m_closeResult = result;
        m_form->stop();
        return;
    }
    if (m_closing)
        return; // the port's drain pumps: a second close waits for the first
    m_closing = true;
    m_form->FormClose();
    m_closing = false;
    QDialog::done(result);
}

} // namespace veg
