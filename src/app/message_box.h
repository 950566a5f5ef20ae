#pragma once
// Every report to the user goes through this modal box: a text, a caption, no icon,
// and either OK or Yes/No. Tests put their own implementation in its place.
#include <QString>

enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual BoxAnswer show(const QString& text, const QString& caption, BoxButtons buttons) = 0;
};

// The one in use; a QMessageBox-based one unless replaced.
MessageBoxes& messageBoxes();
// Replaces it (nullptr puts the QMessageBox one back).
void setMessageBoxes(MessageBoxes* boxes);

inline void showMessage(const QString& text, const QString& caption)
{
    messageBoxes().show(text, caption, BoxButtons::Ok);
}
inline bool confirm(const QString& text, const QString& caption)
{
    return messageBoxes().show(text, caption, BoxButtons::YesNo) == BoxAnswer::Yes;
}
