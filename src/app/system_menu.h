#pragma once
// The workshop's items at the foot of the main window's system menu (Alt+Space, a
// right-click on the title bar), where the system has one such menu: on Windows.
// system_menu_win32.cpp or system_menu_posix.cpp, chosen in CMake.
#include <QList>
#include <QStringList>

class QAction;
class QWidget;

// Adds a separator and one item per action, with its shortcut, once the window has
// its native window; each item is greyed out while its action is disabled, and
// choosing it triggers the action.
void addToSystemMenu(QWidget* window, const QList<QAction*>& actions);

// The system menu as the system holds it, one text per item ("" for a separator,
// "(desativado)" after a greyed item); empty where there is none. For tests.
QStringList systemMenuItems(QWidget* window);
// Chooses item `index` of that list as a click in the menu would; false where
// there is no such item. For tests.
bool chooseSystemMenuItem(QWidget* window, int index);
