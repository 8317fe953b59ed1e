#include "gui/app/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace veg {

namespace {
QString title()
{
    return QStringLiteral("ВЕГ-78");
}
} // namespace

QWidget* QtDialogs::owner() const
{
    // Over the modal window the question comes from (an editor), else over the main window.
    QWidget* modal = QApplication::activeModalWidget();
    return modal ? modal : m_parent;
}

void QtDialogs::info(const QString& text)
{
    QMessageBox box(QMessageBox::Information, title(), text, QMessageBox::NoButton, owner());
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

namespace {
bool ask(QWidget* owner, const QString& text, bool defaultYes)
{
    QMessageBox box(QMessageBox::Question, title(), text, QMessageBox::NoButton, owner);
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("Нет"), QMessageBox::NoRole);
    box.setDefaultButton(defaultYes ? yes : no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}
} // namespace

bool QtDialogs::confirm(const QString& text)
{
    return ask(owner(), text, true);
}

bool QtDialogs::confirmDefaultNo(const QString& text)
{
    return ask(owner(), text, false);
}

QString QtDialogs::qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        // A name that already ends with its pattern ("Tsk(*.tsk)") is shown as it is.
        const QString& name = parts[i];
        const QString& pattern = parts[i + 1];
        if (name.endsWith(u'(' + pattern + u')'))
            out << name;
        else
            out << QStringLiteral("%1 (%2)").arg(name, pattern);
    }
    return out.join(QStringLiteral(";;"));
}

std::optional<QString> QtDialogs::openFile(const QString& filter, int selectedFilter)
{
    return openFile(OpenFileRequest{QStringLiteral("Загрузить"), filter, selectedFilter, {}});
}

std::optional<QString> QtDialogs::openFile(const OpenFileRequest& request)
{
    const QString filters = qtFilter(request.filter);
    QString selected = filters.split(QStringLiteral(";;")).value(request.selectedFilter);
    const QString path = QFileDialog::getOpenFileName(owner(), request.caption, request.folder,
                                                      filters, &selected);
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

std::optional<QString> QtDialogs::saveFile(const QString& filter)
{
    // The program asks itself before replacing a file.
    const QString path = QFileDialog::getSaveFileName(owner(), QStringLiteral("Сохранить как"),
                                                      QString(), qtFilter(filter), nullptr,
                                                      QFileDialog::DontConfirmOverwrite);
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

std::optional<QString> QtDialogs::pickFolder(const QString& start)
{
    const QString path = QFileDialog::getExistingDirectory(owner(), QString(), start);
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

} // namespace veg
