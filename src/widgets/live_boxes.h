#pragma once
// The live boxes of a window: one read-only edit field per row of the live-values
// table that the window shows, found by the row's name. The main window and the
// progress window both fill theirs through it.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class QLineEdit;
class QWidget;
namespace tuma {
struct LiveValue;
}

class LiveBoxes {
public:
    // The window's boxes, in the table's order; rows the window has no box for are
    // left out. Made once the window's form is set up.
    LiveBoxes() = default;
    explicit LiveBoxes(const QWidget* window);

    // Fills the boxes whose bytes a live read from controller address `first` holds;
    // `scale` is the RPM scale's text. A box whose value did not change is not
    // repainted.
    void show(const uint8_t* buffer, uint16_t first, const std::string& scale) const;

private:
    std::vector<std::pair<const tuma::LiveValue*, QLineEdit*>> boxes;
};
