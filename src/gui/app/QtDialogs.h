#pragma once

#include "core/ui/Dialogs.h"

class QWidget;

namespace veg {

// The program's questions as modal message boxes and file dialogs, with Russian buttons.
class QtDialogs : public Dialogs
{
public:
    explicit QtDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    void info(const QString& text) override;
    bool confirm(const QString& text) override;
    bool confirmDefaultNo(const QString& text) override;
    std::optional<QString> openFile(const QString& filter, int selectedFilter = 0) override;
    std::optional<QString> openFile(const OpenFileRequest& request) override;
    std::optional<QString> saveFile(const QString& filter) override;
    std::optional<QString> pickFolder(const QString& start) override;

    // "*.veg|*.veg|*.* (All files)|*.*" in the form of the Qt file dialogs.
    static QString qtFilter(const QString& filter);

private:
    QWidget* owner() const;

    QWidget* m_parent;
};

} // namespace veg
