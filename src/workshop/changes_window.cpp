#include "workshop/changes_window.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace tuma;

namespace {
QString withUnit(const std::string& value, const std::string& unit)
{
    const QString v = QString::fromStdString(value);
    return unit.empty() ? v : v + " " + QString::fromStdString(unit);
}

const char* noteOf(PendingChange::Kind kind)
{
    switch (kind) {
    case PendingChange::Changed:
        return "alterado no formulário";
    case PendingChange::Precision:
        return "não alterado: a gravação guarda o valor mais próximo (precisão decimal)";
    case PendingChange::Unreadable:
        return "o texto não é um número: \"Gravar\" para neste campo e nada é gravado";
    }
    return "";
}
} // namespace

QString pendingCountText(size_t count)
{
    if (count == 0)
        return {};
    return count == 1 ? QString("1 alteração não gravada") : QString("%1 alterações não gravadas").arg(count);
}

QString pendingCornerText(size_t changes, size_t rounded)
{
    if (changes == 0)
        return {};
    QString text = pendingCountText(changes);
    if (rounded > 0)
        text += rounded == 1 ? QString(" · 1 valor arredondado") : QString(" · %1 valores arredondados").arg(rounded);
    return text;
}

ChangesWindow::ChangesWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName("AlteracoesForm");
    setWindowTitle("Alterações não gravadas");
    setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(this);
    resumo = new QLabel(this);
    resumo->setObjectName("resumo");
    resumo->setWordWrap(true);
    layout->addWidget(resumo);
    tabela = new QTableWidget(0, 4, this);
    tabela->setObjectName("tabela");
    tabela->setHorizontalHeaderLabels({"Campo", "No controlador", "Após \"Gravar\"", "Observação"});
    tabela->verticalHeader()->hide();
    tabela->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tabela->setSelectionMode(QAbstractItemView::NoSelection);
    tabela->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tabela->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tabela->horizontalHeader()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    tabela->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(tabela, 1);
    resize(820, 360);
}

void ChangesWindow::showChanges(const std::vector<PendingChange>& changes, bool writable)
{
    if (!writable)
        resumo->setText("Nenhum bloco lido do controlador: use \"Ler\" antes de gravar.");
    else if (changes.empty())
        resumo->setText("Nada será alterado: \"Gravar\" regrava no controlador exatamente o que ele já tem.");
    else
        resumo->setText(changes.size() == 1
                            ? QString("\"Gravar\" vai mudar 1 valor no controlador:")
                            : QString("\"Gravar\" vai mudar %1 valores no controlador:").arg(changes.size()));
    tabela->setRowCount(static_cast<int>(changes.size()));
    for (int r = 0; r < static_cast<int>(changes.size()); ++r) {
        const PendingChange& c = changes[static_cast<size_t>(r)];
        const QString next = c.kind == PendingChange::Unreadable ? QString("\"%1\"").arg(QString::fromStdString(c.next))
                                                                 : withUnit(c.next, c.unit);
        const QString cells[]
            = {QString::fromStdString(c.caption), withUnit(c.now, c.unit), next, QString::fromUtf8(noteOf(c.kind))};
        for (int col = 0; col < 4; ++col)
            tabela->setItem(r, col, new QTableWidgetItem(cells[col]));
    }
}
