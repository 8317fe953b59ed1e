#pragma once

#include "core/text/Cp1251.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

// One run of vegctl: its exit status (-1 when it crashed) and what it printed.
struct VegctlRun
{
    int status = -1;
    QString out, err;
};

inline VegctlRun runVegctl(const QStringList& args, const QByteArray& input = {})
{
    QProcess p;
    p.start(QStringLiteral(VEGCTL), args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// A settings file whose database folders (section "BaseK19") are those of the demo database.
inline bool writeDemoSettings(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QString db = QStringLiteral(VEG_DEMO_DIR) + QStringLiteral("/database");
    f.write(veg::Cp1251::encode(
        QStringLiteral(
            "[BaseK19]\r\nWay=%1\r\nWayAlg=%1/ALG\r\nWayMod=%1/MOD\r\nWayTask=%1/TASK\r\n")
            .arg(db)));
    return true;
}
