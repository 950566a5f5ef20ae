#pragma once
// The program's style: the platform's own, with the two pieces of chrome that the
// live values repaint twice a second kept as finished pictures.
//
// A live box that changes repaints itself and, since its rounded corners show what is
// behind them, the group box under it; a focused field's blinking cursor does the
// same. Drawing a group box lays out its title text and strokes its frame, and a line
// edit's panel strokes rounded outlines: most of what monitoring costs. This style
// draws each such piece once per size, state and palette into a transparent pixmap
// and afterwards only copies it, so the windows look as before.
class QStyle;

// Wraps the application's current style; call once the application exists.
void installPaintCache();
