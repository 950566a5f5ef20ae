#include "widgets/screen_fit.h"

#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace {

// The frame a window manager puts around a window not yet shown: a title bar of some 31
// points and borders (Windows 10 and 11 keep 7 invisible points of them for resizing).
// A window already shown tells its own.
QMargins frameOf(const QWidget* w)
{
    if (w->isVisible()) {
        const QRect outer = w->frameGeometry(), inner = w->geometry();
        return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                outer.bottom() - inner.bottom()};
    }
    return {8, 32, 8, 8};
}

} // namespace

void fitOnScreen(QWidget* window, const QWidget* near, std::optional<QPoint> wanted)
{
    const QScreen* screen = near ? near->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    const QMargins frame = frameOf(window);
    const QSize most(room.width() - frame.left() - frame.right(), room.height() - frame.top() - frame.bottom());
    window->resize(window->size().boundedTo(most).expandedTo(window->minimumSize()));
    const QSize outer(window->width() + frame.left() + frame.right(), window->height() + frame.top() + frame.bottom());
    QPoint at = wanted.value_or(
        QPoint(room.left() + (room.width() - outer.width()) / 2, room.top() + (room.height() - outer.height()) / 2));
    at.setX(std::max(room.left(), std::min(at.x(), room.right() + 1 - outer.width())));
    at.setY(std::max(room.top(), std::min(at.y(), room.bottom() + 1 - outer.height())));
    // move() places the frame's top-left corner.
    window->move(at);
}
