#pragma once
// An item of the program's menus: its object name, text and shortcut, and the handler
// it runs (through the error display). The shortcut acts while the window the item is
// added to has the focus, with its menu closed.
#include <QKeySequence>

#include <functional>

class QAction;
class QObject;

QAction* menuAction(QObject* owner, const char* name, const char* text, const QKeySequence& keys,
                    std::function<void()> handler);
