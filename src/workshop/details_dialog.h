#pragma once
// The technician's words about the vehicle (client, plate, notes), asked before a file
// or a sheet is written, and the dialogs the workshop asks through.
#include "core/vehicle.h"
#include "widgets/file_dialogs.h"

#include <QString>

// "<br><b>Cliente:</b> ..." for each field the technician filled, escaped, to follow a
// header's rich text.
QString vehicleLines(const tuma::Vehicle& vehicle);

// The file dialogs and the details dialog; tests put their own in place.
class WorkshopDialogs : public FileDialogs {
public:
    // The details dialog with `note` above the fields; false when cancelled.
    virtual bool askDetails(QWidget* parent, const QString& title, const QString& note, tuma::Vehicle& details) = 0;
};

class QtWorkshopDialogs : public WorkshopDialogs {
public:
    bool askDetails(QWidget* parent, const QString& title, const QString& note, tuma::Vehicle& details) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filter) override
    {
        return files.saveFileName(parent, caption, suggested, filter);
    }
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) override
    {
        return files.openFileName(parent, caption, folder, filter);
    }
    bool openDocument(const QString& path) override { return files.openDocument(path); }

private:
    QtFileDialogs files;
};
