// The workshop's menu on the main window: saving the block as read, opening a file and
// writing it with a read-back check, the sheet and the About box. What reaches the
// controller, and what never does.
#include "support/widget_harness.h"

#include "app/system_menu.h"
#include "core/param_file.h"
#include "core/parameters.h"
#include "workshop/compare_window.h"
#include "workshop/workshop.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

using namespace tuma;
using namespace tuma::test;

namespace {

class ScriptedDialogs : public WorkshopDialogs {
public:
    bool askDetails(QWidget*, const QString& title, const QString&, tuma::Vehicle& d) override
    {
        titles << title;
        if (!giveDetails)
            return false;
        d = details;
        return true;
    }
    QString saveFileName(QWidget*, const QString&, const QString& suggested, const QString&) override
    {
        suggestions << suggested;
        return savePath;
    }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return openPath; }
    bool openDocument(const QString& path) override
    {
        opened << path;
        return true;
    }

    bool giveDetails = true;
    tuma::Vehicle details{"Oficina do Zé", "abc1d23", "#2: troca de bicos"};
    QString savePath, openPath;
    QStringList titles, suggestions, opened;
};

class Workshop : public Windows {
protected:
    QTemporaryDir home;
    ScriptedDialogs dialogs;
    QStringList existing;
    // The copies kept before a write, in the documents folder, that this test made.
    QStringList newCopies() const
    {
        QStringList made;
        for (const QString& f : QDir(workshopFolder()).entryList({"* antes*.tuma"}, QDir::Files))
            if (!existing.contains(f))
                made << f;
        return made;
    }

    void beforeCreate() override
    {
        // The documents folder is the test's own; what is there is the test's doing.
        existing = QDir(workshopFolder()).entryList(QDir::Files);
        dialogsInUse = &dialogs;
    }
    QString path(const QString& name) const { return QDir(home.path()).filePath(name); }
    std::vector<uint8_t> block() const { return {controller.memory.begin() + 1, controller.memory.begin() + 26}; }
    static std::vector<uint8_t> bytesOf(const Block& image) { return {image.begin(), image.end()}; }
    std::string readText(const QString& file) const
    {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << file.toStdString();
        return f.readAll().toStdString();
    }
    void writeText(const QString& file, const std::string& text) const
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), static_cast<qint64>(text.size()));
    }
    // A backup of the controller as it is now, through the menu.
    QString backup(const QString& name = "a.tuma")
    {
        dialogs.savePath = path(name);
        action("acao_salvar")->trigger();
        return dialogs.savePath;
    }
    static std::string replaced(std::string text, const std::string& from, const std::string& to)
    {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos)
            text.replace(at, from.size(), to);
        return text;
    }
    // Ctrl+O on `file`; `atCompare` runs in the comparison window, which it must close.
    void openAndCompare(const QString& file, const std::function<void(CompareWindow*)>& atCompare)
    {
        dialogs.openPath = file;
        QTimer::singleShot(0, [atCompare] {
            auto* w = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(w, nullptr);
            ASSERT_EQ(w->objectName(), "CompararForm");
            atCompare(static_cast<CompareWindow*>(w));
        });
        action("acao_abrir")->trigger();
    }
    void openAndWrite(const QString& file)
    {
        openAndCompare(file, [](CompareWindow* w) { w->gravar_controlador->click(); });
    }
    bool saidVerified() const
    {
        for (const Box& b : boxes.shown)
            if (b.text.startsWith("Verificado"))
                return true;
        return false;
    }
};

TEST_F(Workshop, MenuItemsShortcutsAndWhenTheyAct)
{
    const struct {
        QAction* action;
        const char* name;
        const char* text;
        QKeySequence keys;
    } items[] = {
        {action("acao_salvar"), "acao_salvar", "Salvar parâmetros do controlador...", QKeySequence("Ctrl+S")},
        {action("acao_abrir"), "acao_abrir", "Abrir parâmetros de arquivo...", QKeySequence("Ctrl+O")},
        {action("acao_ficha"), "acao_ficha", "Imprimir ficha (PDF)...", QKeySequence("Ctrl+P")},
        {action("acao_sobre"), "acao_sobre", "Sobre o Tuma Programável...", QKeySequence()},
        {action("acao_manual"), "acao_manual", "Manual do técnico", QKeySequence("F1")},
        {action("acao_alteracoes"), "acao_alteracoes", "Alterações não gravadas...", QKeySequence()},
    };
    EXPECT_EQ(house->contextMenu()->objectName(), "menu_oficina");
    for (const auto& i : items) {
        EXPECT_EQ(i.action->objectName(), i.name);
        EXPECT_EQ(i.action->text(), QString::fromUtf8(i.text));
        EXPECT_EQ(i.action->shortcut(), i.keys);
        EXPECT_TRUE(house->contextMenu()->actions().contains(i.action));
    }
    auto enabled = [&] {
        return std::vector<bool>{action("acao_salvar")->isEnabled(), action("acao_abrir")->isEnabled(),
                                 action("acao_ficha")->isEnabled(), action("acao_sobre")->isEnabled()};
    };
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, true}));
    connectLink();
    EXPECT_EQ(enabled(), (std::vector<bool>{false, true, false, true}));
    MainForm->lerClick();
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true}));
    // A reset changes the controller: what was read no longer stands for it.
    programWith(1);
    EXPECT_EQ(enabled(), (std::vector<bool>{false, true, false, true}));
    // A port that does not answer takes Abrir away.
    configWith("ttyS0");
    EXPECT_FALSE(action("acao_abrir")->isEnabled());
}

TEST_F(Workshop, RightClickOutsideTheFieldsOpensTheMenu)
{
    MainForm->show();
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = house->contextMenu()->isVisible();
        house->contextMenu()->close();
    });
    QContextMenuEvent onForm(QContextMenuEvent::Mouse, QPoint(300, 5), MainForm->mapToGlobal(QPoint(300, 5)));
    QApplication::sendEvent(MainForm, &onForm);
    EXPECT_TRUE(shown);
    // An edit field answers with its own menu; the window's stays closed.
    QTimer::singleShot(0, [] {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    });
    QContextMenuEvent onField(QContextMenuEvent::Mouse, QPoint(5, 5),
                              MainForm->tempo_partida->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(MainForm->tempo_partida, &onField);
    EXPECT_FALSE(house->contextMenu()->isVisible());
}

TEST_F(Workshop, SaveWritesTheBlockAsReadNotTheFormsEdits)
{
    controller.memory[4] = 31; // 48.4375 %
    connectAndRead();
    MainForm->tempo_partida->setText("3000"); // an edit not written
    const QString file = backup();
    ASSERT_EQ(dialogs.suggestions.size(), 1);
    const QString suggested = dialogs.suggestions[0];
    EXPECT_TRUE(suggested.startsWith(QDir(workshopFolder()).filePath("ABC1D23 "))) << suggested.toStdString();
    EXPECT_TRUE(suggested.endsWith(".tuma"));
    EXPECT_TRUE(QDir(workshopFolder()).exists());
    EXPECT_EQ(boxes.shown,
              std::vector<Box>(
                  {{"Parâmetros salvos em\n" + QDir::toNativeSeparators(file), "Salvar parâmetros", BoxButtons::Ok}}));
    const ParsedFile f = parseParameterFile(readText(file));
    ASSERT_TRUE(f.ok) << f.error;
    EXPECT_EQ(bytesOf(f.image), block());
    EXPECT_EQ(f.header.vehicle.client, "Oficina do Zé");
    EXPECT_EQ(f.header.vehicle.plate, "abc1d23");
    EXPECT_EQ(f.header.vehicle.notes, "#2: troca de bicos");
    EXPECT_EQ(f.header.controllerVersion, "2.5");
    EXPECT_EQ(f.header.port, "DEMO");
    // Nothing but the link check and the read went out.
    EXPECT_TRUE(controller.frames.empty());
}

TEST_F(Workshop, CancelledSaveWritesNothing)
{
    connectAndRead();
    dialogs.giveDetails = false;
    backup();
    dialogs.giveDetails = true;
    dialogs.savePath.clear();
    action("acao_salvar")->trigger();
    EXPECT_TRUE(QDir(path("")).entryList({"*.tuma"}).isEmpty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Workshop, AnUneditedFileWritesBackTheVeryBytesRead)
{
    controller.memory[7] = 0xA5; // a byte no field shows
    connectAndRead();
    const std::vector<uint8_t> before = block();
    const QString file = backup();
    boxes.shown.clear();
    controller.frames.clear();
    openAndWrite(file);
    const auto writes = framesOf(cmd::WriteConfig);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].data, before);
    EXPECT_EQ(block(), before);
    EXPECT_TRUE(saidVerified());
    EXPECT_EQ(boxes.shown.front(), yesNo("Confirme Gravação dos Dados!!!!", "Aviso"));
    // The controller's block was kept before the write, beside the saves.
    const QStringList copies = newCopies();
    ASSERT_EQ(copies.size(), 1);
    EXPECT_TRUE(copies[0].startsWith("ABC1D23 "));
    const ParsedFile copy = parseParameterFile(readText(QDir(workshopFolder()).filePath(copies[0])));
    ASSERT_TRUE(copy.ok) << copy.error;
    EXPECT_EQ(bytesOf(copy.image), before);
}

TEST_F(Workshop, AnEditedFileIsWrittenVerifiedAndShownInTheForm)
{
    connectAndRead();
    const QString file = backup();
    writeText(file, replaced(readText(file), "tempo_partida = 1000", "tempo_partida = 2000"));
    QString compared;
    openAndCompare(file, [&](CompareWindow* w) {
        for (int r = 0; r < w->tabela->rowCount(); ++r)
            if (w->tabela->item(r, 1)->text() != w->tabela->item(r, 2)->text())
                compared += w->tabela->item(r, 0)->text() + ": " + w->tabela->item(r, 1)->text() + " -> "
                    + w->tabela->item(r, 2)->text() + "\n";
        EXPECT_EQ(w->resumo->text(), "1 diferença (em destaque).");
        EXPECT_TRUE(w->aviso->isHidden());
        EXPECT_TRUE(w->cabecalho->text().contains("ABC1D23") || w->cabecalho->text().contains("abc1d23"));
        w->gravar_controlador->click();
    });
    EXPECT_EQ(compared, "Partida à Frio / Tempo Injec.: 1000 ms -> 2000 ms\n");
    EXPECT_EQ(controller.memory[13], 0x87);
    EXPECT_EQ(controller.memory[14], 0x09);
    EXPECT_TRUE(saidVerified());
    EXPECT_EQ(text(MainForm->tempo_partida), "2000");
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
}

TEST_F(Workshop, NoPollFallsBetweenTheWriteAndItsReadBack)
{
    connectAndRead();
    const QString file = backup();
    writeText(file, replaced(readText(file), "tempo_partida = 1000", "tempo_partida = 2000"));
    MainForm->Timer_Read->start();
    openAndCompare(file, [](CompareWindow* w) {
        // Ticks would fall due while the window is open: it must not poll.
        EXPECT_FALSE(MainForm->Timer_Read->isActive());
        QTest::qWait(1100);
        w->gravar_controlador->click();
    });
    std::vector<uint8_t> commands;
    for (const auto& f : controller.frames)
        commands.push_back(f.command);
    // The fresh read, the write, its read-back, then "&Ler "'s own read and short read.
    const std::vector<uint8_t> expected
        = {cmd::ReadConfig, cmd::WriteConfig, cmd::ReadConfig, cmd::ReadConfig, cmd::ReadLive};
    ASSERT_GE(commands.size(), expected.size());
    EXPECT_EQ(std::vector<uint8_t>(commands.begin(), commands.begin() + 5), expected);
    EXPECT_TRUE(MainForm->Timer_Read->isActive());
}

TEST_F(Workshop, CancelOrNoWritesNothing)
{
    connectAndRead();
    const QString file = backup();
    boxes.shown.clear();
    controller.frames.clear();
    openAndCompare(file, [](CompareWindow* w) { w->cancelar->click(); });
    boxes.answers = {BoxAnswer::No};
    openAndWrite(file);
    EXPECT_TRUE(framesOf(cmd::WriteConfig).empty());
    EXPECT_EQ(boxes.shown, std::vector<Box>({yesNo("Confirme Gravação dos Dados!!!!", "Aviso")}));
    EXPECT_TRUE(newCopies().isEmpty());
}

TEST_F(Workshop, BadFilesSendNothingAndNameTheLine)
{
    connectAndRead();
    const QString good = backup();
    const std::string text = readText(good);
    const struct {
        const char* what;
        std::string text;
        const char* reason;
    } cases[] = {
        {"out of range", replaced(text, "tempo_partida = 1000", "tempo_partida = 4001"),
         "Os valores devem estar entre 0 e 4000!"},
        {"not a number", replaced(text, "temp_max_cold = 20", "temp_max_cold = 2x"), "Valor Incorreto!"},
        {"mixture above the correction", replaced(text, "porc_mistura = 37.5", "porc_mistura = 51"), "Correção Máxima"},
        {"truncated", text.substr(0, text.find("fim")), "falta \"fim\""},
        {"unknown format", replaced(text, "formato = 1", "formato = 9"), "formato 9"},
        {"24 bytes", text.substr(0, text.find("\nfim") - 3) + "\nfim\n", "25 pares"},
        {"not UTF-8", replaced(text, "não", "n\xE3o"), "UTF-8"},
        {"not a parameter file", "Olá\n", "linha 1: linha sem"},
    };
    for (const auto& c : cases) {
        writeText(path("bad.tuma"), c.text);
        boxes.shown.clear();
        controller.frames.clear();
        dialogs.openPath = path("bad.tuma");
        action("acao_abrir")->trigger();
        ASSERT_EQ(boxes.shown.size(), 1u) << c.what;
        EXPECT_EQ(boxes.shown[0].caption, "Abrir parâmetros") << c.what;
        EXPECT_TRUE(boxes.shown[0].text.contains(QString::fromUtf8(c.reason))) << c.what << ": " << boxes.shown[0];
        EXPECT_TRUE(boxes.shown[0].text.contains("Nada foi enviado ao controlador")) << c.what;
        for (const auto& f : controller.frames)
            EXPECT_NE(f.command, cmd::WriteConfig) << c.what;
        EXPECT_TRUE(framesOf(cmd::ReadConfig).empty()) << c.what;
    }
    // The line is named where the file says where.
    writeText(path("bad.tuma"), replaced(text, "tempo_partida = 1000", "tempo_partida = 4001"));
    boxes.shown.clear();
    action("acao_abrir")->trigger();
    EXPECT_TRUE(boxes.shown.at(0).text.contains(QRegularExpression("linha \\d+: tempo_partida = 4001")));
}

TEST_F(Workshop, AControllerThatIgnoresTheWriteIsNamedFieldByField)
{
    connectAndRead();
    const QString file = backup();
    writeText(file, replaced(readText(file), "tempo_partida = 1000", "tempo_partida = 2000"));
    controller.ignoreWrites = true;
    boxes.shown.clear();
    openAndWrite(file);
    EXPECT_FALSE(saidVerified());
    bool named = false;
    for (const Box& b : boxes.shown)
        if (b.caption == "Falha na conferência")
            named = b.text.contains("Partida à Frio / Tempo Injec.: enviado 2000 ms, lido 1000 ms");
    EXPECT_TRUE(named) << ::testing::PrintToString(boxes.shown);
}

TEST_F(Workshop, EveryFaultEndsInAClearBoxAndVerifiedOnlyWhenTheBytesAreThere)
{
    connectAndRead();
    const QString file = backup();
    writeText(file, replaced(readText(file), "limite_corr = 50", "limite_corr = 40"));
    const ParsedFile wanted = parseParameterFile(readText(file));
    ASSERT_TRUE(wanted.ok);
    for (sim::Fault f : sim::allFaults()) {
        if (f == sim::Fault::None)
            continue;
        controller.setFault(sim::Fault::None);
        connectAndRead();
        controller.memory[4] = 32; // back to 50 %, so every round writes something
        boxes.shown.clear();
        // The fault strikes once the comparison is up: at the write and its read-back.
        openAndCompare(file, [&](CompareWindow* w) {
            controller.setFault(f);
            w->gravar_controlador->click();
        });
        controller.setFault(sim::Fault::None);
        ASSERT_FALSE(boxes.shown.empty()) << sim::faultName(f);
        if (saidVerified()) {
            EXPECT_EQ(block(), bytesOf(wanted.image)) << sim::faultName(f);
        } else {
            EXPECT_TRUE(std::any_of(boxes.shown.begin(), boxes.shown.end(),
                                    [](const Box& b) { return b.caption.startsWith("Falha"); }))
                << sim::faultName(f) << ::testing::PrintToString(boxes.shown);
        }
        if (f == sim::Fault::Silent || f == sim::Fault::BadCrc || f == sim::Fault::Gone) {
            EXPECT_FALSE(saidVerified()) << sim::faultName(f);
        }
    }
}

TEST_F(Workshop, AFileFromAnotherControllerVersionIsFlagged)
{
    connectAndRead();
    const QString file = backup();
    writeText(file, replaced(readText(file), "versao_controlador = 2.5", "versao_controlador = 2.3"));
    bool warned = false;
    openAndCompare(file, [&](CompareWindow* w) {
        warned = !w->aviso->isHidden() && w->aviso->text().contains("2.3") && w->aviso->text().contains("2.5");
        w->cancelar->click();
    });
    EXPECT_TRUE(warned);
}

TEST_F(Workshop, TheSheetIsAPdfOpenedInTheViewer)
{
    connectAndRead();
    dialogs.savePath = path("ficha.pdf");
    action("acao_ficha")->trigger();
    ASSERT_EQ(dialogs.opened, QStringList({path("ficha.pdf")}));
    const std::string pdf = readText(path("ficha.pdf"));
    EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
    EXPECT_GT(pdf.size(), 2000u);
    EXPECT_TRUE(dialogs.suggestions.at(0).endsWith(".pdf"));
    EXPECT_TRUE(controller.frames.empty());
}

TEST_F(Workshop, AboutNamesTheLicenceTheSourceAndTheController)
{
    connectLink();
    QString shown;
    QTimer::singleShot(0, [&] {
        QWidget* w = QApplication::activeModalWidget();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->windowTitle(), QString::fromUtf8("Sobre o Tuma Programável"));
        shown = w->findChild<QLabel*>("texto")->text();
        static_cast<QDialog*>(w)->accept();
    });
    action("acao_sobre")->trigger();
    for (const char* expected :
         {"Tuma Programável 2.5", "versão 2.5, na porta DEMO", "GPL-3.0-or-later", "Código-fonte", "https://"})
        EXPECT_TRUE(shown.contains(QString::fromUtf8(expected))) << expected;
}

TEST_F(Workshop, TheSystemMenuHoldsTheItemsWhereThereIsOne)
{
    MainForm->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));
    QStringList items = systemMenuItems(MainForm);
    if (QGuiApplication::platformName() != "windows") {
        // Elsewhere the window manager draws the window menu: nothing is added to it.
        EXPECT_TRUE(items.isEmpty());
        return;
    }
    ASSERT_GE(items.size(), 13);
    const QString off = " (desativado)";
    EXPECT_EQ(
        items.mid(items.size() - 13),
        QStringList({"", QString::fromUtf8("Salvar parâmetros do controlador...\tCtrl+S") + off,
                     QString::fromUtf8("Abrir parâmetros de arquivo...\tCtrl+O") + off,
                     "Imprimir ficha (PDF)...\tCtrl+P" + off, QString::fromUtf8("Histórico do controlador...\tCtrl+H"),
                     "Procurar controlador...", QString::fromUtf8("Gráfico dos valores instantâneos...\tCtrl+G"),
                     QString::fromUtf8("Diagnóstico da instalação...\tCtrl+D"),
                     QString::fromUtf8("Verificação guiada da instalação..."), "Abrir registro...",
                     QString::fromUtf8("Alterações não gravadas..."), QString::fromUtf8("Manual do técnico\tF1"),
                     QString::fromUtf8("Sobre o Tuma Programável...")}));
    connectAndRead();
    items = systemMenuItems(MainForm);
    const QString ours = items.mid(items.size() - 12).join('\n');
    EXPECT_FALSE(ours.contains(off)) << ours.toStdString();

    // Choosing an item acts as the context menu's does.
    bool aboutShown = false;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w->objectName() == "SobreForm") {
            aboutShown = true;
            static_cast<QDialog*>(w)->accept();
        }
    });
    closer.start(20);
    ASSERT_TRUE(chooseSystemMenuItem(MainForm, static_cast<int>(items.size()) - 1));
    EXPECT_TRUE(waitUntil([&] { return aboutShown; }));
}

} // namespace
