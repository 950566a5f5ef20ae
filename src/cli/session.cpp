#include "cli/session.h"

#include "core/block_compare.h"
#include "core/put_back.h"
#include "core/texts.h"
#include "core/workshop_files.h"
#include "history/database_place.h"

#include <fstream>

namespace tuma::cli {

using texts::CommFailure;

namespace {

// A field's value at scale 1, with the user's separator, as the form shows it.
std::string fieldText(const Parameter& p, const Block& image, char sep) { return shownText(p, image, "1", sep); }

// A flag as files and the option boxes' words say it.
const char* yesNo(bool on) { return on ? texts::Yes : texts::No; }

} // namespace

Session::Session(const Args& a, CliSystem& s) : args(a), sys(s), link(s.portFactory, s.devicePathRule) { }

int Session::run()
{
    const std::string& c = args.command;
    if (c == "ports")
        return ports();
    if (c == "show")
        return show();
    if (c == "diff")
        return diff();
    if (c == "history")
        return history();
    if (c == "version" || c == "backup" || c == "restore" || c == "log") {
        if (args.port.empty())
            return usage("\"" + c + "\" pede a porta: -p PORTA");
        if (c == "version")
            return version();
        if (c == "backup")
            return backup();
        if (c == "restore")
            return restore();
        return log();
    }
    return usage(c.empty() ? "falta o comando" : "comando desconhecido: " + c);
}

int Session::usage(const std::string& why)
{
    *sys.err << "tuma-cli: " << why << "\n" << Usage;
    return BadUsage;
}

int Session::failed(const std::string& why)
{
    *sys.err << "tuma-cli: " << why << "\n";
    return Failed;
}

int Session::badFile(const std::string& why)
{
    *sys.err << "tuma-cli: " << why << "\n";
    return BadUsage;
}

bool Session::open()
{
    if (link.portOpen())
        return true;
    if (!link.OpenPort(args.port)) {
        *sys.err << "tuma-cli: Erro ao abrir a Serial " << args.port << " (não existe, está em uso ou sem permissão)\n";
        return false;
    }
    return true;
}

bool Session::readVersionText(std::string& versionText)
{
    commands::Version v;
    if (!commands::readVersion(link, v))
        return false;
    versionText = std::to_string(v.major) + "." + std::to_string(v.minor);
    return true;
}

bool Session::readBlock(Block& image, std::string& versionText)
{
    return readVersionText(versionText) && commands::readConfig(link, image);
}

bool Session::loadFile(const std::string& path, ParsedFile& parsed)
{
    std::string text, why;
    if (!readFile(path, text, why)) {
        *sys.err << "tuma-cli: " << why << "\n";
        return false;
    }
    parsed = parseParameterFile(text);
    if (!parsed.ok) {
        *sys.err << "tuma-cli: " << path << ": " << parsed.error << "\n";
        return false;
    }
    return true;
}

// The workshop's history; nothing is kept where none is named.
history::Store* Session::historyStore()
{
    std::string path = args.history.empty() ? sys.historyFile : args.history;
    if (!store && !path.empty()) {
        if (args.history.empty() && !sys.oldHistoryFile.empty() && sys.replaceFile) {
            const history::Place place = history::placeDatabase(path, sys.oldHistoryFile, sys.replaceFile);
            path = place.path;
            if (place.failed)
                *sys.err << place.news << "\n";
        }
        store = std::make_unique<history::Store>(path);
    }
    return store.get();
}

history::Entry Session::entryNow(history::Kind kind, const std::string& versionText) const
{
    return history::entryNow(kind, args.port, versionText, sys.programVersion);
}

FileHeader Session::headerNow(const std::string& versionText) const
{
    return tuma::headerNow(versionText, args.port, sys.programVersion);
}

void Session::showImage(const Block& image)
{
    for (const char* name : ReadOrder) {
        const Parameter& p = *parameterNamed(name);
        out() << "  " << p.caption << ": " << fieldText(p, image, sys.decimalSeparator) << " " << p.unit << "\n";
    }
    const Parameter& idle = idleSpeed();
    out() << "  " << idle.caption << ": " << fieldText(idle, image, sys.decimalSeparator) << " " << idle.unit << "\n";
    const uint8_t flags = image[addr::cfg(addr::OptionFlags)];
    for (const OptionBit& o : Options)
        out() << "  " << o.caption << ": " << yesNo(flags & o.bit) << "\n";
    out() << "  " << texts::LambdaIdleLamp << ": "
          << (flags & bits::LambdaIdleLearned ? texts::Learned : texts::NotLearned) << "\n";
    out() << "  " << texts::MapLamp << ": " << (flags & bits::MapLearned ? texts::Learned : texts::NotLearned) << "\n";
}

// Prints what differs from `before` to `after`; true when anything does. The lamps
// show as their byte, address 1, as any byte no field shows.
bool Session::printDiff(const Block& before, const Block& after)
{
    bool any = false;
    for (const BlockRow& row : compareBlocks(before, after, sys.decimalSeparator)) {
        if (!row.differs || row.kind == BlockRow::Lamp)
            continue;
        any = true;
        if (row.kind == BlockRow::Byte)
            out() << "  byte do endereço " << row.address << " (nenhum campo o mostra): " << row.before << " -> "
                  << row.after << "\n";
        else if (row.kind == BlockRow::Field)
            out() << "  " << row.caption << ": " << row.before << " " << row.unit << " -> " << row.after << " "
                  << row.unit << "\n";
        else
            out() << "  " << row.caption << ": " << row.before << " -> " << row.after << "\n";
    }
    return any;
}

bool Session::confirmed()
{
    out() << texts::ConfirmWrite << " Gravar no controlador? [s/N] " << std::flush;
    std::string answer;
    if (!sys.in || !std::getline(*sys.in, answer))
        return false;
    return answer == "s" || answer == "S" || answer == "sim" || answer == "Sim";
}

bool Session::writeFile(const std::string& path, const std::string& text, std::string& why)
{
    std::string reason;
    if (sys.replaceFile && sys.replaceFile(path, text, reason))
        return true;
    why = "não foi possível gravar " + path + (reason.empty() ? "" : ": " + reason);
    return false;
}

bool readFile(const std::string& path, std::string& text, std::string& why)
{
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        why = "não foi possível abrir " + path;
        return false;
    }
    // One byte past the limit is enough for the parser to refuse the file.
    text.resize(MaxFileSize + 1);
    f.read(&text[0], static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(f.gcount()));
    return true;
}

bool exists(const std::string& path) { return std::ifstream(path).good(); }

std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace tuma::cli
