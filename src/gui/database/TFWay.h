#pragma once

#include "core/database/DatabasePathForm.h"

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QToolButton;

namespace veg {

// "Путь к базе данных КАЛИМ-19": a thin view over DatabasePathForm.
class TFWay : public QDialog
{
    Q_OBJECT
public:
    TFWay(ProgramSettings& settings, Dialogs& dialogs, QWidget* parent = nullptr);

    DatabasePathForm& form() { return m_form; }
    int exec() override; // activation, then the modal loop
    void FormActivate();

protected:
    void done(int result) override;

private:
    void render();

    DatabasePathForm m_form;
    bool m_rendering = false;
    bool m_saved = false;
    std::array<QLineEdit*, 4> m_fields{};
    std::array<QLabel*, 4> m_labels{};
    std::array<QToolButton*, 4> m_pick{};
    QToolButton* m_manual = nullptr;
    QLabel* m_message = nullptr;
};

} // namespace veg
