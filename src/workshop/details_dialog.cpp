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
    DetailsDialog(QWidget* parent, const QString& title, const QString& note, const VehicleDetails& d) : QDialog(parent)
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
    VehicleDetails details() const
    {
        return {client->text().trimmed(), plate->text().trimmed(), notes->text().trimmed()};
    }

private:
    QLineEdit* field(const char* name, const QString& text, int maxLength)
    {
        auto* e = new QLineEdit(text, this);
        e->setObjectName(name);
        e->setMaxLength(maxLength);
        return e;
    }
    QLineEdit *client, *plate, *notes;
};

} // namespace

bool QtWorkshopDialogs::askDetails(QWidget* parent, const QString& title, const QString& note, VehicleDetails& details)
{
    DetailsDialog d(parent, title, note, details);
    if (d.exec() != QDialog::Accepted)
        return false;
    details = d.details();
    return true;
}
