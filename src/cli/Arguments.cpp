#include "Arguments.h"

#include <algorithm>
#include <regex>
#include <sstream>

namespace vegctl {

namespace {

// The help pages of every command in Russian: the parser's own labels, the value types it
// writes after an option, and the limits its checks add to them ("INT in [1 - 20]").
class RussianFormatter : public CLI::Formatter
{
public:
    RussianFormatter()
    {
        label("Usage", "Вызов");
        label("OPTIONS", "ПАРАМЕТРЫ");
        label("SUBCOMMAND", "КОМАНДА");
        label("SUBCOMMANDS", "КОМАНДЫ");
        label("Positionals", "Аргументы");
        label("REQUIRED", "(обязательный)");
        label("Env", "переменная окружения");
        label("Needs", "требует");
        label("Excludes", "несовместим с");
    }

    // The app's description alone: the parser's English notes on how many options are
    // required are never wanted (no command sets such a rule).
    std::string make_description(const CLI::App* app) const override
    {
        const std::string desc = app->get_description();
        return desc.empty() ? std::string() : desc + "\n";
    }

    // As the parser lays out an option, with the column counted in characters: a Russian
    // value type takes two bytes a letter.
    std::string make_option(const CLI::Option* opt, bool positional) const override
    {
        std::string name = "  " + make_option_name(opt, positional) + make_option_opts(opt);
        const std::size_t width = column_width_;
        std::string out = name;
        const std::size_t shown = characters(name);
        const std::string desc = make_option_desc(opt);
        if (!desc.empty()) {
            if (shown >= width)
                out += "\n" + std::string(width, ' ');
            else
                out += std::string(width - shown, ' ');
            for (const char c : desc) {
                out += c;
                if (c == '\n')
                    out += std::string(width, ' ');
            }
        }
        return out + "\n";
    }

    std::string make_option_opts(const CLI::Option* opt) const override
    {
        std::stringstream out;
        if (!opt->get_option_text().empty())
            return " " + opt->get_option_text();
        if (opt->get_type_size() != 0) {
            if (!opt->get_type_name().empty())
                out << " " << typeName(opt->get_type_name());
            if (!opt->get_default_str().empty())
                out << "=" << opt->get_default_str();
            if (opt->get_expected_max() == CLI::detail::expected_max_vector_size)
                out << " ...";
            else if (opt->get_expected_min() > 1)
                out << " x " << opt->get_expected();
            if (opt->get_required())
                out << " " << get_label("REQUIRED");
        }
        if (!opt->get_needs().empty()) {
            out << " " << get_label("Needs");
            for (const CLI::Option* o : opt->get_needs())
                out << " " << o->get_name();
        }
        if (!opt->get_excludes().empty()) {
            out << " " << get_label("Excludes");
            for (const CLI::Option* o : opt->get_excludes())
                out << " " << o->get_name();
        }
        return out.str();
    }

private:
    // The characters of a UTF-8 text: the bytes that do not continue a character.
    static std::size_t characters(const std::string& text)
    {
        return std::size_t(std::count_if(text.begin(), text.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    }

    // "INT:INT in [1 - 20]" -> "ЦЕЛОЕ:от 1 до 20", "TEXT:{rs232,can}" -> "ТЕКСТ:{rs232,can}".
    static std::string typeName(std::string text)
    {
        static const std::pair<std::regex, const char*> words[] = {
            {std::regex(R"((?:UINT|INT|FLOAT|NUMBER) in \[(\S+) - (\S+)\])"), "от $1 до $2"},
            {std::regex(R"(\bUINT\b)"), "ЦЕЛОЕ"},
            {std::regex(R"(\bINT\b)"), "ЦЕЛОЕ"},
            {std::regex(R"(\bFLOAT\b)"), "ЧИСЛО"},
            {std::regex(R"(\bNUMBER\b)"), "ЧИСЛО"},
            {std::regex(R"(\bNONNEGATIVE\b)"), "не меньше 0"},
            {std::regex(R"(\bPOSITIVE\b)"), "больше 0"},
            {std::regex(R"(\bBOOLEAN\b)"), "ДА/НЕТ"},
            {std::regex(R"(\bTEXT\b)"), "ТЕКСТ"},
            {std::regex(R"(\bFILE\b)"), "ФАЙЛ"},
            {std::regex(R"(\bDIR\b)"), "ПАПКА"},
        };
        for (const auto& [word, russian] : words)
            text = std::regex_replace(text, word, russian);
        return text;
    }
};

// The commands the line chose, from the program down: "vegctl modbus read".
std::string commandPath(const CLI::App& app)
{
    std::string path = app.get_name();
    const CLI::App* at = &app;
    for (;;) {
        const std::vector<const CLI::App*> chosen =
            at->get_subcommands([](const CLI::App* sub) { return sub->parsed(); });
        if (chosen.empty())
            return path;
        at = chosen.front();
        path += " " + at->get_name();
    }
}

std::string number(double v)
{
    std::ostringstream out;
    out << v;
    return out.str();
}

// The parser's message in Russian; its own text where nothing below matches (the parser gave
// the option's name in it all the same).
std::string russian(const CLI::App& app, const CLI::ParseError& e)
{
    const std::string what = e.what();
    std::smatch m;
    auto is = [&](const char* pattern) { return std::regex_match(what, m, std::regex(pattern)); };

    if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
        if (is(R"(The following arguments? (?:was|were) not expected: (.*))")) {
            const std::string args = m[1];
            if (!args.empty() && args.front() == '-')
                return "Неизвестный параметр: " + args;
            return "Лишний аргумент: " + args;
        }
    }
    if (dynamic_cast<const CLI::RequiredError*>(&e)) {
        if (is(R"(A subcommand is required|Requires at least \d+ subcommands)")) {
            const std::vector<std::string> rest = app.remaining();
            if (!rest.empty())
                return "Неизвестная команда: " + rest.front();
            return "Не задана команда";
        }
        if (is(R"((.+) is required)")) {
            const std::string name = m[1];
            return (name.front() == '-' ? "Не задан обязательный параметр "
                                        : "Не задан обязательный аргумент ") +
                   name;
        }
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
        if (is(R"((\S+): \d+ required \S+ missing)"))
            return "После " + std::string(m[1]) + " не задано значение";
        if (is(R"(Expected (?:exactly|at least) (\d+) arguments to (\S+), got (\d+))"))
            return std::string(m[2]) + ": нужно значений: " + std::string(m[1]) +
                   ", задано: " + std::string(m[3]);
        if (is(R"((\S+): At Most (\d+) required but received (\d+))"))
            return std::string(m[1]) + ": задан больше раз, чем можно (" + std::string(m[3]) + ")";
        if (is(R"((\S+) was given a disallowed flag override)"))
            return std::string(m[1]) + ": у этого флага нет значения";
    }
    if (dynamic_cast<const CLI::ConversionError*>(&e)) {
        if (is(R"(Could not convert: (\S+) = (.*))"))
            return std::string(m[1]) + ": значение «" + std::string(m[2]) +
                   "» не подходит (нужно число)";
        if (is(R"(The value (.*) is not an allowed value for (\S+))"))
            return std::string(m[2]) + ": значение «" + std::string(m[1]) + "» не подходит";
        if (is(R"((\S+): too many inputs for a flag)"))
            return std::string(m[1]) + ": у этого флага нет значения";
    }
    if (dynamic_cast<const CLI::ValidationError*>(&e)) {
        if (is(R"((\S+): (.*) not in (\{.*\}))"))
            return std::string(m[1]) + ": значение «" + std::string(m[2]) + "» не из списка " +
                   std::string(m[3]);
        if (is(R"((\S+): Value (.*) not in range (\S+) to (\S+))")) {
            const std::string value = "«" + std::string(m[2]) + "»";
            const double hi = std::stod(m[4]);
            if (hi > 1e300) // a check with only a lower limit
                return std::string(m[1]) + ": значение " + value +
                       " должно быть числом не меньше " + number(std::stod(m[3]));
            return std::string(m[1]) + ": значение " + value + " вне диапазона " +
                   number(std::stod(m[3])) + "…" + number(hi);
        }
        if (is(R"((\S+): (.*))"))
            return std::string(m[1]) + ": недопустимое значение (" + std::string(m[2]) + ")";
    }
    if (dynamic_cast<const CLI::ExcludesError*>(&e) && is(R"((\S+) excludes (\S+))"))
        return std::string(m[1]) + " и " + std::string(m[2]) + " нельзя задавать вместе";
    if (dynamic_cast<const CLI::RequiresError*>(&e) && is(R"((\S+) requires (\S+))"))
        return std::string(m[1]) + " задаётся только вместе с " + std::string(m[2]);
    return "Командная строка не разобрана: " + what;
}

} // namespace

void prepareParser(CLI::App& app, const std::string& version)
{
    app.name("vegctl"); // not the path it was started by
    app.formatter(std::make_shared<RussianFormatter>());
    app.option_defaults()
        ->group("Параметры")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.group("Команды");
    app.set_help_flag("-h,--help", "показать эту справку и выйти");
    app.set_version_flag("--version", version, "показать версию программы и выйти");
}

void finishParser(CLI::App& app)
{
    for (CLI::App* sub : app.get_subcommands({})) {
        // A command made its help flag before it took the program's option defaults.
        sub->set_help_flag("-h,--help", "показать эту справку и выйти");
        finishParser(*sub);
    }
}

std::string argumentErrorText(const CLI::App& app, const CLI::ParseError& e)
{
    return russian(app, e) + "\nСправка: " + commandPath(app) + " --help\n";
}

} // namespace vegctl
