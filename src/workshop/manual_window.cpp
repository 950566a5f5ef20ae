#include "workshop/manual_window.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

QString manualHtml()
{
    QFile f(":/manual/manual.html");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

ManualWindow::ManualWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName("ManualForm");
    setWindowTitle("Manual do técnico — Tuma Programável");
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout();
    auto* label = new QLabel("&Buscar:", this);
    busca = new QLineEdit(this);
    busca->setObjectName("busca");
    busca->setPlaceholderText("palavra ou mensagem, por exemplo: Falha na Comunicação");
    busca->setClearButtonEnabled(true);
    label->setBuddy(busca);
    auto* next = new QPushButton("&Próxima", this);
    resultado = new QLabel(this);
    resultado->setObjectName("resultado");
    bar->addWidget(label);
    bar->addWidget(busca, 1);
    bar->addWidget(next);
    bar->addWidget(resultado);
    layout->addLayout(bar);

    auto* split = new QSplitter(this);
    indice = new QListWidget(split);
    indice->setObjectName("indice");
    texto = new QTextBrowser(split);
    texto->setObjectName("texto");
    texto->setOpenExternalLinks(true);
    texto->setSearchPaths({":/manual"});
    texto->setHtml(manualHtml());
    // The contents: every section heading with an anchor, in order.
    const QRegularExpression heading("<h([23]) id=\"([^\"]+)\">(.*?)</h\\1>");
    for (auto it = heading.globalMatch(manualHtml()); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        auto* item = new QListWidgetItem((m.captured(1) == "3" ? "    " : "")
                                             + QTextDocumentFragment::fromHtml(m.captured(3)).toPlainText(),
                                         indice);
        item->setData(Qt::UserRole, m.captured(2));
    }
    connect(indice, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { texto->scrollToAnchor(item->data(Qt::UserRole).toString()); });
    split->setStretchFactor(1, 1);
    split->setSizes({240, 660});
    layout->addWidget(split, 1);
    const auto search = [this] {
        resultado->setText(busca->text().isEmpty() || find(busca->text()) ? QString() : QString("não encontrado"));
    };
    connect(busca, &QLineEdit::returnPressed, this, search);
    connect(next, &QPushButton::clicked, this, search);
    resize(960, 720);
}

bool ManualWindow::find(const QString& text)
{
    if (texto->find(text))
        return true;
    // From the top again.
    texto->moveCursor(QTextCursor::Start);
    return texto->find(text);
}
