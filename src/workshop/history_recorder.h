#pragma once
// The controller's history, kept without the technician doing anything: it listens to
// what the main window and the workshop tell (each read, write, put-back and
// programming, and the form's edits that no write took) and keeps each in the
// workshop's database before the flow goes on. Its window finds an entry again and
// asks, through its signals, for its block to be compared, written back, saved or
// printed: House hands those to the workshop.
#include "core/events.h"
#include "core/guided_walk.h"
#include "core/installation_checks.h"
#include "core/pending_changes.h"
#include "core/put_back.h"
#include "history/database_place.h"
#include "history/history_store.h"

#include <QObject>

#include "workshop/details_dialog.h"

#include <functional>
#include <memory>

class HistoryWindow;
class QAction;
class QWidget;
class WorkshopDialogs;

class HistoryRecorder : public QObject {
    Q_OBJECT
public:
    struct Services {
        QWidget* window;                        // the main window: the history's window opens over it
        std::function<tuma::Vehicle()> details; // the client and plate typed last
        std::function<bool()> canPutBack;       // a port checked: the comparison can write
        WorkshopDialogs& dialogs;
        QString database;    // where the database belongs, out of the documents
        QString oldDatabase; // where earlier versions kept it: moved from there once
        QString copies;      // the folder of the day's copies
        QString computer;    // in the copies' names
        tuma::history::ReplaceFile replaceFile;
        char decimalSeparator;
    };
    explicit HistoryRecorder(const Services& services);
    ~HistoryRecorder() override;

    QAction* acao_historico;
    void historicoClick();
    HistoryWindow* window() const { return shown.get(); }
    // Opened on first use: a program that never reads creates nothing.
    tuma::history::Store& store();
    // The day's copy for the workshop's backup: at the start when there is none yet,
    // and again (`again`) when the program ends. What goes wrong shows in the window.
    void copyOfTheDay(bool again);
    // "Abrir cópia do histórico...": a copy chosen by the technician, shown read-only.
    void openCopy();
    HistoryWindow* copyWindow() const { return copyShown.get(); }

    // The main window's news.
    void linkChanged(const tuma::LinkFacts& facts);
    void formChanged(const tuma::FormState& form);
    void formReplacing();
    void blockRead(const tuma::Block& block);
    void writing(const tuma::Block& sent);
    void blockWritten(const tuma::WriteFacts& facts);
    void programmed(const tuma::ProgrammingFacts& facts);
    // The workshop's.
    void putBackSending(const tuma::FileHeader& source, const tuma::Block& before, const tuma::Block& sent);
    void putBackDone(const tuma::PutBackResult& result);
    // The installation checks': a finding started or cleared.
    void finding(const tuma::checks::FindingNews& news);
    // The guided check ended: kept with every result, completed or interrupted.
    void guidedCheck(const tuma::checks::WalkReport& report);
    // The program is ending: the form's edits that no write took are kept.
    void leaving();

signals:
    // An entry's block, asked for by the history's window.
    void compareRequested(const tuma::ParsedFile& file, const QString& shownName);
    void saveRequested(const tuma::Block& block, const tuma::FileHeader& header);
    void sheetRequested(const tuma::Block& block, const tuma::LinkFacts& link, const tuma::Vehicle& details,
                        const QDateTime& when);
    void walkPrintRequested(const tuma::Block& block, const tuma::LinkFacts& link, const tuma::Vehicle& details,
                            const QDateTime& when, const std::vector<tuma::checks::CheckLine>& lines, bool interrupted);

private:
    tuma::history::Entry entryNow(tuma::history::Kind kind) const;
    int64_t keep(const tuma::history::Entry& entry);
    void finish(int64_t& pending, const tuma::history::Entry& entry, tuma::history::Outcome outcome,
                const std::optional<tuma::Block>& block);
    void keepUnwritten();
    void annotate(const tuma::history::Entry& entry);
    void connectWindow(HistoryWindow* window);

    Services s;
    std::unique_ptr<tuma::history::Store> db;
    std::unique_ptr<HistoryWindow> shown;
    std::unique_ptr<tuma::history::Store> copyDb;
    std::unique_ptr<HistoryWindow> copyShown;
    // Where the live database is, once an old one was moved (or could not be).
    const std::string& livePath();
    QString news() const;
    bool placed = false;
    std::string live;
    QString troubles[2]; // the database could not be moved; the day's copy could not be made
    tuma::LinkFacts link;
    std::optional<tuma::Block> lastBlock; // what the controller holds, as far as the program knows
    tuma::FormState form;
    // A write kept before it was sent, and its entry, until its outcome is told.
    int64_t writeId = 0, putBackId = 0;
    tuma::history::Entry writeEntry, putBackEntry;
    bool inWrite = false;
};
