#include "core/exchange/ExchangeForm.h"

#include "core/ui/Dialogs.h"
#include "core/settings/ProgramSettings.h"
#include "core/exchange/ConfigurationHost.h"
#include "core/exchange/GatewayBackup.h"
#include "core/exchange/GatewayComparison.h"
#include "core/exchange/GatewayReader.h"
#include "core/exchange/GatewaySearch.h"
#include "core/exchange/QuickAnswerTime.h"
#include "core/exchange/GatewayWriter.h"
#include "core/text/HexKeyFilter.h"
#include "core/text/NumberText.h"

#include <QDir>
#include <QStandardPaths>

namespace veg {

ExchangeForm::ExchangeForm(ProgramSettings& settings, Dialogs& dialogs, ConfigurationHost& host,
                           Clock& clock, std::function<void()> pump,
                           LinkSession::PortFactory makePort, std::unique_ptr<DailyLog> log)
    : caption(restCaption()), m_settings(settings), m_dialogs(dialogs), m_host(host),
      m_log(std::move(log))
{
    documentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    LinkContext c;
    c.clock = &clock;
    c.shared = &m_shared;
    c.pump = std::move(pump);
    c.log = [this](const QString& line) { WriteLog(line); };
    m_session = std::make_unique<LinkSession>(settings.exchange, c, std::move(makePort));
}

ExchangeForm::~ExchangeForm()
{
    m_session->CloseLinks();
}

void ExchangeForm::notify()
{
    if (changed)
        changed();
}

void ExchangeForm::setCaption(const QString& text)
{
    caption = text;
    notify();
}

void ExchangeForm::setProgress(int position)
{
    progress = position;
    notify();
}

void ExchangeForm::clearFound()
{
    rows.clear();
    notify();
}

void ExchangeForm::addFound(const FoundDevice& row)
{
    rows.push_back(row);
    notify();
}

void ExchangeForm::FormActivate()
{
    memoVisible = false;
    memo.clear();
    progress = 0;
    progressVisible = false;
    caption = restCaption();
    abortEnabled = abortVisible = false;
    actionVisible = false;
    gatewaysBoxVisible = mastersBoxVisible = false;
    gatewayRangeVisible = masterRangeVisible = false;
    verifyBoxVisible = backupBoxVisible = quickBoxVisible = false;
    command = Command::None;
    const GatewayConfig& config = m_host.configuration();
    writeEnabled = config.IsReadBack || config.IsNewFile || config.HasFile;
    rows.clear();
    gridVisible = false;
    m_logFailureShown = false;
    notify();

    if (!m_adapterSettingsRead) {
        m_adapterSettings = LinkSession::adapterSettingsFrom(m_settings.path());
        m_adapterSettingsRead = true;
    }
    if (!m_session->link() && !m_session->OpenLink(m_adapterSettings))
        m_dialogs.info(m_session->ErrorText);
    else if (m_session->link() && !m_session->portReady())
        m_dialogs.info(m_session->portError());
}

bool ExchangeForm::closeRequested()
{
    if (busy) {
        Button2Click();
        return false;
    }
    m_session->CloseLinks();
    QString error;
    if (!m_settings.WriteNetworkNumbers(&error))
        m_dialogs.info(error);
    return true;
}

void ExchangeForm::N1Click(Command chosen)
{
    const bool needsFile = chosen == Command::Write || chosen == Command::Compare;
    if (busy || chosen == Command::None || (needsFile && !writeEnabled) ||
        (chosen == Command::Resume && !resumeEnabled))
        return;
    command = chosen;
    caption = restCaption();
    progress = 0;
    progressVisible = true;
    const ExchangeSettings& s = m_settings.exchange;
    const bool search = chosen == Command::Search;
    const bool rs232 = s.AdapterKind != ExchangeSettings::kCanBus;
    gatewaysBoxVisible = gatewayRangeVisible = gridVisible = search;
    gatewaysChecked = s.AdapterKind == ExchangeSettings::kCanBus;
    mastersBoxVisible = masterRangeVisible = search && rs232;
    actionVisible = abortVisible = true;
    verifyBoxVisible = chosen == Command::Write || chosen == Command::Resume;
    // A continuation writes over what the stopped write left: there is nothing to keep.
    backupBoxVisible = chosen == Command::Write;
    quickBoxVisible = search;
    actionCaption = search                       ? QStringLiteral("Найти")
                    : chosen == Command::Write   ? QStringLiteral("Записать")
                    : chosen == Command::Resume  ? QStringLiteral("Продолжить")
                    : chosen == Command::Compare ? QStringLiteral("Сравнить")
                                                 : QStringLiteral("Прочитать");
    range[GatewayFrom] = range[GatewayTo] = NumberText::hex(s.GatewayNumber, 2);
    range[MasterFrom] = range[MasterTo] = NumberText::hex(s.AdapterNumber, 2);
    notify();
}

void ExchangeForm::Button1Click()
{
    if (busy)
        return;
    switch (command) {
    case Command::Search:
        RunSearch();
        break;
    case Command::Write:
        RunWrite();
        break;
    case Command::Read:
        RunRead();
        break;
    case Command::Compare:
        RunCompare();
        break;
    case Command::Resume:
        RunResume();
        break;
    case Command::None:
        break;
    }
}

void ExchangeForm::Button2Click()
{
    m_shared.AbortRequested = true;
}

void ExchangeForm::Label1DblClick()
{
    memoVisible = !memoVisible;
    if (command == Command::Search)
        gridVisible = !gridVisible;
    notify();
}

QChar ExchangeForm::Edit1KeyPress(const QString& text, bool wholeSelected, QChar key,
                                  bool& clearFirst) const
{
    clearFirst = wholeSelected && text.size() == 2;
    const bool backspace = key.unicode() == 8;
    if (!clearFirst && !backspace && text.size() >= 2)
        return QChar(0);
    return HexKeyFilter(key);
}

void ExchangeForm::editRange(RangeBox box, const QString& text)
{
    range[box] = text.left(2);
}

std::optional<std::uint8_t> ExchangeForm::rangeValue(RangeBox box) const
{
    const QString text = range[box].trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const auto v = NumberText::parseHex(text);
    if (!v || *v > 0xFF)
        return std::nullopt;
    return std::uint8_t(*v);
}

void ExchangeForm::Edit1Exit(RangeBox box)
{
    // An empty or unreadable text stays as typed: the search refuses it with its message.
    if (const auto v = rangeValue(box))
        range[box] = NumberText::hex(*v, 2);
    notify();
}

void ExchangeForm::ProfGrid1CheckBoxChanged(int row, bool checked)
{
    if (row < 0 || row >= int(rows.size()) || !rows[std::size_t(row)].checkable)
        return;
    rows[std::size_t(row)].checked = checked;
    if (checked) {
        m_settings.exchange.GatewayNumber = rows[std::size_t(row)].number;
        for (int i = 0; i < int(rows.size()); ++i)
            if (i != row)
                rows[std::size_t(i)].checked = false;
    }
    notify();
}

void ExchangeForm::WriteLog(const QString& text)
{
    if (memo.size() > kMemoLines)
        memo.clear();
    memo << text;
    if (m_log && !m_log->append(text) && !m_logFailureShown) {
        m_logFailureShown = true;
        memo << QStringLiteral("Журнал обмена не записан: ") + m_log->currentPath();
    }
    notify();
}

void ExchangeForm::setBusy(bool on)
{
    if (on)
        m_shared.RepeatedRequests = 0;
    busy = on;
    abortEnabled = on;
    notify();
}

void ExchangeForm::finish(bool ok, const QString& done, const QString& aborted)
{
    if (ok) {
        setCaption(done);
    } else if (m_session->LastStatus == Status::Aborted) {
        caption = aborted;
        setProgress(0);
    } else {
        setCaption(restCaption());
        m_dialogs.info(m_session->ErrorText);
    }
}

void ExchangeForm::RunSearch()
{
    const auto gFrom = rangeValue(GatewayFrom), gTo = rangeValue(GatewayTo);
    const auto mFrom = rangeValue(MasterFrom), mTo = rangeValue(MasterTo);
    if (!gFrom || !gTo || !mFrom || !mTo || *gTo < *gFrom || *mTo < *mFrom) {
        m_dialogs.info(QStringLiteral("Введите правильно диапазон поиска!"));
        return;
    }
    if (!gatewaysChecked && !mastersChecked)
        return;
    setBusy(true);
    GatewaySearch search(*m_session, *this);
    search.setQuick(quickChecked());
    const bool ok = search.SearchGateways({*gFrom, *gTo}, gatewaysChecked, {*mFrom, *mTo},
                                          mastersChecked && mastersBoxVisible);
    setBusy(false);
    finish(ok, QStringLiteral("Поиск завершен"), QStringLiteral("Поиск прерван"));
    gatewaysChecked = m_settings.exchange.AdapterKind == ExchangeSettings::kCanBus;
    mastersChecked = false;
    notify();
}

bool ExchangeForm::verifyChecked() const
{
    return m_settings.exchange.VerifyAfterWrite;
}

void ExchangeForm::setVerifyChecked(bool on)
{
    if (m_settings.exchange.VerifyAfterWrite == on)
        return;
    m_settings.exchange.VerifyAfterWrite = on;
    keepChoices();
    notify();
}

bool ExchangeForm::backupChecked() const
{
    return m_settings.exchange.BackupBeforeWrite;
}

void ExchangeForm::setBackupChecked(bool on)
{
    if (m_settings.exchange.BackupBeforeWrite == on)
        return;
    m_settings.exchange.BackupBeforeWrite = on;
    keepChoices();
    notify();
}

bool ExchangeForm::quickChecked() const
{
    return m_settings.exchange.QuickSearch;
}

void ExchangeForm::setQuickChecked(bool on)
{
    if (m_settings.exchange.QuickSearch == on)
        return;
    m_settings.exchange.QuickSearch = on;
    keepChoices();
    notify();
}

QString ExchangeForm::quickHint() const
{
    // The gateways are asked directly, or through the master module when it is searched too
    // (or was found before).
    ExchangeSettings s = m_settings.exchange;
    s.ViaAdapter = false;
    const int direct = QuickAnswerTime::of(s).totalMs;
    QString times = QStringLiteral("%1 мс").arg(direct);
    if (s.AdapterKind != ExchangeSettings::kCanBus) {
        s.ViaAdapter = true;
        times += QStringLiteral(", через ведущий модуль %1 мс").arg(QuickAnswerTime::of(s).totalMs);
    }
    return QStringLiteral("Одна попытка на номер с ожиданием ответа %1; ответивший номер "
                          "проверяется ещё раз с обычными попытками. ВЕГ, отвечающий позже, "
                          "быстрый поиск не найдёт: его найдёт обычный поиск.")
        .arg(times);
}

void ExchangeForm::keepChoices()
{
    QString error;
    if (!m_settings.WriteExchangeChoices(&error))
        m_dialogs.info(error);
}

bool ExchangeForm::compare(bool& equal)
{
    const GatewayConfig& config = m_host.configuration();
    GatewayComparison comparison;
    if (!comparison.run(*m_session, *this, config))
        return false;
    equal = comparison.equal();
    if (!equal) {
        // The differences go to the memo (and the day's log with it), shown at once.
        WriteLog(QStringLiteral("Различия ВЕГ и конфигурации (%1):").arg(comparison.differences.size()));
        for (const QString& line : comparison.inWords())
            WriteLog(line);
        WriteLog(GatewayComparison::notCompared(config.Protocol));
        memoVisible = true;
        notify();
    }
    return true;
}

void ExchangeForm::RunWrite()
{
    const GatewayConfig& config = m_host.configuration();
    const QString refusal = GatewayImage::refusal(config);
    if (!refusal.isEmpty()) {
        m_dialogs.info(refusal);
        return;
    }
    setBusy(true);
    lastBackup.clear();
    if (backupChecked() && !backUp(config)) {
        setBusy(false);
        return;
    }
    GatewayWriter writer(*m_session, *this);
    const bool ok = writer.WriteSettings(config) && writer.WriteTables(config);
    endWrite(ok, writer, config);
    // The memo is cleared past its length during a long write: the copy is named again last.
    if (!lastBackup.isEmpty())
        WriteLog(QStringLiteral("Копия из ВЕГ до записи: ") + QDir::toNativeSeparators(lastBackup));
}

bool ExchangeForm::backUp(const GatewayConfig& config)
{
    GatewayBackup backup;
    const QString folder = GatewayBackup::folderFor(config.FileName, documentsFolder);
    if (backup.take(*m_session, *this, config.Common, folder, now(), backupSaveOptions)) {
        lastBackup = backup.path;
        WriteLog(QStringLiteral("Копия из ВЕГ сохранена: ") + QDir::toNativeSeparators(backup.path));
        return true;
    }
    if (backup.readFailed && m_session->LastStatus == Status::Aborted) {
        // Nothing was written: the gateway holds what it held.
        caption = QStringLiteral("Запись прервана");
        setProgress(0);
        return false;
    }
    WriteLog(QStringLiteral("Копия из ВЕГ не сохранена: ") + backup.error);
    if (m_dialogs.confirmDefaultNo(QStringLiteral("Копия из ВЕГ не сохранена: %1\n"
                                                  "Записать конфигурацию без копии?")
                                       .arg(backup.error)))
        return true;
    setCaption(restCaption());
    setProgress(0);
    return false;
}

void ExchangeForm::RunResume()
{
    if (!m_resumeConfig)
        return;
    // The continuation belongs to the configuration and the gateway of the write that stopped.
    if (!(m_host.configuration() == *m_resumeConfig) ||
        m_settings.exchange.GatewayNumber != m_resumeGateway) {
        m_dialogs.info(QStringLiteral("Конфигурация или ВЕГ не те, что при прерванной записи: "
                                      "запишите конфигурацию заново"));
        return;
    }
    const GatewayConfig config = *m_resumeConfig;
    setBusy(true);
    GatewayWriter writer(*m_session, *this);
    const bool ok = writer.resume(config, m_resumeFrom);
    endWrite(ok, writer, config);
}

bool ExchangeForm::endWrite(bool ok, const GatewayWriter& writer, const GatewayConfig& config)
{
    if (!ok && writer.leftStopped()) {
        // Continued where it failed: the elements confirmed so far are not sent again.
        m_resumeConfig = std::make_unique<GatewayConfig>(config);
        m_resumeGateway = m_settings.exchange.GatewayNumber;
        m_resumeFrom = writer.tableElementsDone();
        resumeEnabled = true;
    } else {
        m_resumeConfig.reset();
        resumeEnabled = false;
    }
    if (ok && verifyChecked()) {
        verifyWritten();
        return true;
    }
    setBusy(false);
    if (ok) {
        setCaption(QStringLiteral("Запись завершена"));
    } else if (m_session->LastStatus == Status::Aborted) {
        caption = QStringLiteral("Запись прервана");
        setProgress(0);
        if (resumeEnabled)
            WriteLog(stoppedNote());
    } else {
        setCaption(restCaption());
        m_dialogs.info(resumeEnabled ? m_session->ErrorText.trimmed() + u'\n' + stoppedNote()
                                     : m_session->ErrorText);
    }
    return ok;
}

void ExchangeForm::verifyWritten()
{
    bool equal = false;
    const bool compared = compare(equal);
    setBusy(false);
    if (!compared) {
        // The write itself went through; only the check could not be made.
        if (m_session->LastStatus == Status::Aborted) {
            setCaption(QStringLiteral("Запись завершена, проверка прервана"));
        } else {
            setCaption(QStringLiteral("Запись завершена"));
            m_dialogs.info(QStringLiteral("Запись завершена, но ВЕГ не проверен: ") +
                           m_session->ErrorText.trimmed());
        }
        return;
    }
    if (equal) {
        setCaption(QStringLiteral("Запись завершена, ВЕГ совпадает с конфигурацией"));
    } else {
        setCaption(QStringLiteral("Запись завершена, ВЕГ отличается от конфигурации"));
        m_dialogs.info(QStringLiteral("Запись завершена, но ВЕГ отличается от конфигурации: "
                                      "различия в протоколе обмена"));
    }
}

void ExchangeForm::RunCompare()
{
    const QString refusal = GatewayImage::refusal(m_host.configuration());
    if (!refusal.isEmpty()) {
        m_dialogs.info(refusal);
        return;
    }
    setBusy(true);
    bool equal = false;
    const bool ok = compare(equal);
    setBusy(false);
    if (!ok) {
        finish(false, QString(), QStringLiteral("Сравнение прервано"));
        return;
    }
    if (equal) {
        setCaption(QStringLiteral("Конфигурация в ВЕГ совпадает с загруженной"));
        m_dialogs.info(QStringLiteral("Конфигурация в ВЕГ совпадает с загруженной"));
    } else {
        setCaption(QStringLiteral("Конфигурация в ВЕГ отличается от загруженной"));
    }
}

void ExchangeForm::RunRead()
{
    // A read-back replaces the configuration: unsaved changes are asked about first, as by Load.
    if (!m_host.ConfirmDiscard())
        return;
    setBusy(true);
    GatewayReader reader(*m_session, *this);
    GatewayConfig fresh;
    const bool ok = reader.read(m_host.configuration().Common, fresh);
    setBusy(false);
    finish(ok, QStringLiteral("Чтение завершено"), QStringLiteral("Чтение прервано"));
    if (ok) {
        m_host.installReadBack(std::move(fresh));
        // A configuration read back may be written again at once.
        writeEnabled = m_host.configuration().IsReadBack;
        notify();
        if (configurationReplaced)
            configurationReplaced();
    }
}

} // namespace veg
