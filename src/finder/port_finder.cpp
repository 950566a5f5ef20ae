#include "finder/port_finder.h"

#include "widgets/menu_action.h"
#include "widgets/screen_fit.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace tuma;

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
} // namespace

PortFinderWindow::PortFinderWindow(const Services& services, QWidget* parent) : QDialog(parent), s(services)
{
    setObjectName("ProcurarForm");
    setWindowTitle("Procurar controlador");
    auto* layout = new QVBoxLayout(this);
    explicacao = new QLabel("Cada porta serial é perguntada pela versão do controlador, como faz o OK da janela da "
                            "porta, e fechada em seguida. Uma porta ocupada por outro programa não é aberta.",
                            this);
    explicacao->setObjectName("explicacao");
    explicacao->setWordWrap(true);
    layout->addWidget(explicacao);
    todas_portas = new QCheckBox("&Todas as portas (também as do próprio computador)", this);
    todas_portas->setObjectName("todas_portas");
    layout->addWidget(todas_portas);
    portas = new QTableWidget(0, 3, this);
    portas->setObjectName("portas");
    portas->setHorizontalHeaderLabels({"Porta", "Adaptador", "Resultado"});
    portas->verticalHeader()->hide();
    portas->setEditTriggers(QAbstractItemView::NoEditTriggers);
    portas->setSelectionBehavior(QAbstractItemView::SelectRows);
    portas->setSelectionMode(QAbstractItemView::SingleSelection);
    portas->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    layout->addWidget(portas, 1);
    andamento = new QLabel(this);
    andamento->setObjectName("andamento");
    layout->addWidget(andamento);
    auto* buttons = new QHBoxLayout();
    procurar = new QPushButton("&Procurar de novo", this);
    procurar->setObjectName("procurar");
    usar = new QPushButton("&Usar esta porta", this);
    usar->setObjectName("usar");
    usar->setDefault(true);
    fechar = new QPushButton("&Fechar", this);
    fechar->setObjectName("fechar");
    buttons->addWidget(procurar);
    buttons->addStretch();
    buttons->addWidget(usar);
    buttons->addWidget(fechar);
    layout->addLayout(buttons);

    connectControls();
    resize(720, 360);
}

void PortFinderWindow::connectControls()
{
    turn = new QTimer(this);
    turn->setSingleShot(true);
    turn->setInterval(0);
    connect(turn, &QTimer::timeout, this, [this] { step(); });
    connect(procurar, &QPushButton::clicked, this, [this] { search(); });
    connect(todas_portas, &QCheckBox::toggled, this, [this] { search(); });
    connect(portas, &QTableWidget::itemSelectionChanged, this, [this] { updateButtons(); });
    connect(portas, &QTableWidget::cellDoubleClicked, this, [this] {
        if (!chosenPort().isEmpty())
            usar->click();
    });
    connect(usar, &QPushButton::clicked, this, [this] {
        const QString port = chosenPort();
        if (port.isEmpty())
            return;
        turn->stop();
        running = false;
        // The port dialog's boxes come over the main window, this one gone.
        hide();
        emit portChosen(port);
    });
    connect(fechar, &QPushButton::clicked, this, [this] { close(); });
}

PortFinderWindow::~PortFinderWindow() = default;

void PortFinderWindow::search()
{
    const std::pair<std::string, std::string> connected
        = s.connected ? s.connected() : std::pair<std::string, std::string>();
    searching = std::make_unique<PortSearch>(s.listPorts ? s.listPorts() : std::vector<PortEntry>(),
                                             todas_portas->isChecked(), s.makePort, s.devicePath, connected.first,
                                             connected.second);
    running = true;
    showProbes();
    turn->start();
}

void PortFinderWindow::step()
{
    if (!searching || !running)
        return;
    andamento->setText("Procurando...");
    if (searching->next()) {
        showProbes();
        turn->start();
        return;
    }
    running = false;
    showProbes();
}

void PortFinderWindow::showProbes()
{
    const std::vector<PortProbe>& probes = searching->probes();
    const QString before = chosenPort();
    portas->setRowCount(static_cast<int>(probes.size()));
    int firstFound = -1;
    for (size_t i = 0; i < probes.size(); ++i) {
        const PortProbe& p = probes[i];
        const bool found = p.result == PortProbe::Result::Answered || p.result == PortProbe::Result::Connected;
        if (found && firstFound < 0)
            firstFound = static_cast<int>(i);
        const QString texts[]
            = {q(p.port.name), p.port.description.empty() ? QString("—") : q(p.port.description), q(probeText(p))};
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            if (found) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            portas->setItem(static_cast<int>(i), c, item);
        }
    }
    portas->resizeColumnToContents(0);
    portas->resizeColumnToContents(1);
    if (before.isEmpty() && firstFound >= 0)
        portas->selectRow(firstFound);
    const size_t found = searching->found().size();
    if (running)
        andamento->setText("Procurando...");
    else if (probes.empty())
        andamento->setText("Nenhuma porta serial neste computador. Confira o cabo e o driver do adaptador.");
    else if (found == 0)
        andamento->setText("Nenhum controlador respondeu. Confira o cabo, a chave ligada e o driver do adaptador.");
    else
        andamento->setText(found == 1 ? "Um controlador respondeu."
                                      : QString("%1 controladores responderam.").arg(found));
    updateButtons();
}

QString PortFinderWindow::chosenPort() const
{
    const QList<QTableWidgetItem*> items = portas->selectedItems();
    if (items.isEmpty() || !searching)
        return {};
    const size_t row = static_cast<size_t>(items.first()->row());
    const std::vector<PortProbe>& probes = searching->probes();
    if (row >= probes.size())
        return {};
    const PortProbe& p = probes[row];
    const bool found = p.result == PortProbe::Result::Answered || p.result == PortProbe::Result::Connected;
    return found ? q(p.port.name) : QString();
}

void PortFinderWindow::updateButtons() { usar->setEnabled(!chosenPort().isEmpty()); }

PortFinder::PortFinder(const Services& services) : s(services)
{
    acao_procurar
        = menuAction(this, "acao_procurar", "Procurar controlador...", QKeySequence(), [this] { procurarClick(); });
}

PortFinder::~PortFinder() = default;

void PortFinder::procurarClick()
{
    if (!shown) {
        shown = std::make_unique<PortFinderWindow>(s.search, s.window);
        connect(shown.get(), &PortFinderWindow::portChosen, this, [this](const QString& port) {
            if (s.use)
                s.use(port);
        });
        fitOnScreen(shown.get(), s.window);
    }
    shown->show();
    shown->raise();
    shown->activateWindow();
    shown->search();
}
