#pragma once

#include <QWidget>

class QTableView;

namespace veg {

class EditorForm;

// The grid of a table editor, bound to its form: the heading rows (with their merged cells) stand
// above the data rows and stay in view while these scroll; grey and white cells, marked cells,
// hints, check boxes, in-cell editors (drop-downs, line editors filtered key by key through the
// form, masked edits, spin edits), the context menu, the Delete key and drops of tree nodes all
// go to the form. The view renders the form's grid; it holds no data of its own.
class EditorGridView : public QWidget
{
    Q_OBJECT
public:
    explicit EditorGridView(EditorForm& form, QWidget* parent = nullptr);
    ~EditorGridView() override;

    // Shows the form's grid as it is now.
    void render();
    // Scrolls the form's current cell into view.
    void scrollToCurrent();

    QTableView* headingView() const;
    QTableView* body() const;
    // The body's rectangle of a grid cell (viewport coordinates of the body).
    QRect cellRect(int row, int column) const;
    // The width of all columns as laid out from the form's headings (renders first): what a
    // window sizes itself by.
    int columnsWidth();
    // How much wider than the original screen a column is drawn.
    double widthScale() const { return m_scale; }

signals:
    // The form changed: the window renders everything again.
    void changed();

private:
    class Model;
    class Delegate;
    class Body;

    void applyLayout();
    void syncCurrent();
    void cellClicked(int row, int column);
    void openContextMenu(const QPoint& pos);

    EditorForm& m_form;
    Model* m_model = nullptr;
    QTableView* m_heading = nullptr;
    Body* m_body = nullptr;
    double m_scale = 1.0;
    int m_rows = -1, m_columns = -1;
    bool m_rendering = false;
};

} // namespace veg
