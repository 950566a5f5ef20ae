#include "cli/cli.h"

#include "core/commands.h"
#include "core/drive_log.h"
#include "core/live_values.h"
#include "core/memory_map.h"
#include "core/number_text.h"
#include "core/param_file.h"
#include "core/put_back.h"
#include "core/parameters.h"
#include "core/restore.h"
#include "core/texts.h"
#include "core/workshop_files.h"
#include "history/database_place.h"
#include "history/history_store.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

namespace tuma::cli {

namespace {

using Image = commands::ConfigImage;
using texts::CommFailure;

const char* const Usage =
    "uso: tuma-cli [-p PORTA] COMANDO [argumentos]\n"
    "\n"
    "  ports [--probe]              as portas seriais; com --probe, pergunta a versão em cada uma\n"
    "  -p PORTA version             a versão do controlador\n"
    "  -p PORTA backup [ARQUIVO]    salva os parâmetros (sem ARQUIVO: \"tuma AAAA-MM-DD HHMM.tuma\");\n"
    "                               --force sobrescreve um arquivo que já existe\n"
    "  show ARQUIVO                 mostra os parâmetros de um arquivo\n"
    "  diff ARQUIVO [ARQUIVO2]      o que difere entre dois arquivos ou, com -p, entre o arquivo\n"
    "                               e o controlador (saída 0: iguais, 1: diferentes)\n"
    "  -p PORTA restore ARQUIVO     grava o arquivo no controlador e confere byte a byte;\n"
    "                               --yes dispensa a confirmação\n"
    "  -p PORTA log [ARQUIVO.csv]   registra os valores atuais a cada 500 ms até Ctrl+C;\n"
    "                               --seconds N para depois de N segundos\n"
    "  history [--filter TEXTO] [--limit N]\n"
    "                               o histórico do controlador, do mais novo ao mais antigo\n"
    "  history show ID              um registro do histórico, campo a campo\n"
    "  history export ID ARQUIVO    salva o bloco de um registro como arquivo de parâmetros\n"
    "  -p PORTA history restore ID  grava o bloco de um registro no controlador e confere;\n"
    "                               --yes dispensa a confirmação\n"
    "  --history ARQUIVO            outro histórico que não o do programa\n"
    "\n"
    "PORTA como na Configuração Porta Serial: COM5, ttyUSB0, pts/3 ou um caminho.\n"
    "Saída: 0 feito, 1 falha do controlador, da comunicação ou da conferência, 2 uso ou arquivo inválido.\n";

struct Args {
    std::string port, command;
    std::vector<std::string> positional;
    bool force = false, yes = false, probe = false, help = false;
    int seconds = 0;
    std::string filter, history;
    int limit = 50;
    std::string error;
};

Args parseArgs(const std::vector<std::string>& args)
{
    Args a;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& s = args[i];
        if (s == "-p" || s == "--port") {
            if (i + 1 >= args.size()) {
                a.error = "-p pede o nome da porta";
                return a;
            }
            a.port = args[++i];
        } else if (s == "--force") {
            a.force = true;
        } else if (s == "--yes" || s == "-y") {
            a.yes = true;
        } else if (s == "--probe") {
            a.probe = true;
        } else if (s == "--seconds") {
            int32_t n = 0;
            if (i + 1 >= args.size() || !tryParseInteger(args[i + 1], n) || n <= 0) {
                a.error = "--seconds pede um número inteiro de segundos maior que zero";
                return a;
            }
            a.seconds = n;
            ++i;
        } else if (s == "--filter" || s == "--history") {
            if (i + 1 >= args.size()) {
                a.error = s + " pede um texto";
                return a;
            }
            (s == "--filter" ? a.filter : a.history) = args[++i];
        } else if (s == "--limit") {
            int32_t n = 0;
            if (i + 1 >= args.size() || !tryParseInteger(args[i + 1], n) || n <= 0) {
                a.error = "--limit pede um número inteiro maior que zero";
                return a;
            }
            a.limit = n;
            ++i;
        } else if (s == "-h" || s == "--help") {
            a.help = true;
        } else if (!s.empty() && s[0] == '-' && s != "-") {
            a.error = "opção desconhecida: " + s;
            return a;
        } else if (a.command.empty()) {
            a.command = s;
        } else {
            a.positional.push_back(s);
        }
    }
    return a;
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

// The folder a path names its file in, with its separator; "" for a bare name.
std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A file never half there under its name: a full disk or a crash leaves the old one.
bool writeFileAtomically(const CliSystem& sys, const std::string& path, const std::string& text, std::string& why)
{
    std::string reason;
    if (sys.replaceFile && sys.replaceFile(path, text, reason))
        return true;
    why = "não foi possível gravar " + path + (reason.empty() ? "" : ": " + reason);
    return false;
}

// A flag as files and the option boxes' words say it.
const char* yesNo(bool on) { return on ? texts::Yes : texts::No; }

class Session {
public:
    Session(const Args& a, CliSystem& s) : args(a), sys(s), link(s.portFactory, s.devicePathRule) {}

    int run()
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

private:
    const Args& args;
    CliSystem& sys;
    Link link;

    std::unique_ptr<history::Store> store;

    std::ostream& out() { return *sys.out; }
    // The workshop's history; nothing is kept where none is named.
    history::Store* historyStore()
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
    history::Entry entryNow(history::Kind kind, const std::string& versionText) const
    {
        history::Entry e;
        e.at = static_cast<int64_t>(std::time(nullptr));
        e.kind = kind;
        e.port = args.port;
        e.controllerVersion = versionText;
        e.programVersion = sys.programVersion;
        return e;
    }
    // A field's value at scale 1, with the user's separator, as the form shows it.
    std::string fieldText(const Parameter& p, const uint8_t* image) const
    {
        return shownText(p, image, "1", sys.decimalSeparator);
    }
    int usage(const std::string& why)
    {
        *sys.err << "tuma-cli: " << why << "\n" << Usage;
        return BadUsage;
    }
    int failed(const std::string& why)
    {
        *sys.err << "tuma-cli: " << why << "\n";
        return Failed;
    }
    int badFile(const std::string& why)
    {
        *sys.err << "tuma-cli: " << why << "\n";
        return BadUsage;
    }

    bool open()
    {
        if (link.portOpen())
            return true;
        if (!link.OpenPort(args.port)) {
            *sys.err << "tuma-cli: Erro ao abrir a Serial " << args.port << " (não existe, está em uso ou sem permissão)\n";
            return false;
        }
        return true;
    }

    bool readVersionText(std::string& versionText)
    {
        commands::Version v;
        if (!commands::readVersion(link, v))
            return false;
        versionText = std::to_string(v.major) + "." + std::to_string(v.minor);
        return true;
    }
    bool readBlock(Image& image, std::string& versionText)
    {
        return readVersionText(versionText) && commands::readConfig(link, image);
    }

    bool loadFile(const std::string& path, ParsedFile& parsed)
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

    int ports()
    {
        const std::vector<PortEntry> list = sys.listPorts ? sys.listPorts() : std::vector<PortEntry>{};
        if (list.empty())
            out() << "Nenhuma porta serial encontrada.\n";
        for (const PortEntry& p : list) {
            out() << p.name;
            if (!p.description.empty())
                out() << "\t" << p.description;
            if (args.probe) {
                Link probe(sys.portFactory, sys.devicePathRule);
                commands::Version v;
                if (!probe.OpenPort(p.name))
                    out() << "\t(em uso ou sem permissão: deixada como está)";
                else if (commands::readVersion(probe, v))
                    out() << "\tcontrolador versão " << int(v.major) << "." << int(v.minor);
                else
                    out() << "\tsem resposta";
            }
            out() << "\n";
        }
        return Done;
    }

    int version()
    {
        if (!open())
            return Failed;
        commands::Version v;
        if (!commands::readVersion(link, v))
            return failed(CommFailure);
        out() << int(v.major) << "." << int(v.minor) << "\n";
        return Done;
    }

    int backup()
    {
        if (args.positional.size() > 1)
            return usage("backup leva no máximo um arquivo");
        // Named as the windows name a file saved now; a name already taken gets the next number.
        const std::string path =
            args.positional.empty()
                ? files::unusedPath(files::fileName("", files::nameStamp(files::Moment::now()), files::ParameterExtension),
                                    exists)
                : args.positional[0];
        if (!args.force && exists(path))
            return badFile(path + " já existe (use --force para sobrescrever)");
        if (!open())
            return Failed;
        Image image{};
        std::string versionText;
        if (!readBlock(image, versionText))
            return failed(CommFailure);
        if (history::Store* h = historyStore()) {
            history::Entry e = entryNow(history::Kind::Read, versionText);
            e.block = blockOf(image);
            e.detail = "tuma-cli backup";
            h->add(e);
        }
        std::string why;
        if (!writeFileAtomically(sys, path, formatParameterFile(headerNow(versionText), image), why))
            return failed(why);
        out() << "Parâmetros salvos em " << path << "\n";
        return Done;
    }

    void showImage(const uint8_t* image)
    {
        for (const char* name : ReadOrder) {
            const Parameter& p = *parameterNamed(name);
            out() << "  " << p.caption << ": " << fieldText(p, image) << " " << p.unit
                  << "\n";
        }
        const Parameter& idle = idleSpeed();
        out() << "  " << idle.caption << ": " << fieldText(idle, image) << " " << idle.unit << "\n";
        const uint8_t flags = image[addr::cfg(addr::OptionFlags)];
        for (const OptionBit& o : Options)
            out() << "  " << o.caption << ": " << yesNo(flags & o.bit) << "\n";
        out() << "  " << texts::LambdaIdleLamp << ": " << (flags & bits::LambdaIdleLearned ? texts::Learned : texts::NotLearned)
              << "\n";
        out() << "  " << texts::MapLamp << ": " << (flags & bits::MapLearned ? texts::Learned : texts::NotLearned) << "\n";
    }

    int show()
    {
        if (args.positional.size() != 1)
            return usage("show leva um arquivo");
        ParsedFile f;
        if (!loadFile(args.positional[0], f))
            return BadUsage;
        out() << args.positional[0] << " (" << f.header.date << ", controlador " << f.header.controllerVersion
              << ", porta " << f.header.port << ")\n";
        for (const auto& [caption, value] : {std::pair{"Cliente", &f.header.client}, std::pair{"Placa", &f.header.plate},
                                             std::pair{"Observações", &f.header.notes}})
            if (!value->empty())
                out() << "  " << caption << ": " << *value << "\n";
        showImage(f.image);
        return Done;
    }

    // Prints what differs from `before` to `after`; true when anything does. The lamps
    // show as their byte, address 1, as any byte no field shows.
    bool printDiff(const uint8_t* before, const uint8_t* after)
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

    int diff()
    {
        if (args.positional.empty() || args.positional.size() > 2)
            return usage("diff leva um ou dois arquivos");
        ParsedFile a, b;
        if (!loadFile(args.positional[0], a))
            return BadUsage;
        Image other{};
        std::string otherName;
        if (args.positional.size() == 2) {
            if (!loadFile(args.positional[1], b))
                return BadUsage;
            std::copy(std::begin(b.image), std::end(b.image), std::begin(other));
            otherName = args.positional[1];
        } else {
            if (args.port.empty())
                return usage("diff com um arquivo só compara com o controlador: -p PORTA");
            if (!open())
                return Failed;
            if (!commands::readConfig(link, other))
                return failed(CommFailure);
            otherName = "o controlador em " + args.port;
        }
        out() << args.positional[0] << " -> " << otherName << ":\n";
        if (!printDiff(a.image, other)) {
            out() << "  iguais\n";
            return Done;
        }
        return Failed;
    }

    bool confirmed()
    {
        out() << texts::ConfirmWrite << " Gravar no controlador? [s/N] " << std::flush;
        std::string answer;
        if (!sys.in || !std::getline(*sys.in, answer))
            return false;
        return answer == "s" || answer == "S" || answer == "sim" || answer == "Sim";
    }

    // The terminal's side of putting a file back: the differences printed, the answer
    // asked, and the controller's block kept beside the file.
    class RestoreSteps : public PutBackSteps {
    public:
        RestoreSteps(Session& s, const std::string& p, const std::string& f, const std::string& v)
            : session(s), path(p), folder(f), versionText(v)
        {
        }
        bool approve(const ParsedFile& file, const commands::ConfigImage& controller) override
        {
            session.out() << "O controlador em " << session.args.port << " -> " << path << ":\n";
            if (!session.printDiff(controller, file.image))
                session.out() << "  iguais (a gravação regrava os mesmos bytes)\n";
            if (!session.args.yes && !session.confirmed()) {
                session.out() << "Nada foi gravado.\n";
                return false;
            }
            return true;
        }
        bool keepBefore(const ParsedFile& file, const commands::ConfigImage& controller, const commands::ConfigImage& sent,
                        std::string& where, std::string& why) override
        {
            where = files::unusedPath(folder + files::fileName(file.header.plate, files::nameStamp(files::Moment::now()),
                                                               files::ParameterExtension, files::BeforeWriteSuffix),
                                      exists);
            if (!writeFileAtomically(session.sys, where, formatParameterFile(session.headerNow(versionText), controller), why))
                return false;
            session.out() << "Cópia do que o controlador tinha: " << where << "\n";
            if (history::Store* h = session.historyStore()) {
                entry = session.entryNow(history::Kind::PutBack, versionText);
                entry.client = file.header.client;
                entry.plate = file.header.plate;
                entry.detail = "tuma-cli: " + path;
                entry.before = blockOf(controller);
                entry.sent = blockOf(sent);
                entry.outcome = history::Outcome::Sending;
                entryId = h->add(entry);
            }
            return true;
        }
        history::Entry entry;
        int64_t entryId = 0;

    private:
        Session& session;
        const std::string& path;
        const std::string folder;
        const std::string& versionText;
    };

    // The put-back's outcome in the history, beside its entry kept before the write.
    void keepOutcome(RestoreSteps& steps, const PutBackResult& r)
    {
        history::Store* h = historyStore();
        if (!h || r.stage != PutBackResult::Written)
            return;
        h->finish(steps.entryId, steps.entry, history::outcomeOf(r.written), r.backBlock());
    }

    FileHeader headerNow(const std::string& versionText) const
    {
        return {files::headerStamp(files::Moment::now()), versionText, args.port, sys.programVersion, {}, {}, {}};
    }

    int restore()
    {
        if (args.positional.size() != 1)
            return usage("restore leva um arquivo");
        const std::string& path = args.positional[0];
        std::string text, why;
        if (!readFile(path, text, why))
            return badFile(why);
        // A bad file is refused before the port is touched.
        const ParsedFile checked = parseParameterFile(text);
        if (!checked.ok)
            return badFile(path + ": " + checked.error);
        return putBackChecked(checked, path, folderOf(path));
    }

    // The put-back of a checked file, the copy of the controller's block in `folder`.
    int putBackChecked(const ParsedFile& checked, const std::string& path, const std::string& folder)
    {
        if (!args.yes && !sys.inputIsTerminal)
            return usage("sem terminal não há a quem perguntar: use --yes para gravar sem confirmação");
        if (!open())
            return Failed;
        std::string versionText;
        if (!readVersionText(versionText))
            return failed(std::string(CommFailure) + " ao ler o controlador; nada foi gravado");
        RestoreSteps steps(*this, path, folder, versionText);
        const PutBackResult r = putBack(link, checked, steps, sys.decimalSeparator);
        keepOutcome(steps, r);
        switch (r.stage) {
        case PutBackResult::FileRefused:
            return badFile(path + ": " + r.error);
        case PutBackResult::ReadFailed:
            return failed(std::string(CommFailure) + " ao ler o controlador; nada foi gravado");
        case PutBackResult::Declined:
            return Done;
        case PutBackResult::CopyFailed:
            return failed(r.error + "; nada foi gravado no controlador");
        case PutBackResult::Written:
            break;
        }
        switch (r.written.outcome) {
        case VerifiedWrite::WriteFailed:
            return failed(std::string(CommFailure) + " na gravação; confira com: tuma-cli -p " + args.port + " diff " + path);
        case VerifiedWrite::ReadBackFailed:
            return failed(std::string(CommFailure) + " na conferência: não se sabe o que o controlador guardou");
        case VerifiedWrite::Differs:
            return failed(mismatchSummary(r));
        case VerifiedWrite::Verified:
            break;
        }
        out() << "Verificado: os 25 bytes lidos de volta são os gravados.\n";
        return Done;
    }

    int history()
    {
        const std::string what = args.positional.empty() ? "list" : args.positional[0];
        history::Store* h = historyStore();
        if (!h)
            return usage("nenhum histórico: use --history ARQUIVO");
        if (what == "list")
            return args.positional.size() <= 1 ? historyList(*h) : usage("history list não leva argumentos");
        const size_t wanted = what == "export" ? 3 : 2;
        if ((what != "show" && what != "export" && what != "restore") || args.positional.size() != wanted)
            return usage("history: list, show ID, export ID ARQUIVO ou restore ID");
        int32_t id = 0;
        if (!tryParseInteger(args.positional[1], id) || id <= 0)
            return usage("o ID de um registro é um número inteiro: " + args.positional[1]);
        const std::optional<history::Entry> e = h->get(id);
        if (!e)
            return badFile("o histórico não tem o registro " + args.positional[1] +
                           (h->problem().empty() ? "" : " (" + h->problem() + ")"));
        if (what == "show")
            return historyShow(*e);
        const ParsedFile file = history::fileOf(*e);
        if (!file.ok)
            return badFile(file.error);
        if (what == "export") {
            std::string why;
            if (!writeFileAtomically(sys, args.positional[2], formatParameterFile(file.header, file.image), why))
                return failed(why);
            out() << "Parâmetros do registro " << id << " salvos em " << args.positional[2] << "\n";
            return Done;
        }
        if (args.port.empty())
            return usage("\"history restore\" pede a porta: -p PORTA");
        return putBackChecked(file, "histórico #" + std::to_string(id), folderOf(h->path()));
    }

    int historyList(history::Store& h)
    {
        history::Filter f;
        f.text = args.filter;
        f.limit = args.limit;
        const std::vector<history::Entry> entries = h.list(f);
        if (!h.problem().empty())
            *sys.err << "tuma-cli: " << h.problem() << "\n";
        if (entries.empty())
            out() << "Nenhum registro no histórico" << (f.text.empty() ? "" : " para \"" + f.text + "\"") << ".\n";
        for (const history::Entry& e : entries) {
            out() << e.id << "\t" << history::localStamp(e.at) << "\t" << history::kindText(e.kind);
            if (!history::outcomeText(e.outcome).empty())
                out() << ": " << history::outcomeText(e.outcome);
            out() << "\t" << e.client << (e.client.empty() || e.plate.empty() ? "" : " · ") << e.plate << "\t" << e.port
                  << "\t" << e.controllerVersion << "\t";
            for (size_t i = 0; i < e.changed.size(); ++i)
                out() << (i ? "; " : "") << e.changed[i];
            out() << "\n";
        }
        return Done;
    }

    int historyShow(const history::Entry& e)
    {
        out() << "Registro " << e.id << ": " << history::localStamp(e.at) << ", " << history::kindText(e.kind);
        if (!history::outcomeText(e.outcome).empty())
            out() << " (" << history::outcomeText(e.outcome) << ")";
        out() << "\n  porta " << e.port << ", controlador " << e.controllerVersion << ", programa " << e.programVersion
              << "\n";
        for (const auto& [caption, value] : {std::pair{"Cliente", &e.client}, std::pair{"Placa", &e.plate},
                                             std::pair{"Observações", &e.notes}, std::pair{"Detalhe", &e.detail}})
            if (!value->empty())
                out() << "  " << caption << ": " << *value << "\n";
        for (const auto& [title, block] : {std::pair{"Antes", &e.before}, std::pair{"Enviado", &e.sent},
                                           std::pair{e.sent ? "Lido de volta" : "No controlador", &e.block}})
            if (*block) {
                out() << title << ":\n";
                showImage((*block)->data());
            }
        return Done;
    }

    // One line: the bytes, then the fields behind them.
    static std::string mismatchSummary(const PutBackResult& r)
    {
        std::string differing;
        for (const ByteMismatch& m : r.written.mismatches) {
            char item[48];
            std::snprintf(item, sizeof item, "%s%u (enviado %02X, lido %02X)", differing.empty() ? "" : ", ",
                          unsigned(m.address), m.sent, m.read);
            differing += item;
        }
        std::string fields;
        for (const BlockRow& row : r.differing)
            fields += (fields.empty() ? "" : "; ") + mismatchLine(row);
        return "a conferência falhou: bytes diferentes nos endereços " + differing + " (" + fields + ")";
    }

    int log()
    {
        if (args.positional.size() > 1)
            return usage("log leva no máximo um arquivo");
        const DriveLogFormat format(sys.decimalSeparator);
        std::ofstream file;
        std::ostream* rows = sys.out;
        if (!args.positional.empty()) {
            const bool fresh = !exists(args.positional[0]);
            file.open(args.positional[0], std::ios::app | std::ios::binary);
            if (!file)
                return badFile("não foi possível abrir " + args.positional[0]);
            rows = &file;
            if (fresh) // a file already there is added to, below its own header
                *rows << format.header();
        } else {
            *rows << format.header();
        }
        if (!open())
            return Failed;

        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        auto next = start;
        long samples = 0, failures = 0;
        commands::LiveImage live{};
        while (!(sys.stop && sys.stop->load())) {
            if (args.seconds > 0 && Clock::now() - start >= std::chrono::seconds(args.seconds))
                break;
            const std::string when = files::logStamp(files::Moment::now());
            const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
            if (commands::readLive(link, live)) {
                *rows << format.row(seconds, when, live, 0, "");
            } else {
                ++failures;
                *rows << format.row(seconds, when, nullptr, 0, CommFailure);
                if (!link.portOpen())
                    link.OpenPort(args.port); // an adapter plugged back in is used again
            }
            rows->flush();
            if (!*rows) // a full disk, a removed stick: the rows no longer land
                return failed("não foi possível gravar o registro (disco cheio ou removido?)");
            ++samples;
            if (sys.outputIsTerminal && rows != sys.out) {
                const auto s = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count();
                *sys.out << "\ramostras: " << samples << "  falhas: " << failures << "  tempo: " << s / 60 << ":"
                         << (s % 60 < 10 ? "0" : "") << s % 60 << std::flush;
            }
            next += std::chrono::milliseconds(500);
            const auto now = Clock::now();
            if (next < now)
                next = now; // a slow read shifts the cadence instead of bunching reads
            while (Clock::now() < next && !(sys.stop && sys.stop->load()))
                std::this_thread::sleep_for(std::min<Clock::duration>(next - Clock::now(), std::chrono::milliseconds(50)));
        }
        if (sys.outputIsTerminal && rows != sys.out)
            *sys.out << "\n";
        *sys.err << "tuma-cli: " << samples << " amostras, " << failures << " falhas\n";
        return Done;
    }

};

} // namespace

int runCli(const std::vector<std::string>& argList, CliSystem& system)
{
    const Args args = parseArgs(argList);
    if (args.help) {
        *system.out << Usage;
        return Done;
    }
    if (!args.error.empty()) {
        *system.err << "tuma-cli: " << args.error << "\n" << Usage;
        return BadUsage;
    }
    try {
        Session session(args, system);
        return session.run();
    } catch (const std::exception& e) {
        *system.err << "tuma-cli: " << e.what() << "\n";
        return Failed;
    }
}

} // namespace tuma::cli
