#include "widgets/file_dialogs.h"

#include "core/workshop_files.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

QString QtFileDialogs::saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                    const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

QString QtFileDialogs::openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                    const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

bool QtFileDialogs::openDocument(const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

WorkshopFolders::WorkshopFolders(const QString& d, const QString& dataFolder, tuma::files::ReplaceFile r)
    : documents(d), data(dataFolder), replace(std::move(r))
{
    if (documents.isEmpty())
        documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
}

QString WorkshopFolders::workshop() const
{
    const QString folder = QDir(documents).filePath(QString::fromUtf8(tuma::files::WorkshopFolder));
    QDir().mkpath(folder);
    return folder;
}

QString WorkshopFolders::recordings() const
{
    const QString folder = QDir(workshop()).filePath(QString::fromUtf8(tuma::files::RecordingsFolder));
    QDir().mkpath(folder);
    return folder;
}

QString WorkshopFolders::historyFile() const
{
    return QDir(data).filePath(QString::fromUtf8(tuma::files::HistoryFile));
}

QString WorkshopFolders::oldHistoryFile() const
{
    return QDir(documents).filePath(QString::fromUtf8(tuma::files::WorkshopFolder) + "/"
                                    + QString::fromUtf8(tuma::files::HistoryFile));
}

QString WorkshopFolders::historyCopies() const
{
    return QDir(documents).filePath(QString::fromUtf8(tuma::files::WorkshopFolder) + "/"
                                    + QString::fromUtf8(tuma::files::HistoryCopiesFolder));
}

bool WorkshopFolders::write(const QString& path, const QByteArray& bytes, QString& why) const
{
    std::string reason = "nenhum meio de gravar arquivos";
    if (replace && replace(path.toStdString(), bytes.toStdString(), reason))
        return true;
    why = QString::fromStdString(reason);
    return false;
}

QString WorkshopFolders::unusedPath(const QString& folder, const std::string& name)
{
    const std::string path = QDir(folder).filePath(QString::fromStdString(name)).toStdString();
    return QString::fromStdString(tuma::files::unusedPath(
        path, [](const std::string& p) { return QFileInfo::exists(QString::fromStdString(p)); }));
}
