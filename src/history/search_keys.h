#pragma once
// What the history's filter searches: plates, clients' names and the notes' words in
// the forms they are kept and looked for in. Plain rules on text.
#include <string>
#include <vector>

namespace tuma::history {

// The plate as it is searched: upper case, letters and digits only.
std::string plateKey(const std::string& plate);
// A client's name as it is searched: lower case without the accents of Portuguese
// (so that "mecanica" finds "Mecânica"), without the spaces before it.
std::string clientKey(const std::string& client);

// Lower case without the accents of Portuguese, so that "mecanica" finds "Mecânica".
std::string folded(const std::string& text);
// The notes' words, folded, each once.
std::vector<std::string> wordsOf(const std::string& notes);
// " bicos novos": each word after a space, as a filter looks for a word's beginning.
std::string notesKey(const std::string& notes);
// What a filter looks for in the notes: the words typed, folded, one space apart.
std::string searchedWords(const std::string& text);

} // namespace tuma::history
