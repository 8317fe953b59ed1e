#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <functional>

namespace veg {

// The daily exchange log: one Windows-1251 text file per day, "dd_mm_yy.Txt", in the log folder,
// one line per entry: the time "hh:mm:ss:zzz", " : ", the text. The file is opened for each line
// and closed again, so that a program that ends abruptly loses nothing written before.
class ExchangeLog
{
public:
    using Now = std::function<QDateTime()>;

    explicit ExchangeLog(QString folder, Now now = {});

    // Beside the executable; where that folder cannot be written, the user's data folder.
    static QString defaultFolder();
    // "08_12_26.Txt" for 8 December 2026.
    static QString fileName(QDate day);

    // Appends one entry; false with the reason in `error()` when the file cannot be written.
    bool write(const QString& text);
    QString error() const { return m_error; }
    QString pathFor(QDate day) const;
    const QString& folder() const { return m_folder; }

private:
    QString m_folder;
    Now m_now;
    QString m_error;
};

} // namespace veg
