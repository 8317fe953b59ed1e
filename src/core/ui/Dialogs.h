#pragma once

#include <QString>

#include <optional>

namespace veg {

// The questions the program asks the user. Core logic never shows a box: it asks through this
// interface, which the desktop program answers with modal message boxes and file dialogs and
// tests answer from a script.
class Dialogs
{
public:
    // An open dialog as a window asks for it: its caption, its filters (as below), the filter it
    // starts with (from 0) and the folder it starts in (empty: where the dialog last was).
    struct OpenFileRequest
    {
        QString caption;
        QString filter;
        int selectedFilter = 0;
        QString folder;
    };

    virtual ~Dialogs() = default;
    // An information box with an OK button.
    virtual void info(const QString& text) = 0;
    // A confirmation with the buttons Yes and No; true for Yes.
    virtual bool confirm(const QString& text) = 0;
    // The same question where No is the answer Enter gives: a step that cannot be undone.
    virtual bool confirmDefaultNo(const QString& text) { return confirm(text); }
    // File dialogs with a filter such as "*.veg|*.veg|*.* (All files)|*.*"; nullopt on Cancel.
    // The open dialog starts with filter number `selectedFilter` (from 0) of the list.
    virtual std::optional<QString> openFile(const QString& filter, int selectedFilter = 0) = 0;
    // The open dialog with its own caption and folder; by default the plain one above.
    virtual std::optional<QString> openFile(const OpenFileRequest& request)
    {
        return openFile(request.filter, request.selectedFilter);
    }
    virtual std::optional<QString> saveFile(const QString& filter) = 0;
    virtual std::optional<QString> pickFolder(const QString& start) = 0;
};

} // namespace veg
