#pragma once
// Focus-enter and focus-exit events for the main window's edit fields.
//
// How the pieces interact:
// - Entering a field runs its enter handler, which keeps the text it had (savedText).
//   The window getting the focus back (after a message box, or from another program)
//   is no entry: a field is entered once until it is left.
// - Leaving a field runs its exit handler, which checks the text and, on a rejection,
//   shows a message box and puts savedText back. Leaving the window (activation, a
//   popup) is not leaving the field.
// - A message box shown by an exit check takes the focus and, when it closes, hands
//   it to the field the user was going to; Qt sends that field no focus-in of its own
//   for the move that started it. So after an exit handler the field that now holds
//   the focus is entered here, if it has not been.
// - An accelerator (Alt+G) presses its button without moving the focus, so no exit
//   check has run: checkFocused() runs it as leaving would, and enters the field
//   again, so that what it now holds is what a later rejection puts back.
// - The window counts rejections through rejected(), so that checkFocused() can tell
//   whether the check it ran stood.
#include <QObject>

#include <functional>
#include <vector>

class QLineEdit;

class FieldEntry : public QObject {
public:
    struct Field {
        QLineEdit* edit;
        std::function<void()> enter;
        std::function<void()> exit;
    };

    explicit FieldEntry(std::vector<Field> fields, QObject* parent = nullptr);

    // The exit check of the field that holds the focus, if it has been entered;
    // false when that check rejected the entry.
    bool checkFocused();
    // Called by the window for every rejection an exit check makes.
    void rejected() { ++rejections; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const Field* fieldFor(QObject* object) const;
    void enter(const Field& f);

    std::vector<Field> fields;
    QLineEdit* entered = nullptr;
    int rejections = 0;
};
