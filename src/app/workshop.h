#pragma once
// The workshop's tasks in the windows, reached from the main window's context menu:
// saving the block as read into a parameter file, opening a file and writing it with a
// read-back check, the settings sheet as a PDF, and the About box. They take what they
// need as arguments; the main window applies what they return.
#include "core/commands.h"
#include "core/drive_log.h"

#include <QString>

class QWidget;

// The technician's words about the vehicle, kept in files and on the sheet.
struct VehicleDetails {
    QString client;
    QString plate;
    QString notes;
};

// What the link check found.
struct LinkInfo {
    bool checked = false;
    QString controllerVersion; // "2.5"
    QString port;
};

// The dialogs and the system's document viewer; tests put their own in place.
class WorkshopDialogs {
public:
    virtual ~WorkshopDialogs() = default;
    // The details dialog (client, plate, notes) with `note` above the fields; false
    // when cancelled.
    virtual bool askDetails(QWidget* parent, const QString& title, const QString& note, VehicleDetails& details) = 0;
    // The file to write or read; empty when cancelled.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                 const QString& filter) = 0;
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    // Shows a written document in the system's viewer; false when none took it.
    virtual bool openDocument(const QString& path) = 0;
};
WorkshopDialogs& workshopDialogs();
void setWorkshopDialogs(WorkshopDialogs* dialogs); // nullptr puts the real ones back

// The folder "Tuma" in the user's documents folder, made when missing.
QString workshopFolder();

// The vehicle's details as typed last (or read from the file opened last).
VehicleDetails lastVehicleDetails();

// Saves `block` (the block as last read) into a parameter file the technician names.
void saveBlock(QWidget* parent, const tuma::commands::ConfigImage& block, const LinkInfo& link);

// Opens a parameter file, reads the controller's block afresh, shows both side by side
// and, when the technician confirms, keeps a copy of the controller's block, writes the
// file's and reads it back. True when a write reached the controller and was read back
// (matching or not): the form should then be filled again.
bool openAndWrite(QWidget* parent, tuma::Link& link, const LinkInfo& info, char decimalSeparator);

// Writes the settings sheet of `block` as a one-page A4 PDF and opens it.
void writeSheet(QWidget* parent, const tuma::commands::ConfigImage& block, const LinkInfo& link, char decimalSeparator);

// Asks for a drive log (in Tuma/Registros) and reads it; false when cancelled or
// refused (the message box names the line).
bool openDriveLog(QWidget* parent, tuma::DriveLog& log, QString& fileName);

// The About box.
void showAbout(QWidget* parent, const LinkInfo& link);
