#include "diagnosis/diagnosis_room.h"

#include "core/link.h"
#include "diagnosis/diagnosis_window.h"
#include "diagnosis/guided_walk_window.h"
#include "widgets/menu_action.h"
#include "widgets/screen_fit.h"

#include <QAction>
#include <QScreen>
#include <QWidget>

using namespace tuma;
using namespace tuma::checks;

QString warningsText(int count)
{
    if (count <= 0)
        return {};
    return count == 1 ? QString("1 aviso") : QString("%1 avisos").arg(count);
}

DiagnosisRoom::DiagnosisRoom(const Services& services) : s(services)
{
    steady.start();
    acao_diagnostico = menuAction(this, "acao_diagnostico", "Diagnóstico da instalação...",
                                  QKeySequence(Qt::CTRL | Qt::Key_D), [this] { diagnosticoClick(); });
    acao_verificacao = menuAction(this, "acao_verificacao", "Verificação guiada da instalação...", QKeySequence(),
                                  [this] { verificacaoClick(); });
}

DiagnosisRoom::~DiagnosisRoom() = default;

void DiagnosisRoom::verificacaoClick()
{
    if (!walkShown) {
        walkShown = std::make_unique<GuidedWalkWindow>(s.decimalSeparator);
        GuidedWalkWindow* w = walkShown.get();
        connect(w, &GuidedWalkWindow::ended, this, &DiagnosisRoom::walkEnded);
        connect(w, &GuidedWalkWindow::printRequested, this, &DiagnosisRoom::walkPrintRequested);
        connect(w, &GuidedWalkWindow::stepStarted, this, [this](int step) {
            if (demoWalk)
                demoWalk(step);
        });
        fitOnScreen(w, s.window);
    }
    // Each opening is a new walk, unless one is under way.
    const Walk* walk = walkShown->walk();
    if (!walk || walk->finished() || walk->cancelled() || !walkShown->isVisible())
        walkShown->begin(monitor.currentSettings());
    walkShown->show();
    walkShown->raise();
    walkShown->activateWindow();
}

void DiagnosisRoom::diagnosticoClick()
{
    if (!shown) {
        shown = std::make_unique<DiagnosisWindow>(*this);
        // Below the main window where the screen has room for it, else where it fits.
        fitOnScreen(shown.get(), s.window);
        const QRect main = s.window->frameGeometry();
        if (const QScreen* screen = s.window->screen();
            screen && main.bottom() + 8 + shown->height() + 40 <= screen->availableGeometry().bottom())
            fitOnScreen(shown.get(), s.window, QPoint(main.left(), main.bottom() + 8));
    }
    shown->refresh();
    shown->show();
    shown->raise();
    shown->activateWindow();
}

void DiagnosisRoom::restart()
{
    const Settings kept = monitor.currentSettings();
    monitor.reset();
    monitor.setSettings(kept);
    if (running)
        monitor.linkUp(now());
    if (lastActive != 0) {
        lastActive = 0;
        emit activeCountChanged(0);
    }
    emit judged();
}

std::vector<CheckLine> DiagnosisRoom::lines() const
{
    std::vector<CheckLine> out;
    for (size_t i = 0; i < CheckCount; ++i) {
        const Rule& rule = ruleTable()[i];
        const CheckStatus& st = monitor.status(rule.id);
        CheckLine line{rule.title, stateText(st.state), {}};
        if (st.state == State::Attention)
            line.detail = QString("desde %1: %2")
                              .arg(wallTimeOf(st.sinceMs).toString("HH:mm:ss"), QString::fromUtf8(st.values.data()))
                              .toStdString();
        else if (st.state == State::Waiting)
            line.detail = st.reason.data();
        out.push_back(line);
    }
    return out;
}

QDateTime DiagnosisRoom::wallTimeOf(qint64 ms) const { return QDateTime::currentDateTime().addMSecs(ms - now()); }

void DiagnosisRoom::linkChanged(const LinkFacts&)
{
    // Another port, or the same one checked again: perhaps another car.
    restart();
}

void DiagnosisRoom::blockRead(const Block& block) { monitor.setBlock(block); }

void DiagnosisRoom::formChanged(const FormState& form)
{
    scale = std::atoi(form.scale.c_str());
    if (scale <= 0)
        scale = 1;
}

void DiagnosisRoom::monitorChanged(bool on)
{
    running = on;
    if (on)
        monitor.linkUp(now());
    emit judged();
}

void DiagnosisRoom::polled(const Poll& poll)
{
    if (!poll.ok)
        return;
    const qint64 t = now();
    const Reading reading = readingOf(t, poll.live.data(), scale);
    const size_t n = monitor.add(reading, {s.link.retriedAnswers(), s.link.badAnswers()});
    if (walkShown)
        walkShown->poll(reading);
    for (size_t i = 0; i < n; ++i) {
        const Change& c = monitor.changes()[i];
        const CheckStatus& st = monitor.status(c.id);
        FindingNews news;
        news.id = c.id;
        news.started = c.started;
        news.title = ruleOf(c.id).title;
        news.values = st.values.data();
        news.wallMs = QDateTime::currentMSecsSinceEpoch();
        emit findingChanged(news);
    }
    const int active = static_cast<int>(monitor.active());
    if (active != lastActive) {
        lastActive = active;
        emit activeCountChanged(active);
    }
    emit judged();
}
