#pragma once
// The live boxes that the main window and the progress window both show.
#include <QString>

#include <cstdint>

class QLineEdit;

struct LiveBoxes {
    QLineEdit* temperature;
    QLineEdit* map;
    QLineEdit* lambda;
    QLineEdit* correction; // nullptr where the window has none
};

// Fills the boxes from a buffer of the live block read from `first` (the live block
// or the short live block).
void showLiveValues(const LiveBoxes& boxes, const uint8_t* buffer, uint16_t first);
// Sets a live box's text; a box whose value did not change is not repainted.
void showLiveText(QLineEdit* box, const QString& text);
