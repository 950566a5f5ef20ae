#include "workshop/history_recorder.h"

#include "widgets/menu_action.h"
#include "widgets/screen_fit.h"
#include "workshop/details_dialog.h"
#include "workshop/history_window.h"

#include <QAction>
#include <QDate>
#include <QDateTime>

#include <algorithm>
#include <cstdio>

#include <ctime>

using namespace tuma;
using namespace tuma::history;

namespace {

Outcome outcomeOf(const WriteFacts& f)
{
    if (!f.written)
        return Outcome::WriteFailed;
    if (!f.readBack)
        return Outcome::ReadBackFailed;
    return f.matches() ? Outcome::Verified : Outcome::Differs;
}

Kind kindOf(ProgrammingFacts::Action a)
{
    switch (a) {
    case ProgrammingFacts::Mixture:
        return Kind::Mixture;
    case ProgrammingFacts::Reset:
        return Kind::Reset;
    case ProgrammingFacts::LambdaIdle:
        return Kind::LambdaIdle;
    case ProgrammingFacts::Map:
        return Kind::Map;
    }
    return Kind::Reset;
}

std::string joinedCaptions(const std::vector<PendingChange>& changes)
{
    std::string all;
    for (const PendingChange& c : changes)
        all += (all.empty() ? "" : "; ") + c.caption;
    return all;
}

} // namespace

HistoryRecorder::HistoryRecorder(const Services& services) : s(services)
{
    acao_historico = menuAction(this, "acao_historico", "Histórico do controlador...",
                                QKeySequence(Qt::CTRL | Qt::Key_H), [this] { historicoClick(); });
}

HistoryRecorder::~HistoryRecorder() = default;

const std::string& HistoryRecorder::livePath()
{
    if (!placed) {
        placed = true;
        live = s.database.toStdString();
        if (!s.oldDatabase.isEmpty() && s.replaceFile) {
            const Place place = placeDatabase(live, s.oldDatabase.toStdString(), s.replaceFile);
            live = place.path;
            if (place.failed)
                troubles[0] = QString::fromStdString(place.news);
        }
    }
    return live;
}

Store& HistoryRecorder::store()
{
    if (!db)
        db = std::make_unique<Store>(livePath());
    return *db;
}

void HistoryRecorder::copyOfTheDay(bool again)
{
    if (s.copies.isEmpty() || !s.replaceFile)
        return;
    const CopyResult r = dailyCopy(livePath(), s.copies.toStdString(), s.computer.toStdString(),
                                   QDate::currentDate().toString("yyyy-MM-dd").toStdString(), again, s.replaceFile);
    troubles[1] = r.why.empty() ? QString()
                                : QString("A cópia do dia não pôde ser feita em %1: %2.")
                                      .arg(QString::fromStdString(r.path), QString::fromStdString(r.why));
    if (shown)
        shown->setNews(news());
}

QString HistoryRecorder::news() const
{
    QStringList lines;
    for (const QString& t : troubles)
        if (!t.isEmpty())
            lines << t;
    return lines.join("\n");
}

void HistoryRecorder::openCopy()
{
    QWidget* parent = shown ? static_cast<QWidget*>(shown.get()) : nullptr;
    const QString path
        = s.dialogs.openFileName(parent, "Abrir cópia do histórico", s.copies, "Histórico do Tuma (*.sqlite)");
    if (path.isEmpty())
        return;
    copyShown.reset();
    copyDb = std::make_unique<Store>(path.toStdString(), Store::Opening::CopyToRead);
    copyShown = std::make_unique<HistoryWindow>(*copyDb, s.decimalSeparator);
    connectWindow(copyShown.get());
    fitOnScreen(copyShown.get(), parent);
    copyShown->refresh();
    copyShown->show();
    copyShown->raise();
    copyShown->activateWindow();
}

Entry HistoryRecorder::entryNow(Kind kind) const
{
    Entry e = history::entryNow(kind, link.port, link.controllerVersion, TUMA_VERSION);
    const tuma::Vehicle d = s.details();
    e.vehicle.client = d.client;
    e.vehicle.plate = d.plate;
    return e;
}

int64_t HistoryRecorder::keep(const Entry& entry)
{
    const int64_t id = store().add(entry);
    if (shown)
        shown->refresh();
    return id;
}

void HistoryRecorder::finish(int64_t& pending, const Entry& entry, Outcome outcome, const std::optional<Block>& block)
{
    store().finish(pending, entry, outcome, block);
    pending = 0;
    if (shown)
        shown->refresh();
}

void HistoryRecorder::linkChanged(const LinkFacts& facts)
{
    link = facts;
    for (HistoryWindow* w : {shown.get(), copyShown.get()})
        if (w)
            w->setCanCompare(facts.checked);
}

void HistoryRecorder::formChanged(const FormState& f) { form = f; }

void HistoryRecorder::formReplacing()
{
    if (!inWrite)
        keepUnwritten();
}

void HistoryRecorder::keepUnwritten()
{
    std::vector<PendingChange> typed = pendingChanges(form, s.decimalSeparator);
    // Only the technician's work: a value the precision alone would move is no edit.
    typed.erase(std::remove_if(typed.begin(), typed.end(),
                               [](const PendingChange& c) { return c.kind == PendingChange::Precision; }),
                typed.end());
    if (typed.empty())
        return;
    Entry e = entryNow(Kind::Unwritten);
    e.before = form.image;
    e.sent = formImage(form, s.decimalSeparator); // what "&Gravar " would have sent
    e.formTexts = form.texts;
    e.formTexts.push_back("rpm_cal=" + form.scale);
    e.formTexts.push_back("editFlags=" + std::to_string(form.flags));
    e.detail = joinedCaptions(typed);
    keep(e);
    form = {};
}

void HistoryRecorder::finding(const tuma::checks::FindingNews& news)
{
    Entry e = entryNow(Kind::Finding);
    e.detail = (news.started ? "Atenção: " : "Resolvido: ") + news.title;
    if (!news.values.empty())
        e.detail += " — " + news.values;
    keep(e);
}

void HistoryRecorder::guidedCheck(const tuma::checks::WalkReport& report)
{
    Entry e = entryNow(report.cancelled ? Kind::GuidedCheckInterrupted : Kind::GuidedCheck);
    e.detail = tuma::checks::reportText(tuma::checks::reportLines(report.steps));
    e.block = lastBlock;
    keep(e);
}

void HistoryRecorder::blockRead(const Block& block)
{
    lastBlock = block;
    if (inWrite)
        return; // the write's read-back: blockWritten() tells it
    Entry e = entryNow(Kind::Read);
    e.block = block;
    keep(e);
}

void HistoryRecorder::writing(const Block& sent)
{
    writeEntry = entryNow(Kind::Write);
    writeEntry.before = lastBlock;
    writeEntry.sent = sent;
    writeEntry.outcome = Outcome::Sending;
    writeId = keep(writeEntry);
    inWrite = true;
    form = {}; // the edits go out with it
}

void HistoryRecorder::blockWritten(const WriteFacts& facts)
{
    inWrite = false;
    std::optional<Block> back;
    if (facts.readBack)
        back = facts.back;
    else
        lastBlock.reset(); // unknown what it holds
    finish(writeId, writeEntry, outcomeOf(facts), back);
}

void HistoryRecorder::programmed(const ProgrammingFacts& facts)
{
    Entry e = entryNow(kindOf(facts.action));
    e.before = lastBlock;
    e.outcome = !facts.sent ? Outcome::NotAnswered
        : (facts.action == ProgrammingFacts::LambdaIdle || facts.action == ProgrammingFacts::Map) && !facts.finished
        ? Outcome::NotFinished
        : Outcome::Done;
    if (facts.action == ProgrammingFacts::Mixture) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "%02X", facts.mixture);
        e.detail = "Porc. Etanol " + std::to_string(facts.share * 25) + " %, byte " + byte + " no endereço 3";
        if (facts.sent && lastBlock) {
            (*lastBlock)[addr::cfg(addr::Mixture)] = facts.mixture;
            e.block = lastBlock;
        }
    } else {
        // A reset or a learning procedure changes the memory in ways no block tells.
        lastBlock.reset();
    }
    keep(e);
}

void HistoryRecorder::putBackSending(const FileHeader& source, const Block& before, const Block& sent)
{
    putBackEntry = entryNow(Kind::PutBack);
    if (!source.vehicle.plate.empty() || !source.vehicle.client.empty()) {
        putBackEntry.vehicle.client = source.vehicle.client;
        putBackEntry.vehicle.plate = source.vehicle.plate;
    }
    putBackEntry.detail = "de " + (source.date.empty() ? std::string("?") : source.date)
        + (source.port.empty() ? "" : ", porta " + source.port);
    putBackEntry.before = before;
    putBackEntry.sent = sent;
    putBackEntry.outcome = Outcome::Sending;
    lastBlock = before;
    putBackId = keep(putBackEntry);
}

void HistoryRecorder::putBackDone(const PutBackResult& r)
{
    if (r.stage != PutBackResult::Written)
        return; // nothing was sent: the history keeps no entry
    lastBlock = r.backBlock();
    finish(putBackId, putBackEntry, outcomeOf(r.written), lastBlock);
}

void HistoryRecorder::leaving() { keepUnwritten(); }

void HistoryRecorder::connectWindow(HistoryWindow* w)
{
    connect(w, &HistoryWindow::compareRequested, this,
            [this](const Entry& e) { emit compareRequested(fileOf(e), "Histórico: " + entryTitle(e)); });
    connect(w, &HistoryWindow::saveRequested, this,
            [this](const Entry& e) { emit saveRequested(*restorable(e), fileOf(e).header); });
    connect(w, &HistoryWindow::sheetRequested, this, [this](const Entry& e) {
        const LinkFacts link{true, e.port, e.controllerVersion};
        const QDateTime when = QDateTime::fromSecsSinceEpoch(e.at);
        if (e.kind == Kind::GuidedCheck || e.kind == Kind::GuidedCheckInterrupted)
            emit walkPrintRequested(*restorable(e), link, e.vehicle, when, tuma::checks::reportFromText(e.detail),
                                    e.kind == Kind::GuidedCheckInterrupted);
        else
            emit sheetRequested(*restorable(e), link, e.vehicle, when);
    });
    connect(w, &HistoryWindow::annotateRequested, this, [this](const Entry& e) { annotate(e); });
    connect(w, &HistoryWindow::openCopyRequested, this, [this] { openCopy(); });
    w->setCanCompare(s.canPutBack());
}

void HistoryRecorder::historicoClick()
{
    if (!shown) {
        shown = std::make_unique<HistoryWindow>(store(), s.decimalSeparator);
        connectWindow(shown.get());
        shown->setNews(news());
        fitOnScreen(shown.get(), s.window);
    }
    shown->setCanCompare(s.canPutBack());
    shown->refresh();
    shown->show();
    shown->raise();
    shown->activateWindow();
}

void HistoryRecorder::annotate(const Entry& e)
{
    tuma::Vehicle d = e.vehicle;
    if (!s.dialogs.askDetails(shown.get(), "Anotar no histórico",
                              "O cliente, a placa e as observações ficam guardados com este registro do histórico.", d))
        return;
    store().annotate(e.id, d);
    shown->refresh();
}
