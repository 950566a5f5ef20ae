#include "workshop/compare_window.h"

#include "core/block_compare.h"
#include "core/param_file.h"
#include "widgets/screen_fit.h"
#include "workshop/details_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace tuma;

namespace {
QString valueText(const BlockRow& row, const std::string& value)
{
    const QString v = QString::fromStdString(value);
    return row.unit.empty() ? v : v + " " + QString::fromStdString(row.unit);
}

QString captionOf(const BlockRow& row)
{
    if (row.kind == BlockRow::Byte)
        return QString("Byte do endereço %1 (nenhum campo o mostra)").arg(row.address);
    return QString::fromStdString(row.caption);
}
} // namespace

CompareWindow::CompareWindow(QWidget* parent, const QString& fileName, const ParsedFile& file, const Block& controller,
                             const QString& controllerVersion, char sep)
    : QDialog(parent)
{
    setObjectName("CompararForm");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle("Comparar com o controlador");
    auto* layout = new QVBoxLayout(this);
    addHeader(layout, fileName, file.header, controllerVersion);
    addTable(layout, compareBlocks(controller, file.image, sep));
    addButtons(layout);
    resize(660, 660);
    fitOnScreen(this, parent);
}

void CompareWindow::addHeader(QVBoxLayout* layout, const QString& fileName, const FileHeader& h,
                              const QString& controllerVersion)
{
    QString header = QString("<b>Arquivo:</b> %1<br><b>Salvo em:</b> %2, controlador versão %3, porta %4")
                         .arg(fileName.toHtmlEscaped(), QString::fromStdString(h.date).toHtmlEscaped(),
                              QString::fromStdString(h.controllerVersion).toHtmlEscaped(),
                              QString::fromStdString(h.port).toHtmlEscaped());
    header += vehicleLines(h.vehicle);
    cabecalho = new QLabel(header, this);
    cabecalho->setObjectName("cabecalho");
    cabecalho->setWordWrap(true);
    cabecalho->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(cabecalho);

    aviso = new QLabel(this);
    aviso->setObjectName("aviso");
    aviso->setWordWrap(true);
    aviso->setStyleSheet("color: #b00000; font-weight: bold;");
    const QString fileVersion = QString::fromStdString(h.controllerVersion);
    aviso->setText(QString("Atenção: o arquivo foi salvo de um controlador versão %1, e este é versão %2. "
                           "Confira cada valor antes de gravar.")
                       .arg(fileVersion, controllerVersion));
    aviso->setVisible(!controllerVersion.isEmpty() && fileVersion != controllerVersion);
    layout->addWidget(aviso);
}

void CompareWindow::addTable(QVBoxLayout* layout, const std::vector<BlockRow>& rows)
{
    tabela = new QTableWidget(static_cast<int>(rows.size()), 3, this);
    tabela->setObjectName("tabela");
    tabela->setHorizontalHeaderLabels({"Campo", "No controlador", "No arquivo"});
    tabela->verticalHeader()->hide();
    // Every row in view at once on a laptop's screen.
    tabela->verticalHeader()->setDefaultSectionSize(tabela->fontMetrics().height() + 8);
    tabela->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tabela->setSelectionBehavior(QAbstractItemView::SelectRows);
    int differing = 0;
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const BlockRow& row = rows[static_cast<size_t>(r)];
        const QString texts[] = {captionOf(row), valueText(row, row.before), valueText(row, row.after)};
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            if (row.differs && c == 0) {
                // Ticked, the row goes in from the file; unticked, it stays as the
                // controller has it.
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                item->setCheckState(Qt::Checked);
            }
            if (row.differs) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
                item->setBackground(QColor(255, 236, 179));
            }
            tabela->setItem(r, c, item);
        }
        differing += row.differs;
    }
    tabela->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    tabela->resizeColumnToContents(1);
    tabela->resizeColumnToContents(2);
    layout->addWidget(tabela, 1);

    resumo = new QLabel(
        differing == 0
            ? QString("O arquivo tem os mesmos valores que o controlador.")
            : QString("%1 %2 (em destaque).").arg(differing).arg(differing == 1 ? "diferença" : "diferenças"),
        this);
    auto* precision = new QLabel("Os valores do arquivo aparecem como o controlador vai guardá-los "
                                 "(os percentuais em passos de 1/64). Só as diferenças marcadas são gravadas; "
                                 "as desmarcadas ficam como o controlador tem agora.",
                                 this);
    precision->setWordWrap(true);
    layout->addWidget(precision);
}

std::vector<bool> CompareWindow::ticked() const
{
    std::vector<bool> rows;
    bool all = true;
    for (int r = 0; r < tabela->rowCount(); ++r) {
        const QTableWidgetItem* item = tabela->item(r, 0);
        const bool in = !(item->flags() & Qt::ItemIsUserCheckable) || item->checkState() == Qt::Checked;
        rows.push_back(in);
        all = all && in;
    }
    return all ? std::vector<bool>{} : rows;
}

void CompareWindow::addButtons(QVBoxLayout* layout)
{
    resumo->setObjectName("resumo");
    layout->addWidget(resumo);

    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    gravar_controlador = new QPushButton("&Gravar no controlador", this);
    gravar_controlador->setObjectName("gravar_controlador");
    cancelar = new QPushButton("Cancelar", this);
    cancelar->setObjectName("cancelar");
    cancelar->setDefault(true);
    buttons->addWidget(gravar_controlador);
    buttons->addWidget(cancelar);
    layout->addLayout(buttons);
    connect(gravar_controlador, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
}
