#include "Commands.h"

#include "core/database/Task_CL.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <memory>
#include <string>

namespace vegctl {

namespace {

struct DbOptions
{
    std::string Queue;
    std::string Alg;
    std::string Mod;
    std::string Tsk;
};

QString local(const std::string& s)
{
    return QString::fromLocal8Bit(s.data(), qsizetype(s.size()));
}

QJsonObject toJson(const veg::Task_CL& db)
{
    QJsonArray tasks;
    for (const veg::TaskRecord& t : db.tasks()) {
        tasks.append(QJsonObject{{"LongName", t.LongName},
                                 {"ShortName", t.ShortName},
                                 {"Number", t.Number},
                                 {"Algorithm", t.Algorithm},
                                 {"AttributeWord", t.AttributeWord},
                                 {"Flags", t.Flags}});
    }
    QJsonArray params;
    for (const veg::ParamRecord& p : db.params()) {
        params.append(QJsonObject{{"LongName", p.LongName},
                                  {"ShortName", p.ShortName},
                                  {"Number", p.Number},
                                  {"Format", p.Format},
                                  {"AttributeWord", p.AttributeWord},
                                  {"DescriptorNumber", p.DescriptorNumber},
                                  {"Task", p.Task},
                                  {"Descriptor", p.Descriptor}});
    }
    QJsonArray headers;
    for (const veg::AlgorithmHeader& a : db.algorithmHeaders()) {
        headers.append(QJsonObject{{"LongName", a.LongName},
                                   {"ShortName", a.ShortName},
                                   {"Algorithm", a.Algorithm},
                                   {"Count", a.Count}});
    }
    QJsonArray descriptors;
    for (const veg::ParamDescriptor& d : db.descriptors()) {
        descriptors.append(QJsonObject{{"Algorithm", d.Algorithm},
                                       {"Number", d.Number},
                                       {"LongName", d.LongName},
                                       {"ShortName", d.ShortName},
                                       {"Length", d.Length},
                                       {"Subtype", d.Subtype},
                                       {"TypeCode", d.TypeCode},
                                       {"Byte69", d.Byte69},
                                       {"Byte70", d.Byte70},
                                       {"Byte71", d.Byte71}});
    }
    QJsonArray algorithms32;
    for (std::uint16_t a : db.algorithms32())
        algorithms32.append(a);
    QJsonArray pool;
    for (const QString& text : db.textPool())
        pool.append(text);
    return QJsonObject{{"QueuePath", db.queuePath()},
                       {"NetNumber", db.netNumber()},
                       {"ModuleCode", db.moduleCode()},
                       {"ModulesRead", db.modulesRead()},
                       {"Tasks", tasks},
                       {"Params", params},
                       {"AlgorithmHeaders", headers},
                       {"Descriptors", descriptors},
                       {"Algorithms32", algorithms32},
                       {"TextPool", pool}};
}

void runDb(const DbOptions& o)
{
    const QString queue = local(o.Queue);
    const QString dirs[] = {local(o.Alg), local(o.Mod), local(o.Tsk)};
    // The reader never fails: a missing file only leaves its part empty. The command is stricter
    // about what it was asked for, so that a mistyped path is not mistaken for an empty database.
    if (!QFileInfo(queue).isFile()) {
        std::fprintf(stderr, "vegctl db: файла очереди задач %s нет\n",
                     queue.toLocal8Bit().constData());
        exitStatus() = 1;
        return;
    }
    for (const QString& dir : dirs) {
        if (!dir.isEmpty() && !QFileInfo(dir).isDir()) {
            std::fprintf(stderr, "vegctl db: папки %s нет\n",
                         dir.toLocal8Bit().constData());
            exitStatus() = 1;
            return;
        }
    }
    const veg::Task_CL db(queue, dirs[0], dirs[1], dirs[2]);
    const QByteArray json = QJsonDocument(toJson(db)).toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, std::size_t(json.size()), stdout);
    std::fflush(stdout);
    exitStatus() = 0;
}

} // namespace

void addDatabaseCommands(CLI::App& app)
{
    auto options = std::make_shared<DbOptions>();
    CLI::App* db = app.add_subcommand(
        "db", "Прочитать один контроллер базы данных КАЛИМ-19 и вывести его в виде JSON");
    db->add_option("QUEUEFILE", options->Queue, "файл очереди задач контроллера")->required();
    db->add_option("--alg", options->Alg, "папка алгоритмов")->required();
    db->add_option("--mod", options->Mod, "папка модулей")->required();
    db->add_option("--tsk", options->Tsk, "папка шаблонов")->required();
    db->callback([options] { runDb(*options); });
}

} // namespace vegctl
