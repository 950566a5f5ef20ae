#include "widgets/live_boxes.h"

#include "core/live_values.h"

#include <QLineEdit>

using namespace tuma;

LiveBoxes::LiveBoxes(const QWidget* window)
{
    for (size_t i = 0; i < liveValueCount(); ++i) {
        const LiveValue& row = liveValueTable()[i];
        if (auto* box = window->findChild<QLineEdit*>(QString::fromLatin1(row.name)))
            boxes.emplace_back(&row, box);
    }
}

void LiveBoxes::show(const uint8_t* buffer, uint16_t first, const std::string& scale) const
{
    for (const auto& [row, box] : boxes) {
        if (!liveValueIn(*row, first))
            continue;
        const QString text = QString::fromStdString(shownText(*row, buffer, first, scale));
        if (box->text() != text)
            box->setText(text);
    }
}
