#include "diagnosis/diagnosis_window.h"

#include "core/installation_checks.h"
#include "core/memory_map.h"
#include "diagnosis/diagnosis_room.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace tuma::checks;

namespace {
const QColor AttentionInk(170, 20, 20);
const QColor AttentionBand(255, 232, 228);
const QColor OkInk(20, 120, 40);
const QColor WaitingInk(110, 110, 110);

QString decimal(double v, int places) { return QString::number(v, 'f', places).replace('.', ','); }

QString minutesText(int64_t ms)
{
    const int64_t s = ms / 1000;
    return s < 60 ? QString("%1 s").arg(s) : QString("%1 min %2 s").arg(s / 60).arg(s % 60, 2, 10, QChar('0'));
}
} // namespace

DiagnosisWindow::DiagnosisWindow(DiagnosisRoom& r) : QWidget(nullptr, Qt::Window), room(r)
{
    setObjectName("DiagnosisWindow");
    setWindowTitle("Diagnóstico da instalação");
    // A window beside the form: it never keeps the program running on its own.
    setAttribute(Qt::WA_QuitOnClose, false);

    buildTable();

    valores = new QLabel(this);
    valores->setObjectName("valores");
    valores->setTextFormat(Qt::RichText);
    valores->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    valores->setWordWrap(true);

    situacao = new QLabel(this);
    situacao->setObjectName("situacao");
    situacao->setWordWrap(true);
    recomecar = new QPushButton("&Recomeçar", this);
    recomecar->setObjectName("recomecar");
    recomecar->setToolTip("Esquece o que foi visto até agora e começa a verificar de novo (outro carro).");
    connect(recomecar, &QPushButton::clicked, this, [this] { room.restart(); });

    auto* page = new QVBoxLayout(this);
    page->addWidget(valores);
    page->addWidget(verificacoes, 1);
    page->addLayout(buildBar());
    resize(1120, 600);
    connect(&room, &DiagnosisRoom::judged, this, [this] {
        if (isVisible())
            refresh();
    });
}

void DiagnosisWindow::buildTable()
{
    verificacoes = new QTableWidget(static_cast<int>(CheckCount), 4, this);
    verificacoes->setObjectName("verificacoes");
    verificacoes->setHorizontalHeaderLabels({"Verificação", "Situação", "Desde", "O que conferir"});
    verificacoes->verticalHeader()->hide();
    verificacoes->setEditTriggers(QAbstractItemView::NoEditTriggers);
    verificacoes->setSelectionBehavior(QAbstractItemView::SelectRows);
    verificacoes->setWordWrap(true);
    verificacoes->horizontalHeader()->setStretchLastSection(true);
    verificacoes->setColumnWidth(0, 250);
    verificacoes->setColumnWidth(1, 250);
    verificacoes->setColumnWidth(2, 64);
    verificacoes->setTextElideMode(Qt::ElideNone);
    for (size_t i = 0; i < CheckCount; ++i) {
        const Rule& rule = ruleTable()[i];
        auto* title = new QTableWidgetItem(QString::fromUtf8(rule.title));
        title->setToolTip(QString("Verificada com: %1").arg(QString::fromUtf8(rule.judgedWhen)));
        verificacoes->setItem(static_cast<int>(i), 0, title);
        for (int c = 1; c < 4; ++c)
            verificacoes->setItem(static_cast<int>(i), c, new QTableWidgetItem);
    }
}

QHBoxLayout* DiagnosisWindow::buildBar()
{
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(situacao, 1);
    defeito_simulado = nullptr;
    if (!room.demoFaults().captions.isEmpty()) {
        auto* label = new QLabel("&Defeito simulado (porta DEMO):", this);
        defeito_simulado = new QComboBox(this);
        defeito_simulado->setObjectName("defeito_simulado");
        defeito_simulado->addItems(room.demoFaults().captions);
        label->setBuddy(defeito_simulado);
        connect(defeito_simulado, qOverload<int>(&QComboBox::activated), this,
                [this](int i) { room.demoFaults().choose(i); });
        bottom->addWidget(label);
        bottom->addWidget(defeito_simulado);
    }
    bottom->addWidget(recomecar);
    return bottom;
}

void DiagnosisWindow::refresh()
{
    bool rowsChanged = false;
    for (size_t i = 0; i < CheckCount; ++i)
        rowsChanged = showCheck(i) || rowsChanged;
    showValues();
    showSituation();
    if (rowsChanged)
        verificacoes->resizeRowsToContents();
}

bool DiagnosisWindow::showCheck(size_t i)
{
    const Monitor& m = room.checks();
    bool changed = false;
    const Rule& rule = ruleTable()[i];
    const CheckStatus& st = m.status(rule.id);
    const int row = static_cast<int>(i);
    QString state = QString::fromUtf8(stateText(st.state));
    QString since, what = QString::fromUtf8(rule.whatToCheck);
    QColor ink = OkInk, band = QColor(Qt::transparent);
    if (st.state == State::Attention) {
        since = room.wallTimeOf(st.sinceMs).toString("HH:mm:ss");
        what = QString("%1. %2").arg(QString::fromUtf8(st.values.data()), what);
        ink = AttentionInk;
        band = AttentionBand;
    } else if (st.state == State::Waiting) {
        state += ": " + QString::fromUtf8(st.reason.data());
        ink = WaitingInk;
    }
    for (int c = 0; c < 4; ++c)
        verificacoes->item(row, c)->setBackground(band);
    QTableWidgetItem* s = verificacoes->item(row, 1);
    if (s->text() != state) {
        s->setText(state);
        changed = true;
    }
    s->setForeground(ink);
    QFont f = s->font();
    f.setBold(st.state == State::Attention);
    s->setFont(f);
    if (verificacoes->item(row, 2)->text() != since)
        verificacoes->item(row, 2)->setText(since);
    if (verificacoes->item(row, 3)->text() != what) {
        changed = true;
        verificacoes->item(row, 3)->setText(what);
        verificacoes->item(row, 3)->setToolTip(what);
    }
    return changed;
}

void DiagnosisWindow::showValues()
{
    const Monitor& m = room.checks();
    const Engine& e = m.measurements();
    const Reading& r = e.now();
    const Settings& set = m.currentSettings();
    QString probe = !set.known ? "parâmetros não lidos"
        : !set.probe           ? "Lambda Lenta desligada"
        : set.wideband         ? "banda larga"
                               : "comum";
    QStringList rows;
    const auto row = [&rows](const QString& name, const QString& value) {
        rows << QString("%1 <b>%2</b>").arg(name.toHtmlEscaped(), value.toHtmlEscaped());
    };
    row("Rotação", QString("%1 rpm (escala %2)").arg(r.rpm, 0, 'f', 0).arg(r.scale));
    row("Injeção", decimal(r.injectionMs, 1) + " ms");
    row("Temperatura", QString("%1 °C").arg(r.celsius, 0, 'f', 0));
    row("MAP", decimal(r.mapVolts, 2) + " V");
    row("Sonda", QString("%1 mV").arg(r.lambdaMv));
    row("Correção", QString("%1 %").arg(tuma::p64LiveDecode(r.correction)));
    const QString live = rows.join(" &nbsp;·&nbsp; ");
    rows.clear();
    row("Motor", e.running() ? "funcionando há " + minutesText(e.runningForMs()) : QString("desligado"));
    row("Aquecido a partir de", QString("%1 °C").arg(set.warmCelsius));
    row("MAP com o motor desligado",
        e.engineOffMap() < 0 ? QString("não lido")
                             : decimal(tuma::mapVolts(static_cast<uint8_t>(e.engineOffMap())), 2) + " V");
    row("Sonda configurada", probe);
    row("Respostas repetidas (1 min)", QString::number(e.linkTrouble()));
    const QString text = live + "<br>" + rows.join(" &nbsp;·&nbsp; ");
    if (valores->text() != text)
        valores->setText(text);
}

void DiagnosisWindow::showSituation()
{
    const Monitor& m = room.checks();
    const int active = static_cast<int>(m.active());
    QString status;
    if (!room.monitoring())
        status = "O monitor está parado: as verificações continuam quando os valores instantâneos voltarem (use Ler).";
    else if (active == 0)
        status = "Nenhum aviso. As verificações em \"Aguardando\" dizem o que falta para serem feitas.";
    else
        status = QString("%1: veja \"O que conferir\" na linha em vermelho.").arg(warningsText(active));
    if (situacao->text() != status)
        situacao->setText(status);
}
