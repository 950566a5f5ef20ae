#include "workshop/sheet.h"

#include "core/parameters.h"
#include "core/texts.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

using namespace tuma;

namespace {
QString orDash(const std::string& s) { return s.empty() ? QString("—") : QString::fromStdString(s); }

const QColor Ink(20, 20, 20);
const QColor Muted(100, 100, 100);
const QColor Rule(180, 180, 180);
const QColor Band(232, 238, 247);

// Draws top to bottom on the page, in device pixels at the writer's resolution.
class Page {
public:
    Page(QPainter& p, int width) : width(width), p(p) { }

    QFont font(double points, bool bold = false, const char* family = "Arial") const
    {
        QFont f(family);
        f.setPointSizeF(points);
        f.setBold(bold);
        return f;
    }
    void text(const QString& s, const QFont& f, const QColor& color = Ink, int indent = 0)
    {
        p.setFont(f);
        p.setPen(color);
        const QRect r(indent, y, width - indent, 10000);
        const QRect used = p.boundingRect(r, Qt::TextWordWrap, s);
        p.drawText(r, Qt::TextWordWrap, s);
        y += used.height();
    }
    void space(double lines) { y += static_cast<int>(lines * QFontMetrics(font(10), p.device()).height()); }
    void rule()
    {
        p.setPen(QPen(Rule, 3));
        p.drawLine(0, y, width, y);
        y += 20;
    }
    // A section title on a light band.
    void section(const QString& title)
    {
        space(0.6);
        const QFont f = font(11, true);
        const int h = QFontMetrics(f, p.device()).height() + 24;
        p.fillRect(QRect(0, y, width, h), Band);
        p.setFont(f);
        p.setPen(Ink);
        p.drawText(QRect(20, y, width - 40, h), Qt::AlignVCenter | Qt::AlignLeft, title);
        y += h + 10;
    }
    // A table row: the cells at the given fractions of the width.
    void row(const QStringList& cells, const std::vector<double>& at, const QFont& f, bool shaded = false)
    {
        const int h = QFontMetrics(f, p.device()).height() + 14;
        if (shaded)
            p.fillRect(QRect(0, y, width, h), QColor(247, 247, 247));
        p.setFont(f);
        p.setPen(Ink);
        for (int i = 0; i < cells.size(); ++i) {
            const int x = static_cast<int>(at[static_cast<size_t>(i)] * width) + 20;
            const int right = i + 1 < cells.size() ? static_cast<int>(at[static_cast<size_t>(i) + 1] * width) : width;
            p.drawText(QRect(x, y, right - x - 20, h), Qt::AlignVCenter | Qt::AlignLeft, cells[i]);
        }
        y += h;
    }
    int y = 0;
    const int width;

private:
    QPainter& p;
};

QString capitalized(const char* s)
{
    QString t = QString::fromUtf8(s);
    if (!t.isEmpty())
        t[0] = t[0].toUpper();
    return t;
}

// The parameters, the options and the learning procedures, as the form shows them.
void drawBlock(Page& page, const SheetContent& c)
{
    const std::vector<double> two = {0.0, 0.22};
    page.section("Parâmetros (valores lidos do controlador)");
    const std::vector<double> four = {0.0, 0.30, 0.70, 0.85};
    page.row({"Grupo", "Parâmetro", "Valor", "Unidade"}, four, page.font(9, true, "Arial"));
    bool shade = false;
    auto parameterRow = [&](const Parameter& p) {
        const QString caption = QString::fromUtf8(p.caption);
        const int slash = caption.indexOf(" / ");
        page.row({caption.left(slash), caption.mid(slash + 3),
                  QString::fromStdString(shownText(p, c.block, "1", c.decimalSeparator)), QString::fromUtf8(p.unit)},
                 four, page.font(10), shade);
        shade = !shade;
    };
    for (const char* name : ReadOrder)
        parameterRow(*parameterNamed(name));
    parameterRow(idleSpeed());
    const uint8_t flags = c.block[addr::cfg(addr::OptionFlags)];
    page.section("Opções");
    shade = false;
    for (const OptionBit& o : Options) {
        page.row({QString::fromUtf8(o.caption), capitalized(flags & o.bit ? texts::Yes : texts::No)}, two,
                 page.font(10), shade);
        shade = !shade;
    }
    page.section("Procedimentos de aprendizagem");
    page.row({"Sonda / RPM", flags & bits::LambdaIdleLearned ? "Aprendido" : "Não aprendido"}, two, page.font(10));
    page.row({"Sensor MAP", flags & bits::MapLearned ? "Aprendido" : "Não aprendido"}, two, page.font(10), true);
}

// The checks' or the guided check's lines: a finding in bold.
void checkRows(Page& page, const QString& title, const std::vector<tuma::checks::CheckLine>& lines,
               const std::vector<double>& columns, double points)
{
    page.section(title);
    bool shade = false;
    for (const tuma::checks::CheckLine& line : lines) {
        page.row({QString::fromStdString(line.title), QString::fromStdString(line.state),
                  QString::fromStdString(line.detail)},
                 columns, page.font(points, line.state != "OK" && line.state != "Aguardando"), shade);
        shade = !shade;
    }
}

void drawVehicle(Page& page, const SheetContent& c)
{
    page.section("Veículo");
    const std::vector<double> two = {0.0, 0.22};
    const auto shown
        = [](const std::string& text) { return text.empty() ? QString("—") : QString::fromStdString(text); };
    page.row({"Cliente", shown(c.vehicle.client)}, two, page.font(10));
    page.row({"Placa", shown(c.vehicle.plate).toUpper()}, two, page.font(10, true));
    // The notes may take several lines: their caption stands at the first.
    const int notesTop = page.y;
    page.y += 7;
    page.text(shown(c.vehicle.notes), page.font(10), Ink, static_cast<int>(0.22 * page.width) + 20);
    const int notesBottom = page.y + 7;
    page.y = notesTop;
    page.row({"Observações"}, two, page.font(10));
    page.y = std::max(page.y, notesBottom);
    page.space(0.3);
}

// The raw bytes, the technician's signature and what the sheet shows.
void drawEnd(Page& page, const SheetContent& c)
{
    page.space(0.6);
    QString hex;
    for (size_t i = 0; i < addr::ConfigCount; ++i)
        hex += QString("%1 ").arg(c.block[i], 2, 16, QChar('0')).toUpper();
    page.text("Bytes dos endereços 1 a 25: " + hex.trimmed(), page.font(7, false, "Courier New"), Muted);

    page.space(2.2);
    page.rule();
    page.row({"Técnico: ______________________________", "Assinatura: ______________________________"}, {0.0, 0.5},
             page.font(10));
    page.space(0.3);
    page.text("Gerado pelo Tuma Programável. Os valores são os do controlador no momento da leitura; "
              "alterações feitas depois não aparecem nesta ficha.",
              page.font(8), Muted);
}

} // namespace

QByteArray sheetPdf(const SheetContent& c)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter pdf(&buffer);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setResolution(300);
    pdf.setPageMargins(QMarginsF(16, 14, 16, 14), QPageLayout::Millimeter);
    const QString title = c.title.isEmpty() ? QString("Ficha de parâmetros do controlador Tuma") : c.title;
    pdf.setTitle(title);
    pdf.setCreator(QString("Tuma Programável %1").arg(TUMA_VERSION));

    QPainter painter(&pdf);
    const int width = painter.viewport().width();
    Page page(painter, width);

    page.text(title, page.font(18, true));
    page.text(QString("Tuma Programável %1  ·  controlador versão %2  ·  porta %3  ·  %4")
                  .arg(TUMA_VERSION, orDash(c.link.controllerVersion), orDash(c.link.port),
                       c.when.toString("dd/MM/yyyy HH:mm")),
              page.font(9.5), Muted);
    page.space(0.4);
    page.rule();

    drawVehicle(page, c);

    if (!c.walk.empty()) {
        checkRows(page, "Resultados, etapa por etapa", c.walk, {0.0, 0.60, 0.72}, 7.5);
        page.space(0.3);
    }

    drawBlock(page, c);

    if (!c.checks.empty())
        checkRows(page, "Verificação da instalação", c.checks, {0.0, 0.42, 0.56}, 8);

    drawEnd(page, c);
    painter.end();
    return bytes;
}
