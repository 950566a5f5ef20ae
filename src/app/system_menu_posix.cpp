#include "app/system_menu.h"

// The X window managers draw their own window menus, which a program cannot extend:
// there the context menu and the shortcuts are the way in.
void addToSystemMenu(QWidget*, const QList<QAction*>&) { }
QStringList systemMenuItems(QWidget*) { return {}; }
bool chooseSystemMenuItem(QWidget*, int) { return false; }
