// vegctl diff: what differs between two configurations, or between a configuration and what a
// gateway holds, by section, row and field.

#include "Commands.h"
#include "LinkOptions.h"

#include "core/config/ConfigDiff.h"
#include "core/config/GatewayConfig.h"
#include "core/exchange/ExchangeView.h"
#include "core/exchange/GatewayImage.h"
#include "core/exchange/GatewayReader.h"
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
        fail(QStringLiteral("--gateway compares FILE with the gateway: give one file"), kRefused);
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
    GatewayConfig gateway;
    // Both sides start from the file's general settings: those the image does not carry are
    // the same on both and never differ.
    if (!GatewayReader(cli.session(), view).read(file->Common, gateway)) {
        if (cli.session().LastStatus == LinkSession::kRefused)
            fail(cli.session().ErrorText, kLinkFailed);
        else
            failStatus(cli.session().LastStatus);
        return;
    }
    const QStringList notCarried = GatewayReader::commonNotCarried(file->Protocol);
    say(QStringLiteral("Не сравниваются (их нет в образе ВЕГ): названия, номера задач, очереди "
                       "задач контроллеров, тип файла%1")
            .arg(notCarried.isEmpty() ? QString()
                                      : QStringLiteral(", общие настройки ") +
                                            notCarried.join(QStringLiteral(", "))));
    DiffOptions options;
    options.fileType = false;
    options.controllerPaths = false;
    report(compareConfigs(GatewayReader::imageOf(*file, file->Common), gateway, options));
}

} // namespace

void addDiffCommands(CLI::App& app)
{
    auto args = std::make_shared<DiffArgs>();
    auto link = std::make_shared<LinkOptions>();
    CLI::App* cmd = app.add_subcommand(
        "diff",
        "Compare two configuration files, or with --gateway a file with the configuration read "
        "back from the gateway. One line per differing field, \"PATH: A -> B\" (paths as in "
        "vegctl dump: Common.V_Ext, Controllers[1].Path, ModbusCoilTable[3].Coil, "
        "TcTuTable[40].Name), in the order protocol, file type, general settings, controllers, "
        "tables row by row; \"-\" for a row or controller only one side has. Names, general "
        "settings and controllers are compared; the file name and the changed flags are not. "
        "With --gateway only what the gateway's image carries is compared: not the names, the "
        "task numbers, the controllers' task queues, the file type, nor the general settings outside the "
        "protocol's image (listed on standard error). Exit 0 equal, 1 different, 2 refused (a "
        "file that does not load, a configuration without an image), 3 the exchange failed");
    cmd->add_option("A", args->left, "configuration file (.veg)");
    cmd->add_option("B", args->right, "configuration file (.veg) to compare A with");
    addLinkOptions(cmd, *link);
    cmd->get_option("--port")->required(false);
    cmd->get_option("--settings")
        ->description("program settings file: the database folders (section BaseK19) of the "
                      "files' controllers and the adapter keys (section \"Parametr\")");
    // --gateway is the gateway mode and the gateway's network number at once: "--gateway" alone
    // is the default number, "--gateway=26" another.
    CLI::Option* gateway = cmd->get_option("--gateway");
    gateway->expected(0, 1)->description(
        "compare A with the gateway, optionally its network number (hex, default 25): "
        "--gateway or --gateway=26; needs --port");
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
            fail(QStringLiteral("diff: give two files, or one with --gateway"), kRefused);
            return;
        }
        if (gateway->count() == 0) {
            if (args->right.empty()) {
                fail(QStringLiteral("diff: give two files, or one with --gateway"), kRefused);
                return;
            }
            if (!link->port.empty()) {
                fail(QStringLiteral("diff: --port belongs with --gateway"), kRefused);
                return;
            }
            diffFiles(*args);
            return;
        }
        if (link->gateway.empty())
            link->gateway = LinkOptions{}.gateway;
        if (link->port.empty()) {
            fail(QStringLiteral("diff --gateway: --port is required"), kRefused);
            return;
        }
        diffGateway(*args, *link);
    });
}

} // namespace vegctl
