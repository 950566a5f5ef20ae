#include "widgets/field_entry.h"

#include "widgets/handlers.h"

#include <QFocusEvent>
#include <QLineEdit>

FieldEntry::FieldEntry(std::vector<Field> list, QObject* parent) : QObject(parent), fields(std::move(list))
{
    for (const Field& f : fields)
        f.edit->installEventFilter(this);
}

const FieldEntry::Field* FieldEntry::fieldFor(QObject* object) const
{
    for (const Field& f : fields)
        if (f.edit == object)
            return &f;
    return nullptr;
}

void FieldEntry::enter(const Field& f)
{
    entered = f.edit;
    guarded(f.enter)();
}

bool FieldEntry::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut)
        return QObject::eventFilter(watched, event);
    const Field* field = fieldFor(watched);
    if (!field)
        return QObject::eventFilter(watched, event);
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (event->type() == QEvent::FocusIn) {
        if (entered != field->edit)
            enter(*field);
    } else if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        if (entered == field->edit) {
            entered = nullptr;
            guarded(field->exit)();
            const Field* next = fieldFor(field->edit->window()->focusWidget());
            if (next && entered != next->edit)
                enter(*next);
        }
    }
    return QObject::eventFilter(watched, event);
}

bool FieldEntry::checkFocused()
{
    if (fields.empty())
        return true;
    const Field* field = fieldFor(fields.front().edit->window()->focusWidget());
    if (!field || entered != field->edit)
        return true;
    const int before = rejections;
    field->exit();
    field->enter();
    return rejections == before;
}
