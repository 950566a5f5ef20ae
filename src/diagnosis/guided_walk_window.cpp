#include "diagnosis/guided_walk_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace tuma::checks;

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

QString number(double v, int decimals, char sep) { return QString::number(v, 'f', decimals).replace('.', QChar(sep)); }

} // namespace

GuidedWalkWindow::GuidedWalkWindow(char decimalSeparator, QWidget* parent)
    : QWidget(parent, Qt::Window), sep(decimalSeparator)
{
    setObjectName("VerificacaoGuiadaForm");
    setWindowTitle("Verificação guiada da instalação");
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    etapa = new QLabel(this);
    etapa->setObjectName("etapa");
    QFont big = etapa->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    etapa->setFont(big);
    instrucao = new QLabel(this);
    instrucao->setObjectName("instrucao");
    instrucao->setWordWrap(true);
    valores = new QLabel(this);
    valores->setObjectName("valores");
    progresso = new QProgressBar(this);
    progresso->setObjectName("progresso");
    progresso->setRange(0, 100);
    situacao = new QLabel(this);
    situacao->setObjectName("situacao");
    for (QWidget* w : {static_cast<QWidget*>(etapa), static_cast<QWidget*>(instrucao), static_cast<QWidget*>(valores),
                       static_cast<QWidget*>(progresso), static_cast<QWidget*>(situacao)})
        layout->addWidget(w);
    resultados = new QTableWidget(0, 3, this);
    resultados->setObjectName("resultados");
    resultados->setHorizontalHeaderLabels({"Resultado", "Situação", "O que conferir"});
    resultados->verticalHeader()->hide();
    resultados->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultados->setWordWrap(true);
    resultados->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    resultados->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    layout->addWidget(resultados, 1);
    resumo = new QLabel(this);
    resumo->setObjectName("resumo");
    resumo->setWordWrap(true);
    layout->addWidget(resumo);
    layout->addLayout(buildButtons());
    resize(900, 620);
}

QHBoxLayout* GuidedWalkWindow::buildButtons()
{
    auto* buttons = new QHBoxLayout();
    pular = button(this, "pular", "&Pular etapa");
    cancelar = button(this, "cancelar", "&Cancelar verificação");
    recomecar = button(this, "recomecar", "&Recomeçar");
    imprimir = button(this, "imprimir", "&Imprimir resultado (PDF)...");
    buttons->addWidget(pular);
    buttons->addWidget(cancelar);
    buttons->addStretch();
    buttons->addWidget(recomecar);
    buttons->addWidget(imprimir);
    connect(pular, &QPushButton::clicked, this, [this] {
        if (current) {
            current->skip();
            refresh(nullptr);
        }
    });
    connect(cancelar, &QPushButton::clicked, this, [this] {
        if (current && !current->finished()) {
            current->cancel();
            end();
        }
    });
    connect(recomecar, &QPushButton::clicked, this, [this] {
        if (current && !current->finished() && !current->cancelled()) {
            current->cancel();
            end();
        }
        begin(settings);
    });
    connect(imprimir, &QPushButton::clicked, this, [this] {
        if (current)
            emit printRequested(current->report());
    });
    return buttons;
}

GuidedWalkWindow::~GuidedWalkWindow() = default;

void GuidedWalkWindow::begin(const Settings& s)
{
    settings = s;
    current = std::make_unique<Walk>(settings, sep);
    stepShown = 99;
    reported = false;
    resultados->setRowCount(0);
    resumo->clear();
    valores->setText("Aguardando os valores instantâneos: conecte com Config. e use Ler na janela principal.");
    refresh(nullptr);
}

void GuidedWalkWindow::poll(const Reading& r)
{
    if (!current || current->finished() || current->cancelled())
        return;
    current->add(r);
    refresh(&r);
}

void GuidedWalkWindow::refresh(const Reading* r)
{
    const Walk& w = *current;
    const bool over = w.finished() || w.cancelled();
    const size_t step = static_cast<size_t>(w.current());
    if (!over && step != stepShown) {
        stepShown = step;
        emit stepStarted(static_cast<int>(step));
    }
    if (!over) {
        etapa->setText(QString("Etapa %1 de %2: %3").arg(step + 1).arg(StepCount).arg(stepInfo(w.current()).title));
        instrucao->setText(stepInfo(w.current()).instruction);
    }
    if (r)
        valores->setText(QString("Rotação %1 rpm · MAP %2 V · Temperatura %3 °C · Sonda %4 mV · Injeção %5 ms")
                             .arg(number(r->rpm, 0, sep), number(r->mapVolts, 2, sep), number(r->celsius, 0, sep))
                             .arg(r->lambdaMv)
                             .arg(number(r->injectionMs, 2, sep)));
    progresso->setValue(over ? 100 : static_cast<int>(w.progress() * 100));
    situacao->setText(q(w.status()));
    const std::vector<CheckLine> lines = reportLines(w.results());
    if (resultados->rowCount() != static_cast<int>(lines.size())) {
        resultados->setRowCount(static_cast<int>(lines.size()));
        for (size_t i = 0; i < lines.size(); ++i) {
            const QString texts[] = {q(lines[i].title), q(lines[i].state), q(lines[i].detail)};
            for (int c = 0; c < 3; ++c) {
                auto* item = new QTableWidgetItem(texts[c]);
                if (lines[i].state != "OK")
                    item->setForeground(lines[i].state == markText(WalkResult::Attention) ? QColor(176, 0, 0)
                                                                                          : QColor(110, 110, 110));
                resultados->setItem(static_cast<int>(i), c, item);
            }
        }
        resultados->resizeColumnToContents(1);
        resultados->resizeRowsToContents();
        resultados->scrollToBottom();
    }
    pular->setEnabled(!over);
    cancelar->setEnabled(!over);
    imprimir->setEnabled(over);
    if (over)
        end();
}

void GuidedWalkWindow::end()
{
    const Walk& w = *current;
    etapa->setText(w.cancelled() ? "Verificação interrompida" : "Verificação concluída");
    instrucao->setText(w.cancelled() ? "A verificação foi cancelada; o que foi medido até aqui fica no histórico."
                                     : "Todas as etapas foram feitas; o resultado fica no histórico.");
    int attention = 0, unchecked = 0;
    for (const CheckLine& l : reportLines(w.results())) {
        attention += l.state == markText(WalkResult::Attention);
        unchecked += l.state == markText(WalkResult::NotChecked);
    }
    resumo->setText(attention == 0 && unchecked == 0 && !w.cancelled()
                        ? "Nenhum problema encontrado na instalação."
                        : QString("%1 resultado(s) com Atenção, %2 não verificado(s).").arg(attention).arg(unchecked));
    pular->setEnabled(false);
    cancelar->setEnabled(false);
    imprimir->setEnabled(true);
    progresso->setValue(100);
    if (!reported) {
        reported = true;
        emit ended(w.report());
    }
}

void GuidedWalkWindow::closeEvent(QCloseEvent* event)
{
    // Closing the window in the middle of a walk ends it: what was measured is kept.
    if (current && !current->finished() && !current->cancelled()) {
        current->cancel();
        end();
    }
    QWidget::closeEvent(event);
}
