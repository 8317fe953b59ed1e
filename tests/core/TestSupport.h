#pragma once

#include "core/ui/Dialogs.h"
#include "core/ui/ProgressSink.h"
#include "core/text/Cp1251.h"
#include "core/text/IniDocument.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

namespace vegtest {

inline QByteArray cp1251(const char* utf8)
{
    return veg::Cp1251::encode(QString::fromUtf8(utf8));
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Answers the program's questions from a script and records what was asked.
class ScriptedDialogs : public veg::Dialogs
{
public:
    std::deque<bool> confirms;
    std::deque<std::optional<QString>> files;
    QStringList asked; // every text shown, in order: "info: ..." / "confirm: ..."

    void info(const QString& text) override { asked << QStringLiteral("info: ") + text; }
    // A question whose default answer is No is told as "confirm (Нет): ...".
    bool confirmDefaultNo(const QString& text) override
    {
        return answer(QStringLiteral("confirm (Нет): ") + text);
    }
    bool confirm(const QString& text) override { return answer(QStringLiteral("confirm: ") + text); }
    bool answer(const QString& line)
    {
        asked << line;
        if (confirms.empty()) {
            asked << QStringLiteral("UNEXPECTED confirm");
            return false;
        }
        const bool a = confirms.front();
        confirms.pop_front();
        return a;
    }
    QString openFilter;          // the filter of the last open dialog
    int openSelectedFilter = -1; // and the filter it started with
    QString openCaption;         // its caption (empty: the plain dialog)
    QString openFolder;          // and the folder it started in
    std::optional<QString> openFile(const QString& filter, int selectedFilter = 0) override
    {
        return openFile(OpenFileRequest{QString(), filter, selectedFilter, QString()});
    }
    std::optional<QString> openFile(const OpenFileRequest& request) override
    {
        openCaption = request.caption;
        openFilter = request.filter;
        openSelectedFilter = request.selectedFilter;
        openFolder = request.folder;
        return nextFile("open");
    }
    std::optional<QString> saveFile(const QString&) override { return nextFile("save"); }
    std::optional<QString> pickFolder(const QString&) override { return nextFile("folder"); }

private:
    std::optional<QString> nextFile(const char* what)
    {
        asked << QStringLiteral("dialog: ") + QString::fromLatin1(what);
        if (files.empty())
            return std::nullopt;
        auto f = files.front();
        files.pop_front();
        return f;
    }
};

class RecordingProgress : public veg::ProgressSink
{
public:
    QStringList shown;
    int position = 0;
    int steps = 0;
    bool visible = false;
    void show(const QString& label) override
    {
        shown << label;
        position = 0;
        visible = true;
    }
    void advance(int step) override
    {
        position += step;
        ++steps;
    }
    void hide() override { visible = false; }
    void done() override
    {
        visible = false;
        ++finished;
    }
    int finished = 0; // times the work ended (the busy cursor restored)
};

} // namespace vegtest
