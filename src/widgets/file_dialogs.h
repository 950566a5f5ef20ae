#pragma once
// The system's file dialogs and document viewer, and the workshop's folders in a
// documents folder. The program's start hands both to the rooms that save and open
// files; tests hand in their own dialogs and a documents folder of their own.
#include "core/workshop_files.h"

#include <QString>

#include <string>

class QWidget;

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The file to write or read; empty when cancelled.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                 const QString& filter)
        = 0;
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder, const QString& filter)
        = 0;
    // Shows a written document in the system's viewer; false when none took it.
    virtual bool openDocument(const QString& path) = 0;
};

class QtFileDialogs : public FileDialogs {
public:
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filter) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override;
    bool openDocument(const QString& path) override;
};

// "Tuma" and "Tuma/Registros" in a documents folder, each made when first asked for,
// and the program's own data folder.
class WorkshopFolders {
public:
    // Empty documents: the user's documents folder (the home folder where the system
    // names none). `data`: where the live history is kept, out of the documents.
    explicit WorkshopFolders(const QString& documents = QString(), const QString& data = QString(),
                             tuma::files::ReplaceFile replaceFile = {});
    QString workshop() const;
    QString recordings() const;
    // The history's database; its folder is made when the first entry is kept.
    QString historyFile() const;
    // Where earlier versions kept it, in the documents folder.
    QString oldHistoryFile() const;
    // "Tuma/Cópias do histórico": the day's copies, for the workshop's backup; not made here.
    QString historyCopies() const;
    // Every whole file the windows write (parameter files, the copy kept before a write,
    // sheets) goes in through the system's atomic write: the name never holds half a file.
    bool write(const QString& path, const QByteArray& bytes, QString& why) const;
    const tuma::files::ReplaceFile& replaceFile() const { return replace; }
    // `name` in `folder`, or the next name there that no file has yet ("... 2.tuma").
    static QString unusedPath(const QString& folder, const std::string& name);

private:
    QString documents;
    QString data;
    tuma::files::ReplaceFile replace;
};
