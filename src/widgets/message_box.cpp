#include "widgets/message_box.h"

#include <QApplication>
#include <QMessageBox>

BoxAnswer QtMessageBoxes::show(const QString& text, const QString& caption, BoxButtons buttons)
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
