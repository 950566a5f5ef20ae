#pragma once
// Windows that open whole on a small screen: a 1366 x 768 laptop with its taskbar, or a
// full-HD screen at 150 % display scaling, leaves less room than the windows' natural
// sizes. A window is made no larger than the room of the screen it opens on, its title
// bar and frame included, and placed inside that room.
#include <QPoint>

#include <optional>

class QWidget;

// Before `window` is first shown: on the screen of `near` (the window it opens from;
// nullptr: the primary screen), at `wanted` (its frame's top-left) moved inside the
// room, or centred there.
void fitOnScreen(QWidget* window, const QWidget* near, std::optional<QPoint> wanted = std::nullopt);
