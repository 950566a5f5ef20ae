#include "history/search_keys.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace tuma::history {

std::string folded(const std::string& text)
{
    static const char* const Latin = "aaaaaaaceeeeiiiidnooooo/ouuuuyty"; // U+00E0..U+00FF
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0xC3 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0xBF) {
                out += Latin[(next - 0x80) % 32]; // upper (C3 80..9F) and lower (C3 A0..BF) alike
                ++i;
                continue;
            }
        }
        out += static_cast<char>(std::tolower(c));
    }
    return out;
}

std::vector<std::string> wordsOf(const std::string& notes)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : folded(notes) + " ") {
        if (std::isalnum(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80) {
            word += c;
            continue;
        }
        if (!word.empty() && std::find(words.begin(), words.end(), word) == words.end())
            words.push_back(word);
        word.clear();
    }
    return words;
}

std::string notesKey(const std::string& notes)
{
    std::string key;
    for (const std::string& w : wordsOf(notes))
        key += " " + w;
    return key;
}

std::string searchedWords(const std::string& text)
{
    std::string key;
    for (const std::string& w : wordsOf(text))
        key += (key.empty() ? "" : " ") + w;
    return key;
}

std::string clientKey(const std::string& client)
{
    const size_t start = client.find_first_not_of(' ');
    return start == std::string::npos ? std::string() : folded(client.substr(start));
}

std::string plateKey(const std::string& plate)
{
    std::string key;
    for (char c : plate)
        if (std::isalnum(static_cast<unsigned char>(c)))
            key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

} // namespace tuma::history
