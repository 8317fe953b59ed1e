#pragma once

#include "core/monitor/MonitorRows.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

namespace veg {

// The monitor's record of changes as a spreadsheet opens it as is: UTF-8 with a byte-order mark,
// fields separated by semicolons, a field holding a semicolon, a quote or a line break in quotes
// (its quotes doubled), lines ended by CR LF.
namespace MonitorCsv {

QByteArray byteOrderMark();
// "Время;Таблица;Номер;Параметр;Значение"
QString header();
QString field(const QString& text);
// One change: the date and time, the table, the number, the parameter, the value or the error.
QString line(const QDateTime& time, const MonitorRow& row, const QString& valueOrError);

} // namespace MonitorCsv

// The file the changes go to. A new or empty file starts with the byte-order mark and the
// header; an existing one is appended to. Each line is flushed at once, so that nothing is lost
// when the program ends.
class MonitorCsvFile
{
public:
    // False when the file cannot be opened; errorText() then says why.
    bool open(const QString& path);
    bool isOpen() const { return m_file.isOpen(); }
    bool write(const QString& line);
    void close() { m_file.close(); }
    QString path() const { return m_file.fileName(); }
    QString errorText() const { return m_file.errorString(); }

private:
    QFile m_file;
};

} // namespace veg
