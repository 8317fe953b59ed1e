#include "gui/app/TFNastr.h"

#include "core/app/ConfigOverview.h"
#include "core/database/ControllerDatabases.h"
#include "core/ui/Dialogs.h"
#include "core/settings/ProgramSettings.h"
#include "core/editors/CommonSettingsForm.h"
#include "core/editors/GroupParamsForm.h"
#include "core/editors/HartDevicesForm.h"
#include "core/editors/IkpForm.h"
#include "core/editors/IkpSubblockForm.h"
#include "core/editors/KtsGroupsForm.h"
#include "core/editors/KtsSignalsForm.h"
#include "core/editors/ModbusTelecontrolForm.h"
#include "core/editors/ModbusTelesignalForm.h"
#include "core/editors/OkpForm.h"
#include "core/editors/TcSubblockForm.h"
#include "core/editors/TiFloatForm.h"
#include "core/editors/TuSubblockForm.h"
#include "core/editors/UnkThreadsForm.h"
#include "gui/app/ConfigOverviewView.h"
#include "gui/database/TFTask.h"
#include "gui/database/TFWay.h"
#include "gui/editors/GridTreeDialog.h"
#include "gui/editors/SubblockListWindow.h"
#include "gui/editors/SubblockRowsWindow.h"
#include "gui/editors/TFCommon.h"
#include "gui/editors/TFGroup.h"
#include "gui/editors/TFHART.h"
#include "gui/editors/TFKTC_Gr.h"
#include "gui/editors/TFKTC_TC.h"
#include "gui/editors/TFModbusTU.h"
#include "gui/editors/TFUNK.h"
#include "gui/exchange/TFObmen.h"
#include "gui/link/TFNastrObm.h"
#include "gui/modbus/TFMonitorModbus.h"
#include "gui/modbus/TFObmenModbus.h"
#include "gui/modbus/TFReadModbus.h"
#include "gui/widgets/ScreenFit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

namespace veg {

TFNastr::TFNastr(ProgramSettings& settings, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), m_settings(settings), m_dialogs(dialogs),
      m_commands(m_config, settings, dialogs, m_progressSink),
      m_editorSession(m_config, dialogs, settings.additional, QLocale::system().decimalPoint().at(0)),
      m_editors(m_editorSession)
{
    m_editorSession.printer = &m_tablePrinter;
    setObjectName(QStringLiteral("TFNastr"));
    setWindowTitle(FileCommands::startCaption());
    ScreenFit::keepOnScreen(this);
    buildMenu();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_overview = new ConfigOverviewView(central);
    layout->addWidget(m_overview, 1);
    connect(m_overview, &ConfigOverviewView::editorRequested, this,
            [this](EditorId item, int tableRow) { openMenuWindow(item, tableRow); });
    m_progress = new QProgressBar(central);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setRange(0, ProgressSink::kMaximum);
    m_progress->setTextVisible(false);
    m_progressLabel = new QLabel(central);
    m_progressLabel->setObjectName(QStringLiteral("Label1"));
    QFont italic = m_progressLabel->font();
    italic.setItalic(true);
    m_progressLabel->setFont(italic);
    m_progressLabel->setStyleSheet(QStringLiteral("color: purple;"));
    m_progressLabel->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_progress);
    layout->addWidget(m_progressLabel);
    setCentralWidget(central);
    m_progress->hide();
    m_progressLabel->hide();

    m_statusPanel = new QLabel(this);
    m_statusPanel->setObjectName(QStringLiteral("StatusPanel"));
    statusBar()->addWidget(m_statusPanel, 1);
    resize(1000, 640);

    m_commands.setDatabaseFactory(controllerDatabaseReader());
    SaveOptions save;
    save.decimalSeparator = QLocale::system().decimalPoint().at(0);
    m_commands.setSaveOptions(save);
    makeEditorWindows();
    m_nastrObm = new TFNastrObm(settings, dialogs, this);
    m_dopNastr = new TFDopNastr(settings, dialogs, this);
    connect(action(QStringLiteral("N_NastrObm")), &QAction::triggered, m_nastrObm, &TFNastrObm::exec);
    connect(action(QStringLiteral("N_DopNastr")), &QAction::triggered, m_dopNastr, &TFDopNastr::exec);
    m_way = new TFWay(settings, dialogs, this);
    connect(action(QStringLiteral("N_DatabasePath")), &QAction::triggered, m_way, &TFWay::exec);

    m_task = new TFTask(m_config, settings, dialogs, m_refsEditors, this);
    connect(action(QStringLiteral("N_Controllers")), &QAction::triggered, m_task, [this] {
        m_task->exec();
        refresh();
    });
    // The exchange window reads the configuration to write and puts a read-back in its place.
    m_obmen = new TFObmen(settings, dialogs, m_commands, this);
    connect(m_obmen, &TFObmen::configurationReplaced, this, &TFNastr::refresh);
    connect(action(QStringLiteral("N_Obmen")), &QAction::triggered, m_obmen, [this] {
        m_obmen->exec();
        refresh();
    });
    m_commands.setControllerListOpener([this] {
        refresh(); // the loaded configuration's caption, menus and file, behind the list
        m_task->exec();
    });

    m_obmenModbus = new TFObmenModbus(settings, dialogs, this);
    connect(action(QStringLiteral("N_ObmenModbus")), &QAction::triggered, m_obmenModbus,
            &TFObmenModbus::exec);
    m_readModbus = new TFReadModbus(settings.modbus, dialogs, this);
    connect(action(QStringLiteral("N_ReadModbus")), &QAction::triggered, m_readModbus,
            &TFReadModbus::exec);
    // The monitor reads the rows of the configuration as it is when the window opens.
    connect(action(QStringLiteral("N_MonitorModbus")), &QAction::triggered, this, [this] {
        TFMonitorModbus monitor(m_config, m_settings.modbus, m_dialogs, this);
        monitor.exec();
    });
}

TFNastr::~TFNastr()
{
    // The editor windows go before the forms they show (members of this window), not after
    // them with the other child widgets.
    for (const auto& [name, window] : m_editorWindows)
        delete window;
    m_editorWindows.clear();
    m_common = nullptr;
    m_group = nullptr;
    m_modbusTu = nullptr;
}

void TFNastr::makeEditorWindows()
{
    m_common = new TFCommon(m_editors.commonSettings(), this);
    m_group = new TFGroup(m_editors.groupParams(), this);
    m_modbusTu = new TFModbusTU(m_editors.modbusTelecontrol(), this);
    const std::pair<const char*, EditorDialog*> windows[] = {
        {"N_GatewayCommon", m_common},
        {"N_Group", m_group},
        {"N_ModbusTU", m_modbusTu},
        {"N_UNK", new TFUNK(*m_editors.find<UnkThreadsForm>(), this)},
        {"N_HART", new TFHART(*m_editors.find<HartDevicesForm>(), this)},
        {"N_KTC_Gr", new TFKTC_Gr(*m_editors.find<KtsGroupsForm>(), this)},
        {"N_KTC_TC", new TFKTC_TC(*m_editors.find<KtsSignalsForm>(), this)}};
    for (const auto& [item, window] : windows)
        addEditorWindow(item, window);
    // Магистраль-1's controlled points and the Modbus discrete inputs and telemetry.
    addEditorWindow("N_OKP", new SubblockListWindow(*m_editors.find<OkpForm>(), this));
    addEditorWindow(nullptr, new SubblockRowsWindow(*m_editors.find<TcSubblockForm>(), this));
    addEditorWindow(nullptr, new SubblockRowsWindow(*m_editors.find<TuSubblockForm>(), this));
    addEditorWindow("N_IKP", new SubblockListWindow(*m_editors.find<IkpForm>(), this));
    addEditorWindow(nullptr, new SubblockRowsWindow(*m_editors.find<IkpSubblockForm>(), this));
    addEditorWindow("N_ModbusTC", new GridTreeDialog(*m_editors.find<ModbusTelesignalForm>(), this));
    addEditorWindow("N_TIFloat", new GridTreeDialog(*m_editors.find<TiFloatForm>(), this));
    m_editors.registerRefsEditors(m_refsEditors);
}

void TFNastr::addEditorWindow(const char* item, EditorDialog* window)
{
    const QString name = window->form().windowName();
    m_editorWindows[name] = window;
    window->setWindowOpener([this](const QString& sub) { openEditor(sub); });
    if (item) {
        connect(action(QString::fromLatin1(item)), &QAction::triggered, this,
                [this, name] { openEditor(name); });
    }
}

EditorDialog* TFNastr::editorWindow(const QString& windowName) const
{
    const auto it = m_editorWindows.find(windowName);
    return it == m_editorWindows.end() ? nullptr : it->second;
}

void TFNastr::openEditor(const QString& windowName, int tableRow)
{
    if (EditorDialog* w = editorWindow(windowName))
        tableRow >= 0 ? w->execOnTableRow(tableRow) : w->exec();
    refresh();
}

void TFNastr::openMenuWindow(EditorId item, int tableRow)
{
    if (item == EditorId::Controllers) {
        tableRow >= 0 ? m_task->execOnController(tableRow) : m_task->exec();
        refresh();
        return;
    }
    openEditor(m_editors.windowOf(item), tableRow);
}

QAction* TFNastr::addItem(QMenu* menu, const QString& name, const QString& caption)
{
    QAction* a = menu ? menu->addAction(caption) : menuBar()->addAction(caption);
    a->setObjectName(name);
    m_actions[name] = a;
    return a;
}

QAction* TFNastr::action(const QString& name) const
{
    const auto it = m_actions.find(name);
    return it == m_actions.end() ? nullptr : it->second;
}

void TFNastr::buildMenu()
{
    QMenuBar* bar = menuBar();
    m_fileMenu = bar->addMenu(QStringLiteral("Файл"));
    m_fileMenu->setObjectName(QStringLiteral("N_File"));
    QMenu* newMenu = m_fileMenu->addMenu(QStringLiteral("Новый"));
    newMenu->setObjectName(QStringLiteral("N_New"));
    const QStringList names = {QStringLiteral("Magistral1"), QStringLiteral("Modbus"),
                               QStringLiteral("UnkTm"), QStringLiteral("Hart"),
                               QStringLiteral("KtsEnergia")};
    for (int i = 0; i < kProtocolCount; ++i) {
        QAction* a = addItem(newMenu, QStringLiteral("N_New_") + names[i], protocolNames()[i]);
        connect(a, &QAction::triggered, this, [this, i] {
            m_commands.newConfiguration(ProtocolVariant(i));
            refresh();
        });
    }
    connect(addItem(m_fileMenu, QStringLiteral("N_Load"), QStringLiteral("Загрузить")),
            &QAction::triggered, this, [this] {
                m_commands.load();
                refresh();
            });
    connect(addItem(m_fileMenu, QStringLiteral("N_Save"), QStringLiteral("Сохранить")),
            &QAction::triggered, this, [this] {
                m_commands.save();
                refresh();
            });
    connect(addItem(m_fileMenu, QStringLiteral("N_SaveAs"), QStringLiteral("Сохранить как ...")),
            &QAction::triggered, this, [this] {
                m_commands.saveAs();
                refresh();
            });
    m_fileMenu->addSeparator();
    connect(addItem(m_fileMenu, QStringLiteral("N_Exit"), QStringLiteral("Выход")),
            &QAction::triggered, this, [this] {
                if (m_commands.exitRequested())
                    close();
                refresh();
            });

    m_commonMenu = bar->addMenu(QStringLiteral("Общие настройки"));
    m_commonMenu->setObjectName(QStringLiteral("N_Common"));
    addItem(m_commonMenu, QStringLiteral("N_DatabasePath"), QStringLiteral("Путь к БД"));
    addItem(m_commonMenu, QStringLiteral("N_DopNastr"), QStringLiteral("Дополнительные настройки"));

    m_vegMenu = bar->addMenu(QStringLiteral("Настройки ВЕГ"));
    m_vegMenu->setObjectName(QStringLiteral("N_Veg"));
    addItem(m_vegMenu, QStringLiteral("N_GatewayCommon"), QStringLiteral("Общие настройки"));
    addItem(m_vegMenu, QStringLiteral("N_Controllers"), QStringLiteral("Список контроллеров"));
    addItem(m_vegMenu, QStringLiteral("N_Group"), QStringLiteral("Групповые параметры"));
    addItem(m_vegMenu, QStringLiteral("N_OKP"), QStringLiteral("Обычное КП"));
    addItem(m_vegMenu, QStringLiteral("N_IKP"), QStringLiteral("Интеллектуальное КП"));
    addItem(m_vegMenu, QStringLiteral("N_ModbusTU"), QStringLiteral("ТУ"));
    addItem(m_vegMenu, QStringLiteral("N_ModbusTC"), QStringLiteral("ТС"));
    addItem(m_vegMenu, QStringLiteral("N_TIFloat"), QStringLiteral("ТИ с плавающей точкой"));
    addItem(m_vegMenu, QStringLiteral("N_UNK"), QStringLiteral("Вычислитель"));
    addItem(m_vegMenu, QStringLiteral("N_HART"), QStringLiteral("Настройка параметров"));
    addItem(m_vegMenu, QStringLiteral("N_KTC_Gr"), QStringLiteral("Гребёнка"));
    addItem(m_vegMenu, QStringLiteral("N_KTC_TC"), QStringLiteral("ТС"));

    addItem(nullptr, QStringLiteral("N_NastrObm"), QStringLiteral("Настройка обмена"));
    addItem(nullptr, QStringLiteral("N_Obmen"), QStringLiteral("Обмен с  ВЕГ"));

    m_modbusMenu = bar->addMenu(QStringLiteral("Тест связи по Modbus"));
    m_modbusMenu->setObjectName(QStringLiteral("N_ModbusTest"));
    addItem(m_modbusMenu, QStringLiteral("N_ObmenModbus"), QStringLiteral("Настройка обмена по Modbus"));
    addItem(m_modbusMenu, QStringLiteral("N_ReadModbus"), QStringLiteral("Чтение по Modbus"));
    addItem(m_modbusMenu, QStringLiteral("N_MonitorModbus"), QStringLiteral("Монитор Modbus"));
    m_modbusMenu->setToolTipsVisible(true); // the hint of a disabled monitor
}

void TFNastr::refresh()
{
    const MainMenuState m = m_commands.menus();
    setWindowTitle(m_commands.caption());
    m_statusPanel->setText(m_commands.statusText());
    m_commonMenu->menuAction()->setVisible(m.commonSettings);
    m_vegMenu->menuAction()->setVisible(m.vegSettings);
    m_modbusMenu->menuAction()->setVisible(m.modbusTest);
    // The monitor names the rows of a Modbus configuration's tables: other protocols have none.
    QAction* monitor = action(QStringLiteral("N_MonitorModbus"));
    const bool modbus = m_config.Protocol == ProtocolVariant::Modbus;
    monitor->setEnabled(modbus);
    monitor->setToolTip(modbus ? QStringLiteral("Опрос таблиц ТИ, ТС и ТУ конфигурации по Modbus")
                               : QStringLiteral("Монитор Modbus работает с конфигурацией "
                                                "протокола Modbus: загрузите или создайте её"));
    action(QStringLiteral("N_NastrObm"))->setVisible(m.exchangeSettings);
    action(QStringLiteral("N_Obmen"))->setVisible(m.exchange);
    action(QStringLiteral("N_Save"))->setVisible(m.save);
    action(QStringLiteral("N_SaveAs"))->setVisible(m.saveAs);
    const std::pair<const char*, bool> items[] = {
        {"N_GatewayCommon", m.gatewayCommon}, {"N_Controllers", m.controllerList},
        {"N_Group", m.groupParams},           {"N_OKP", m.okp},
        {"N_IKP", m.ikp},                     {"N_ModbusTU", m.modbusTu},
        {"N_ModbusTC", m.modbusTc},           {"N_TIFloat", m.tiFloat},
        {"N_UNK", m.unk},                     {"N_HART", m.hart},
        {"N_KTC_Gr", m.ktsGroups},            {"N_KTC_TC", m.ktsSignals},
    };
    for (const auto& [name, visible] : items)
        action(QString::fromLatin1(name))->setVisible(visible);
    m_overview->showOverview(describeConfiguration(m_config, m_settings.additional));
    // A configuration's overview may need more than a small screen holds: it scrolls then.
    if (isVisible())
        ScreenFit::fit(*this);
}

void TFNastr::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        FormActivate();
    }
}

void TFNastr::FormActivate()
{
    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().topLeft());
        ScreenFit::fit(*this);
    }
    const QStringList errors = m_commands.start();
    refresh();
    for (const QString& e : errors)
        m_dialogs.info(e);
}

void TFNastr::closeEvent(QCloseEvent* event)
{
    if (m_commands.exitRequested())
        event->accept();
    else
        event->ignore();
    refresh();
}

void TFNastr::Progress::show(const QString& label)
{
    m_window.m_progressLabel->setText(label);
    m_window.m_progress->setValue(0);
    m_window.m_progress->show();
    m_window.m_progressLabel->show();
    if (!m_busyCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_busyCursor = true;
    }
    // Painted once before the work starts, which then blocks the window until it ends.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TFNastr::Progress::advance(int step)
{
    m_window.m_progress->setValue(std::min(m_window.m_progress->value() + step, ProgressSink::kMaximum));
}

void TFNastr::Progress::hide()
{
    m_window.m_progress->hide();
    m_window.m_progressLabel->hide();
}

void TFNastr::Progress::done()
{
    hide();
    if (m_busyCursor) {
        QApplication::restoreOverrideCursor();
        m_busyCursor = false;
    }
}

} // namespace veg
