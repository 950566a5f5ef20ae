#include "workshop/history_window.h"

#include "core/block_compare.h"
#include "core/guided_walk.h"
#include "core/parameters.h"
#include "workshop/details_dialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace tuma;
using namespace tuma::history;

namespace {

constexpr int Page = 200;

QString q(const std::string& s) { return QString::fromStdString(s); }

QString when(int64_t at) { return QDateTime::fromSecsSinceEpoch(at).toString("dd/MM/yyyy HH:mm:ss"); }

QString whatHappened(const Entry& e)
{
    QString text = q(kindText(e.kind));
    const std::string outcome = outcomeText(e.outcome);
    if (!outcome.empty())
        text += ": " + q(outcome);
    if ((e.kind == Kind::Mixture || e.kind == Kind::Finding) && !e.detail.empty())
        text += " (" + q(e.detail) + ")";
    return text;
}

QString vehicle(const Entry& e)
{
    const Vehicle& v = e.vehicle;
    if (v.client.empty())
        return q(v.plate);
    return v.plate.empty() ? q(v.client) : q(v.client) + " · " + q(v.plate);
}

QString changedText(const Entry& e)
{
    if (e.kind == Kind::Unwritten)
        return q(e.detail);
    QStringList names;
    for (const std::string& c : e.changed)
        names << q(c);
    return names.join("; ");
}

QString valueText(const BlockRow& row, const std::string& value)
{
    return row.unit.empty() ? q(value) : q(value) + " " + q(row.unit);
}

// The fields, options and lamps of each block given, in one row each.
std::vector<std::vector<BlockRow>> rowsOf(const std::vector<Block>& blocks, char sep)
{
    std::vector<std::vector<BlockRow>> columns;
    for (const Block& b : blocks) {
        std::vector<BlockRow> rows;
        for (BlockRow& r : compareBlocks(b, b, sep))
            if (r.kind != BlockRow::Byte)
                rows.push_back(std::move(r));
        columns.push_back(std::move(rows));
    }
    return columns;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

// What happened, where, and the vehicle's and the result's lines, as rich text.
QString headerOf(const Entry& e)
{
    QString header = QString("<b>%1</b> — %2<br>Porta %3, controlador versão %4, programa versão %5")
                         .arg(when(e.at), whatHappened(e).toHtmlEscaped(), q(e.port).toHtmlEscaped(),
                              q(e.controllerVersion).toHtmlEscaped(), q(e.programVersion).toHtmlEscaped());
    header += vehicleLines(e.vehicle);
    if (e.kind == Kind::GuidedCheck || e.kind == Kind::GuidedCheckInterrupted) {
        for (const tuma::checks::CheckLine& l : tuma::checks::reportFromText(e.detail))
            header += QString("<br>%1 — <b>%2</b>%3")
                          .arg(q(l.title).toHtmlEscaped(), q(l.state).toHtmlEscaped(),
                               l.detail.empty() ? QString() : " — " + q(l.detail).toHtmlEscaped());
    } else if (e.kind != Kind::Mixture && !e.detail.empty()) {
        header += "<br>" + q(e.detail).toHtmlEscaped();
    }
    return header;
}

} // namespace

QString entryTitle(const Entry& e) { return when(e.at) + " · " + q(kindText(e.kind)); }

HistoryWindow::HistoryWindow(Store& s, char decimalSeparator, QWidget* parent)
    : QWidget(parent, Qt::Window), store(s), sep(decimalSeparator)
{
    setObjectName("HistoricoForm");
    setWindowTitle("Histórico do controlador");
    // Open or not, it never keeps the program running once the main window closes.
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildFilter());
    situacao = new QLabel(this);
    situacao->setObjectName("situacao");
    situacao->setWordWrap(true);
    situacao->setStyleSheet("color: #b00000; font-weight: bold;");
    situacao->hide();
    layout->addWidget(situacao);

    auto* split = new QSplitter(Qt::Vertical, this);
    buildList(split);
    split->addWidget(lista);
    split->addWidget(buildDetail());
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    layout->addWidget(split, 1);

    auto* bottom = new QHBoxLayout();
    contagem = new QLabel(this);
    contagem->setObjectName("contagem");
    mais_antigos = button(this, "mais_antigos", "Mais antigos");
    abrir_copia = button(this, "abrir_copia", "Abrir cópia do histórico...");
    bottom->addWidget(contagem, 1);
    bottom->addWidget(mais_antigos);
    bottom->addWidget(abrir_copia);
    layout->addLayout(bottom);
    if (store.isCopy()) {
        // Another PC's or another day's history: looked at, never written.
        setWindowTitle("Histórico do controlador — cópia: " + QFileInfo(q(store.path())).fileName());
        abrir_copia->hide();
    }

    connectControls();
    resize(1000, 680);
}

void HistoryWindow::buildList(QWidget* parent)
{
    lista = new QTableWidget(0, 6, parent);
    lista->setObjectName("lista");
    lista->setHorizontalHeaderLabels(
        {"Data e hora", "O que houve", "Cliente e placa", "Porta", "Versão", "Campos alterados"});
    lista->verticalHeader()->hide();
    lista->verticalHeader()->setDefaultSectionSize(lista->fontMetrics().height() + 8);
    lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lista->setSelectionBehavior(QAbstractItemView::SelectRows);
    lista->setSelectionMode(QAbstractItemView::SingleSelection);
    lista->horizontalHeader()->setSectionResizeMode(5, QHeaderView::Stretch);
}

void HistoryWindow::connectControls()
{
    typing = new QTimer(this);
    typing->setSingleShot(true);
    typing->setInterval(150);
    connect(typing, &QTimer::timeout, this, [this] { load(false); });
    connect(filtro, &QLineEdit::textChanged, typing, qOverload<>(&QTimer::start));
    connect(periodo, &QCheckBox::toggled, this, [this](bool on) {
        de->setEnabled(on);
        ate->setEnabled(on);
        load(false);
    });
    connect(de, &QDateEdit::dateChanged, this, [this] { load(false); });
    connect(ate, &QDateEdit::dateChanged, this, [this] { load(false); });
    connect(mais_antigos, &QPushButton::clicked, this, [this] { load(true); });
    connect(lista, &QTableWidget::itemSelectionChanged, this, [this] { showSelected(); });
    connect(comparar, &QPushButton::clicked, this, [this] {
        if (selected())
            emit compareRequested(*selected());
    });
    connect(salvar, &QPushButton::clicked, this, [this] {
        if (selected())
            emit saveRequested(*selected());
    });
    connect(ficha, &QPushButton::clicked, this, [this] {
        if (selected())
            emit sheetRequested(*selected());
    });
    connect(anotar, &QPushButton::clicked, this, [this] {
        if (selected())
            emit annotateRequested(*selected());
    });
    connect(abrir_copia, &QPushButton::clicked, this, &HistoryWindow::openCopyRequested);
}

QWidget* HistoryWindow::buildFilter()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel("&Procurar:", bar);
    filtro = new QLineEdit(bar);
    filtro->setObjectName("filtro");
    filtro->setPlaceholderText("placa, cliente ou palavras das observações");
    filtro->setClearButtonEnabled(true);
    label->setBuddy(filtro);
    periodo = new QCheckBox("Pe&ríodo de", bar);
    periodo->setObjectName("periodo");
    de = new QDateEdit(QDate::currentDate().addMonths(-1), bar);
    de->setObjectName("de");
    ate = new QDateEdit(QDate::currentDate(), bar);
    ate->setObjectName("ate");
    for (QDateEdit* d : {de, ate}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat("dd/MM/yyyy");
        d->setEnabled(false);
    }
    row->addWidget(label);
    row->addWidget(filtro, 1);
    row->addWidget(periodo);
    row->addWidget(de);
    row->addWidget(new QLabel("até", bar));
    row->addWidget(ate);
    return bar;
}

QWidget* HistoryWindow::buildDetail()
{
    auto* pane = new QWidget(this);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    cabecalho = new QLabel("Escolha um registro na lista.", pane);
    cabecalho->setObjectName("cabecalho");
    cabecalho->setWordWrap(true);
    cabecalho->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(cabecalho);
    detalhe = new QTableWidget(0, 2, pane);
    detalhe->setObjectName("detalhe");
    detalhe->setHorizontalHeaderLabels({"Campo", "Valor"});
    detalhe->verticalHeader()->hide();
    detalhe->verticalHeader()->setDefaultSectionSize(detalhe->fontMetrics().height() + 6);
    detalhe->setEditTriggers(QAbstractItemView::NoEditTriggers);
    detalhe->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    layout->addWidget(detalhe, 1);
    auto* buttons = new QHBoxLayout();
    comparar = button(pane, "comparar", "&Comparar com o controlador");
    salvar = button(pane, "salvar", "&Salvar como arquivo...");
    ficha = button(pane, "ficha", "&Imprimir ficha");
    anotar = button(pane, "anotar", "&Anotar...");
    buttons->addStretch();
    for (QPushButton* b : {comparar, salvar, ficha, anotar})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    updateButtons();
    return pane;
}

Filter HistoryWindow::filterNow() const
{
    Filter f;
    f.text = filtro->text().trimmed().toStdString();
    if (periodo->isChecked()) {
        f.from = QDateTime(de->date(), QTime(0, 0)).toSecsSinceEpoch();
        f.to = QDateTime(ate->date().addDays(1), QTime(0, 0)).toSecsSinceEpoch();
    }
    f.limit = Page;
    return f;
}

void HistoryWindow::refresh() { load(false); }

void HistoryWindow::load(bool more)
{
    Filter f = filterNow();
    if (more && !rows.empty())
        f.olderThan = rows.back().id;
    const int64_t keepId = selected() ? selected()->id : 0;
    std::vector<Entry> page = store.list(f);
    if (!more) {
        rows.clear();
        lista->setRowCount(0);
    }
    mais_antigos->setEnabled(static_cast<int>(page.size()) == Page);
    for (Entry& e : page) {
        rows.push_back(std::move(e));
        addRow(rows.back());
    }
    for (size_t r = 0; r < rows.size(); ++r)
        if (rows[r].id == keepId)
            lista->selectRow(static_cast<int>(r));
    lista->resizeColumnsToContents();
    lista->horizontalHeader()->setSectionResizeMode(5, QHeaderView::Stretch);
    contagem->setText(QString("%1 registros mostrados de %2 no histórico (%3)")
                          .arg(rows.size())
                          .arg(store.count())
                          .arg(QDir::toNativeSeparators(q(store.path()))));
    showProblem();
    showSelected();
}

void HistoryWindow::addRow(const Entry& e)
{
    const int r = lista->rowCount();
    lista->insertRow(r);
    const QString texts[]
        = {when(e.at), whatHappened(e), vehicle(e), q(e.port), q(e.controllerVersion), changedText(e)};
    const bool bad = e.outcome != Outcome::Done && e.outcome != Outcome::Verified;
    for (int c = 0; c < 6; ++c) {
        auto* item = new QTableWidgetItem(texts[c]);
        if (bad)
            item->setForeground(QColor(176, 0, 0));
        lista->setItem(r, c, item);
    }
}

void HistoryWindow::setNews(const QString& text)
{
    news = text;
    showProblem();
}

void HistoryWindow::showProblem()
{
    QString text = q(troubleText(store.trouble()));
    if (!news.isEmpty())
        text = text.isEmpty() ? news : news + "\n" + text;
    if (store.lost() > 0)
        text += QString("%1%2 %3 não %4 ser guardado%5 no histórico desde que o programa foi aberto.")
                    .arg(text.isEmpty() ? "" : "\n")
                    .arg(store.lost())
                    .arg(store.lost() == 1 ? "registro" : "registros")
                    .arg(store.lost() == 1 ? "pôde" : "puderam")
                    .arg(store.lost() == 1 ? "" : "s");
    situacao->setText(text);
    situacao->setVisible(!text.isEmpty());
}

const Entry* HistoryWindow::selected() const
{
    const QList<QTableWidgetItem*> items = lista->selectedItems();
    if (items.isEmpty())
        return nullptr;
    const size_t r = static_cast<size_t>(items.first()->row());
    return r < rows.size() ? &rows[r] : nullptr;
}

void HistoryWindow::setCanCompare(bool can)
{
    canCompare = can;
    updateButtons();
}

void HistoryWindow::updateButtons()
{
    const Entry* e = selected();
    const bool block = e && restorable(*e);
    comparar->setEnabled(block && canCompare);
    comparar->setToolTip(canCompare ? QString() : QString("Ligue o controlador com \"Configurar\" para comparar."));
    salvar->setEnabled(block);
    ficha->setEnabled(block);
    anotar->setEnabled(e && !store.newerLayout() && !store.isCopy());
}

void HistoryWindow::showSelected()
{
    updateButtons();
    const Entry* e = selected();
    detalhe->setRowCount(0);
    if (!e) {
        cabecalho->setText("Escolha um registro na lista.");
        detalhe->setColumnCount(2);
        detalhe->setHorizontalHeaderLabels({"Campo", "Valor"});
        return;
    }
    cabecalho->setText(headerOf(*e));

    showBlocks(*e);
}

// The blocks the entry keeps, side by side: before, sent, after.
void HistoryWindow::showBlocks(const Entry& e)
{
    QStringList titles{"Campo"};
    std::vector<Block> blocks;
    const bool unwritten = e.kind == Kind::Unwritten;
    const std::pair<const std::optional<Block>*, const char*> kept[]
        = {{&e.before, "Antes"},
           {&e.sent, unwritten ? "Digitado (não gravado)" : "Enviado"},
           {&e.block, e.sent ? "Lido de volta" : "No controlador"}};
    for (const auto& [b, title] : kept)
        if (*b) {
            blocks.push_back(**b);
            titles << title;
        }
    const std::vector<std::vector<BlockRow>> columns = rowsOf(blocks, sep);
    detalhe->setColumnCount(titles.size());
    detalhe->setHorizontalHeaderLabels(titles);
    if (columns.empty())
        return;
    detalhe->setRowCount(static_cast<int>(columns[0].size()));
    for (size_t r = 0; r < columns[0].size(); ++r) {
        bool differs = false;
        detalhe->setItem(static_cast<int>(r), 0, new QTableWidgetItem(q(columns[0][r].caption)));
        for (size_t c = 0; c < columns.size(); ++c) {
            differs = differs || columns[c][r].after != columns[0][r].after;
            detalhe->setItem(static_cast<int>(r), static_cast<int>(c + 1),
                             new QTableWidgetItem(valueText(columns[c][r], columns[c][r].after)));
        }
        if (differs)
            for (int c = 0; c < detalhe->columnCount(); ++c)
                detalhe->item(static_cast<int>(r), c)->setBackground(QColor(255, 236, 179));
    }
    for (int c = 1; c < detalhe->columnCount(); ++c)
        detalhe->resizeColumnToContents(c);
}
