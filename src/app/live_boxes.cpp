#include "app/live_boxes.h"

#include "core/memory_map.h"

#include <QLineEdit>

using namespace tuma;

void showLiveText(QLineEdit* box, const QString& text)
{
    if (box->text() != text)
        box->setText(text);
}

void showLiveValues(const LiveBoxes& boxes, const uint8_t* buffer, uint16_t first)
{
    auto at = [buffer, first](uint16_t a) { return buffer[addr::at(a, first)]; };
    showLiveText(boxes.temperature, QString::fromStdString(temperatureDecode(at(addr::EngineTemp))));
    showLiveText(boxes.map, QString::fromStdString(mapVoltageDecode(at(addr::MapVoltage))));
    showLiveText(boxes.lambda, QString::fromStdString(millivoltText(at(addr::LambdaVoltage))));
    if (boxes.correction)
        showLiveText(boxes.correction, QString::fromStdString(liveCorrectionDecode(at(addr::LiveCorrection))));
}
