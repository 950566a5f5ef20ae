// What the history's filter finds: plates however they were typed, clients' names and
// the notes' words without the accents of Portuguese, each word once.
#include "history/search_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tuma::history;

namespace {

TEST(SearchKeys, EachKeyAsTheFilterLooksForIt)
{
    struct Case {
        std::string (*key)(const std::string&);
        const char* typed;
        const char* kept;
    };
    const Case cases[] = {
        {plateKey, "abc-1d23", "ABC1D23"},
        {plateKey, " ABC 1234 ", "ABC1234"},
        {plateKey, "", ""},
        {clientKey, "  Oficina Mecânica São João", "oficina mecanica sao joao"},
        {clientKey, "ÂNGELA", "angela"},
        {clientKey, "   ", ""},
        {notesKey, "Bicos novos; bicos LIMPOS", " bicos novos limpos"},
        {notesKey, "Sonda trocada, ignição ok", " sonda trocada ignicao ok"},
        {notesKey, "", ""},
        {searchedWords, "  Ignição   sonda ", "ignicao sonda"},
        {folded, "ÀÉÎÕÜÇ àéîõüç", "aeiouc aeiouc"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.key(c.typed), c.kept) << c.typed;
}

TEST(SearchKeys, WordsAreFoldedAndKeptOnce)
{
    EXPECT_EQ(wordsOf("Troca da bomba; BOMBA nova, bomba"), (std::vector<std::string>{"troca", "da", "bomba", "nova"}));
    EXPECT_TRUE(wordsOf(" ,;. ").empty());
}

} // namespace
