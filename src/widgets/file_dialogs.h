#pragma once
// The system's file dialogs and document viewer, and the workshop's folders in a
// documents folder. The program's start hands both to the rooms that save and open
// files; tests hand in their own dialogs and a documents folder of their own.
#include <QString>

#include <string>

class QWidget;

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // The file to write or read; empty when cancelled.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                 const QString& filter) = 0;
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    // Shows a written document in the system's viewer; false when none took it.
    virtual bool openDocument(const QString& path) = 0;
};

class QtFileDialogs : public FileDialogs {
public:
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filter) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) override;
    bool openDocument(const QString& path) override;
};

// "Tuma" and "Tuma/Registros" in a documents folder, each made when first asked for.
class WorkshopFolders {
public:
    // Empty: the user's documents folder (the home folder where the system names none).
    explicit WorkshopFolders(const QString& documents = QString());
    QString workshop() const;
    QString recordings() const;
    // The history's database; its folder is made when the first entry is kept.
    QString historyFile() const;
    // `name` in `folder`, or the next name there that no file has yet ("... 2.tuma").
    static QString unusedPath(const QString& folder, const std::string& name);

private:
    QString documents;
};
