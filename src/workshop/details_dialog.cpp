#include "workshop/details_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

class DetailsDialog : public QDialog {
public:
    DetailsDialog(QWidget* parent, const QString& title, const QString& note, const tuma::Vehicle& d) : QDialog(parent)
    {
        setWindowTitle(title);
        setObjectName("DadosForm");
        setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
        auto* layout = new QVBoxLayout(this);
        auto* text = new QLabel(note, this);
        text->setWordWrap(true);
        layout->addWidget(text);
        auto* form = new QFormLayout();
        client = field("cliente", d.client, 80);
        plate = field("placa", d.plate, 10);
        notes = field("observacoes", d.notes, 200);
        form->addRow("&Cliente:", client);
        form->addRow("&Placa:", plate);
        form->addRow("&Observações:", notes);
        layout->addLayout(form);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Cancel)->setText("Cancelar");
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        layout->addWidget(buttons);
        setMinimumWidth(420);
    }
    tuma::Vehicle details() const
    {
        return {client->text().trimmed().toStdString(), plate->text().trimmed().toStdString(),
                notes->text().trimmed().toStdString()};
    }

private:
    QLineEdit* field(const char* name, const std::string& text, int maxLength)
    {
        auto* e = new QLineEdit(QString::fromStdString(text), this);
        e->setObjectName(name);
        e->setMaxLength(maxLength);
        return e;
    }
    QLineEdit *client, *plate, *notes;
};

} // namespace

QString vehicleLines(const tuma::Vehicle& v)
{
    QString lines;
    for (const tuma::VehicleField& f : tuma::VehicleFields)
        if (const std::string& value = v.*f.member; !value.empty())
            lines += QString("<br><b>%1:</b> %2")
                         .arg(QString::fromUtf8(f.caption), QString::fromStdString(value).toHtmlEscaped());
    return lines;
}

bool QtWorkshopDialogs::askDetails(QWidget* parent, const QString& title, const QString& note, tuma::Vehicle& details)
{
    DetailsDialog d(parent, title, note, details);
    if (d.exec() != QDialog::Accepted)
        return false;
    details = d.details();
    return true;
}
