#include "widgets/menu_action.h"

#include "widgets/handlers.h"

#include <QAction>

QAction* menuAction(QObject* owner, const char* name, const char* text, const QKeySequence& keys,
                    std::function<void()> handler)
{
    auto* a = new QAction(QString::fromUtf8(text), owner);
    a->setObjectName(name);
    a->setShortcut(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(a, &QAction::triggered, owner, guarded(std::move(handler)));
    return a;
}
