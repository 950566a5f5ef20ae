#include "core/param_file.h"

#include "core/errors.h"
#include "core/number_text.h"
#include "core/parameters.h"
#include "core/texts.h"
#include "core/workshop_files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <sstream>
#include <vector>

namespace tuma {

namespace {

const char* const Scale = "1"; // the form reads at scale 1
constexpr char Point = '.';    // files carry a decimal point on every PC

std::string trim(const std::string& s)
{
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return {};
    const size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

bool validUtf8(const std::string& s, size_t& badAt)
{
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || i + n > s.size()) {
            badAt = i;
            return false;
        }
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 0x2) {
                badAt = i;
                return false;
            }
        i += n;
    }
    return true;
}

// The free-text header fields, which keep a "#" as text.
bool isFreeText(const std::string& key)
{
    for (const VehicleField& f : VehicleFields)
        if (key == f.key)
            return true;
    return false;
}

// Free text on one line: line breaks and other control characters become blanks.
std::string oneLine(const std::string& text)
{
    std::string s = text;
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return trim(s);
}

std::string optionText(bool on) { return on ? texts::Yes : texts::No; }

// Pads to a column counted in characters, not bytes ("não" is four bytes).
void padTo(std::string& line, size_t column)
{
    size_t chars = 0;
    for (unsigned char c : line)
        chars += (c & 0xC0) != 0x80;
    if (chars < column)
        line.append(column - chars, ' ');
}

} // namespace

FileHeader headerNow(const std::string& controllerVersion, const std::string& port, const std::string& programVersion)
{
    return {files::headerStamp(files::Moment::now()), controllerVersion, port, programVersion, {}};
}

std::string formatParameterFile(const FileHeader& header, const Block& image)
{
    std::ostringstream out;
    out << "# Tuma Programável: parâmetros do controlador\n";
    out << "formato = " << FileFormat << "\n";
    out << "data = " << header.date << "\n";
    out << "versao_controlador = " << header.controllerVersion << "\n";
    out << "porta = " << header.port << "\n";
    out << "programa = " << header.programVersion << "\n";
    for (const VehicleField& f : VehicleFields)
        if (const std::string& value = header.vehicle.*f.member; !value.empty())
            out << f.key << " = " << oneLine(value) << "\n";
    out << "\n";
    for (size_t i = 0; i < parameterCount(); ++i) {
        const Parameter& p = parameterTable()[i];
        std::string line = std::string(p.name) + " = " + shownText(p, image, Scale, Point);
        padTo(line, 28);
        out << line << "# " << p.caption << " (" << p.unit << ")\n";
    }
    const uint8_t flags = image[addr::cfg(addr::OptionFlags)];
    for (const OptionBit& o : Options) {
        std::string line = std::string(o.name) + " = " + optionText(flags & o.bit);
        padTo(line, 28);
        out << line << "# " << o.caption << "\n";
    }
    out << "\n# Os 25 bytes lidos (endereços 1 a 25); o que nenhum campo mostra vem daqui.\nbytes =";
    for (uint8_t b : image) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        out << hex;
    }
    out << "\nfim\n";
    return out.str();
}

namespace {

// Why a file is refused, and on which line (0: the file as a whole).
struct Problem {
    size_t line = 0;
    std::string why;
    explicit operator bool() const { return !why.empty(); }
};

// name -> value and the line it is on
using Entries = std::map<std::string, std::pair<std::string, size_t>>;

// The "name = value" lines, comments and blank lines dropped: "formato" first and
// "fim" last, each name once.
Problem readEntries(const std::string& text, Entries& values, size_t& lastLine)
{
    std::istringstream in(text);
    std::string raw;
    size_t lineNo = 0, formatLine = 0;
    bool ended = false;
    while (std::getline(in, raw)) {
        ++lineNo;
        if (lineNo == 1 && raw.rfind("\xEF\xBB\xBF", 0) == 0)
            raw.erase(0, 3); // a byte-order mark left by an editor
        std::string line = trim(raw);
        const size_t eqAt = line.find('=');
        const bool freeText
            = line.rfind('#', 0) != 0 && eqAt != std::string::npos && isFreeText(trim(line.substr(0, eqAt)));
        const size_t hash = line.find('#');
        if (hash != std::string::npos && !freeText)
            line = trim(line.erase(hash));
        if (line.empty())
            continue;
        if (ended)
            return {lineNo, "texto depois de \"fim\""};
        if (line == "fim") {
            ended = true;
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos)
            return {lineNo, "linha sem \"nome = valor\": " + line};
        const std::string key = trim(line.substr(0, eq)), value = trim(line.substr(eq + 1));
        if (values.count(key))
            return {lineNo, "\"" + key + "\" repetido (já na linha " + std::to_string(values[key].second) + ")"};
        if (key == "formato") {
            formatLine = lineNo;
            if (value != std::to_string(FileFormat))
                return {lineNo,
                        "formato " + value + " desconhecido (este programa lê o formato " + std::to_string(FileFormat)
                            + ")"};
        } else if (!formatLine) {
            return {lineNo, "o arquivo deve começar por \"formato = " + std::to_string(FileFormat) + "\""};
        }
        values[key] = {value, lineNo};
    }
    lastLine = lineNo;
    if (!formatLine)
        return {0, "não é um arquivo de parâmetros (falta \"formato\")"};
    if (!ended)
        return {lineNo, "arquivo incompleto (falta \"fim\")"};
    return {};
}

// Every name known, and every known name present.
Problem checkNames(const Entries& values, size_t lastLine)
{
    std::vector<std::string> known = {"formato", "data", "versao_controlador", "porta", "programa", "bytes"};
    for (size_t i = 0; i < parameterCount(); ++i)
        known.push_back(parameterTable()[i].name);
    for (const OptionBit& o : Options)
        known.push_back(o.name);
    for (const auto& [key, v] : values)
        if (std::find(known.begin(), known.end(), key) == known.end() && !isFreeText(key))
            return {v.second, "campo desconhecido \"" + key + "\""};
    for (const std::string& k : known)
        if (!values.count(k))
            return {lastLine, "falta o campo \"" + k + "\""};
    return {};
}

Problem readBytes(const std::pair<std::string, size_t>& bytes, Block& raw)
{
    std::istringstream hex(bytes.first);
    std::string pair;
    size_t count = 0;
    while (hex >> pair) {
        unsigned v = 0;
        char extra = 0;
        if (count >= addr::ConfigCount || pair.size() != 2 || std::sscanf(pair.c_str(), "%2x%c", &v, &extra) != 1)
            return {bytes.second, "\"bytes\" deve ter 25 pares hexadecimais"};
        raw[count++] = static_cast<uint8_t>(v);
    }
    if (count != addr::ConfigCount)
        return {bytes.second, "\"bytes\" deve ter 25 pares hexadecimais (tem " + std::to_string(count) + ")"};
    return {};
}

// Every value is checked as the form checks it on leaving the field, then only the
// changed ones are encoded: a value that reads back from its own bytes keeps them.
Problem applyValues(const Entries& values, ParsedFile& result)
{
    const std::string& maxCorrection = values.at("limite_corr").first;
    for (size_t i = 0; i < parameterCount(); ++i) {
        const Parameter& p = parameterTable()[i];
        const auto& [value, at] = values.at(p.name);
        if (p.checked) {
            EntryVerdict verdict;
            try {
                verdict = checkEntry(p, value, Point, maxCorrection);
            } catch (const ConversionError&) {
                // Only the mixture's bound raises: limite_corr's own line says why.
                return {values.at("limite_corr").second, parameterNamed("limite_corr")->conversionMessage};
            }
            if (!verdict.accepted())
                return {at, std::string(p.name) + " = " + value + ": " + verdict.message};
        } else {
            int32_t rpm = 0;
            if (!tryParseInteger(value, rpm) || rpm < p.lower || rpm > p.upper)
                return {at,
                        std::string(p.name) + " = " + value + ": os valores devem estar entre "
                            + formatGeneral(p.lower, Point) + " e " + formatGeneral(p.upper, Point) + "!"};
        }
        const std::string stored = shownText(p, result.raw, Scale, Point);
        if (stored == value)
            continue;
        try {
            p.encode(result.image, value, Scale, Point);
        } catch (...) {
            return {at, std::string(p.name) + " = " + value + ": " + p.conversionMessage};
        }
    }
    uint8_t& flags = result.image[addr::cfg(addr::OptionFlags)];
    for (const OptionBit& o : Options) {
        const auto& [value, at] = values.at(o.name);
        if (value == texts::Yes)
            flags |= o.bit;
        else if (value == texts::No || value == "nao")
            flags &= static_cast<uint8_t>(~o.bit);
        else
            return {at, std::string(o.name) + " deve ser \"" + texts::Yes + "\" ou \"" + texts::No + "\""};
    }
    return {};
}

} // namespace

ParsedFile parseParameterFile(const std::string& text)
{
    ParsedFile result;
    Problem problem;
    size_t badAt = 0, lastLine = 0;
    Entries values;
    if (text.size() > MaxFileSize)
        problem = {0, "arquivo maior que 64 KiB"};
    else if (!validUtf8(text, badAt))
        problem = {1 + size_t(std::count(text.begin(), text.begin() + std::ptrdiff_t(badAt), '\n')),
                   "texto que não é UTF-8"};
    if (!problem)
        problem = readEntries(text, values, lastLine);
    if (!problem)
        problem = checkNames(values, lastLine);
    if (!problem)
        problem = readBytes(values.at("bytes"), result.raw);
    if (!problem) {
        result.header.date = values.at("data").first;
        result.header.controllerVersion = values.at("versao_controlador").first;
        result.header.port = values.at("porta").first;
        result.header.programVersion = values.at("programa").first;
        for (const VehicleField& f : VehicleFields)
            if (values.count(f.key))
                result.header.vehicle.*f.member = values.at(f.key).first;
        result.image = result.raw;
        problem = applyValues(values, result);
    }
    result.ok = !problem;
    if (problem)
        result.error = problem.line ? "linha " + std::to_string(problem.line) + ": " + problem.why : problem.why;
    return result;
}

} // namespace tuma
