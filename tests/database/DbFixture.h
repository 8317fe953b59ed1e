#pragma once

#include "core/database/Task_CL.h"
#include "dbbuilder/DatabaseBuilder.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// A database written by the builder into a temporary directory, laid out as a site keeps it:
// ALG, MOD and TASK below the root, queue files wherever their description puts them.
class DbFixture
{
public:
    QTemporaryDir Dir;

    QString root() const { return Dir.path(); }
    QString alg() const { return Dir.filePath("ALG"); }
    QString mod() const { return Dir.filePath("MOD"); }
    QString tsk() const { return Dir.filePath("TASK"); }
    QString path(const QString& relative) const { return Dir.filePath(relative); }

    static QJsonObject parse(const char* json)
    {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(json), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        return doc.object();
    }

    // Builds the description; a failure is a broken test, reported at the caller.
    bool build(const QJsonObject& description)
    {
        const vegdb::BuildResult r = vegdb::buildDatabase(description, Dir.path());
        EXPECT_TRUE(r.Ok) << r.Error.toStdString();
        return r.Ok;
    }
    bool build(const char* json) { return build(parse(json)); }

    std::unique_ptr<veg::Task_CL> load(const QString& queue = "q.tsk") const
    {
        return std::make_unique<veg::Task_CL>(path(queue), alg(), mod(), tsk());
    }
};
