#pragma once

#include "core/app/ConfigOverview.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace veg {

class LineDiagram;

// The main window's client area: the configuration at a glance, as describeConfiguration
// computes it. It keeps a copy of what it shows, never the configuration itself, so it can be
// painted while a file is being read. A double click on a table, or on a finding, asks for the
// window that edits it (on the finding's row). A finding's text wraps: it is read whole.
class ConfigOverviewView : public QWidget
{
    Q_OBJECT
public:
    explicit ConfigOverviewView(QWidget* parent = nullptr);

    void showOverview(const ConfigOverview& overview);
    const ConfigOverview& overview() const { return m_overview; }

signals:
    // `tableRow`: the row of the window's table to open it on (a finding's), -1 for none.
    void editorRequested(veg::EditorId editor, int tableRow);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void itemActivated(QTreeWidgetItem* item);
    // The findings' columns in the list's width: the place at most 2/5 of it, what is wrong the
    // rest, both wrapped over the lines they need.
    void layoutFindingColumns();

    ConfigOverview m_overview;
    QLabel* m_empty = nullptr;
    QWidget* m_content = nullptr;
    LineDiagram* m_diagram = nullptr;
    QLabel* m_settings = nullptr;
    QTreeWidget* m_tables = nullptr;
    QGroupBox* m_checkBox = nullptr;
    QTreeWidget* m_findings = nullptr;
};

} // namespace veg
