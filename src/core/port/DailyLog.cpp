#include "core/port/DailyLog.h"

#include "core/text/Cp1251.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace veg {

DailyLog::DailyLog(QString folder, Now now) : m_folder(std::move(folder)), m_now(std::move(now))
{
    if (!m_now)
        m_now = [] { return QDateTime::currentDateTime(); };
}

QString DailyLog::defaultFolder()
{
    const QString beside = QCoreApplication::applicationDirPath();
#ifndef Q_OS_WIN
    // An installed program's folder is shared by every user: its logs are each user's own.
    const bool installed = beside.startsWith(QStringLiteral("/usr/")) ||
                           beside.startsWith(QStringLiteral("/opt/")) ||
                           beside == QStringLiteral("/bin");
#else
    const bool installed = false;
#endif
    if (!installed && QFileInfo(beside).isWritable())
        return beside;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(data);
    return data;
}

QString DailyLog::pathFor(const QDate& date) const
{
    return QDir(m_folder).filePath(date.toString(QStringLiteral("dd_MM_yy")) +
                                   QStringLiteral(".Txt"));
}

bool DailyLog::append(const QString& text)
{
    const QDateTime at = m_now();
    QFile file(pathFor(at.date()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QString line =
        at.time().toString(QStringLiteral("hh:mm:ss:zzz")) + QStringLiteral(" : ") + text;
    QByteArray bytes = Cp1251::encode(line);
    bytes += "\r\n";
    return file.write(bytes) == bytes.size();
}

} // namespace veg
