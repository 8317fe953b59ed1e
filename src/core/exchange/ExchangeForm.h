#pragma once

#include "core/exchange/ExchangeView.h"
#include "core/exchange/LinkSession.h"
#include "core/port/DailyLog.h"

#include "core/config/ConfigFile.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace veg {

class ConfigurationHost;
class GatewayConfig;
class GatewayWriter;
class Dialogs;
class ProgramSettings;

// The rules of the exchange window "Обмен с ВЕГ-78": its menu of three commands, the action and
// abort buttons, the search ranges and result grid, the caption and progress bar, the on-screen
// log and the daily log file, and the link it opens for each opening of the window. The window
// renders these fields and forwards its events; `changed` tells it to render again (also while a
// command runs, when the link pumps the message loop).
class ExchangeForm : public ExchangeView
{
public:
    enum class Command
    {
        None,
        Search, // "Поиск"
        Write,  // "Запись в ВЕГ"
        Read,   // "Чтение из ВЕГ"
        Compare, // "Сравнение с ВЕГ"
        Resume,  // "Продолжить запись"
    };
    enum RangeBox
    {
        GatewayFrom, // Edit1
        GatewayTo,   // Edit2
        MasterFrom,  // Edit3
        MasterTo,    // Edit4
    };
    static constexpr int kMemoLines = 500;

    // `clock` and `pump` are the link's (the window passes the system clock and the message
    // loop); `makePort` the serial port of each opening.
    ExchangeForm(ProgramSettings& settings, Dialogs& dialogs, ConfigurationHost& host, Clock& clock,
                 std::function<void()> pump, LinkSession::PortFactory makePort,
                 std::unique_ptr<DailyLog> log);
    ~ExchangeForm() override;

    // --- what the window shows ---
    QString caption;
    int progress = 0;
    bool progressVisible = false;
    Command command = Command::None;
    QString actionCaption;
    bool actionVisible = false;
    bool abortVisible = false;
    bool abortEnabled = false;
    // A command runs: the action button and the menu are disabled, the cursor is busy.
    bool busy = false;
    bool writeEnabled = false; // the menu item "Запись в ВЕГ"
    // The menu item "Продолжить запись": a write ended with the gateway stopped.
    bool resumeEnabled = false;
    // The requests sent again during the command that runs or ran last.
    int repeatedRequests() const { return m_shared.RepeatedRequests; }
    static QString repeatsText(int n) { return QStringLiteral("Повторных запросов: %1").arg(n); }
    // What the message of a write that left the gateway stopped adds to its reason.
    static QString stoppedNote()
    {
        return QStringLiteral("ВЕГ остановлен с неполной конфигурацией. Её запишет до конца "
                              "\"Продолжить запись\" или новая запись в ВЕГ.");
    }
    bool gatewaysBoxVisible = false, gatewaysChecked = false;
    bool mastersBoxVisible = false, mastersChecked = false;
    bool gatewayRangeVisible = false, masterRangeVisible = false;
    std::array<QString, 4> range;
    bool gridVisible = false;
    std::vector<FoundDevice> rows;
    bool memoVisible = false;
    QStringList memo;
    // "Проверить после записи": shown with the write, its state kept in the settings file.
    bool verifyBoxVisible = false;
    bool verifyChecked() const;
    void setVerifyChecked(bool on);
    // "Сохранить копию из ВЕГ перед записью": shown with the write, kept in the settings file.
    bool backupBoxVisible = false;
    bool backupChecked() const;
    void setBackupChecked(bool on);
    // Where and how the copies are saved: the time of a copy, the folder of the copies of a
    // configuration never saved (the user's documents), the number format of the window's saves.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    QString documentsFolder;
    SaveOptions backupSaveOptions;
    // The copy of the last write, empty when none was taken.
    QString lastBackup;
    // "Быстрый поиск": shown with the search, its state kept in the settings file; its hint
    // gives the quick answer time of the line.
    bool quickBoxVisible = false;
    bool quickChecked() const;
    void setQuickChecked(bool on);
    QString quickHint() const;

    std::function<void()> changed;
    // Called after a read-back took the place of the configuration.
    std::function<void()> configurationReplaced;

    static QString restCaption() { return QStringLiteral("ВЕГ-78"); }
    static QStringList gridTitles()
    {
        return {QString(), QStringLiteral("Сетевой номер"), QStringLiteral("Устройство")};
    }

    // --- events ---
    // Every opening of the window: the rest state, and the link opened (a message when not).
    void FormActivate();
    // Closing: refused while a command runs (the command is asked to stop instead); otherwise
    // the link is closed and the network numbers found are written to the settings file.
    bool closeRequested();
    void N1Click(Command chosen);
    void Button1Click();
    void Button2Click();
    void Label1DblClick();
    // A key typed in a range box holding `text`: the character to enter, or QChar(0) to swallow
    // it. `clearFirst` is set when the box's whole text is selected and goes first.
    QChar Edit1KeyPress(const QString& text, bool wholeSelected, QChar key, bool& clearFirst) const;
    void editRange(RangeBox box, const QString& text);
    // Leaving a range box: a hexadecimal text is rewritten as two upper-case digits at least.
    void Edit1Exit(RangeBox box);
    // Checking a gateway's row chooses it and unchecks the others: at most one is chosen.
    void ProfGrid1CheckBoxChanged(int row, bool checked);
    // The link's log sink: the memo (cleared past 500 lines) and the day's file; a file that
    // cannot be written is said once in the memo and never stops the exchange.
    void WriteLog(const QString& text);

    void RunSearch();
    void RunWrite();
    void RunRead();
    // The configuration against the gateway's image: the differences in the memo, in the words
    // of the windows, or "Конфигурация в ВЕГ совпадает с загруженной".
    void RunCompare();
    // Continues the write that left the gateway stopped, at the element that failed.
    void RunResume();

    LinkSession& session() { return *m_session; }
    LinkShared& shared() { return m_shared; }

    // ExchangeView
    void setCaption(const QString& text) override;
    void setProgress(int position) override;
    void clearFound() override;
    void addFound(const FoundDevice& row) override;

private:
    void notify();
    void setBusy(bool on);
    // The caption and message of a command that ended: its own text on success, its abort
    // text and an empty bar after "Прервать", else the rest caption and a box with the reason.
    void finish(bool ok, const QString& done, const QString& aborted);
    std::optional<std::uint8_t> rangeValue(RangeBox box) const;
    // The comparison with the gateway; false when the read failed (the session says why).
    bool compare(bool& equal);
    // A check box's state into the settings file; a file that cannot be written is said.
    void keepChoices();
    // The copy of what the gateway holds before a write; false when the write does not go on.
    bool backUp(const GatewayConfig& config);
    // The end of a write or its continuation: the offer to continue, the caption, the message.
    bool endWrite(bool ok, const GatewayWriter& writer, const GatewayConfig& config);
    void verifyWritten();

    ProgramSettings& m_settings;
    Dialogs& m_dialogs;
    ConfigurationHost& m_host;
    LinkShared m_shared;
    std::unique_ptr<LinkSession> m_session;
    std::unique_ptr<DailyLog> m_log;
    bool m_logFailureShown = false;
    bool m_adapterSettingsRead = false;
    // The write that can be continued: its configuration, gateway and first unconfirmed element.
    std::unique_ptr<GatewayConfig> m_resumeConfig;
    std::uint8_t m_resumeGateway = 0;
    int m_resumeFrom = 0;
    KalO::Settings m_adapterSettings;
};

} // namespace veg
