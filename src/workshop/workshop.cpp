#include "workshop/workshop.h"

#include "core/param_file.h"
#include "core/texts.h"
#include "core/workshop_files.h"
#include "widgets/file_dialogs.h"
#include "widgets/menu_action.h"
#include "widgets/message_box.h"
#include "widgets/screen_fit.h"
#include "workshop/about.h"
#include "workshop/changes_window.h"
#include "workshop/compare_window.h"
#include "workshop/manual_window.h"
#include "workshop/sheet.h"

#include <algorithm>

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace tuma;

namespace {

const char* const FileFilter = "Parâmetros do Tuma (*.tuma)";
const char* const SaveCaption = "Salvar parâmetros";
const char* const OpenCaption = "Abrir parâmetros";

QString nameStampNow() { return QString::fromStdString(files::nameStamp(files::Moment::now())); }

// At most one byte past the limit: enough for the check to refuse the file.
bool readLimited(const QString& path, std::string& text, QString& why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
        return false;
    }
    text = file.read(static_cast<qint64>(MaxFileSize) + 1).toStdString();
    return true;
}

// A file that could not be read or was refused: nothing reached the controller.
QString nothingSent(const QString& shownPath, const QString& why)
{
    return QString("%1:\n%2\n\nNada foi enviado ao controlador.").arg(shownPath, why);
}

QString native(const QString& path) { return QDir::toNativeSeparators(path); }
QString native(const std::string& path) { return native(QString::fromStdString(path)); }

// The windows' side of putting a file back: the comparison window, the confirmation,
// and the copy of the controller's block in the workshop's folder.
class WindowSteps : public PutBackSteps {
public:
    WindowSteps(QWidget* w, const QString& p, const QString& v, char c, const WorkshopFolders& f, MessageBoxes& b,
                std::function<FileHeader(const tuma::Vehicle&)> h,
                std::function<void(const ParsedFile&, const Block&, const Block&)> sending)
        : window(w), shownPath(p), version(v), sep(c), folders(f), boxes(b), header(std::move(h)),
          aboutToSend(std::move(sending))
    {
    }
    bool approve(const ParsedFile& file, const Block& controller) override
    {
        CompareWindow compare(window, shownPath, file, controller, version, sep);
        const bool yes
            = compare.exec() == QDialog::Accepted && boxes.confirm(texts::ConfirmWrite, texts::ConfirmCaption);
        rows = compare.ticked();
        return yes;
    }
    std::vector<bool> ticked() const override { return rows; }
    bool keepBefore(const ParsedFile& file, const Block& controller, const Block& sent, std::string& where,
                    std::string& why) override
    {
        const QString path = WorkshopFolders::unusedPath(
            folders.workshop(), files::beforeWriteName(file.header.vehicle.plate, files::Moment::now()));
        where = path.toStdString();
        QString error;
        if (!folders.write(
                path, QByteArray::fromStdString(formatParameterFile(header(file.header.vehicle), controller)), error)) {
            why = error.toStdString();
            return false;
        }
        aboutToSend(file, controller, sent);
        return true;
    }

private:
    QWidget* window;
    QString shownPath, version;
    char sep;
    const WorkshopFolders& folders;
    MessageBoxes& boxes;
    std::function<FileHeader(const tuma::Vehicle&)> header;
    std::function<void(const ParsedFile&, const Block&, const Block&)> aboutToSend;
    std::vector<bool> rows;
};

} // namespace

Workshop::Workshop(const Services& services) : s(services)
{
    acao_salvar = menuAction(this, "acao_salvar", "Salvar parâmetros do controlador...",
                             QKeySequence(Qt::CTRL | Qt::Key_S), [this] { salvarClick(); });
    acao_abrir = menuAction(this, "acao_abrir", "Abrir parâmetros de arquivo...", QKeySequence(Qt::CTRL | Qt::Key_O),
                            [this] { abrirClick(); });
    acao_ficha = menuAction(this, "acao_ficha", "Imprimir ficha (PDF)...", QKeySequence(Qt::CTRL | Qt::Key_P),
                            [this] { fichaClick(); });
    acao_sobre
        = menuAction(this, "acao_sobre", "Sobre o Tuma Programável...", QKeySequence(), [this] { sobreClick(); });
    acao_alteracoes = menuAction(this, "acao_alteracoes", "Alterações não gravadas...", QKeySequence(),
                                 [this] { alteracoesClick(); });
    acao_manual
        = menuAction(this, "acao_manual", "Manual do técnico", QKeySequence(Qt::Key_F1), [this] { manualClick(); });
    updateActions();
}

void Workshop::updateActions()
{
    acao_salvar->setEnabled(haveLastRead);
    acao_ficha->setEnabled(haveLastRead);
    acao_abrir->setEnabled(link.checked);
}

void Workshop::linkChanged(const LinkFacts& facts)
{
    link = facts;
    updateActions();
}

void Workshop::blockRead(const Block& block)
{
    lastRead = block;
    haveLastRead = true;
    updateActions();
}

void Workshop::programmed(const ProgrammingFacts& facts)
{
    if (facts.action == ProgrammingFacts::Mixture && facts.sent) {
        lastRead[addr::cfg(addr::Mixture)] = facts.mixture;
        return;
    }
    // A reset or a learning procedure changes the controller's memory in ways the
    // block does not know (and a failed request may have got through all the same).
    haveLastRead = false;
    updateActions();
}

FileHeader Workshop::headerNow(const tuma::Vehicle& d) const
{
    FileHeader h = tuma::headerNow(link.controllerVersion, link.port, TUMA_VERSION);
    h.vehicle = d;
    return h;
}

void Workshop::salvarClick()
{
    if (!haveLastRead)
        return;
    tuma::Vehicle d = lastDetails;
    if (!s.dialogs.askDetails(s.window, "Salvar parâmetros do controlador",
                              "Salva os parâmetros lidos do controlador pela última vez com \"Ler\". "
                              "Alterações no formulário que ainda não foram gravadas não entram no arquivo.",
                              d))
        return;
    lastDetails = d;
    saveBlock(lastRead, headerNow(d));
}

void Workshop::saveBlock(const Block& block, const FileHeader& header)
{
    const QString suggested = QDir(s.folders.workshop())
                                  .filePath(QString::fromStdString(files::fileName(
                                      header.vehicle.plate, nameStampNow().toStdString(), files::ParameterExtension)));
    QString path = s.dialogs.saveFileName(s.window, SaveCaption, suggested, FileFilter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += files::ParameterExtension;
    const std::string text = formatParameterFile(header, block);
    QString why;
    if (!s.folders.write(path, QByteArray::fromStdString(text), why)) {
        s.boxes.showMessage(QString("Não foi possível salvar %1:\n%2").arg(native(path), why), SaveCaption);
        return;
    }
    s.boxes.showMessage(QString("Parâmetros salvos em\n%1").arg(native(path)), SaveCaption);
}

void Workshop::abrirClick()
{
    // As "&Gravar ": the entry being typed is checked first, no poll runs while the
    // file goes in, and the monitor runs afterwards.
    if (!link.checked || !s.form.hold())
        return;
    s.form.release(putBackFile());
}

bool Workshop::putBackFile()
{
    const QString path = s.dialogs.openFileName(s.window, OpenCaption, s.folders.workshop(), FileFilter);
    if (path.isEmpty())
        return false;
    std::string text;
    QString why;
    if (!readLimited(path, text, why)) {
        s.boxes.showMessage(nothingSent(native(path), why), OpenCaption);
        return false;
    }
    return putBackChecked(parseParameterFile(text), native(path));
}

void Workshop::putBackBlock(const ParsedFile& file, const QString& shownName)
{
    if (!link.checked || !s.form.hold())
        return;
    s.form.release(putBackChecked(file, shownName));
}

bool Workshop::putBackChecked(const ParsedFile& file, const QString& shownName)
{
    WindowSteps steps(
        s.window, shownName, QString::fromStdString(link.controllerVersion), s.decimalSeparator, s.folders, s.boxes,
        [this](const tuma::Vehicle& d) { return headerNow(d); },
        [this](const ParsedFile& f, const Block& before, const Block& sent) {
            emit putBackSending(f.header, before, sent);
        });
    const PutBackResult r = putBack(s.form.link(), file, steps, s.decimalSeparator);
    if (r.stage != PutBackResult::FileRefused)
        lastDetails = r.file.header.vehicle;
    report(r, shownName);
    emit putBackDone(r);
    return r.readBack();
}

void Workshop::report(const PutBackResult& r, const QString& shownPath)
{
    const QString copy = QString("\n\nO que o controlador tinha antes está em\n%1").arg(native(r.copy));
    switch (r.stage) {
    case PutBackResult::FileRefused:
        s.boxes.showMessage(nothingSent(shownPath, QString::fromStdString(r.error)), OpenCaption);
        return;
    case PutBackResult::ReadFailed:
        s.boxes.showMessage(texts::CommFailure, texts::CommFailureCaption);
        return;
    case PutBackResult::Declined:
        return;
    case PutBackResult::CopyFailed:
        s.boxes.showMessage(QString("Não foi possível salvar a cópia do que o controlador tem (%1):\n%2\n\n"
                                    "Nada foi gravado no controlador.")
                                .arg(native(r.copy), QString::fromStdString(r.error)),
                            OpenCaption);
        return;
    case PutBackResult::Written:
        break;
    }
    switch (r.written.outcome) {
    case VerifiedWrite::Verified:
        s.boxes.showMessage("Verificado: os 25 bytes lidos de volta do controlador são os gravados." + copy,
                            "Gravação");
        return;
    case VerifiedWrite::Differs: {
        QString lines;
        for (const BlockRow& row : r.differing)
            lines += "\n" + QString::fromStdString(mismatchLine(row));
        s.boxes.showMessage("A conferência falhou: o controlador guardou outros valores." + lines + copy,
                            "Falha na conferência");
        return;
    }
    case VerifiedWrite::WriteFailed:
        s.boxes.showMessage(QString(texts::CommFailure)
                                + " na gravação: o controlador pode ter recebido ou não o arquivo." + copy,
                            texts::CommFailureCaption);
        return;
    case VerifiedWrite::ReadBackFailed:
        s.boxes.showMessage(QString(texts::CommFailure) + " na conferência: não se sabe o que o controlador guardou."
                                + copy,
                            texts::CommFailureCaption);
        return;
    }
}

void Workshop::fichaClick()
{
    if (!haveLastRead)
        return;
    tuma::Vehicle d = lastDetails;
    if (!s.dialogs.askDetails(s.window, "Imprimir ficha (PDF)",
                              "A ficha mostra os parâmetros lidos do controlador pela última vez com \"Ler\".", d))
        return;
    lastDetails = d;
    printSheet(lastRead, link, d, QDateTime::currentDateTime(),
               checkLines ? checkLines() : std::vector<tuma::checks::CheckLine>{});
}

void Workshop::printSheet(const Block& block, const LinkFacts& facts, const tuma::Vehicle& d, const QDateTime& when,
                          const std::vector<tuma::checks::CheckLine>& checks)
{
    writeSheet(block, facts, d, when, checks, {}, {});
}

void Workshop::printWalk(const std::vector<tuma::checks::CheckLine>& lines, bool interrupted)
{
    tuma::Vehicle d = lastDetails;
    if (!s.dialogs.askDetails(s.window, "Imprimir resultado (PDF)",
                              "O resultado mostra cada etapa da verificação e os parâmetros lidos com \"Ler\".", d))
        return;
    lastDetails = d;
    printWalkOf(lastRead, link, d, QDateTime::currentDateTime(), lines, interrupted);
}

void Workshop::printWalkOf(const Block& block, const LinkFacts& facts, const tuma::Vehicle& d, const QDateTime& when,
                           const std::vector<tuma::checks::CheckLine>& lines, bool interrupted)
{
    writeSheet(block, facts, d, when, {},
               interrupted ? "Verificação da instalação (interrompida)" : "Verificação guiada da instalação", lines);
}

void Workshop::writeSheet(const Block& block, const LinkFacts& facts, const tuma::Vehicle& d, const QDateTime& when,
                          const std::vector<tuma::checks::CheckLine>& checks, const QString& title,
                          const std::vector<tuma::checks::CheckLine>& walk)
{
    const QString suggested = QDir(s.folders.workshop())
                                  .filePath(QString::fromStdString(
                                      files::fileName(d.plate, nameStampNow().toStdString(), files::SheetExtension)));
    QString path = s.dialogs.saveFileName(s.window, "Salvar ficha", suggested, "Documento PDF (*.pdf)");
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += files::SheetExtension;
    QString why;
    const SheetContent content{block, facts, d, when, s.decimalSeparator, checks, title, walk};
    if (!s.folders.write(path, sheetPdf(content), why)) {
        s.boxes.showMessage(QString("Não foi possível salvar %1:\n%2").arg(native(path), why), "Ficha");
        return;
    }
    if (!s.dialogs.openDocument(path))
        s.boxes.showMessage(
            QString("Ficha salva em\n%1\n\nNenhum programa abriu o PDF; abra-o pelo gerenciador de arquivos.")
                .arg(native(path)),
            "Ficha");
}

void Workshop::sobreClick() { showAbout(s.window, link); }

Workshop::~Workshop()
{
    delete changesList;
    delete manual;
}

void Workshop::formChanged(const FormState& form)
{
    const auto rounded = [this] {
        return std::count_if(changes.begin(), changes.end(),
                             [](const PendingChange& c) { return c.kind == PendingChange::Precision; });
    };
    const auto before = std::make_pair(changes.size(), rounded());
    changes = pendingChanges(form, s.decimalSeparator);
    writable = form.writable;
    if (changesList)
        changesList->showChanges(changes, writable);
    const auto now = std::make_pair(changes.size(), rounded());
    if (now != before)
        emit pendingCountChanged(static_cast<int>(now.first - now.second), static_cast<int>(now.second));
}

void Workshop::alteracoesClick()
{
    if (!changesList) {
        changesList = new ChangesWindow();
        fitOnScreen(changesList, s.window);
    }
    changesList->showChanges(changes, writable);
    changesList->show();
    changesList->raise();
    changesList->activateWindow();
}

void Workshop::manualClick()
{
    if (!manual) {
        manual = new ManualWindow();
        fitOnScreen(manual, s.window);
    }
    manual->show();
    manual->raise();
    manual->activateWindow();
}
