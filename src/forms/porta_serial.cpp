#include "forms/porta_serial.h"

#include "core/commands.h"
#include "core/texts.h"
#include "forms/link_trace.h"
#include "widgets/handlers.h"
#include "widgets/message_box.h"

#include <QLineEdit>
#include <QListView>

TForm2::TForm2(const Platform& platform, MessageBoxes& b, QWidget* parent)
    : QDialog(parent), boxes(b), controllerLink(platform.makePort, platform.devicePath), listPorts(platform.listPorts)
{
    setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    move(514, 281);
    installLinkTrace(controllerLink);
    combo_porta->lineEdit()->setMaxLength(static_cast<int>(tuma::Link::MaxPortName));
    combo_porta->setView(new QListView(combo_porta));
    combo_porta->setStyleSheet("QComboBox QAbstractItemView::item { min-height: 17px; }");
    connect(button_OK, &QPushButton::clicked, this, whenEnabled(button_OK, [this] { button_OKClick(); }));
    connect(button_Cancel, &QPushButton::clicked, this, whenEnabled(button_Cancel, [this] { button_CancelClick(); }));
    FormCreate();
}

TForm2::~TForm2() { controllerLink.ClosePort(); }

void TForm2::FormCreate()
{
    const QStringList ports = listPorts ? listPorts() : QStringList();
    for (const QString& name : ports)
        combo_porta->addItem(name);
    if (combo_porta->count() > 0)
        combo_porta->setCurrentIndex(0);
    else
        combo_porta->setEditText(QString());
}

bool TForm2::OpenPort()
{
    if (controllerLink.OpenPort(combo_porta->currentText().toStdString()))
        return true;
    boxes.showMessage("Invalid COMM Port", "Fail");
    // The dialog closes when the OK handler is done, after its own message: closing
    // here would leave that message over the main window alone.
    return false;
}

void TForm2::button_OKClick()
{
    if (!OpenPort()) {
        checked = false;
        boxes.showMessage("Erro ao abrir a Serial", tuma::texts::CommFailureCaption);
    } else {
        tuma::commands::Version version;
        if (tuma::commands::readVersion(controllerLink, version)) {
            checked = true;
            this->version = QString::number(version.major) + "." + QString::number(version.minor);
            port = combo_porta->currentText();
            boxes.showMessage(this->version, "Versão");
        } else {
            checked = false;
            boxes.showMessage(tuma::texts::CommFailure, tuma::texts::CommFailureCaption);
            ClosePort();
        }
    }
    close();
}

void TForm2::button_CancelClick() { close(); }

void TForm2::choosePort(const QString& name)
{
    const int at = combo_porta->findText(name);
    if (at >= 0)
        combo_porta->setCurrentIndex(at);
    else
        combo_porta->setEditText(name);
}
