// The history's store on its own: every kind of entry with its exact bytes, the filters,
// a layout of a later program, and the faults a workshop PC meets (a damaged file, a
// full disk, a read-only folder, a program killed mid-write, two programs at once).
#include "history/history_store.h"

#include "core/workshop_files.h"
#include "history/sqlite.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#ifndef _WIN32
#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace tuma;
using namespace tuma::history;
namespace fs = std::filesystem;

namespace {

class TempFolder {
public:
    TempFolder()
    {
        // Named after the test: ctest runs the tests side by side, each in a process.
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path = fs::temp_directory_path()
            / ("tuma-history-" + std::string(test->name()) + "-" + std::to_string(counter++));
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    std::string file(const std::string& name = files::HistoryFile) const { return (path / name).string(); }
    fs::path path;

private:
    static inline int counter = 0;
};

Block blockWith(uint8_t seed)
{
    Block b{};
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<uint8_t>(seed + i * 7);
    return b;
}

Entry entry(Kind kind, const std::string& plate = "ABC1D23", uint8_t seed = 1)
{
    Entry e;
    e.at = 1796900000 + seed;
    e.kind = kind;
    e.port = "COM5";
    e.controllerVersion = "2.5";
    e.programVersion = "2.5";
    e.vehicle.client = "Auto Elétrica Silva";
    e.vehicle.plate = plate;
    e.block = blockWith(seed);
    return e;
}

std::string bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TEST(HistoryStore, EachKindIsKeptWithItsExactBytes)
{
    TempFolder dir;
    Store store(dir.file());
    ASSERT_TRUE(store.trouble().empty()) << troubleText(store.trouble());
    struct Case {
        Kind kind;
        Outcome outcome;
        bool before, sent;
        std::vector<std::string> texts;
        std::string detail;
    };
    const Case cases[] = {
        {Kind::Read, Outcome::Done, false, false, {}, ""},
        {Kind::Write, Outcome::Differs, true, true, {}, ""},
        {Kind::PutBack, Outcome::Verified, true, true, {}, "QRS4E56 2026-12-08 1530.tuma"},
        {Kind::Mixture, Outcome::Done, true, false, {}, "Gasolina 100%"},
        {Kind::Reset, Outcome::NotAnswered, true, false, {}, ""},
        {Kind::LambdaIdle, Outcome::NotFinished, true, false, {}, ""},
        {Kind::Map, Outcome::Done, true, false, {}, ""},
        {Kind::Unwritten, Outcome::Done, true, false, {"1000", "2000,5", "", "ab"}, "Partida à Frio / Tempo Injec."},
    };
    uint8_t seed = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(kindText(c.kind));
        Entry e = entry(c.kind, "ABC1D23", seed += 30);
        e.outcome = c.outcome;
        if (c.before)
            e.before = blockWith(static_cast<uint8_t>(seed + 1));
        if (c.sent)
            e.sent = blockWith(static_cast<uint8_t>(seed + 2));
        e.formTexts = c.texts;
        e.detail = c.detail;
        e.vehicle.notes = "bicos novos\nsegunda linha";
        const int64_t id = store.add(e);
        ASSERT_GT(id, 0);
        const std::optional<Entry> got = store.get(id);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->kind, c.kind);
        EXPECT_EQ(got->outcome, c.outcome);
        EXPECT_EQ(got->at, e.at);
        EXPECT_EQ(got->block, e.block);
        EXPECT_EQ(got->before, e.before);
        EXPECT_EQ(got->sent, e.sent);
        EXPECT_EQ(got->formTexts, c.texts);
        EXPECT_EQ(got->detail, c.detail);
        EXPECT_EQ(got->vehicle.client, "Auto Elétrica Silva");
        EXPECT_EQ(got->vehicle.notes, "bicos novos\nsegunda linha");
        EXPECT_EQ(got->port, "COM5");
    }
    EXPECT_EQ(store.count(), 8);
    EXPECT_EQ(store.lost(), 0);
}

TEST(HistoryStore, AWriteKeptBeforeItIsSentIsCompletedAfterwards)
{
    TempFolder dir;
    Store store(dir.file());
    Entry e = entry(Kind::Write);
    e.outcome = Outcome::Sending;
    e.block.reset();
    e.sent = blockWith(9);
    const int64_t id = store.add(e);
    ASSERT_GT(id, 0);
    {
        // Another program (or the same after a crash) sees the write as sent.
        Store other(dir.file());
        EXPECT_EQ(other.get(id)->outcome, Outcome::Sending);
    }
    ASSERT_TRUE(store.complete(id, Outcome::Verified, blockWith(9)));
    EXPECT_EQ(store.get(id)->outcome, Outcome::Verified);
    EXPECT_EQ(store.get(id)->block, blockWith(9));
}

TEST(HistoryStore, NewestFirstFilteredByPlateClientNotesAndPeriod)
{
    TempFolder dir;
    Store store(dir.file());
    Entry a = entry(Kind::Read, "ABC-1D23", 1);
    Entry b = entry(Kind::Read, "XYZ9K88", 2);
    b.vehicle.client = "Oficina Central";
    Entry c = entry(Kind::Write, "abc1d23", 3);
    c.block = a.block;
    (*c.block)[addr::cfg(addr::ColdStartTime)] ^= 0x10;
    Entry d = entry(Kind::Read, "", 4);
    d.vehicle.client = "";
    d.vehicle.notes = "trocou os bicos";
    for (Entry* e : {&a, &b, &c, &d})
        ASSERT_GT(store.add(*e), 0);

    // Through the newest entries read backwards, and through the indexes.
    for (int recent : {20000, 1}) {
        SCOPED_TRACE(recent);
        const auto plates = [&](Filter f) {
            f.recent = recent;
            std::vector<std::string> got;
            for (const Entry& e : store.list(f))
                got.push_back(e.vehicle.plate);
            return got;
        };
        EXPECT_EQ(plates({}), (std::vector<std::string>{"", "abc1d23", "XYZ9K88", "ABC-1D23"}));
        EXPECT_EQ(plates({"abc1"}), (std::vector<std::string>{"abc1d23", "ABC-1D23"}));
        EXPECT_EQ(plates({"oficina"}), (std::vector<std::string>{"XYZ9K88"}));
        EXPECT_EQ(plates({"bicos"}), (std::vector<std::string>{""}));
        EXPECT_EQ(plates({"Os Bic"}), (std::vector<std::string>{""})) << "words in a row, each from its beginning";
        EXPECT_EQ(plates({"icos"}), std::vector<std::string>{});
        EXPECT_EQ(plates({"eletrica silva"}), std::vector<std::string>{}) << "a client by its beginning";
        EXPECT_EQ(plates({"auto eletrica"}), (std::vector<std::string>{"abc1d23", "ABC-1D23"})) << "without accents";
        EXPECT_EQ(plates({"nada disso"}), std::vector<std::string>{});
        EXPECT_EQ(plates({"%"}), std::vector<std::string>{});
        EXPECT_EQ(plates({"", a.at + 1, c.at + 1}), (std::vector<std::string>{"abc1d23", "XYZ9K88"}));
        EXPECT_EQ(plates({"", a.at + 1, 0}), (std::vector<std::string>{"", "abc1d23", "XYZ9K88"}));
        EXPECT_EQ(plates({"abc", a.at + 1, 0}), (std::vector<std::string>{"abc1d23"}));
        Filter older;
        older.olderThan = store.list({}).front().id;
        EXPECT_EQ(plates(older), (std::vector<std::string>{"abc1d23", "XYZ9K88", "ABC-1D23"}));
    }
    const auto plates = [&](const Filter& f) {
        std::vector<std::string> got;
        for (const Entry& e : store.list(f))
            got.push_back(e.vehicle.plate);
        return got;
    };
    Filter page;
    page.limit = 2;
    const std::vector<Entry> first = store.list(page);
    ASSERT_EQ(first.size(), 2u);
    page.olderThan = first.back().id;
    EXPECT_EQ(plates(page), (std::vector<std::string>{"XYZ9K88", "ABC-1D23"}));

    // What changed, against the entry before it of the same plate (not of another car).
    const std::vector<Entry> all = store.list({});
    EXPECT_EQ(all[1].changed, std::vector<std::string>{"Partida à Frio / Tempo Injec."});
    EXPECT_TRUE(all[2].changed.empty());
    EXPECT_TRUE(all[3].changed.empty());
}

TEST(HistoryStore, AnnotatingAnEntryMakesItFoundByItsNewPlate)
{
    TempFolder dir;
    Store store(dir.file());
    const int64_t id = store.add(entry(Kind::Read, ""));
    ASSERT_TRUE(store.annotate(id, {"Maria", "QRS4E56", "cliente volta sexta"}));
    const std::vector<Entry> found = store.list({"qrs4"});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].vehicle.client, "Maria");
    EXPECT_EQ(found[0].vehicle.notes, "cliente volta sexta");
    EXPECT_EQ(store.list({"sexta"}).size(), 1u);
    ASSERT_TRUE(store.annotate(id, {"Maria", "QRS4E56", "pagou"}));
    EXPECT_TRUE(store.list({"sexta"}).empty()) << "the old notes' words go with them";
    EXPECT_EQ(store.list({"pagou"}).size(), 1u);
    EXPECT_FALSE(store.annotate(id + 100, {"x", "y", "z"}));
}

TEST(HistoryStore, ALaterLayoutIsReadButNeverWritten)
{
    TempFolder dir;
    {
        Store store(dir.file());
        ASSERT_GT(store.add(entry(Kind::Read)), 0);
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir.file().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version = 2", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    Store store(dir.file());
    EXPECT_TRUE(store.newerLayout());
    EXPECT_EQ(store.trouble().doing, Trouble::Doing::NewerLayout);
    EXPECT_EQ(store.list({}).size(), 1u);
    EXPECT_EQ(store.add(entry(Kind::Read)), 0);
    EXPECT_EQ(store.lost(), 1);
    EXPECT_EQ(store.count(), 1);
}

TEST(HistoryStore, ADamagedFileIsReportedAndLeftAsItIs)
{
    TempFolder dir;
    const std::string garbage(8192, '\x5a');
    std::ofstream(dir.file(), std::ios::binary) << garbage;
    Store store(dir.file());
    EXPECT_EQ(store.trouble().cause, Trouble::Cause::Damaged) << troubleText(store.trouble());
    EXPECT_EQ(store.add(entry(Kind::Read)), 0);
    EXPECT_EQ(store.add(entry(Kind::Write)), 0);
    EXPECT_EQ(store.lost(), 2);
    EXPECT_TRUE(store.list({}).empty());
    EXPECT_EQ(bytesOf(dir.file()), garbage);
}

TEST(HistoryStore, ADatabaseHeldTooLongByAnotherProgramLosesTheEntryAndGoesOn)
{
    TempFolder dir;
    Store store(dir.file());
    ASSERT_GT(store.add(entry(Kind::Read)), 0);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(dir.file().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(store.add(entry(Kind::Write)), 0);
    EXPECT_EQ(store.trouble().cause, Trouble::Cause::Busy) << troubleText(store.trouble());
    EXPECT_EQ(store.lost(), 1);
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_GT(store.add(entry(Kind::Write)), 0);
    EXPECT_TRUE(store.trouble().empty()) << troubleText(store.trouble());
    EXPECT_EQ(store.count(), 2);
}

TEST(HistoryStore, AFolderThatCannotBeMadeIsReported)
{
    TempFolder dir;
    std::ofstream(dir.file("Tuma")) << "a file where the folder should be";
    Store store((dir.path / "Tuma" / files::HistoryFile).string());
    EXPECT_EQ(store.trouble().cause, Trouble::Cause::CannotWrite) << troubleText(store.trouble());
    EXPECT_EQ(store.add(entry(Kind::Read)), 0);
    EXPECT_EQ(store.lost(), 1);
}

TEST(HistoryStore, AMissingFolderIsCreated)
{
    TempFolder dir;
    Store store((dir.path / "Documentos" / "Tuma" / files::HistoryFile).string());
    EXPECT_GT(store.add(entry(Kind::Read)), 0);
    EXPECT_TRUE(fs::exists(dir.path / "Documentos" / "Tuma" / files::HistoryFile));
}

#ifndef _WIN32

namespace {

// Runs `body` in a child with a mount namespace of its own and a small tmpfs at
// `dir`; its exit code is the result (0: all held). -1: the machine does not allow it.
int inSmallDisk(const fs::path& dir, const char* size, const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || mount("tmpfs", dir.c_str(), "tmpfs", 0, size) != 0)
            _exit(100);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        return 99;
    return WEXITSTATUS(status) == 100 ? -1 : WEXITSTATUS(status);
}

} // namespace

TEST(HistoryStore, AFullDiskLosesTheEntryAndNothingElse)
{
    TempFolder dir;
    const int result = inSmallDisk(dir.path, "size=256k", [&]() -> int {
        Store store(dir.file());
        if (store.add(entry(Kind::Read, "KEEP001", 1)) == 0)
            return 1;
        {
            std::ofstream filler(dir.file("filler"), std::ios::binary);
            const std::string chunk(4096, 'x');
            while (filler.write(chunk.data(), chunk.size()))
                ;
        }
        int failed = 0;
        for (uint8_t i = 0; i < 40; ++i) {
            Entry big = entry(Kind::Unwritten, "FULL001", i);
            big.formTexts.assign(50, std::string(200, 'y'));
            failed += store.add(big) == 0;
        }
        if (failed == 0 || store.lost() != failed)
            return 2;
        if (store.trouble().cause != Trouble::Cause::DiskFull)
            return 3;
        fs::remove(dir.file("filler"));
        if (store.add(entry(Kind::Read, "AFTER01", 2)) == 0)
            return 4;
        Store again(dir.file());
        return again.list({"KEEP001"}).size() == 1 && again.list({"AFTER01"}).size() == 1 ? 0 : 5;
    });
    if (result < 0)
        GTEST_SKIP() << "no mount namespace for a small tmpfs on this machine";
    EXPECT_EQ(result, 0);
}

TEST(HistoryStore, AReadOnlyFolderIsReportedAndItsEntriesStillShow)
{
    TempFolder dir;
    const int result = inSmallDisk(dir.path, "size=1m", [&]() -> int {
        {
            Store store(dir.file());
            if (store.add(entry(Kind::Read, "KEEP001", 1)) == 0)
                return 1;
        }
        if (mount(nullptr, dir.path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            return 100;
        Store store(dir.file());
        if (store.add(entry(Kind::Read, "LOST001", 2)) != 0 || store.lost() != 1)
            return 2;
        if (store.trouble().empty())
            return 3;
        if (store.list({"KEEP001"}).size() != 1) {
            std::fprintf(stderr, "%s\n", troubleText(store.trouble()).c_str());
            return 5;
        }
        Store fresh((dir.path / "outro.sqlite").string());
        return fresh.add(entry(Kind::Read)) == 0 && !fresh.trouble().empty() ? 0 : 4;
    });
    if (result < 0)
        GTEST_SKIP() << "no mount namespace for a read-only tmpfs on this machine";
    EXPECT_EQ(result, 0);
}

namespace {

// A child that adds entries in a loop, telling each id on `fd` once it is committed.
pid_t writer(const std::string& path, int fd, const std::string& plate, int count)
{
    const pid_t child = fork();
    if (child == 0) {
        Store store(path);
        for (int i = 0; i < count || count < 0; ++i) {
            const int64_t id = store.add(entry(Kind::Read, plate, static_cast<uint8_t>(i)));
            if (id == 0)
                _exit(1);
            if (write(fd, &id, sizeof id) != sizeof id)
                _exit(2);
        }
        _exit(0);
    }
    return child;
}

} // namespace

TEST(HistoryStore, AProgramKilledMidWriteLeavesEveryCommittedEntry)
{
    TempFolder dir;
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = writer(dir.file(), pipeFds[1], "KILL001", -1);
    close(pipeFds[1]);
    std::vector<int64_t> committed;
    int64_t id;
    while (committed.size() < 150 && read(pipeFds[0], &id, sizeof id) == sizeof id)
        committed.push_back(id);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(pipeFds[0]);
    ASSERT_EQ(committed.size(), 150u);

    Store store(dir.file());
    EXPECT_TRUE(store.trouble().empty()) << troubleText(store.trouble());
    for (size_t i = 0; i < committed.size(); ++i) {
        const std::optional<Entry> e = store.get(committed[i]);
        ASSERT_TRUE(e) << "entry " << committed[i] << " was committed and is gone";
        EXPECT_EQ(e->block, blockWith(static_cast<uint8_t>(i)));
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir.file().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* check = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
    sqlite3_finalize(check);
    sqlite3_close(db);
    EXPECT_GT(store.add(entry(Kind::Read)), 0);
}

TEST(HistoryStore, TwoProgramsWritingAtOnceLoseNothing)
{
    TempFolder dir;
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t one = writer(dir.file(), pipeFds[1], "PORTA05", 200);
    const pid_t two = writer(dir.file(), pipeFds[1], "PORTA06", 200);
    close(pipeFds[1]);
    std::set<int64_t> ids;
    int64_t id;
    while (read(pipeFds[0], &id, sizeof id) == sizeof id)
        ids.insert(id);
    close(pipeFds[0]);
    int status1 = 0, status2 = 0;
    waitpid(one, &status1, 0);
    waitpid(two, &status2, 0);
    EXPECT_EQ(WEXITSTATUS(status1), 0);
    EXPECT_EQ(WEXITSTATUS(status2), 0);
    EXPECT_EQ(ids.size(), 400u);
    Store store(dir.file());
    EXPECT_EQ(store.count(), 400);
    Filter f{"PORTA05"};
    f.limit = 1000;
    EXPECT_EQ(store.list(f).size(), 200u);
}

#endif

TEST(HistoryUri, APathIsSpelledAsSQLiteReadsItOnEverySystem)
{
    const struct {
        const char* path;
        const char* uri;
    } cases[] = {
        {"/home/ana/.local/share/tuma/historico.sqlite", "/home/ana/.local/share/tuma/historico.sqlite"},
        {"C:\\Users\\Jo\xC3\xA3o\\AppData\\Local\\Tuma\\historico.sqlite",
         "/C:/Users/Jo%C3%A3o/AppData/Local/Tuma/historico.sqlite"},
        {"d:/C\xC3\xB3pias/a b#1?.sqlite", "/d:/C%C3%B3pias/a%20b%231%3F.sqlite"},
        {"\\\\OFICINA2\\Documentos\\Tuma\\historico-OFICINA2-2026-12-11.sqlite",
         "////OFICINA2/Documentos/Tuma/historico-OFICINA2-2026-12-11.sqlite"},
        {"copia.sqlite", "copia.sqlite"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(uriPath(c.path), c.uri) << c.path;
}

TEST(HistoryTrouble, TheTechnicianReadsWhatFailedWhyAndWhere)
{
    using D = Trouble::Doing;
    using C = Trouble::Cause;
    const std::string f = "C:\\Oficina\\historico.sqlite";
    const struct {
        Trouble trouble;
        const char* said;
    } cases[] = {
        {{}, ""},
        {{D::Keep, C::DiskFull, {}, f},
         "Um registro não pôde ser guardado no histórico: o disco está cheio (C:\\Oficina\\historico.sqlite)"},
        {{D::Keep, C::CannotWrite, {}, f},
         "Um registro não pôde ser guardado no histórico: não é possível escrever "
         "na pasta ou no arquivo (C:\\Oficina\\historico.sqlite)"},
        {{D::ReadCopy, C::Damaged, {}, f},
         "A cópia do histórico não pôde ser lida: o arquivo está danificado; ele "
         "foi deixado como está (C:\\Oficina\\historico.sqlite)"},
        {{D::Annotate, C::Busy, {}, f},
         "A anotação não pôde ser guardada no histórico: outro programa o mantém "
         "ocupado há tempo demais (C:\\Oficina\\historico.sqlite)"},
        {{D::NewerLayout, C::None, {}, f},
         "O histórico foi criado por uma versão mais nova do programa: ele é "
         "mostrado, mas nada é acrescentado a ele (C:\\Oficina\\historico.sqlite)"},
        {{D::Read, C::Unknown, "disk I/O error", f},
         "O histórico não pôde ser lido: disk I/O error (C:\\Oficina\\historico.sqlite)"},
        {{D::Open, C::Unknown, {}, f},
         "O histórico não pôde ser aberto: erro desconhecido (C:\\Oficina\\historico.sqlite)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(troubleText(c.trouble), c.said);
}
