#pragma once
#include <QIcon>
#include <QPixmap>

// The device: a box with a green lamp, with its own greyed picture for a disabled button.
QIcon devicePicture();
// The picture alone at a given size (the program's icon files are made from it).
QPixmap devicePicture(int size);
