#include "app/workshop.h"

#include "app/compare_window.h"
#include "app/message_box.h"
#include "app/sheet.h"
#include "core/param_file.h"
#include "core/restore.h"
#include "core/texts.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

using namespace tuma;

namespace {

const char* const FileFilter = "Parâmetros do Tuma (*.tuma)";
const char* const SaveCaption = "Salvar parâmetros";
const char* const OpenCaption = "Abrir parâmetros";

// What the technician typed last, offered again (and what an opened file says).
VehicleDetails lastDetails;

class DetailsDialog : public QDialog {
public:
    DetailsDialog(QWidget* parent, const QString& title, const QString& note, const VehicleDetails& d)
        : QDialog(parent)
    {
        setWindowTitle(title);
        setObjectName("DadosForm");
        setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        auto* layout = new QVBoxLayout(this);
        auto* text = new QLabel(note, this);
        text->setWordWrap(true);
        layout->addWidget(text);
        auto* form = new QFormLayout();
        client = field("cliente", d.client, 80);
        plate = field("placa", d.plate, 10);
        notes = field("observacoes", d.notes, 200);
        form->addRow("&Cliente:", client);
        form->addRow("&Placa:", plate);
        form->addRow("&Observações:", notes);
        layout->addLayout(form);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Cancel)->setText("Cancelar");
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(buttons);
        setMinimumWidth(420);
    }
    VehicleDetails details() const { return {client->text().trimmed(), plate->text().trimmed(), notes->text().trimmed()}; }

private:
    QLineEdit* field(const char* name, const QString& text, int maxLength)
    {
        auto* e = new QLineEdit(text, this);
        e->setObjectName(name);
        e->setMaxLength(maxLength);
        return e;
    }
    QLineEdit *client, *plate, *notes;
};

class QtWorkshopDialogs : public WorkshopDialogs {
public:
    bool askDetails(QWidget* parent, const QString& title, const QString& note, VehicleDetails& details) override
    {
        DetailsDialog d(parent, title, note, details);
        if (d.exec() != QDialog::Accepted)
            return false;
        details = d.details();
        return true;
    }
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested, const QString& filter) override
    {
        return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
    }
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder, const QString& filter) override
    {
        return QFileDialog::getOpenFileName(parent, caption, folder, filter);
    }
    bool openDocument(const QString& path) override { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }
};

QtWorkshopDialogs realDialogs;
WorkshopDialogs* dialogs = &realDialogs;

QString stampNow() { return QDateTime::currentDateTime().toString("yyyy-MM-dd HHmm"); }

FileHeader headerNow(const LinkInfo& link, const VehicleDetails& d)
{
    return {QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString(),
            link.controllerVersion.toStdString(),
            link.port.toStdString(),
            TUMA_VERSION,
            d.client.toStdString(),
            d.plate.toStdString(),
            d.notes.toStdString()};
}

QString inFolder(const std::string& name) { return QDir(workshopFolder()).filePath(QString::fromStdString(name)); }

// Written beside the target and renamed over it: a half-written file never takes the name.
bool writeWhole(const QString& path, const QByteArray& bytes, QString& why)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        why = file.errorString();
        return false;
    }
    return true;
}

bool readParameterFile(const QString& path, ParsedFile& parsed, QString& why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
        return false;
    }
    // One byte past the limit is enough for the parser to refuse the file.
    const QByteArray bytes = file.read(static_cast<qint64>(MaxFileSize) + 1);
    parsed = parseParameterFile(bytes.toStdString());
    why = QString::fromStdString(parsed.error);
    return parsed.ok;
}

// A name in the folder that no file has yet: " 2", " 3"... before the extension.
QString unusedPath(const QString& path)
{
    if (!QFileInfo::exists(path))
        return path;
    const QFileInfo info(path);
    for (int n = 2;; ++n) {
        const QString candidate = info.dir().filePath(info.completeBaseName() + QString(" %1.").arg(n) + info.suffix());
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

// What differs after a write, field by field (or byte by byte where no field shows it).
QString mismatchText(const commands::ConfigImage& sent, const VerifiedWrite& written, char sep)
{
    commands::ConfigImage read;
    std::copy(std::begin(sent), std::end(sent), std::begin(read));
    for (const ByteMismatch& m : written.mismatches)
        read[addr::cfg(m.address)] = m.read;
    QString lines;
    for (const BlockRow& row : compareBlocks(sent, read, sep)) {
        if (!row.differs)
            continue;
        const QString unit = row.unit.empty() ? QString() : " " + QString::fromStdString(row.unit);
        const QString name = row.kind == BlockRow::Byte ? QString("Endereço %1").arg(row.address)
                                                         : QString::fromStdString(row.caption);
        lines += QString("\n%1: enviado %2%3, lido %4%3")
                     .arg(name, QString::fromStdString(row.before), unit, QString::fromStdString(row.after));
    }
    return lines;
}

} // namespace

WorkshopDialogs& workshopDialogs() { return *dialogs; }

VehicleDetails lastVehicleDetails() { return lastDetails; }
void setWorkshopDialogs(WorkshopDialogs* d) { dialogs = d ? d : &realDialogs; }

QString workshopFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString folder = QDir(documents.isEmpty() ? QDir::homePath() : documents).filePath("Tuma");
    QDir().mkpath(folder);
    return folder;
}

void saveBlock(QWidget* parent, const commands::ConfigImage& block, const LinkInfo& link)
{
    VehicleDetails d = lastDetails;
    if (!dialogs->askDetails(parent, "Salvar parâmetros do controlador",
                             "Salva os parâmetros lidos do controlador pela última vez com \"Ler\". "
                             "Alterações no formulário que ainda não foram gravadas não entram no arquivo.",
                             d))
        return;
    lastDetails = d;
    QString path = dialogs->saveFileName(parent, SaveCaption,
                                         inFolder(suggestedFileName(d.plate.toStdString(), stampNow().toStdString())),
                                         FileFilter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += ".tuma";
    const std::string text = formatParameterFile(headerNow(link, d), block);
    QString why;
    if (!writeWhole(path, QByteArray::fromStdString(text), why)) {
        showMessage(QString("Não foi possível salvar %1:\n%2").arg(QDir::toNativeSeparators(path), why), SaveCaption);
        return;
    }
    showMessage(QString("Parâmetros salvos em\n%1").arg(QDir::toNativeSeparators(path)), SaveCaption);
}

bool openAndWrite(QWidget* parent, Link& link, const LinkInfo& info, char sep)
{
    const QString path = dialogs->openFileName(parent, OpenCaption, workshopFolder(), FileFilter);
    if (path.isEmpty())
        return false;
    const QString shownPath = QDir::toNativeSeparators(path);
    ParsedFile file;
    QString why;
    if (!readParameterFile(path, file, why)) {
        showMessage(QString("%1:\n%2\n\nNada foi enviado ao controlador.").arg(shownPath, why), OpenCaption);
        return false;
    }
    lastDetails = {QString::fromStdString(file.header.client), QString::fromStdString(file.header.plate),
                   QString::fromStdString(file.header.notes)};

    commands::ConfigImage current{};
    if (!commands::readConfig(link, current)) {
        showMessage(texts::CommFailure, texts::CommFailureCaption);
        return false;
    }
    CompareWindow compare(parent, shownPath, file, current, info.controllerVersion, sep);
    if (compare.exec() != QDialog::Accepted)
        return false;
    if (!confirm(texts::ConfirmWrite, texts::ConfirmCaption))
        return false;

    // What the controller holds now, kept before anything is written.
    const QString before =
        unusedPath(inFolder(suggestedFileName(file.header.plate, stampNow().toStdString(), " antes")));
    if (!writeWhole(before, QByteArray::fromStdString(formatParameterFile(headerNow(info, lastDetails), current)), why)) {
        showMessage(QString("Não foi possível salvar a cópia do que o controlador tem (%1):\n%2\n\n"
                            "Nada foi gravado no controlador.")
                        .arg(QDir::toNativeSeparators(before), why),
                    OpenCaption);
        return false;
    }

    const VerifiedWrite written = writeVerified(link, file.image);
    const QString copy = QString("\n\nO que o controlador tinha antes está em\n%1").arg(QDir::toNativeSeparators(before));
    switch (written.outcome) {
    case VerifiedWrite::Verified:
        showMessage("Verificado: os 25 bytes lidos de volta do controlador são os gravados." + copy, "Gravação");
        return true;
    case VerifiedWrite::Differs:
        showMessage("A conferência falhou: o controlador guardou outros valores." +
                        mismatchText(file.image, written, sep) + copy,
                    "Falha na conferência");
        return true;
    case VerifiedWrite::WriteFailed:
        showMessage(QString(texts::CommFailure) + " na gravação: o controlador pode ter recebido ou não o arquivo." +
                        copy,
                    texts::CommFailureCaption);
        return false;
    case VerifiedWrite::ReadBackFailed:
        showMessage(QString(texts::CommFailure) + " na conferência: não se sabe o que o controlador guardou." + copy,
                    texts::CommFailureCaption);
        return false;
    }
    return false;
}

void writeSheet(QWidget* parent, const commands::ConfigImage& block, const LinkInfo& link, char sep)
{
    VehicleDetails d = lastDetails;
    if (!dialogs->askDetails(parent, "Imprimir ficha (PDF)",
                             "A ficha mostra os parâmetros lidos do controlador pela última vez com \"Ler\".", d))
        return;
    lastDetails = d;
    QString suggested = inFolder(suggestedFileName(d.plate.toStdString(), stampNow().toStdString()));
    suggested.replace(QRegularExpression("\\.tuma$"), ".pdf");
    QString path = dialogs->saveFileName(parent, "Salvar ficha", suggested, "Documento PDF (*.pdf)");
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += ".pdf";
    QString why;
    const SheetContent content{block, link, d, QDateTime::currentDateTime(), sep};
    if (!writeWhole(path, sheetPdf(content), why)) {
        showMessage(QString("Não foi possível salvar %1:\n%2").arg(QDir::toNativeSeparators(path), why), "Ficha");
        return;
    }
    if (!dialogs->openDocument(path))
        showMessage(QString("Ficha salva em\n%1\n\nNenhum programa abriu o PDF; abra-o pelo gerenciador de arquivos.")
                        .arg(QDir::toNativeSeparators(path)),
                    "Ficha");
}

bool openDriveLog(QWidget* parent, DriveLog& log, QString& fileName)
{
    const QString folder = QDir(workshopFolder()).filePath("Registros");
    QDir().mkpath(folder);
    const QString path = dialogs->openFileName(parent, "Abrir registro", folder, "Registros (*.csv)");
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showMessage(QString("%1:\n%2").arg(QDir::toNativeSeparators(path), file.errorString()), "Abrir registro");
        return false;
    }
    log = readDriveLog(file.readAll().toStdString());
    if (!log.ok) {
        showMessage(QString("%1:\n%2").arg(QDir::toNativeSeparators(path), QString::fromStdString(log.error)),
                    "Abrir registro");
        return false;
    }
    fileName = QFileInfo(path).fileName();
    return true;
}

void showAbout(QWidget* parent, const LinkInfo& link)
{
    QDialog about(parent);
    about.setObjectName("SobreForm");
    about.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    about.setWindowTitle("Sobre o Tuma Programável");
    auto* layout = new QVBoxLayout(&about);
    const QString controller = link.checked
                                   ? QString("Controlador: versão %1, na porta %2").arg(link.controllerVersion, link.port)
                                   : QString("Controlador: nenhum conectado (use Config.)");
    auto* text = new QLabel(
        QString("<h3>Tuma Programável %1</h3>"
                "<p>%2</p>"
                "<p>Copyright © 2026 os desenvolvedores do Tuma Programável.</p>"
                "<p>Este programa é software livre: pode ser redistribuído e modificado nos termos da "
                "Licença Pública Geral GNU (GPL), versão 3 ou posterior (GPL-3.0-or-later), publicada pela "
                "Free Software Foundation. É distribuído na esperança de ser útil, mas <b>sem nenhuma "
                "garantia</b>. O texto da licença acompanha o programa.</p>"
                "<p>Usa o Qt %3, sob a Licença Pública Geral Menor GNU (LGPL-3.0), e o QCustomPlot (GPL-3.0 ou "
                "posterior). No Windows, os avisos do Qt, das bibliotecas incluídas nele e do QCustomPlot estão em "
                "THIRD-PARTY-NOTICES.txt, ao lado do programa.</p>"
                "<p><b>Código-fonte:</b> o código-fonte completo deste programa, e das bibliotecas incluídas nele, "
                "pode ser obtido em <a href=\"%4\">%4</a>; quem recebeu o programa sem ele pode pedi-lo a quem o "
                "forneceu, por no mínimo três anos.</p>")
            .arg(TUMA_VERSION, controller.toHtmlEscaped(), qVersion(), TUMA_SOURCE_URL),
        &about);
    text->setObjectName("texto");
    text->setWordWrap(true);
    text->setOpenExternalLinks(true);
    text->setTextInteractionFlags(Qt::TextBrowserInteraction);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &about);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &about, &QDialog::accept);
    layout->addWidget(buttons);
    about.setMinimumWidth(460);
    about.exec();
}
