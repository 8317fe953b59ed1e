#include "gui/widgets/ContextMenu.h"

#include <QAction>
#include <QMenu>

namespace veg {

QString chooseFromMenu(QWidget* parent, const QStringList& items, const QPoint& globalPos)
{
    if (items.isEmpty())
        return {};
    QMenu menu(parent);
    menu.setObjectName(QStringLiteral("ContextMenu"));
    for (const QString& item : items)
        menu.addAction(item)->setData(item); // the text itself may gain a shortcut mark
    const QAction* chosen = menu.exec(globalPos);
    return chosen ? chosen->data().toString() : QString();
}

} // namespace veg
