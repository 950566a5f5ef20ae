// The controller's history as the technician gets it without doing anything: an entry
// for each flow with its exact bytes, kept before a write goes out, the edits no write
// took, a database that cannot be written leaving every flow and box as it was, and an
// entry put back, whole or only the ticked rows, verified.
#include "support/widget_harness.h"

#include "core/param_file.h"
#include "core/texts.h"
#include "core/workshop_files.h"
#include "history/history_store.h"
#include "workshop/compare_window.h"
#include "workshop/history_recorder.h"
#include "workshop/history_window.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

using namespace tuma;
using namespace tuma::test;
using namespace tuma::history;

namespace {

class DetailsGiven : public CancelledDialogs {
public:
    bool askDetails(QWidget*, const QString&, const QString&, tuma::Vehicle& d) override
    {
        d = details;
        return true;
    }
    QString saveFileName(QWidget*, const QString&, const QString& suggested, const QString&) override
    {
        suggestions << suggested;
        return savePath;
    }
    bool openDocument(const QString& path) override
    {
        opened << path;
        return true;
    }
    tuma::Vehicle details{"Oficina do Zé", "QRS4E56", "bicos novos"};
    QString savePath;
    QStringList suggestions, opened;
};

class HistoryKept : public Windows {
protected:
    DetailsGiven dialogs;
    void beforeCreate() override
    {
        dialogsInUse = &dialogs;
        // 10 s, a lambda adjust time whose byte survives a write (the factory's 50 s
        // comes back as 49 s, and would show as a change of every write).
        controller.memory[addr::AdjustTime] = 48;
    }
    QString databasePath() const { return QDir(data.path()).filePath(files::HistoryFile); }
    // The entries as another program sees them, newest first.
    std::vector<Entry> entries() const
    {
        Store other(databasePath().toStdString());
        Filter all;
        all.limit = 1000;
        return other.list(all);
    }
    Block memoryBlock() const
    {
        Block b{};
        std::copy(controller.memory.begin() + 1, controller.memory.begin() + 26, b.begin());
        return b;
    }
    void gravar(bool yes = true)
    {
        boxes.answers = {yes ? BoxAnswer::Yes : BoxAnswer::No};
        MainForm->gravarClick();
    }
    HistoryWindow* openWindow()
    {
        action("acao_historico")->trigger();
        return house->history().window();
    }
};

TEST_F(HistoryKept, EveryFlowLeavesItsEntryWithItsExactBytes)
{
    connectAndRead();
    const Block read = memoryBlock();
    MainForm->tempo_partida->setText("2000");
    MainForm->tempo_partidaExit();
    gravar();
    const Block written = memoryBlock();
    ASSERT_EQ(written[addr::cfg(addr::ColdStartTime)], 0x87);
    programWith(0, 2); // the mixture, 50 %
    programWith(1);    // reset

    const std::vector<Entry> e = entries();
    ASSERT_EQ(e.size(), 4u) << "a read, a write (its read-back inside it), a mixture and a reset";
    EXPECT_EQ(e[3].kind, Kind::Read);
    EXPECT_EQ(e[3].block, read);
    EXPECT_EQ(e[3].port, "DEMO");
    EXPECT_EQ(e[3].controllerVersion, "2.5");
    EXPECT_EQ(e[3].programVersion, TUMA_VERSION_TEXT);

    EXPECT_EQ(e[2].kind, Kind::Write);
    EXPECT_EQ(e[2].outcome, Outcome::Verified);
    EXPECT_EQ(e[2].before, read);
    EXPECT_EQ(e[2].sent, written);
    EXPECT_EQ(e[2].block, written);
    EXPECT_EQ(e[2].changed, std::vector<std::string>{"Partida à Frio / Tempo Injec."});

    EXPECT_EQ(e[1].kind, Kind::Mixture);
    EXPECT_EQ(e[1].outcome, Outcome::Done);
    ASSERT_TRUE(e[1].block);
    EXPECT_EQ((*e[1].block)[addr::cfg(addr::Mixture)], controller.memory[addr::Mixture]);
    EXPECT_NE(e[1].detail.find("50 %"), std::string::npos) << e[1].detail;
    EXPECT_EQ(e[0].kind, Kind::Reset);
    EXPECT_FALSE(e[0].block) << "after a reset the program does not know the block";
}

TEST_F(HistoryKept, TheWriteIsKeptBeforeItIsSent)
{
    connectAndRead();
    MainForm->tempo_partida->setText("2000");
    MainForm->tempo_partidaExit();
    std::vector<Entry> seen;
    size_t writesOnTheLine = 99;
    // After the history's own listener: what another program would find at that moment.
    QObject::connect(MainForm, &TMainForm::writing, [&](const Block&) {
        seen = entries();
        writesOnTheLine = framesOf(cmd::WriteConfig).size();
    });
    gravar();
    EXPECT_EQ(writesOnTheLine, 0u);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].kind, Kind::Write);
    EXPECT_EQ(seen[0].outcome, Outcome::Sending);
    EXPECT_EQ(seen[0].sent, memoryBlock());
    EXPECT_EQ(entries()[0].outcome, Outcome::Verified);
}

TEST_F(HistoryKept, AWriteThatFailsOrIsNotKeptIsRecordedAsSuch)
{
    connectAndRead();
    controller.ignoreWrites = true;
    MainForm->tempo_partida->setText("2000");
    MainForm->tempo_partidaExit();
    gravar();
    EXPECT_EQ(entries()[0].outcome, Outcome::Differs);
    EXPECT_EQ((*entries()[0].sent)[addr::cfg(addr::ColdStartTime)], 0x87);

    controller.ignoreWrites = false;
    MainForm->tempo_partida->setText("3000");
    MainForm->tempo_partidaExit();
    controller.setFault(sim::Fault::Silent);
    gravar();
    EXPECT_EQ(entries()[0].outcome, Outcome::WriteFailed);
    EXPECT_FALSE(entries()[0].block);
    EXPECT_EQ(boxes.shown.back(), CommFailure);

    // A confirmation answered No sends nothing and keeps nothing.
    controller.setFault(sim::Fault::None);
    const size_t before = entries().size();
    gravar(false);
    EXPECT_EQ(entries().size(), before);
}

TEST_F(HistoryKept, EditsNoWriteTookAreKeptBeforeAReadAndOnLeaving)
{
    connectAndRead();
    MainForm->tempo_partida->setText("2000");
    MainForm->tempo_partidaExit();
    MainForm->lerClick();
    std::vector<Entry> e = entries();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].kind, Kind::Read);
    EXPECT_EQ(e[1].kind, Kind::Unwritten);
    EXPECT_EQ(e[1].detail, "Partida à Frio / Tempo Injec.");
    EXPECT_EQ(e[1].before, memoryBlock());
    ASSERT_TRUE(e[1].sent);
    EXPECT_EQ((*e[1].sent)[addr::cfg(addr::ColdStartTime)], 0x87) << "what the write would have sent";
    EXPECT_NE(std::find(e[1].formTexts.begin(), e[1].formTexts.end(), "2000"), e[1].formTexts.end());

    // An untouched form, closed: nothing. Typed work, closed: kept.
    MainForm->limite_corr->setText("40");
    MainForm->limite_corrExit();
    tearDownHouse();
    e = entries();
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[0].kind, Kind::Unwritten);
    EXPECT_EQ(e[0].detail, "Correção / Correção Máx.");
}

TEST_F(HistoryKept, TheClientAndPlateTypedLastGoWithEachEntry)
{
    connectAndRead();
    dialogs.details = {"Oficina do Zé", "QRS4E56", ""};
    action("acao_ficha")->trigger(); // asks the details, then a file name (cancelled)
    MainForm->lerClick();
    const std::vector<Entry> e = entries();
    EXPECT_EQ(e[1].vehicle.plate, "");
    EXPECT_EQ(e[0].vehicle.plate, "QRS4E56");
    EXPECT_EQ(e[0].vehicle.client, "Oficina do Zé");
}

// A database that cannot be kept: the same boxes, the same bytes, and the window says so.
struct Unusable {
    const char* name;
    const char* said; // in the window's red line
};
class UnusableHistory : public HistoryKept, public ::testing::WithParamInterface<Unusable> {
protected:
    void beforeCreate() override
    {
        HistoryKept::beforeCreate();
        if (std::string(GetParam().name) == "damaged") {
            QFile f(databasePath());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(4096, 'Z'));
        } else {
            // Where the file should be, something that cannot be written as one.
            ASSERT_TRUE(QDir().mkpath(databasePath()));
        }
    }
};

TEST_P(UnusableHistory, ChangesNoFlowAndIsReportedInTheWindow)
{
    connectAndRead();
    MainForm->tempo_partida->setText("2000");
    MainForm->tempo_partidaExit();
    gravar();
    EXPECT_EQ(
        boxes.shown,
        (std::vector<Box>{yesNo(texts::ConfirmWrite, texts::ConfirmCaption), ok(texts::ProgrammingOk, "Gravação")}));
    EXPECT_EQ(controller.memory[addr::ColdStartTime], 0x87);
    programWith(0, 4);
    EXPECT_EQ(boxes.shown.back(), ok(texts::ProgrammingOk, "Programação"));
    HistoryWindow* w = openWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->situacao->isVisibleTo(w));
    EXPECT_TRUE(w->situacao->text().contains(QString::fromUtf8(GetParam().said))) << w->situacao->text().toStdString();
    EXPECT_TRUE(w->situacao->text().contains("4 registros não puderam ser guardados"))
        << w->situacao->text().toStdString();
    EXPECT_EQ(w->lista->rowCount(), 0);
    if (std::string(GetParam().name) == "damaged") {
        QFile f(databasePath());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QByteArray(4096, 'Z')) << "the damaged file is left for whoever can mend it";
    }
}

INSTANTIATE_TEST_SUITE_P(, UnusableHistory,
                         ::testing::Values(Unusable{"damaged", "danificado"},
                                           Unusable{"unwritable", "não é possível escrever"}),
                         [](const auto& info) { return std::string(info.param.name); });

class HistoryWindowUse : public HistoryKept {
protected:
    // Selects the row of the entry with this id.
    static void select(HistoryWindow* w, int64_t id)
    {
        for (size_t r = 0; r < w->entries().size(); ++r)
            if (w->entries()[r].id == id)
                w->lista->selectRow(static_cast<int>(r));
        ASSERT_NE(w->selected(), nullptr);
    }
};

TEST_F(HistoryWindowUse, ListsNewestFirstFiltersAndShowsAnEntryInUnits)
{
    connectAndRead();
    dialogs.details = {"Oficina do Zé", "QRS4E56", ""};
    action("acao_ficha")->trigger();
    MainForm->lerClick();
    HistoryWindow* w = openWindow();
    ASSERT_EQ(w->lista->rowCount(), 2);
    EXPECT_EQ(w->lista->item(0, 1)->text(), "Leitura");
    EXPECT_EQ(w->lista->item(0, 2)->text(), "Oficina do Zé · QRS4E56");
    EXPECT_EQ(w->lista->item(0, 3)->text(), "DEMO");
    w->filtro->setText("qrs4");
    ASSERT_TRUE(waitUntil([&] { return w->lista->rowCount() == 1; }));
    select(w, w->entries()[0].id);
    bool shownInUnits = false;
    for (int r = 0; r < w->detalhe->rowCount(); ++r)
        shownInUnits = shownInUnits
            || (w->detalhe->item(r, 0)->text() == "Partida à Frio / Tempo Injec."
                && w->detalhe->item(r, 1)->text() == "1000 ms");
    EXPECT_TRUE(shownInUnits);
    EXPECT_TRUE(w->comparar->isEnabled());
    EXPECT_FALSE(w->testAttribute(Qt::WA_QuitOnClose)) << "it never keeps the program running";
    w->filtro->setText("ninguem");
    EXPECT_TRUE(waitUntil([&] { return w->lista->rowCount() == 0; }));
    EXPECT_FALSE(w->comparar->isEnabled());
}

TEST_F(HistoryWindowUse, AnEntryPutBackWritesOnlyTheTickedRowsVerified)
{
    connectAndRead();
    const Block asRead = memoryBlock();
    // Someone else's tool changed two values since.
    controller.memory[addr::MaxCorrection] = 40;
    controller.memory[addr::ColdStartTime] = 0x87;
    controller.memory[addr::ColdStartTime + 1] = 0x09;
    HistoryWindow* w = openWindow();
    select(w, entries().back().id);
    controller.frames.clear();
    boxes.answers = {BoxAnswer::Yes};
    QTimer::singleShot(0, [] {
        auto* c = static_cast<CompareWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(c, nullptr);
        ASSERT_EQ(c->objectName(), "CompararForm");
        // Back only the cold start time; the correction stays as the controller has it.
        for (int r = 0; r < c->tabela->rowCount(); ++r)
            if (c->tabela->item(r, 0)->text() == "Correção / Correção Máx.")
                c->tabela->item(r, 0)->setCheckState(Qt::Unchecked);
        c->gravar_controlador->click();
    });
    w->comparar->click();
    EXPECT_EQ(controller.memory[addr::ColdStartTime], asRead[addr::cfg(addr::ColdStartTime)]);
    EXPECT_EQ(controller.memory[addr::ColdStartTime + 1], asRead[addr::cfg(addr::ColdStartTime) + 1]);
    EXPECT_EQ(controller.memory[addr::MaxCorrection], 40);
    ASSERT_EQ(framesOf(cmd::WriteConfig).size(), 1u);
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_TRUE(boxes.shown.back().text.startsWith("Verificado")) << boxes.shown.back();

    std::vector<Entry> e = entries();
    auto putBack = std::find_if(e.begin(), e.end(), [](const Entry& x) { return x.kind == Kind::PutBack; });
    ASSERT_NE(putBack, e.end());
    EXPECT_EQ(putBack->outcome, Outcome::Verified);
    ASSERT_TRUE(putBack->before && putBack->sent && putBack->block);
    EXPECT_EQ((*putBack->before)[addr::cfg(addr::MaxCorrection)], 40);
    EXPECT_EQ(*putBack->sent, memoryBlock());
    EXPECT_EQ(*putBack->block, memoryBlock());
}

TEST_F(HistoryWindowUse, AnEntrySavedAsAFileAndASheetCarriesItsBlockAndVehicle)
{
    connectAndRead();
    const Block asRead = memoryBlock();
    controller.memory[addr::MaxCorrection] = 40; // the controller moved on since
    HistoryWindow* w = openWindow();
    select(w, entries()[0].id);
    QTemporaryDir out;
    dialogs.savePath = QDir(out.path()).filePath("entrada.tuma");
    w->salvar->click();
    QFile f(dialogs.savePath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const ParsedFile file = parseParameterFile(f.readAll().toStdString());
    ASSERT_TRUE(file.ok) << file.error;
    EXPECT_EQ(file.raw, asRead);
    EXPECT_EQ(file.header.port, "DEMO");
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_TRUE(boxes.shown.back().text.startsWith("Parâmetros salvos em")) << boxes.shown.back();

    dialogs.savePath = QDir(out.path()).filePath("ficha.pdf");
    w->ficha->click();
    EXPECT_EQ(dialogs.opened, QStringList{dialogs.savePath});
    QFile pdf(dialogs.savePath);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_EQ(framesOf(cmd::WriteConfig).size(), 0u) << "saving an entry sends nothing";
}

TEST_F(HistoryWindowUse, TheNewest200FirstThenTheOlderOnes)
{
    Store& store = house->history().store();
    for (int i = 0; i < 205; ++i) {
        Entry e;
        e.at = 1796900000 + i;
        e.vehicle.plate = "CAR" + std::to_string(i);
        ASSERT_GT(store.add(e), 0);
    }
    HistoryWindow* w = openWindow();
    ASSERT_EQ(w->lista->rowCount(), 200);
    EXPECT_EQ(w->lista->item(0, 2)->text(), "CAR204");
    EXPECT_TRUE(w->mais_antigos->isEnabled());
    w->mais_antigos->click();
    ASSERT_EQ(w->lista->rowCount(), 205);
    EXPECT_EQ(w->lista->item(204, 2)->text(), "CAR0");
    EXPECT_FALSE(w->mais_antigos->isEnabled());
    EXPECT_TRUE(w->contagem->text().startsWith("205 registros mostrados de 205")) << w->contagem->text().toStdString();
}

TEST_F(HistoryWindowUse, AnnotatingFindsTheEntryByItsNewPlate)
{
    connectAndRead();
    HistoryWindow* w = openWindow();
    select(w, entries()[0].id);
    dialogs.details = {"Maria", "XYZ9K88", "volta sexta"};
    w->anotar->click();
    EXPECT_EQ(entries()[0].vehicle.plate, "XYZ9K88");
    EXPECT_EQ(entries()[0].vehicle.notes, "volta sexta");
    EXPECT_EQ(w->lista->item(0, 2)->text(), "Maria · XYZ9K88");
}

} // namespace

namespace {

// A workshop PC as an earlier version left it: the history in the documents folder.
class HistoryPlace : public HistoryKept {
protected:
    struct CopyChosen : DetailsGiven {
        QString openFileName(QWidget*, const QString& caption, const QString& folder, const QString&) override
        {
            asked << caption + " | " + folder;
            return chosen;
        }
        QString chosen;
        QStringList asked;
    } chooser;
    int oldEntries = 3;
    bool damageOld = false;
    QString oldPath() const { return QDir(workshopFolder()).filePath(files::HistoryFile); }
    QString copiesFolder() const { return QDir(workshopFolder()).filePath(files::HistoryCopiesFolder); }
    void beforeCreate() override
    {
        HistoryKept::beforeCreate();
        dialogsInUse = &chooser;
        {
            Store old(oldPath().toStdString());
            for (int i = 0; i < oldEntries; ++i) {
                Entry e;
                e.at = 1765400000 + i;
                e.kind = Kind::Read;
                e.vehicle.plate = "OLD" + std::to_string(i);
                old.add(e);
            }
        }
        if (damageOld) {
            QFile f(oldPath());
            f.open(QIODevice::ReadWrite);
            f.seek(4096);
            f.write(QByteArray(static_cast<int>(f.size()) - 4096, '\xFF'));
        }
    }
    // The start's own work, once the event loop runs.
    void settle() { QCoreApplication::processEvents(); }
};

class DamagedHistoryPlace : public HistoryPlace {
protected:
    void beforeCreate() override
    {
        damageOld = true;
        HistoryPlace::beforeCreate();
    }
};

} // namespace

TEST_F(HistoryPlace, TheOldDatabaseMovesOutOfTheDocumentsAndTheDaysCopyGoesIn)
{
    settle();
    EXPECT_FALSE(QFile::exists(oldPath())) << "set aside: never two live databases";
    EXPECT_TRUE(QFile::exists(oldPath() + ".movido"));
    ASSERT_TRUE(QFile::exists(databasePath()));
    connectAndRead();
    EXPECT_EQ(entries().size(), 4u) << "the old entries and the new read, in the one database";

    // The day's copy, made at the start (before the read) and again when the program ends.
    const QStringList copies = QDir(copiesFolder()).entryList({"historico-*.sqlite"}, QDir::Files);
    ASSERT_EQ(copies.size(), 1) << copies.join(", ").toStdString();
    const std::string copy = QDir(copiesFolder()).filePath(copies[0]).toStdString();
    EXPECT_EQ(Store(copy, Store::Opening::CopyToRead).count(), 3);
    house.reset();
    EXPECT_EQ(Store(copy, Store::Opening::CopyToRead).count(), 4);
    build();
}

TEST_F(HistoryPlace, ACopyOpensReadOnlyBesideThePollBuffer)
{
    settle();
    const QStringList copies = QDir(copiesFolder()).entryList({"historico-*.sqlite"}, QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    chooser.chosen = QDir(copiesFolder()).filePath(copies[0]);
    HistoryWindow* live = openWindow();
    ASSERT_NE(live, nullptr);
    EXPECT_FALSE(live->situacao->isVisible()) << live->situacao->text().toStdString();
    live->abrir_copia->click();
    ASSERT_EQ(chooser.asked.size(), 1);
    EXPECT_EQ(chooser.asked[0], "Abrir cópia do histórico | " + copiesFolder());
    HistoryWindow* copy = house->history().copyWindow();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->windowTitle(), "Histórico do controlador — cópia: " + copies[0]);
    EXPECT_FALSE(copy->abrir_copia->isVisibleTo(copy));
    ASSERT_EQ(copy->lista->rowCount(), 3);
    copy->lista->selectRow(0);
    EXPECT_FALSE(copy->anotar->isEnabled()) << "a copy is never written";
    EXPECT_TRUE(copy->salvar->isEnabled() || !restorable(copy->entries()[0])) << "its blocks can still be saved";
}

TEST_F(DamagedHistoryPlace, AMoveThatFailsLeavesTheOldDatabaseInUseAndSaysSo)
{
    settle();
    EXPECT_TRUE(QFile::exists(oldPath()));
    EXPECT_FALSE(QFile::exists(databasePath()));
    HistoryWindow* w = openWindow();
    ASSERT_NE(w, nullptr);
    const QString said = w->situacao->text();
    EXPECT_TRUE(said.contains("não pôde ser movido")) << said.toStdString();
    EXPECT_TRUE(said.contains("danificado")) << said.toStdString();
    EXPECT_TRUE(said.contains("continua em")) << said.toStdString();
}
