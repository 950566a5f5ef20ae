#pragma once
// Every report to the user goes through a modal box: a text, a caption, no icon, and
// either OK or Yes/No. The program's start owns the boxes in use and hands them to
// each window; tests hand in their own.
#include <QString>

enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual BoxAnswer show(const QString& text, const QString& caption, BoxButtons buttons) = 0;

    void showMessage(const QString& text, const QString& caption) { show(text, caption, BoxButtons::Ok); }
    // True for Yes.
    bool confirm(const QString& text, const QString& caption)
    {
        return show(text, caption, BoxButtons::YesNo) == BoxAnswer::Yes;
    }
};

// The boxes of the platform (QMessageBox), over the active window.
class QtMessageBoxes : public MessageBoxes {
public:
    BoxAnswer show(const QString& text, const QString& caption, BoxButtons buttons) override;
};
