// The workshop's file rules that the windows and tuma-cli share: names from a plate,
// the stamps, and the next unused name.
#include "core/workshop_files.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace tuma::files;

namespace {

TEST(WorkshopFiles, NamesFromAPlate)
{
    const struct {
        const char* plate;
        const char* extension;
        const char* suffix;
        const char* noPlate;
        const char* name;
    } cases[] = {
        {"abc1d23", ".tuma", "", NoPlate, "ABC1D23 2026-12-09 1530.tuma"},
        {"", ".tuma", "", NoPlate, "tuma 2026-12-09 1530.tuma"},
        {" a/b:c*1 ", ".tuma", BeforeWriteSuffix, NoPlate, "ABC1 2026-12-09 1530 antes.tuma"},
        {"///", ".tuma", "", NoPlate, "tuma 2026-12-09 1530.tuma"},
        {"abc\n1d\t23", ".pdf", "", NoPlate, "ABC 1D 23 2026-12-09 1530.pdf"},
        {"\"<|>?\"", ".csv", "", NoPlateLog, "registro 2026-12-09 1530.csv"},
        {"xyz9a87", ".csv", "", NoPlateLog, "XYZ9A87 2026-12-09 1530.csv"},
        {"çb", ".tuma", "", NoPlate,
         "\xC3\xA7"
         "B 2026-12-09 1530.tuma"}, // UTF-8 passes through
    };
    for (const auto& c : cases)
        EXPECT_EQ(fileName(c.plate, "2026-12-09 1530", c.extension, c.suffix, c.noPlate), c.name) << c.plate;
    // The copy kept before a write, by the windows and the tool alike.
    EXPECT_EQ(beforeWriteName(" a/b:c*1 ", Moment{2026, 12, 9, 15, 30, 11, 0}), "ABC1 2026-12-09 1530 antes.tuma");
}

TEST(WorkshopFiles, Stamps)
{
    const Moment m{2026, 3, 4, 5, 6, 7, 89};
    EXPECT_EQ(nameStamp(m), "2026-03-04 0506");
    EXPECT_EQ(headerStamp(m), "2026-03-04 05:06:07");
    EXPECT_EQ(logStamp(m), "2026-03-04T05:06:07.089");
    // Milliseconds before 1970 still land in 0..999.
    EXPECT_EQ(Moment::fromEpochMs(-1).millisecond, 999);
    EXPECT_EQ(Moment::fromEpochMs(1234).millisecond, 234);
}

TEST(WorkshopFiles, TheNextUnusedName)
{
    std::set<std::string> taken;
    const auto exists = [&](const std::string& p) { return taken.count(p) > 0; };
    EXPECT_EQ(unusedPath("/d/ABC 2026.tuma", exists), "/d/ABC 2026.tuma");
    taken = {"/d/ABC 2026.tuma"};
    EXPECT_EQ(unusedPath("/d/ABC 2026.tuma", exists), "/d/ABC 2026 2.tuma");
    taken = {"/d/ABC 2026.tuma", "/d/ABC 2026 2.tuma", "/d/ABC 2026 3.tuma"};
    EXPECT_EQ(unusedPath("/d/ABC 2026.tuma", exists), "/d/ABC 2026 4.tuma");
    // A dot in a folder's name is not an extension.
    taken = {"C:\\a.b\\registro"};
    EXPECT_EQ(unusedPath("C:\\a.b\\registro", exists), "C:\\a.b\\registro 2");
}

} // namespace
