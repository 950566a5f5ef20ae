#include "app/system_menu.h"

#include <QAbstractNativeEventFilter>
#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <windows.h>

namespace {

// Command ids below the system's own (SC_SIZE is 0xF000), in steps of 16: the system
// keeps the low four bits of WM_SYSCOMMAND for itself.
constexpr UINT FirstId = 0x1000;
constexpr UINT Step = 0x10;

class SystemMenu : public QObject, public QAbstractNativeEventFilter {
public:
    SystemMenu(QWidget* window, const QList<QAction*>& actions) : QObject(window), window(window), actions(actions)
    {
        window->installEventFilter(this);
        QCoreApplication::instance()->installNativeEventFilter(this);
        for (QAction* a : actions)
            connect(a, &QAction::changed, this, [this] { refresh(); });
    }
    ~SystemMenu() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Show && !menu)
            install();
        return false;
    }
    void installIfShown()
    {
        if (window->isVisible() && !menu)
            install();
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (!menu || type != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_SYSCOMMAND || msg->hwnd != hwnd)
            return false;
        const UINT id = static_cast<UINT>(msg->wParam) & 0xFFF0;
        if (id < FirstId || id >= FirstId + Step * static_cast<UINT>(actions.size()))
            return false;
        QAction* a = actions[static_cast<int>((id - FirstId) / Step)];
        // After the menu has closed, as a click in the context menu acts.
        if (a->isEnabled())
            QTimer::singleShot(0, a, &QAction::trigger);
        return true;
    }

    HWND hwnd = nullptr;
    HMENU menu = nullptr;

private:
    void install()
    {
        hwnd = reinterpret_cast<HWND>(window->winId());
        menu = GetSystemMenu(hwnd, FALSE);
        if (!menu)
            return;
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        for (int i = 0; i < actions.size(); ++i) {
            QString label = actions[i]->text();
            if (!actions[i]->shortcut().isEmpty())
                label += '\t' + actions[i]->shortcut().toString(QKeySequence::NativeText);
            AppendMenuW(menu, MF_STRING, FirstId + Step * static_cast<UINT>(i),
                        reinterpret_cast<const wchar_t*>(label.utf16()));
        }
        refresh();
    }
    void refresh()
    {
        if (!menu)
            return;
        for (int i = 0; i < actions.size(); ++i)
            EnableMenuItem(menu, FirstId + Step * static_cast<UINT>(i),
                           MF_BYCOMMAND | (actions[i]->isEnabled() ? MF_ENABLED : MF_GRAYED));
    }

    QWidget* window;
    QList<QAction*> actions;
};

} // namespace

void addToSystemMenu(QWidget* window, const QList<QAction*>& actions)
{
    (new SystemMenu(window, actions))->installIfShown();
}

QStringList systemMenuItems(QWidget* window)
{
    QStringList items;
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(window->winId()), FALSE);
    if (!menu)
        return items;
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (state & MF_SEPARATOR) {
            items << QString();
            continue;
        }
        wchar_t text[256] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 255, MF_BYPOSITION);
        QString item = QString::fromWCharArray(text);
        if (state & MF_GRAYED)
            item += " (desativado)";
        items << item;
    }
    return items;
}

bool chooseSystemMenuItem(QWidget* window, int index)
{
    HWND hwnd = reinterpret_cast<HWND>(window->winId());
    HMENU menu = GetSystemMenu(hwnd, FALSE);
    if (!menu || index < 0 || index >= GetMenuItemCount(menu))
        return false;
    const UINT id = GetMenuItemID(menu, index);
    return PostMessageW(hwnd, WM_SYSCOMMAND, id, 0);
}
