// The menu bar over the main window: its menus and shortcuts, the form under it pixel
// for pixel where it was, the form's accelerators untouched, the corner's texts, and
// the list of what the next "&Gravar " would change.
#include "support/widget_harness.h"

#include "app/menu_bar.h"
#include "chart/chart_room.h"
#include "core/parameters.h"
#include "widgets/message_box.h"
#include "workshop/changes_window.h"
#include "workshop/workshop.h"

#include <QAccessible>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>

#include <map>

using namespace tuma;
using namespace tuma::test;

namespace {

class MenuBar : public Windows {
protected:
    void beforeCreate() override
    {
        // 10 s, a lambda adjust time whose byte survives a write; the factory's 50 s
        // does not (it comes back as 49 s), and would be listed after every read.
        controller.memory[addr::AdjustTime] = 48;
    }
    MainMenuBar& bar() { return house->menuBar(); }
    Workshop& workshop() { return house->workshop(); }
    std::vector<std::string> changeRows() const
    {
        std::vector<std::string> rows;
        for (const PendingChange& c : house->workshop().pending())
            rows.push_back(c.caption + ": " + c.now + " -> " + c.next
                           + (c.kind == PendingChange::Precision        ? " (precisão)"
                                  : c.kind == PendingChange::Unreadable ? " (texto)"
                                                                        : ""));
        return rows;
    }
    static void typeInto(QLineEdit* field, const char* text) { field->setText(text); }
};

TEST_F(MenuBar, MenusItemsAndShortcuts)
{
    const struct {
        const char* menu;
        const char* title;
        std::vector<std::pair<const char*, const char*>> items; // object name, shortcut; "" a separator
    } menus[] = {
        {"menu_arquivo",
         "&Arquivo",
         {{"acao_salvar", "Ctrl+S"},
          {"acao_abrir", "Ctrl+O"},
          {"acao_ficha", "Ctrl+P"},
          {"acao_historico", "Ctrl+H"},
          {"acao_procurar", ""},
          {"", ""},
          {"acao_sair", ""}}},
        {"menu_exibir",
         "&Exibir",
         {{"acao_grafico", "Ctrl+G"},
          {"acao_diagnostico", "Ctrl+D"},
          {"acao_verificacao", ""},
          {"acao_abrir_registro", ""},
          {"acao_alteracoes", ""}}},
        {"menu_ajuda", "Aj&uda", {{"acao_manual", "F1"}, {"acao_sobre", ""}}},
    };
    ASSERT_EQ(bar().bar()->actions().size(), 3);
    for (const auto& m : menus) {
        QMenu* menu = bar().menu(m.menu);
        ASSERT_NE(menu, nullptr) << m.menu;
        EXPECT_EQ(menu->title(), QString::fromUtf8(m.title));
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(items.size(), static_cast<int>(m.items.size())) << m.menu;
        for (size_t i = 0; i < m.items.size(); ++i) {
            QAction* a = items[static_cast<int>(i)];
            if (*m.items[i].first == '\0') {
                EXPECT_TRUE(a->isSeparator()) << m.menu << " " << i;
                continue;
            }
            EXPECT_EQ(a->objectName(), m.items[i].first);
            EXPECT_EQ(a->shortcut(), QKeySequence(m.items[i].second)) << m.items[i].first;
        }
    }
    // No menu takes a letter of the form's accelerators.
    for (QAction* a : bar().bar()->actions())
        for (const QString letter : {"&C", "&P", "&L", "&G", "&S"})
            EXPECT_FALSE(a->text().contains(letter, Qt::CaseInsensitive)) << a->text().toStdString();
    // The bar is outside the form's tab chain; Sair ends as "&Sair " does.
    EXPECT_EQ(bar().bar()->focusPolicy(), Qt::NoFocus);
    MainForm->show();
    action("acao_sair")->trigger();
    EXPECT_FALSE(MainForm->isVisible());
}

TEST_F(MenuBar, TheFormKeepsEveryControlWhereItWasFromItsOwnCorner)
{
    // The same window without the bar, as the form alone lays it out.
    QtMessageBoxes real;
    TMainForm alone(real);
    std::map<QString, QRect> expected;
    for (QWidget* w : alone.findChildren<QWidget*>())
        if (!w->isWindow() && !w->objectName().isEmpty())
            expected[w->objectName()] = QRect(w->mapTo(&alone, QPoint(0, 0)), w->size());
    ASSERT_GT(expected.size(), 60u);
    QWidget* form = house->formArea();
    for (const auto& [name, rect] : expected) {
        auto* w = form->findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name.toStdString();
        EXPECT_EQ(QRect(w->mapTo(form, QPoint(0, 0)), w->size()), rect) << name.toStdString();
        EXPECT_EQ(w->isHidden(), alone.findChild<QWidget*>(name)->isHidden()) << name.toStdString();
    }
    // The tab order as the form sets it.
    std::vector<QString> chainAlone, chainNow;
    for (QWidget* w = alone.nextInFocusChain(); w != &alone; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            chainAlone.push_back(w->objectName());
    for (QWidget* w = MainForm->nextInFocusChain(); w != MainForm; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            chainNow.push_back(w->objectName());
    EXPECT_EQ(chainNow, chainAlone);
    // Pixel for pixel.
    const QImage before = alone.grab().toImage();
    const QImage now = MainForm->grab(form->geometry()).toImage();
    EXPECT_EQ(now, before);
}

// Runs `action` once `window` shows (a button's accelerator clicks it a moment later).
void whenShown(QWidget* window, std::function<void()> action)
{
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, [poll, window, action] {
        if (!window->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        action();
    });
    poll->start(10);
}

TEST_F(MenuBar, TheFormsAcceleratorsActAsBefore)
{
    MainForm->show();
    MainForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainForm));
    // Alt+C opens the port dialog; OK checks the link.
    whenShown(Form2, [] {
        Form2->combo_porta->setEditText("DEMO");
        Form2->button_OK->click();
    });
    QTest::keyClick(MainForm->windowHandle(), Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(waitUntil([] { return Form2->linkChecked() && !Form2->isVisible(); }));
    // As the window manager gives the window back its keyboard once the dialog is gone.
    MainForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainForm));
    controller.frames.clear();
    QTest::keyClick(MainForm->windowHandle(), Qt::Key_L, Qt::AltModifier);
    EXPECT_TRUE(waitUntil([this] { return !framesOf(cmd::ReadConfig).empty() && MainForm->gravar->isEnabled(); }));
    boxes.answers = {BoxAnswer::No};
    boxes.shown.clear();
    QTest::keyClick(MainForm->windowHandle(), Qt::Key_G, Qt::AltModifier);
    EXPECT_TRUE(waitUntil([this] { return !boxes.shown.empty(); }));
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_EQ(boxes.shown.back(), yesNo("Confirme Gravação dos Dados!!!!", "Aviso"));
    bool programming = false;
    whenShown(ProgramForm, [&] {
        programming = true;
        ProgramForm->button_Cancel->click();
    });
    QTest::keyClick(MainForm->windowHandle(), Qt::Key_P, Qt::AltModifier);
    EXPECT_TRUE(waitUntil([&] { return programming && !ProgramForm->isVisible(); }));
    MainForm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(MainForm));
    QTest::keyClick(MainForm->windowHandle(), Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(waitUntil([] { return !MainForm->isVisible(); }));
}

TEST_F(MenuBar, TheCornerTellsTheLinkTheChangesAndARecording)
{
    EXPECT_EQ(bar().ligacao->text(), QString::fromUtf8("sem conexão"));
    EXPECT_TRUE(bar().alteracoes->isHidden());
    EXPECT_TRUE(bar().gravacao->isHidden());
    connectAndRead();
    EXPECT_EQ(bar().ligacao->text(), QString::fromUtf8("DEMO · versão 2.5"));
    typeInto(MainForm->tempo_partida, "2000");
    MainForm->tempo_partidaExit();
    EXPECT_FALSE(bar().alteracoes->isHidden());
    EXPECT_TRUE(bar().alteracoes->text().contains(QString::fromUtf8("1 alteração não gravada")));
    typeInto(MainForm->limite_corr, "40");
    MainForm->limite_corrExit();
    EXPECT_TRUE(bar().alteracoes->text().contains(QString::fromUtf8("2 alterações não gravadas")));
    // A click on it opens the list.
    emit bar().alteracoes->linkActivated("#");
    ASSERT_NE(workshop().changesWindow(), nullptr);
    EXPECT_TRUE(workshop().changesWindow()->isVisible());
    EXPECT_EQ(workshop().changesWindow()->tabela->rowCount(), 2);
    workshop().changesWindow()->close();

    house->chart().graficoClick();
    QTemporaryDir logs;
    house->chart().chart()->startRecordingTo(QDir(logs.path()).filePath("r.csv"));
    EXPECT_EQ(bar().gravacao->text(), QString::fromUtf8("Gravando registro · 0 linhas"));
    for (int i = 0; i < 3; ++i) {
        clock.advanceMs(500);
        MainForm->Timer_ReadTimer();
    }
    EXPECT_EQ(bar().gravacao->text(), QString::fromUtf8("Gravando registro · 3 linhas"));
    house->chart().chart()->stopRecording();
    EXPECT_TRUE(bar().gravacao->isHidden());
    configWith("ttyS0");
    EXPECT_EQ(bar().ligacao->text(), QString::fromUtf8("sem conexão"));
}

// A field's byte whose shown value does not encode back to it, where there is one.
bool precisionLoss(const Parameter& p, uint8_t& byte)
{
    if (p.width != 1)
        return false;
    Block image;
    factoryImage(image);
    for (int b = 0; b < 256; ++b) {
        image[addr::cfg(p.address)] = static_cast<uint8_t>(b);
        const std::string text = shownText(p, image, "1", '.');
        Block again;
        std::copy(std::begin(image), std::end(image), std::begin(again));
        try {
            p.encode(again, text, "1", '.');
        } catch (...) {
            continue;
        }
        if (again[addr::cfg(p.address)] != b) {
            byte = static_cast<uint8_t>(b);
            return true;
        }
    }
    return false;
}

TEST_F(MenuBar, TheChangesAreWhatGravarWouldSend)
{
    connectAndRead();
    EXPECT_TRUE(workshop().pending().empty()) << ::testing::PrintToString(changeRows());
    // A typed edit; a text that encodes to the very byte; an option box.
    typeInto(MainForm->tempo_partida, "2000");
    MainForm->tempo_partidaExit();
    typeInto(MainForm->limite_corr, "50.0");
    MainForm->limite_corrExit();
    MainForm->heat_en->setChecked(true);
    EXPECT_EQ(changeRows(),
              (std::vector<std::string>{"Partida à Frio / Tempo Injec.: 1000 -> 2000", "Engine Heating: não -> sim"}));
    // An entry the exit check refuses changes nothing.
    MainForm->temp_max_coldEnter();
    typeInto(MainForm->temp_max_cold, "abc");
    MainForm->temp_max_coldExit();
    EXPECT_EQ(changeRows().size(), 2u);
    // After "&Gravar ", nothing is pending; the bytes sent are what the list said.
    workshop().alteracoesClick();
    MainForm->gravarClick();
    EXPECT_TRUE(workshop().pending().empty());
    EXPECT_EQ(controller.memory[addr::OptionFlags] & bits::EngineHeating, bits::EngineHeating);
    EXPECT_TRUE(workshop().changesWindow()->resumo->text().startsWith(QString::fromUtf8("Nada será alterado")));
    // Edits dropped by "&Ler ".
    typeInto(MainForm->tempo_partida, "3000");
    MainForm->tempo_partidaExit();
    EXPECT_EQ(changeRows().size(), 1u);
    MainForm->lerClick();
    EXPECT_TRUE(workshop().pending().empty());
}

TEST_F(MenuBar, AValueThatWillNotSurviveTheWriteIsListedAsSuch)
{
    // The factory's lambda adjust time, 50 s, is written as 49 s.
    controller.memory[addr::AdjustTime] = 239;
    connectAndRead();
    ASSERT_EQ(changeRows(), std::vector<std::string>{"Lambda Lenta / Tempo Ajuste: 50 -> 49 (precisão)"});
    MainForm->gravarClick();
    EXPECT_EQ(controller.memory[addr::AdjustTime], 238);
    controller.memory[addr::AdjustTime] = 48;
    MainForm->lerClick();
    EXPECT_TRUE(workshop().pending().empty());

    const Parameter* lossy = nullptr;
    uint8_t byte = 0;
    for (size_t i = 0; i < parameterCount() && !lossy; ++i)
        if (parameterTable()[i].checked && precisionLoss(parameterTable()[i], byte))
            lossy = &parameterTable()[i];
    ASSERT_NE(lossy, nullptr) << "every field's value survives its write";
    controller.memory[lossy->address] = byte;
    connectAndRead();
    const std::vector<PendingChange>& rows = workshop().pending();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].kind, PendingChange::Precision);
    EXPECT_EQ(rows[0].caption, lossy->caption);
    EXPECT_NE(rows[0].now, rows[0].next);
}

TEST_F(MenuBar, ATextThatDoesNotEncodeIsNamed)
{
    connectAndRead();
    // What the exit checks never let through, as a form could hold it all the same.
    FormState form = MainForm->formState();
    for (size_t i = 0; i < parameterCount(); ++i)
        if (std::string(parameterTable()[i].name) == "tempo_partida")
            form.texts[i] = "abc";
    const std::vector<PendingChange> rows = pendingChanges(form, '.');
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].kind, PendingChange::Unreadable);
    EXPECT_EQ(rows[0].caption, "Partida à Frio / Tempo Injec.");
    EXPECT_EQ(rows[0].next, "abc");
}

} // namespace

namespace {

// Right after "&Ler " the corner shows no change, even where the controller holds a
// byte that its shown value would not write back (tempo_ajuste 238 shows 49 s, which
// writes 233); that value is counted apart once the technician changes something, and
// a screen reader hears the words.
TEST_F(MenuBar, TheCornerCountsTheTechniciansEditsAndTheRoundingApart)
{
    controller.memory[addr::AdjustTime] = 238;
    connectAndRead();
    EXPECT_TRUE(bar().alteracoes->isHidden());
    ASSERT_EQ(workshop().pending().size(), 1u);
    EXPECT_EQ(workshop().pending()[0].kind, PendingChange::Precision);
    typeInto(MainForm->tempo_partida, "2000");
    MainForm->tempo_partidaExit();
    EXPECT_FALSE(bar().alteracoes->isHidden());
    const QString words = QString::fromUtf8("1 alteração não gravada · 1 valor arredondado");
    EXPECT_TRUE(bar().alteracoes->text().contains(words)) << bar().alteracoes->text().toStdString();
    QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(bar().alteracoes);
    ASSERT_NE(heard, nullptr);
    EXPECT_EQ(heard->text(QAccessible::Name), words);
    typeInto(MainForm->tempo_partida, "1000");
    MainForm->tempo_partidaExit();
    EXPECT_TRUE(bar().alteracoes->isHidden());
}

} // namespace
