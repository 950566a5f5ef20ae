#pragma once
// The workshop's tasks beside the form: the block as last read saved into a parameter
// file, a file put back through the comparison window with a verified write, the
// settings sheet as a PDF, and the About box. It learns what the main window did from
// the window's signals, and reaches the controller only to put a file back, while the
// window holds its monitor.
#include "core/events.h"
#include "core/installation_checks.h"
#include "core/pending_changes.h"
#include "core/put_back.h"
#include "workshop/details_dialog.h"

#include <QDateTime>
#include <QList>
#include <QObject>

#include <functional>
#include <vector>

class ChangesWindow;
class ManualWindow;
class MessageBoxes;
class QAction;
class QWidget;
class WorkshopFolders;
namespace tuma {
class Link;
}

// What a put-back needs of the window that owns the form and the monitor.
class FormAccess {
public:
    virtual ~FormAccess() = default;
    // Checks the entry being typed and stops the monitor; false when the entry was
    // refused: then nothing more happens.
    virtual bool hold() = 0;
    // Starts the monitor again, filling the form from the controller first when `reread`.
    virtual void release(bool reread) = 0;
    virtual tuma::Link& link() = 0;
};

class Workshop : public QObject {
    Q_OBJECT
public:
    struct Services {
        QWidget* window; // the dialogs' parent
        FormAccess& form;
        WorkshopDialogs& dialogs;
        MessageBoxes& boxes;
        const WorkshopFolders& folders;
        char decimalSeparator;
    };
    explicit Workshop(const Services& services);
    ~Workshop() override;

    // The items, each greyed while it cannot act; their shortcuts act where the
    // composition adds them.
    QAction* acao_salvar;
    QAction* acao_abrir;
    QAction* acao_ficha;
    QAction* acao_sobre;
    QAction* acao_alteracoes;
    QAction* acao_manual;
    QList<QAction*> actions() const
    {
        return {acao_salvar, acao_abrir, acao_ficha, acao_sobre, acao_alteracoes, acao_manual};
    }

    void salvarClick();
    void abrirClick();
    void fichaClick();
    void sobreClick();
    void alteracoesClick();
    void manualClick();

    // What the next "&Gravar " would change, as the form stood when last told.
    const std::vector<tuma::PendingChange>& pending() const { return changes; }
    ChangesWindow* changesWindow() const { return changesList; }
    ManualWindow* manualWindow() const { return manual; }

    // A block kept elsewhere (the history's) saved as a parameter file, printed as a
    // sheet, or put back through the comparison window, as the items do with the
    // block last read and a file.
    void saveBlock(const tuma::Block& block, const tuma::FileHeader& header);
    // The guided check's result in print: the vehicle asked as for the sheet, the
    // parameters as last read.
    void printWalk(const std::vector<tuma::checks::CheckLine>& lines, bool interrupted);
    void printWalkOf(const tuma::Block& block, const tuma::LinkFacts& link, const tuma::Vehicle& details,
                     const QDateTime& when, const std::vector<tuma::checks::CheckLine>& lines, bool interrupted);
    void printSheet(const tuma::Block& block, const tuma::LinkFacts& link, const tuma::Vehicle& details,
                    const QDateTime& when, const std::vector<tuma::checks::CheckLine>& checks = {});
    void putBackBlock(const tuma::ParsedFile& file, const QString& shownName);
    bool canPutBack() const { return link.checked; }
    // The window the workshop's dialogs and windows open from.
    QWidget* window() const { return s.window; }
    // The header a file saved now carries.
    tuma::FileHeader headerNow(const tuma::Vehicle& d) const;

    // The installation checks as they stand, for the sheet printed from the form.
    void useCheckLines(std::function<std::vector<tuma::checks::CheckLine>()> lines) { checkLines = std::move(lines); }

    // What the technician typed last, or what the file opened last said.
    const tuma::Vehicle& details() const { return lastDetails; }

    // The main window's news.
    void linkChanged(const tuma::LinkFacts& facts);
    void blockRead(const tuma::Block& block);
    void programmed(const tuma::ProgrammingFacts& facts);
    void formChanged(const tuma::FormState& form);

signals:
    // How many changes the next "&Gravar " would make: the technician's (and texts
    // that would stop it), and the values it would only round.
    void pendingCountChanged(int changes, int rounded);
    // A put-back is about to be written (its copy of the controller's block is kept):
    // what the controller holds and what it will get.
    void putBackSending(const tuma::FileHeader& source, const tuma::Block& before, const tuma::Block& sent);
    // A file went through the put-back flow (whatever its end).
    void putBackDone(const tuma::PutBackResult& result);

private:
    void writeSheet(const tuma::Block& block, const tuma::LinkFacts& link, const tuma::Vehicle& details,
                    const QDateTime& when, const std::vector<tuma::checks::CheckLine>& checks, const QString& title,
                    const std::vector<tuma::checks::CheckLine>& walk);
    void updateActions();
    void report(const tuma::PutBackResult& r, const QString& shownPath);
    // The put-back itself; true when the controller was written and read back.
    bool putBackFile();
    bool putBackChecked(const tuma::ParsedFile& file, const QString& shownName);

    Services s;
    tuma::LinkFacts link;
    // The block as the last successful "&Ler " found it, with a mixture the
    // programming dialog stored since: never the form's unsaved edits.
    tuma::Block lastRead{};
    bool haveLastRead = false;
    tuma::Vehicle lastDetails;
    std::vector<tuma::PendingChange> changes;
    bool writable = false;
    ChangesWindow* changesList = nullptr;
    ManualWindow* manual = nullptr;
    std::function<std::vector<tuma::checks::CheckLine>()> checkLines;
};
