#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

namespace veg {

// The daily exchange log: one Windows-1251 text file a day, named "dd_mm_yy.Txt", in one folder;
// one line an entry, "hh:nn:ss:zzz : " followed by the entry. The file is opened, appended to
// and closed for every line, so that it is complete whenever the program stops.
class DailyLog
{
public:
    using Now = std::function<QDateTime()>;

    // `now` gives the moment of each entry (default: the system's local time).
    explicit DailyLog(QString folder, Now now = {});

    // The program's folder; where it is not writable, or the program is installed in a system
    // folder (/usr, /opt), the user's data folder (~/.local/share/vegconf).
    static QString defaultFolder();

    // The file the entries of `date` go to.
    QString pathFor(const QDate& date) const;
    // The file today's entries go to.
    QString currentPath() const { return pathFor(m_now().date()); }
    // Appends one entry; false when the file cannot be created or written.
    bool append(const QString& text);

private:
    QString m_folder;
    Now m_now;
};

} // namespace veg
