#include "app/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace {
class QtMessageBoxes : public MessageBoxes {
public:
    BoxAnswer show(const QString& text, const QString& caption, BoxButtons buttons) override
    {
        QMessageBox box(QMessageBox::NoIcon, caption, text,
                        buttons == BoxButtons::YesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                        QApplication::activeWindow());
        if (buttons == BoxButtons::YesNo)
            box.setDefaultButton(QMessageBox::Yes);
        const int r = box.exec();
        if (buttons == BoxButtons::Ok)
            return BoxAnswer::Ok;
        return r == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
    }
};

QtMessageBoxes g_qtBoxes;
MessageBoxes* g_boxes = &g_qtBoxes;
} // namespace

MessageBoxes& messageBoxes() { return *g_boxes; }

void setMessageBoxes(MessageBoxes* boxes) { g_boxes = boxes ? boxes : &g_qtBoxes; }
