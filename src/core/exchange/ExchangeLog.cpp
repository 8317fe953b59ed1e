#include "core/exchange/ExchangeLog.h"

#include "core/text/Cp1251.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace veg {

ExchangeLog::ExchangeLog(QString folder, Now now)
    : m_folder(std::move(folder)), m_now(std::move(now))
{
    if (!m_now)
        m_now = [] { return QDateTime::currentDateTime(); };
}

QString ExchangeLog::defaultFolder()
{
    const QString beside = QCoreApplication::applicationDirPath();
    if (QFileInfo(beside).isWritable())
        return beside;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(data);
    return data;
}

QString ExchangeLog::fileName(QDate day)
{
    return day.toString(QStringLiteral("dd_MM_yy")) + QStringLiteral(".Txt");
}

QString ExchangeLog::pathFor(QDate day) const
{
    return QDir(m_folder).filePath(fileName(day));
}

bool ExchangeLog::write(const QString& text)
{
    const QDateTime now = m_now();
    QFile file(pathFor(now.date()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        m_error = file.fileName() + QStringLiteral(": ") + file.errorString();
        return false;
    }
    const QString line =
        now.time().toString(QStringLiteral("hh:mm:ss:zzz")) + QStringLiteral(" : ") + text;
    // Line breaks inside an entry would split it; the log keeps one entry a line.
    QString flat = line;
    flat.replace(u'\r', u' ').replace(u'\n', u' ');
    const QByteArray bytes = Cp1251::encode(flat) + QByteArrayLiteral("\r\n");
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        m_error = file.fileName() + QStringLiteral(": ") + file.errorString();
        return false;
    }
    return true;
}

} // namespace veg
