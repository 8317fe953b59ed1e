// vegctl diff: what differs between two configurations, or between a configuration and what a
// gateway holds, by section, row and field.

#include "Commands.h"
#include "LinkOptions.h"

#include "core/config/ConfigDiff.h"
#include "core/config/GatewayConfig.h"
#include "core/exchange/ExchangeView.h"
#include "core/exchange/GatewayComparison.h"
#include "core/exchange/GatewayImage.h"
#include "core/text/NumberText.h"

#include <cstdio>
#include <memory>

namespace vegctl {

namespace {

using namespace veg;

constexpr int kEqual = 0;
constexpr int kDiffer = 1;
constexpr int kRefused = 2;
constexpr int kLinkFailed = 3;

void say(const QString& text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

struct DiffArgs
{
    std::string left;
    std::string right;
};

// A configuration file as File -> Load reads it; a refused one is the command's refusal.
std::optional<GatewayConfig> load(const std::string& path)
{
    GatewayConfig config;
    if (!loadFile(config, path)) {
        exitStatus() = kRefused;
        return std::nullopt;
    }
    return config;
}

// The differences on standard output, one a line, and their count on standard error.
void report(const std::vector<ConfigDifference>& differences)
{
    for (const ConfigDifference& d : differences)
        std::printf("%s\n", d.text().toUtf8().constData());
    say(differences.empty() ? QStringLiteral("Различий нет")
                            : QStringLiteral("Различий: %1").arg(differences.size()));
    exitStatus() = differences.empty() ? kEqual : kDiffer;
}

// The read of a gateway quietly: only its failure is told, as the other exchange commands tell it.
class QuietView : public ExchangeView
{
public:
    void setCaption(const QString&) override {}
    void setProgress(int) override {}
    void clearFound() override {}
    void addFound(const FoundDevice&) override {}
};

void diffFiles(const DiffArgs& a)
{
    const auto left = load(a.left);
    if (!left)
        return;
    const auto right = load(a.right);
    if (!right)
        return;
    report(compareConfigs(*left, *right));
}

void diffGateway(const DiffArgs& a, const LinkOptions& o)
{
    if (!a.right.empty()) {
        fail(QStringLiteral("--gateway сравнивает файл со шлюзом: задайте один файл"), kRefused);
        return;
    }
    const auto file = load(a.left);
    if (!file)
        return;
    const QString refusal = GatewayImage::refusal(*file);
    if (!refusal.isEmpty()) { // the file has no image to compare; the port is not opened
        fail(refusal, kRefused);
        return;
    }
    CliLink cli;
    if (!cli.open(o))
        return;
    QuietView view;
    GatewayComparison comparison;
    if (!comparison.run(cli.session(), view, *file)) {
        if (cli.session().LastStatus == LinkSession::kRefused)
            fail(cli.session().ErrorText, kLinkFailed);
        else
            failStatus(cli.session().LastStatus);
        return;
    }
    say(GatewayComparison::notCompared(file->Protocol));
    report(comparison.differences);
}

} // namespace

void addDiffCommands(CLI::App& app)
{
    auto args = std::make_shared<DiffArgs>();
    auto link = std::make_shared<LinkOptions>();
    CLI::App* cmd = app.add_subcommand(
        "diff",
        "Сравнить два файла конфигурации или, с --gateway, файл с конфигурацией, прочитанной из "
        "шлюза. По строке на различающееся поле, \"ПУТЬ: A -> B\" (пути как в vegctl dump: "
        "Common.V_Ext, Controllers[1].Path, ModbusCoilTable[3].Coil, TcTuTable[40].Name), в "
        "порядке: протокол, тип файла, общие настройки, контроллеры, таблицы по строкам; \"-\" "
        "для строки или контроллера, который есть только с одной стороны. Сравниваются названия, "
        "общие настройки и контроллеры; имя файла и флаги изменений не сравниваются. С --gateway "
        "сравнивается только то, что несёт образ ВЕГ: не названия, не номера задач, не очереди "
        "задач контроллеров, не тип файла и не общие настройки вне образа протокола (их список "
        "выводится в стандартный поток ошибок). Код выхода 0 совпадают, 1 различаются, 2 "
        "отклонено (файл не загружается, у конфигурации нет образа), 3 обмен не удался");
    cmd->add_option("A", args->left, "файл конфигурации (.veg)");
    cmd->add_option("B", args->right, "файл конфигурации (.veg), с которым сравнить A");
    addLinkOptions(cmd, *link);
    cmd->get_option("--port")->required(false);
    cmd->get_option("--settings")
        ->description("файл настроек программы: папки базы данных (секция BaseK19) контроллеров "
                      "файлов и ключи адаптера (секция \"Parametr\")");
    // --gateway is the gateway mode and the gateway's network number at once: "--gateway" alone
    // is the default number, "--gateway=26" another.
    CLI::Option* gateway = cmd->get_option("--gateway");
    gateway->expected(0, 1)->description(
        "сравнить A со шлюзом, можно с его сетевым номером (шестнадцатеричным, по умолчанию "
        "25): --gateway или --gateway=26; нужен --port");
    cmd->callback([=] {
        settingsPath = link->settings; // the database folders of the file's controllers
        // "--gateway A.veg": the option took the file for its number.
        if (gateway->count() > 0 && !link->gateway.empty() &&
            !NumberText::parseHex(QString::fromStdString(link->gateway))) {
            args->right = args->left;
            args->left = link->gateway;
            link->gateway.clear();
        }
        if (args->left.empty()) {
            fail(QStringLiteral("diff: задайте два файла или один с --gateway"), kRefused);
            return;
        }
        if (gateway->count() == 0) {
            if (args->right.empty()) {
                fail(QStringLiteral("diff: задайте два файла или один с --gateway"), kRefused);
                return;
            }
            if (!link->port.empty()) {
                fail(QStringLiteral("diff: --port задаётся только вместе с --gateway"), kRefused);
                return;
            }
            diffFiles(*args);
            return;
        }
        if (link->gateway.empty())
            link->gateway = LinkOptions{}.gateway;
        if (link->port.empty()) {
            fail(QStringLiteral("diff --gateway: не задан обязательный параметр --port"), kRefused);
            return;
        }
        diffGateway(*args, *link);
    });
}

} // namespace vegctl
