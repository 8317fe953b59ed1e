// vegctl image / write / read / search / verify: the exchange window's commands on the command
// line, over the same link set-up and the same core. Progress and results go to standard error,
// what was found to standard output.

#include "Commands.h"
#include "LinkOptions.h"

#include "core/exchange/ExchangeView.h"
#include "core/exchange/GatewayBackup.h"
#include "core/exchange/GatewayComparison.h"
#include "core/exchange/GatewayImage.h"
#include "core/exchange/GatewayReader.h"
#include "core/exchange/GatewaySearch.h"
#include "core/exchange/GatewayVerifier.h"
#include "core/exchange/GatewayWriter.h"
#include "core/text/NumberText.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace vegctl {
namespace {

using namespace veg;

void say(const QString& text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// The caption and the progress of a command on standard error: on a terminal the bar's position
// in percent, rewritten in place.
class ConsoleView : public ExchangeView
{
public:
    ConsoleView() : m_terminal(::isatty(2)) {}
    ~ConsoleView() override { endLine(); }

    void setCaption(const QString& text) override
    {
        endLine();
        say(text);
    }
    void setProgress(int position) override
    {
        if (!m_terminal)
            return;
        std::fprintf(stderr, "\r%3d%%", position * 100 / kProgressMaximum);
        m_open = true;
    }
    void clearFound() override {}
    void addFound(const FoundDevice& row) override
    {
        endLine();
        std::printf("%s %s\n", NumberText::hex(row.number, 2).toLatin1().constData(),
                    row.device.toLocal8Bit().constData());
        std::fflush(stdout);
    }
    void endLine()
    {
        if (m_open)
            std::fputc('\n', stderr);
        m_open = false;
    }

private:
    bool m_terminal;
    bool m_open = false;
};

// A configuration file as File -> Load reads it, or nullopt with the reason printed (exit
// status 1).
std::optional<GatewayConfig> load(const std::string& path)
{
    GatewayConfig config;
    if (!loadFile(config, path))
        return std::nullopt;
    return config;
}

// The end of an exchange: exit 0, or 3 with the status and its message.
void finish(bool ok, LinkSession& session, ConsoleView& view)
{
    view.endLine();
    if (ok) {
        exitStatus() = 0;
        return;
    }
    if (session.LastStatus == LinkSession::kRefused)
        fail(session.ErrorText, 3);
    else
        failStatus(session.LastStatus);
}

void image(const std::string& path)
{
    const auto config = load(path);
    if (!config)
        return;
    const QString refusal = GatewayImage::refusal(*config);
    if (!refusal.isEmpty()) {
        say(refusal);
        exitStatus() = 1;
        return;
    }
    for (const ImageWrite& w : GatewayImage::encode(*config))
        std::printf("%s\n", w.text().toLatin1().constData());
    exitStatus() = 0;
}

struct WriteArgs
{
    bool verify = false;
    int rounds = ExchangeSettings{}.WriteRounds;
    std::string backup; // the folder of the copy taken before writing, empty for none
};

void write(const std::string& path, const LinkOptions& o, const WriteArgs& a)
{
    const auto config = load(path);
    if (!config)
        return;
    const QString refusal = GatewayImage::refusal(*config);
    if (!refusal.isEmpty()) { // nothing is sent, not even the port opened
        fail(refusal, 3);
        return;
    }
    CliLink cli;
    if (!cli.open(o))
        return;
    ConsoleView view;
    if (!a.backup.empty()) {
        // Nothing is written unless what the gateway holds is kept: the command line cannot ask.
        GatewayBackup backup;
        SaveOptions options;
        options.decimalSeparator = systemDecimalSeparator();
        if (!backup.take(cli.session(), view, config->Common, QString::fromStdString(a.backup),
                         QDateTime::currentDateTime(), options)) {
            view.endLine();
            say(QStringLiteral("Копия из ВЕГ не сохранена, запись не начата: ") + backup.error);
            exitStatus() = 3;
            return;
        }
        view.endLine();
        say(QStringLiteral("Копия из ВЕГ: ") + QDir::toNativeSeparators(backup.path));
    }
    cli.session().settings().WriteRounds = a.rounds;
    GatewayWriter writer(cli.session(), view);
    const bool ok = writer.write(*config);
    if (cli.session().shared().RepeatedRequests > 0)
        say(QStringLiteral("Повторных запросов: %1").arg(cli.session().shared().RepeatedRequests));
    if (!ok && writer.leftStopped())
        say(QStringLiteral("ВЕГ остановлен с неполной конфигурацией: запишите её заново"));
    if (ok)
        view.setCaption(QStringLiteral("Запись завершена"));
    if (!ok || !a.verify) {
        finish(ok, cli.session(), view);
        return;
    }
    // The same comparison as diff --gateway: the file's side first, the gateway's second.
    GatewayComparison comparison;
    if (!comparison.run(cli.session(), view, *config)) {
        finish(false, cli.session(), view);
        return;
    }
    view.endLine();
    for (const ConfigDifference& d : comparison.differences)
        std::printf("%s\n", d.text().toUtf8().constData());
    say(GatewayComparison::notCompared(config->Protocol));
    say(comparison.equal() ? QStringLiteral("Запись завершена, ВЕГ совпадает с конфигурацией")
                           : QStringLiteral("Различий: %1").arg(comparison.differences.size()));
    exitStatus() = comparison.equal() ? 0 : 1;
}

void read(const std::string& out, const LinkOptions& o)
{
    CliLink cli;
    if (!cli.open(o))
        return;
    ConsoleView view;
    GatewayConfig config;
    if (!GatewayReader(cli.session(), view).read(CommonSettings{}, config)) {
        finish(false, cli.session(), view);
        return;
    }
    view.setCaption(QStringLiteral("Чтение завершено: протокол ") + protocolName(config.Protocol));
    if (saveAs(config, out)) // a path without any "." gets ".veg", as Save As gives it
        exitStatus() = 0;
}

// "LO-HI" or "N", hexadecimal.
std::optional<GatewaySearch::Range> rangeArg(const std::string& text, const char* what)
{
    const QStringList parts = QString::fromStdString(text).split(u'-');
    GatewaySearch::Range r;
    if (parts.size() > 2) {
        std::fprintf(stderr, "%s: нужен диапазон LO-HI в шестнадцатеричном виде: %s\n", what, text.c_str());
        exitStatus() = 2;
        return std::nullopt;
    }
    const auto lo = hexArg(parts.front().toStdString(), 0xFF, what);
    const auto hi = hexArg(parts.back().toStdString(), 0xFF, what);
    if (!lo || !hi)
        return std::nullopt;
    if (*hi < *lo) {
        say(QStringLiteral("Введите правильно диапазон поиска!"));
        exitStatus() = 2;
        return std::nullopt;
    }
    r.from = std::uint8_t(*lo);
    r.to = std::uint8_t(*hi);
    return r;
}

struct SearchArgs
{
    std::string gateways;
    std::string masters;
    bool quick = false;
};

void search(const SearchArgs& a, const LinkOptions& o)
{
    const auto gateways = rangeArg(a.gateways.empty() ? o.gateway : a.gateways, "--gateways");
    if (!gateways)
        return;
    std::optional<GatewaySearch::Range> masters = GatewaySearch::Range{};
    if (!a.masters.empty()) {
        if (o.link == "can") {
            std::fprintf(stderr, "--masters: адаптер CAN-BUS сам связан со шлюзами\n");
            exitStatus() = 2;
            return;
        }
        masters = rangeArg(a.masters, "--masters");
        if (!masters)
            return;
    }
    CliLink cli;
    if (!cli.open(o))
        return;
    ConsoleView view;
    GatewaySearch searching(cli.session(), view);
    searching.setQuick(a.quick);
    const bool ok = searching.SearchGateways(*gateways, true, *masters, !a.masters.empty());
    if (ok)
        view.setCaption(QStringLiteral("Поиск завершен"));
    finish(ok, cli.session(), view);
}

void verify(const std::string& path, const LinkOptions& o)
{
    const auto config = load(path);
    if (!config)
        return;
    CliLink cli;
    if (!cli.open(o))
        return;
    ConsoleView view;
    std::vector<ImageDifference> differences;
    if (!GatewayVerifier(cli.session(), view).verify(*config, differences)) {
        finish(false, cli.session(), view);
        return;
    }
    view.endLine();
    for (const ImageDifference& d : differences)
        std::printf("%s\n", d.text().toLatin1().constData());
    say(differences.empty() ? QStringLiteral("ВЕГ содержит конфигурацию файла")
                            : QStringLiteral("Различий: %1").arg(differences.size()));
    exitStatus() = differences.empty() ? 0 : 1;
}

} // namespace

void addExchangeCommands(CLI::App& app)
{
    auto options = std::make_shared<LinkOptions>();
    auto file = std::make_shared<std::string>();
    auto searchArgs = std::make_shared<SearchArgs>();
    auto writeArgs = std::make_shared<WriteArgs>();

    CLI::App* img = app.add_subcommand(
        "image",
        "Вывести образ конфигурации для ВЕГ: по строке на запись, в порядке отправки");
    img->add_option("FILE", *file, "файл конфигурации (.veg)")->required();
    img->callback([=] { image(*file); });

    CLI::App* wr = app.add_subcommand("write", "Записать конфигурацию в шлюз");
    wr->add_option("FILE", *file, "файл конфигурации (.veg)")->required();
    wr->add_flag("--verify", writeArgs->verify,
                 "после успешной записи прочитать образ из ВЕГ и сравнить его с FILE, как "
                 "diff --gateway: различия на стандартный вывод; код выхода 0 — совпадает, 1 — "
                 "записано, но отличается, 3 — ошибка обмена");
    wr->add_option("--rounds", writeArgs->rounds,
                   "сколько раз после паузы повторить запрос, не прошедший за свои попытки "
                   "(по умолчанию 2, как \"Повторных циклов при записи\")")
        ->check(CLI::Range(0, ExchangeSettings::kMaxWriteRounds));
    wr->add_option("--backup", writeArgs->backup,
                   "перед записью прочитать конфигурацию из ВЕГ и сохранить её в эту папку файлом "
                   "\"ВЕГ NN гггг-мм-дд чч-мм-сс.veg\" (путь — в стандартный поток ошибок); если "
                   "копию сделать нельзя, ничего не записывается (код выхода 3)")
        ->type_name("ПАПКА");
    addLinkOptions(wr, *options);
    wr->callback([=] { write(*file, *options, *writeArgs); });

    CLI::App* rd = app.add_subcommand(
        "read", "Прочитать конфигурацию из шлюза и сохранить её новым файлом");
    rd->add_option("OUT", *file, "файл конфигурации для записи (.veg)")->required();
    addLinkOptions(rd, *options);
    rd->callback([=] { read(*file, *options); });

    CLI::App* se = app.add_subcommand(
        "search", "Искать шлюзы (а на RS-232 сначала модуль мастера); найденные устройства "
                  "выводятся в стандартный вывод как \"NN название\"");
    se->add_option("--gateways", searchArgs->gateways,
                   "сетевые номера шлюзов LO-HI (шестнадцатеричные); по умолчанию номер --gateway");
    se->add_option("--masters", searchArgs->masters,
                   "сетевые номера модуля мастера LO-HI (шестнадцатеричные), только для RS-232");
    se->add_flag("--quick", searchArgs->quick,
                 "быстрый поиск, как \"Быстрый поиск\": одна попытка на номер с коротким "
                 "ожиданием ответа (по скорости линии, не меньше 200 мс), ответивший номер "
                 "проверяется ещё раз с обычными попытками; шлюз, отвечающий позже, не найдётся");
    addLinkOptions(se, *options);
    se->callback([=] { search(*searchArgs, *options); });

    CLI::App* ve = app.add_subcommand(
        "verify", "Сравнить образ в шлюзе с файлом конфигурации, элемент за элементом; "
                  "каждое различие выводится в стандартный вывод");
    ve->add_option("FILE", *file, "файл конфигурации (.veg)")->required();
    addLinkOptions(ve, *options);
    ve->callback([=] { verify(*file, *options); });
}

} // namespace vegctl
