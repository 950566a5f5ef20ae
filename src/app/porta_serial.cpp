#include "porta_serial.h"

#include "application.h"
#include "core/memory_map.h"
#include "link_trace.h"
#include "message_box.h"

#include <QLineEdit>
#include <QListView>

TForm2::TForm2(const Platform& platform, QWidget* parent)
    : QDialog(parent), link(platform.makePort), listPorts(platform.listPorts)
{
    setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    move(514, 281);
    installLinkTrace(link);
    combo_porta->lineEdit()->setMaxLength(static_cast<int>(tuma::Link::MaxPortName));
    combo_porta->setView(new QListView(combo_porta));
    combo_porta->setStyleSheet("QComboBox QAbstractItemView::item { min-height: 17px; }");
    connect(button_OK, &QPushButton::clicked, this, whenEnabled(button_OK, [this] { button_OKClick(); }));
    connect(button_Cancel, &QPushButton::clicked, this, whenEnabled(button_Cancel, [this] { button_CancelClick(); }));
    FormCreate();
}

TForm2::~TForm2() { link.ClosePort(); }

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
    if (link.OpenPort(combo_porta->currentText().toStdString()))
        return true;
    showMessage("Invalid COMM Port", "Fail");
    // The dialog closes when the OK handler is done, after its own message: closing
    // here would leave that message over the main window alone.
    return false;
}

void TForm2::button_OKClick()
{
    if (!OpenPort()) {
        link.linkChecked = false;
        showMessage("Erro ao abrir a Serial", "Falha");
    } else {
        uint8_t version[2] = {0, 0};
        if (Exchange(tuma::cmd::GetVersion, 1, 1, version)) {
            link.linkChecked = true;
            showMessage(QString::number(version[0]) + "." + QString::number(version[1]), "Versão");
        } else {
            link.linkChecked = false;
            showMessage("Falha na Comunicação", "Falha");
            ClosePort();
        }
    }
    close();
}

void TForm2::button_CancelClick() { close(); }
