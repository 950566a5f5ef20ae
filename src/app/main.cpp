#include "app/app_windows.h"
#include "app/application.h"
#include "app/house.h"
#include "app/system_platform.h"
#include "forms/principal.h"
#include "widgets/message_box.h"
#include "workshop/details_dialog.h"

#include <memory>

int main(int argc, char** argv)
{
    TumaApplication app(argc, argv);
    nameApplication();
    QtMessageBoxes boxes;
    QtWorkshopDialogs dialogs;
    app.useBoxes(&boxes);
    std::unique_ptr<House> house;
    try {
        house = std::make_unique<House>(systemPlatform(), HouseServices{boxes, dialogs, QString()});
        MainForm->show();
        app.exec();
    } catch (...) {
        showApplicationError(std::current_exception());
    }
    house.reset();
    app.useBoxes(nullptr);
    return 0;
}
