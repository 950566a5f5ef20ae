// "Procurar controlador...": the ports listed with their answers, the PC's own port
// asked only when every port is, and the port chosen checked exactly as the port
// dialog's OK checks one: the same request, the same box, the same buttons enabled.
#include "support/widget_harness.h"

#include "finder/port_finder.h"
#include "forms/porta_serial.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

using namespace tuma;
using namespace tuma::test;

namespace {

class Finder : public Windows {
protected:
    PortFinderWindow* open()
    {
        action("acao_procurar")->trigger();
        PortFinderWindow* w = house->finder().window();
        EXPECT_NE(w, nullptr);
        EXPECT_TRUE(waitUntil([w] { return w->finished(); }));
        return w;
    }
    static QStringList row(PortFinderWindow* w, int r)
    {
        return {w->portas->item(r, 0)->text(), w->portas->item(r, 1)->text(), w->portas->item(r, 2)->text()};
    }
};

} // namespace

TEST_F(Finder, TheControllerFoundIsCheckedAsTheDialogsOkChecksIt)
{
    PortFinderWindow* w = open();
    ASSERT_EQ(w->portas->rowCount(), 2);
    EXPECT_EQ(
        row(w, 0),
        QStringList({"ttyS0", "—",
                     QString::fromUtf8("porta do próprio computador: não procurada (marque \"Todas as portas\")")}));
    EXPECT_EQ(row(w, 1), QStringList({"DEMO", "—", QString::fromUtf8("respondeu: controlador versão 2.5")}));
    EXPECT_EQ(w->andamento->text(), "Um controlador respondeu.");
    EXPECT_EQ(portsMade, 1) << "ttyS0 not opened";
    ASSERT_EQ(controller.frames.size(), 1u);
    EXPECT_EQ(controller.frames[0].command, cmd::GetVersion);
    EXPECT_TRUE(w->usar->isEnabled()) << "the port that answered is the one chosen";
    EXPECT_FALSE(MainForm->ler->isEnabled());

    controller.frames.clear();
    boxes.shown.clear();
    w->usar->click();
    EXPECT_FALSE(w->isVisible());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "2.5");
    EXPECT_EQ(boxes.shown[0].caption, QString::fromUtf8("Versão"));
    ASSERT_EQ(controller.frames.size(), 1u) << "the dialog's own version request, once";
    EXPECT_EQ(controller.frames[0].command, cmd::GetVersion);
    EXPECT_TRUE(Form2->linkChecked());
    EXPECT_EQ(Form2->checkedPort(), "DEMO");
    EXPECT_EQ(Form2->combo_porta->currentText(), "DEMO");
    EXPECT_TRUE(MainForm->ler->isEnabled());
    EXPECT_TRUE(MainForm->prog->isEnabled());

    // Searching again: the port this program holds is said, not opened again.
    const int before = portsMade;
    w = open();
    EXPECT_EQ(row(w, 1)[2], QString::fromUtf8("já conectada neste programa: controlador versão 2.5"));
    EXPECT_EQ(portsMade, before);
}

TEST_F(Finder, EveryPortWhenTickedAndNothingFoundSaysWhatToCheck)
{
    ports = {"ttyS0", "COM7"};
    PortFinderWindow* w = open();
    EXPECT_EQ(
        w->andamento->text(),
        QString::fromUtf8("Nenhum controlador respondeu. Confira o cabo, a chave ligada e o driver do adaptador."));
    EXPECT_FALSE(w->usar->isEnabled());
    w->todas_portas->setChecked(true);
    ASSERT_TRUE(waitUntil([w] { return w->finished(); }));
    EXPECT_EQ(row(w, 0)[2], QString::fromUtf8("não pôde ser aberta"));
    EXPECT_EQ(row(w, 1)[2], QString::fromUtf8("não pôde ser aberta"));
    EXPECT_FALSE(w->usar->isEnabled());
    EXPECT_TRUE(boxes.shown.empty()) << "a search shows no error box";
    EXPECT_FALSE(Form2->linkChecked());
}
