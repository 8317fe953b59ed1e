#include "core/monitor/MonitorCsv.h"

namespace veg {

namespace MonitorCsv {

QByteArray byteOrderMark()
{
    return QByteArray("\xEF\xBB\xBF");
}

QString header()
{
    return QStringLiteral("Время;Таблица;Номер;Параметр;Значение");
}

QString field(const QString& text)
{
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QString line(const QDateTime& time, const MonitorRow& row, const QString& valueOrError)
{
    return QStringList{time.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss")), tableText(row.table),
                       QString::number(row.number), field(row.text), field(valueOrError)}
        .join(u';');
}

} // namespace MonitorCsv

bool MonitorCsvFile::open(const QString& path)
{
    m_file.close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    if (m_file.size() == 0)
        return write(QString()); // the mark and the header
    return true;
}

bool MonitorCsvFile::write(const QString& line)
{
    QByteArray bytes;
    if (m_file.size() == 0)
        bytes = MonitorCsv::byteOrderMark() + MonitorCsv::header().toUtf8() + "\r\n";
    if (!line.isEmpty())
        bytes += line.toUtf8() + "\r\n";
    return m_file.write(bytes) == bytes.size() && m_file.flush();
}

} // namespace veg
