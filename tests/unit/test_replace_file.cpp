// A file put under its name by replaceFile is never missing nor half written, whatever
// moment a crash picks: a writer killed at random points of its loop, hundreds of
// times, leaves the old file or the new one under the name, whole.
#include "ports/system.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#include <dirent.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tuma;

namespace {

std::string readAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

class ReplaceFile : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override
    {
        char name[] = "/tmp/tuma-replace-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override { std::system(("rm -rf " + dir).c_str()); }
};

TEST_F(ReplaceFile, ReplacesAWholeFileAndLeavesNothingBeside)
{
    const std::string path = dir + "/QRS4E56 2026-12-11 0930.tuma";
    std::string why;
    ASSERT_TRUE(replaceFile(path, "velho\n", why)) << why;
    ASSERT_TRUE(replaceFile(path, "novo\n", why)) << why;
    EXPECT_EQ(readAll(path), "novo\n");
    DIR* d = opendir(dir.c_str());
    int entries = 0;
    while (dirent* e = readdir(d))
        entries += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
    closedir(d);
    EXPECT_EQ(entries, 1);
}

TEST_F(ReplaceFile, ANameThatCannotTakeTheFileSaysWhyAndLeavesNothingBeside)
{
    // A folder under the name: the move fails, even for root, and the folder stays.
    const std::string path = dir + "/pasta";
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    std::string why;
    EXPECT_FALSE(replaceFile(path, "novo\n", why));
    EXPECT_EQ(why, "Is a directory");
    struct stat st { };
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    DIR* d = opendir(dir.c_str());
    int entries = 0;
    while (dirent* e = readdir(d))
        entries += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
    closedir(d);
    EXPECT_EQ(entries, 1) << "the temporary file was left beside";
}

TEST_F(ReplaceFile, NoFolderSaysWhy)
{
    std::string why;
    EXPECT_FALSE(replaceFile(dir + "/nao/existe.tuma", "x", why));
    EXPECT_EQ(why, "No such file or directory");
}

TEST_F(ReplaceFile, AWriterKilledAtRandomNeverLeavesTheNameWithoutAWholeFile)
{
    const std::string path = dir + "/alvo.tuma";
    const std::string a = std::string(200000, 'A') + "fim A\n";
    const std::string b = std::string(300000, 'B') + "fim B\n";
    std::string why;
    ASSERT_TRUE(replaceFile(path, a, why)) << why;
    std::mt19937 random(20261211);
    int sawA = 0, sawB = 0;
    for (int round = 0; round < 300; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned i = 0;; ++i) {
                std::string ignored;
                replaceFile(path, i % 2 ? a : b, ignored);
            }
        }
        usleep(std::uniform_int_distribution<useconds_t>(0, 15000)(random));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string now = readAll(path);
        ASSERT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes under the name";
        (now == a ? sawA : sawB) += 1;
    }
    // The kills fell on both sides of the writes.
    EXPECT_GT(sawA, 0);
    EXPECT_GT(sawB, 0);
}

} // namespace
