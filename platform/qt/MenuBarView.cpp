#include "platform/qt/MenuBarView.h"

#include "platform/core/Application.h"
#include "platform/core/Runtime.h"
#include "platform/qt/CoreCall.h"

#include <QStringList>

namespace platform {

namespace {

QString textOf(const MenuItem& item)
{
    return QString::fromStdString(item.Text());
}

void choose(const std::weak_ptr<MenuItem>& chosen)
{
    const Ref<MenuItem> item = chosen.lock();
    if (!item) return; // the core has let go of its menu bar
    callCore([&item] { nonNil(std::dynamic_pointer_cast<Application>(_GetAppObject())).chooseMenuItem(*item); });
}

void addItems(QMenu& menu, const MenuItem& parent)
{
    for (const Ref<MenuItem>& item : parent.children()) {
        if (item->isSeparator()) {
            menu.addSeparator();
        } else if (!item->children().empty()) {
            QMenu* submenu = menu.addMenu(textOf(*item));
            submenu->setObjectName(QString::fromStdString(item->Name()));
            submenu->menuAction()->setEnabled(item->AutoEnable());
            addItems(*submenu, *item);
        } else {
            QAction* action = menu.addAction(textOf(*item));
            action->setObjectName(QString::fromStdString(item->Name()));
            action->setShortcut(keySequenceFor(item->KeyboardShortcut()));
            action->setEnabled(item->AutoEnable());
            QObject::connect(action, &QAction::triggered, action, [chosen = std::weak_ptr<MenuItem>(item)] { choose(chosen); });
        }
    }
}

} // namespace

QKeySequence keySequenceFor(const std::optional<std::string>& shortcut)
{
    if (!shortcut || shortcut->empty()) return {};
    QStringList keys = QString::fromStdString(*shortcut).split(QLatin1Char('+'));
    for (QString& key : keys)
        if (key.compare(QLatin1String("Cmd"), Qt::CaseInsensitive) == 0) key = QStringLiteral("Ctrl");
    return QKeySequence::fromString(keys.join(QLatin1Char('+')), QKeySequence::PortableText);
}

void buildMenuBarView(QMenuBar& bar, const MenuBar& menus)
{
    for (const Ref<MenuItem>& top : menus.children()) {
        // Every top-level item is a menu, even one without text or items.
        QMenu* menu = bar.addMenu(textOf(*top));
        menu->setObjectName(QString::fromStdString(top->Name()));
        addItems(*menu, *top);
    }
}

} // namespace platform
