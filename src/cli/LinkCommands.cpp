// vegctl param / access: read and write gateway and controller parameters over a serial port,
// by any of the three routes, with the link's retries, time-outs and trace.

#include "Commands.h"
#include "LinkOptions.h"

#include "core/link/KalO.h"
#include "core/text/NumberText.h"

#include <cstdio>
#include <memory>
#include <optional>

namespace vegctl {
namespace {

using namespace veg;

struct ParamArgs
{
    std::string param;
    std::string index;
    int size = 0;
    std::vector<std::string> bytes;
    bool first = false;
    std::string level;
    std::string code;
};

std::optional<QByteArray> dataArg(const std::vector<std::string>& bytes)
{
    QByteArray out;
    for (const auto& b : bytes) {
        const auto v = hexArg(b, 0xFF, "BYTE");
        if (!v)
            return std::nullopt;
        out.append(char(*v));
    }
    return out;
}

void printData(const LinkAnswer& a, int n)
{
    QStringList out;
    for (int i = 0; i < n && LinkAnswer::kDataOffset + i < LinkAnswer::kSize; ++i)
        out << NumberText::hex(a.data(i), 2);
    std::printf("%s\n", out.join(QLatin1Char(' ')).toLatin1().constData());
}

void finish(LinkStatus status)
{
    if (status != Status::Ok)
        failStatus(status);
    else
        exitStatus() = 0;
}

enum class Op
{
    Read,
    Write,
    ReadAt,
    WriteAt,
    Access
};

void run(Op op, const LinkOptions& o, const ParamArgs& a)
{
    std::optional<std::uint32_t> param;
    if (op != Op::Access) {
        param = hexArg(a.param, 0xFFFF, "PARAM");
        if (!param)
            return;
    }
    std::uint32_t index = 0;
    if (op == Op::ReadAt || op == Op::WriteAt) {
        const auto v = NumberText::parseDec(QString::fromStdString(a.index));
        if (!v || *v < 0 || *v > 0xFFFF) {
            std::fprintf(stderr, "INDEX: не номер элемента 0..65535: %s\n", a.index.c_str());
            exitStatus() = 2;
            return;
        }
        index = std::uint32_t(*v);
    }
    std::optional<QByteArray> data = QByteArray();
    if (op == Op::Write || op == Op::WriteAt) {
        data = dataArg(a.bytes);
        if (!data)
            return;
    }
    if ((op == Op::Read || op == Op::ReadAt) && (a.size < 1 || a.size > 250)) {
        std::fprintf(stderr, "SIZE: от 1 до 250 байт\n");
        exitStatus() = 2;
        return;
    }

    CliLink cli;
    if (!cli.open(o))
        return;
    KalO& link = *cli.session().link();
    const LinkTarget target = cli.session().PrepareTarget(cli.settings().GatewayNumber);
    LinkAnswer answer;
    switch (op) {
    case Op::Read: {
        const LinkStatus st = link.ReadParam(std::uint16_t(*param), a.size, target, answer);
        if (st == Status::Ok)
            printData(answer, a.size);
        finish(st);
        break;
    }
    case Op::ReadAt: {
        int got = 0;
        const LinkStatus st = link.ReadParamAt(std::uint16_t(*param), std::uint16_t(index),
                                                  a.size, a.size, target, answer, got);
        if (st == Status::Ok)
            printData(answer, a.size);
        finish(st);
        break;
    }
    case Op::Write:
        finish(link.WriteParam(std::uint16_t(*param), *data, target));
        break;
    case Op::WriteAt:
        finish(link.WriteParamAt(std::uint16_t(*param), std::uint16_t(index), *data, a.first,
                                    target));
        break;
    case Op::Access: {
        const auto level = NumberText::parseDec(QString::fromStdString(a.level));
        if (!level || *level < 0 || *level > 15) {
            std::fprintf(stderr, "LEVEL: 0..15\n");
            exitStatus() = 2;
            return;
        }
        const QString code = QString::fromStdString(a.code);
        finish(target.Route == LinkTarget::kTransit
                   ? link.SetAccessLevelTransit(int(*level), code, target)
                   : link.SetAccessLevel(int(*level), code, target));
        break;
    }
    }
}

} // namespace

void addLinkCommands(CLI::App& app)
{
    auto options = std::make_shared<LinkOptions>();
    auto args = std::make_shared<ParamArgs>();

    CLI::App* param =
        app.add_subcommand("param", "Прочитать или записать параметр шлюза или контроллера");
    param->require_subcommand(1);

    CLI::App* read =
        param->add_subcommand("read", "Прочитать параметр; его байты выводятся в стандартный вывод");
    read->add_option("PARAM", args->param, "номер параметра (шестнадцатеричный, например F000)")->required();
    read->add_option("SIZE", args->size, "сколько байт данных ожидается")->required();
    addLinkOptions(read, *options);
    read->callback([=] { run(Op::Read, *options, *args); });

    CLI::App* write = param->add_subcommand("write", "Записать параметр");
    write->add_option("PARAM", args->param, "номер параметра (шестнадцатеричный)")->required();
    write->add_option("BYTE", args->bytes, "байты данных (шестнадцатеричные)")->required();
    addLinkOptions(write, *options);
    write->callback([=] { run(Op::Write, *options, *args); });

    CLI::App* readAt = param->add_subcommand("read-at", "Прочитать один элемент индексного параметра");
    readAt->add_option("PARAM", args->param, "номер параметра (шестнадцатеричный)")->required();
    readAt->add_option("INDEX", args->index, "номер элемента (десятичный)")->required();
    readAt->add_option("SIZE", args->size, "байт в элементе")->required();
    addLinkOptions(readAt, *options);
    readAt->callback([=] { run(Op::ReadAt, *options, *args); });

    CLI::App* writeAt =
        param->add_subcommand("write-at", "Записать один элемент индексного параметра");
    writeAt->add_flag("--first", args->first, "первый элемент серии: выбрать параметр");
    writeAt->add_option("PARAM", args->param, "номер параметра (шестнадцатеричный)")->required();
    writeAt->add_option("INDEX", args->index, "номер элемента (десятичный)")->required();
    writeAt->add_option("BYTE", args->bytes, "байты данных (шестнадцатеричные)")->required();
    addLinkOptions(writeAt, *options);
    writeAt->callback([=] { run(Op::WriteAt, *options, *args); });

    CLI::App* access = app.add_subcommand("access", "Открыть уровень доступа в шлюзе");
    access->add_option("LEVEL", args->level, "уровень доступа")->required();
    access->add_option("CODE", args->code, "код доступа, до 8 шестнадцатеричных цифр");
    addLinkOptions(access, *options);
    access->callback([=] { run(Op::Access, *options, *args); });
}

} // namespace vegctl
