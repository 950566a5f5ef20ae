// Where the live history is kept and the day's copies: a database found where earlier
// versions kept it is moved once and checked before the old one is set aside, or left
// as it was and still used; the copies are whole, one a day, the newest ten kept.
#include "history/database_place.h"
#include "history/history_store.h"
#include "ports/system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <sys/stat.h>

using namespace tuma;
using namespace tuma::history;
namespace fs = std::filesystem;

namespace {

struct Folder {
    Folder()
    {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path = fs::temp_directory_path() / ("tuma-place-" + std::string(test->name()));
        fs::remove_all(path);
        fs::create_directories(path / "Documentos" / "Tuma");
    }
    ~Folder()
    {
        std::error_code ignored;
        fs::permissions(old(), fs::perms::owner_all, ignored);
        fs::remove_all(path, ignored);
    }
    std::string old() const { return (path / "Documentos" / "Tuma" / "historico.sqlite").string(); }
    std::string wanted() const { return (path / "dados" / "tuma" / "historico.sqlite").string(); }
    std::string copies() const { return (path / "Documentos" / "Tuma" / fs::u8path("Cópias do histórico")).u8string(); }
    std::set<std::string> names(const fs::path& folder) const
    {
        std::set<std::string> all;
        for (const auto& e : fs::directory_iterator(folder))
            all.insert(e.path().filename().string());
        return all;
    }
    fs::path path;
};

std::string bytesOf(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

Entry entry(int i)
{
    Entry e;
    e.at = 1765400000 + i;
    e.kind = Kind::Read;
    e.port = "COM5";
    e.vehicle.plate = "ABC" + std::to_string(1000 + i);
    Block b{};
    b[0] = static_cast<uint8_t>(i);
    e.block = b;
    return e;
}

void fill(const std::string& path, int n)
{
    Store s(path);
    for (int i = 0; i < n; ++i)
        ASSERT_GT(s.add(entry(i)), 0) << troubleText(s.trouble());
}

size_t countIn(const std::string& path)
{
    Store s(path, Store::Opening::CopyToRead);
    Filter all;
    all.limit = 100000;
    return s.list(all).size();
}

const ReplaceFile realWrite
    = [](const std::string& p, const std::string& b, std::string& why) { return replaceFile(p, b, why); };

} // namespace

TEST(DatabasePlace, AnOldDatabaseWithAJournalNotYetCheckpointedMovesWhole)
{
    Folder f;
    // Copied while the program that wrote it still had it open: the last entries live
    // only in the journal beside it.
    {
        const std::string live = (f.path / "vivo.sqlite").string();
        Store writer(live);
        for (int i = 0; i < 40; ++i)
            ASSERT_GT(writer.add(entry(i)), 0);
        ASSERT_TRUE(fs::exists(live + "-wal"));
        ASSERT_GT(fs::file_size(live + "-wal"), 0u);
        fs::copy_file(live, f.old());
        fs::copy_file(live + "-wal", f.old() + "-wal");
    }
    const Place p = placeDatabase(f.wanted(), f.old(), realWrite);
    EXPECT_TRUE(p.moved);
    EXPECT_FALSE(p.failed);
    EXPECT_EQ(p.path, f.wanted());
    EXPECT_NE(p.news.find("foi movido"), std::string::npos) << p.news;
    EXPECT_EQ(countIn(f.wanted()), 40u) << "the journal's entries came along";
    // The old one is set aside: no program takes it for the live one again.
    EXPECT_FALSE(fs::exists(f.old()));
    EXPECT_FALSE(fs::exists(f.old() + "-wal"));
    EXPECT_TRUE(fs::exists(f.old() + ".movido"));
    EXPECT_EQ(countIn(f.old() + ".movido"), 40u);

    // The next start finds it in place and does nothing more; entries go on.
    const Place again = placeDatabase(f.wanted(), f.old(), realWrite);
    EXPECT_FALSE(again.moved);
    EXPECT_TRUE(again.news.empty());
    {
        Store s(again.path);
        EXPECT_GT(s.add(entry(41)), 0) << troubleText(s.trouble());
    }
    EXPECT_EQ(countIn(f.wanted()), 41u);
}

TEST(DatabasePlace, AFailedMoveLeavesEverythingWhereItWasAndSaysWhy)
{
    struct Case {
        const char* what;
        bool damage;
        ReplaceFile write;
        const char* says;
    };
    const ReplaceFile diskFull = [](const std::string&, const std::string&, std::string& why) {
        why = "disco cheio";
        return false;
    };
    const ReplaceFile halfWritten = [](const std::string& p, const std::string& b, std::string& why) {
        return replaceFile(p, b.substr(0, b.size() / 2), why);
    };
    const Case cases[] = {
        {"a damaged file", true, realWrite, "danificado"},
        {"a disk that takes nothing", false, diskFull, "disco cheio"},
        {"a copy that does not match", false, halfWritten, "não confere"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Folder f;
        fill(f.old(), 12);
        if (c.damage) {
            std::fstream file(f.old(), std::ios::in | std::ios::out | std::ios::binary);
            // Every page after the first one's header garbled, as a half-synced file is.
            file.seekp(4096);
            file << std::string(static_cast<size_t>(fs::file_size(f.old())) - 4096, '\xFF');
        }
        const std::string before = bytesOf(f.old());
        const Place p = placeDatabase(f.wanted(), f.old(), c.write);
        EXPECT_TRUE(p.failed);
        EXPECT_FALSE(p.moved);
        EXPECT_EQ(p.path, f.old()) << "the old one stays the live one: never two";
        EXPECT_NE(p.news.find(c.says), std::string::npos) << p.news;
        EXPECT_NE(p.news.find("continua em"), std::string::npos) << p.news;
        EXPECT_TRUE(bytesOf(f.old()) == before) << "the old file as it was";
        EXPECT_FALSE(fs::exists(f.wanted()));
        EXPECT_EQ(f.names(f.path / "Documentos" / "Tuma"), std::set<std::string>{"historico.sqlite"});
    }
}

TEST(DatabasePlace, AReadOnlyOldFileIsMovedAndNothingWhereNoneWas)
{
    Folder f;
    EXPECT_EQ(placeDatabase(f.wanted(), f.old(), realWrite).path, f.wanted());
    EXPECT_FALSE(fs::exists(f.wanted())) << "nothing is made before the first entry";

    fill(f.old(), 5);
    fs::permissions(f.old(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Place p = placeDatabase(f.wanted(), f.old(), realWrite);
    EXPECT_TRUE(p.moved) << p.news;
    EXPECT_EQ(countIn(f.wanted()), 5u);
}

TEST(DatabasePlace, TheDaysCopyIsWholeOncePerDayAndTheNewestTenOfThisComputerAreKept)
{
    Folder f;
    const std::string live = f.wanted();
    EXPECT_FALSE(dailyCopy(live, f.copies(), "OFICINA", "2026-12-11", false, realWrite).written)
        << "no history yet, no copy";
    fill(live, 3);

    const CopyResult first = dailyCopy(live, f.copies(), "OFICINA", "2026-12-11", false, realWrite);
    ASSERT_TRUE(first.written) << first.why;
    EXPECT_EQ(fs::path(first.path).filename().string(), "historico-OFICINA-2026-12-11.sqlite");
    EXPECT_EQ(countIn(first.path), 3u);
    EXPECT_FALSE(fs::exists(first.path + "-wal")) << "a plain file, nothing beside it";
    {
        Store s(live);
        s.add(entry(9));
    }
    EXPECT_FALSE(dailyCopy(live, f.copies(), "OFICINA", "2026-12-11", false, realWrite).written)
        << "a second start on the same day keeps the day's copy";
    EXPECT_EQ(countIn(first.path), 3u);
    EXPECT_TRUE(dailyCopy(live, f.copies(), "OFICINA", "2026-12-11", true, realWrite).written) << "the program ends";
    EXPECT_EQ(countIn(first.path), 4u);

    // Twelve days of this PC, two of another one sharing the folder, a file of the user's.
    for (int d = 1; d <= 12; ++d) {
        char date[16];
        std::snprintf(date, sizeof date, "2026-11-%02d", d);
        ASSERT_TRUE(dailyCopy(live, f.copies(), "OFICINA", date, false, realWrite).written);
    }
    for (const char* name : {"historico-OFICINA-2-2026-11-01.sqlite", "historico-OFICINA-2-2026-11-02.sqlite",
                             "historico-OFICINA-anotacoes.sqlite"})
        std::ofstream(fs::u8path(f.copies()) / name) << "x";
    ASSERT_TRUE(dailyCopy(live, f.copies(), "OFICINA", "2026-12-12", false, realWrite).written);
    std::set<std::string> expected = {"historico-OFICINA-2-2026-11-01.sqlite", "historico-OFICINA-2-2026-11-02.sqlite",
                                      "historico-OFICINA-anotacoes.sqlite", "historico-OFICINA-2026-12-11.sqlite",
                                      "historico-OFICINA-2026-12-12.sqlite"};
    for (int d = 5; d <= 12; ++d) {
        char name[64];
        std::snprintf(name, sizeof name, "historico-OFICINA-2026-11-%02d.sqlite", d);
        expected.insert(name);
    }
    EXPECT_EQ(f.names(fs::u8path(f.copies())), expected);
}

TEST(DatabasePlace, ACopyIsShownAsItStandsAndNeverWritten)
{
    Folder f;
    fill(f.wanted(), 4);
    const CopyResult c = dailyCopy(f.wanted(), f.copies(), "PC João/1", "2026-12-11", false, realWrite);
    ASSERT_TRUE(c.written) << c.why;
    EXPECT_EQ(fs::path(c.path).filename().string(), "historico-PC_Jo__o_1-2026-12-11.sqlite");
    const std::string before = bytesOf(c.path);
    {
        Store copy(c.path, Store::Opening::CopyToRead);
        EXPECT_TRUE(copy.isCopy());
        EXPECT_EQ(copy.count(), 4);
        EXPECT_EQ(copy.add(entry(7)), 0);
        EXPECT_FALSE(copy.annotate(1, {"x", "y", "z"}));
        EXPECT_TRUE(copy.trouble().empty()) << troubleText(copy.trouble());
    }
    EXPECT_TRUE(bytesOf(c.path) == before) << "the copy as it was";
    EXPECT_EQ(f.names(fs::u8path(f.copies())).size(), 1u) << "no journal left beside a copy looked at";

    std::ofstream(f.path / "lixo.sqlite") << "não é um banco de dados";
    Store junk((f.path / "lixo.sqlite").string(), Store::Opening::CopyToRead);
    EXPECT_EQ(junk.count(), 0);
    EXPECT_EQ(junk.trouble().doing, Trouble::Doing::ReadCopy) << troubleText(junk.trouble());
    EXPECT_EQ(junk.trouble().cause, Trouble::Cause::Damaged) << troubleText(junk.trouble());
}
