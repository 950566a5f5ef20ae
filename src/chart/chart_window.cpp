#include "chart/chart_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

const char* const ChartTitle = "Gráfico dos Valores Instantâneos";

ChartWindow::ChartWindow(const QString& title, Qt::TimeSpec clock, double initialSpan, char decimalSeparator)
    : sep(decimalSeparator), span(initialSpan)
{
    setObjectName("GraficoForm");
    setWindowFlags(Qt::Window);
    // Closing the main window still ends the program, with this one open or not.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(title);

    auto* layout = new QVBoxLayout(this);
    bar = new QHBoxLayout();
    bar->addWidget(new QLabel("Janela:", this));
    janela = new QComboBox(this);
    janela->setObjectName("janela");
    for (const auto& [text, seconds] : {std::pair{"30 s", 30}, std::pair{"60 s", 60}, std::pair{"2 min", 120},
                                        std::pair{"10 min", 600}, std::pair{"tudo", 0}})
        janela->addItem(text, seconds);
    janela->setCurrentIndex(janela->findData(static_cast<int>(span)));
    connect(janela, qOverload<int>(&QComboBox::activated), this,
            [this](int i) { setSpan(janela->itemData(i).toDouble()); });
    bar->addWidget(janela);
    bar->addStretch();
    abrir_registro = new QPushButton("&Abrir registro...", this);
    abrir_registro->setObjectName("abrir_registro");
    connect(abrir_registro, &QPushButton::clicked, this, [this] { emit openLogRequested(); });
    bar->addWidget(abrir_registro);
    layout->addLayout(bar);

    plot = new ChartLanes(this, clock);
    connect(plot, &ChartLanes::cursorAt, this, [this](double t) { leitura->setText(readoutAt(t)); });
    layout->addWidget(plot, 1);

    leitura = new QLabel(" ", this);
    leitura->setObjectName("leitura");
    leitura->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(leitura);
    resize(900, 720);
}

void ChartWindow::add(double t, bool ok, const LaneValues& values, int marker)
{
    plot->add(t, ok, values, marker);
    markers = std::max(markers, marker);
}

void ChartWindow::setSpan(double seconds)
{
    span = seconds;
    const int i = janela->findData(static_cast<int>(seconds));
    if (i >= 0)
        janela->setCurrentIndex(i);
    showSpan();
    redraw();
}

void ChartWindow::markFinding(const FindingMark& mark)
{
    plot->markFinding(mark);
    ++findingMarks;
    redraw();
}

void ChartWindow::redraw()
{
    follow();
    plot->redraw();
}

void ChartWindow::drawNow()
{
    follow();
    plot->drawNow();
}
