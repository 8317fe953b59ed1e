#include "Commands.h"

#include "core/config/GatewayConfig.h"
#include "core/settings/ProgramSettings.h"
#include "core/ui/PrintTable.h"
#include "core/editors/ScenarioRunner.h"
#include "core/editors/ScenarioScript.h"
#include "print/TablePainter.h"

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextStream>

#include <cstdio>
#include <iostream>

namespace vegctl {

namespace {

// The script's text: a file, or standard input for "-". Scripts are UTF-8.
bool readScript(const std::string& path, QString& text)
{
    QFile f;
    const bool stdinScript = path == "-";
    const bool opened =
        stdinScript ? f.open(stdin, QIODevice::ReadOnly)
                    : (f.setFileName(QString::fromStdString(path)), f.open(QIODevice::ReadOnly));
    if (!opened)
        return false;
    text = QString::fromUtf8(f.readAll());
    return true;
}

// "Печать" into a PDF file: A4 upright, the table's own margins.
bool printToPdf(const veg::PrintTable& table, const QString& path)
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(300);
    writer.setTitle(table.title);
    writer.setCreator(QStringLiteral("vegctl"));
    if (!veg::paintTable(table, writer, QGuiApplication::font())) {
        fail(QStringLiteral("Файл %1 не записан").arg(path));
        return false;
    }
    return true;
}

} // namespace

void addEditCommands(CLI::App& app)
{
    static std::string file, script, out, pdf;
    CLI::App* edit = app.add_subcommand(
        "edit", "Загрузить файл .veg, как это делает Файл -> Загрузить, и провести по сценарию сеанс окон редактора");
    edit->add_option("FILE", file, "файл конфигурации")->required();
    edit->add_option("SCRIPT", script, "сценарий (\"-\" для стандартного ввода)")->required();
    edit->add_option(
        "--settings", settingsPath,
        "файл настроек программы: папки базы данных (BaseK19) и названия задач (DopNastr)");
    edit->add_option("--out", out,
                     "в конце сохранить конфигурацию в этот файл, как это делает Сохранить как");
    edit->add_option("--print", pdf,
                     "окно печати \"Печать\" (TFTIFloat) печатает в этот файл PDF");
    edit->footer(veg::ScenarioScript::languageHelp().toStdString());
    edit->callback([] {
        QString text;
        if (!readScript(script, text)) {
            fail(QStringLiteral("Сценарий %1 не читается").arg(QString::fromStdString(script)));
            return;
        }
        veg::GatewayConfig config;
        if (!loadFile(config, file))
            return;
        veg::ScenarioRunner runner(config, settings().additional, systemDecimalSeparator());
        runner.setSink([](const QString& line) { std::cout << line.toStdString() << '\n'; });
        if (!pdf.empty()) {
            runner.setPrintSink([](const veg::PrintTable& table) {
                return printToPdf(table, QString::fromStdString(pdf));
            });
        }
        const veg::ScenarioRunner::Result r = runner.run(text);
        std::cout.flush();
        if (!r.ok) {
            fail(QStringLiteral("%1:%2: %3")
                     .arg(QString::fromStdString(script))
                     .arg(r.line)
                     .arg(r.error));
            return;
        }
        if (exitStatus() != 0)
            return; // the printer failed: it has said why
        if (!out.empty())
            saveAs(config, out);
    });
}

} // namespace vegctl
