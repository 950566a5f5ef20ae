#pragma once
#include <QIcon>

// The device: a box with a green lamp, with its own greyed picture for a disabled button.
QIcon devicePicture();
