// tuma-cli restore (and history restore): a checked file put back through the same
// steps as the windows' put-back, the terminal asking and printing.
#include "cli/session.h"

#include "core/put_back.h"
#include "core/texts.h"
#include "core/workshop_files.h"

namespace tuma::cli {

using texts::CommFailure;

namespace {

// The terminal's side of putting a file back: the differences printed, the answer
// asked, and the controller's block kept beside the file.
class RestoreSteps : public PutBackSteps {
public:
    RestoreSteps(Session& s, const std::string& p, const std::string& f, const std::string& v)
        : session(s), path(p), folder(f), versionText(v)
    {
    }
    bool approve(const ParsedFile& file, const Block& controller) override
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
    bool keepBefore(const ParsedFile& file, const Block& controller, const Block& sent, std::string& where,
                    std::string& why) override
    {
        where = files::unusedPath(folder + files::beforeWriteName(file.header.vehicle.plate, files::Moment::now()),
                                  exists);
        if (!session.writeFile(where, formatParameterFile(session.headerNow(versionText), controller), why))
            return false;
        session.out() << "Cópia do que o controlador tinha: " << where << "\n";
        if (history::Store* h = session.historyStore()) {
            entry = session.entryNow(history::Kind::PutBack, versionText);
            entry.vehicle.client = file.header.vehicle.client;
            entry.vehicle.plate = file.header.vehicle.plate;
            entry.detail = "tuma-cli: " + path;
            entry.before = controller;
            entry.sent = sent;
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
void keepOutcome(Session& session, RestoreSteps& steps, const PutBackResult& r)
{
    history::Store* h = session.historyStore();
    if (!h || r.stage != PutBackResult::Written)
        return;
    h->finish(steps.entryId, steps.entry, history::outcomeOf(r.written), r.backBlock());
}

// One line: the bytes, then the fields behind them.
std::string mismatchSummary(const PutBackResult& r)
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

} // namespace

int Session::restore()
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
int Session::putBackChecked(const ParsedFile& checked, const std::string& path, const std::string& folder)
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
    keepOutcome(*this, steps, r);
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
        return failed(std::string(CommFailure) + " na gravação; confira com: tuma-cli -p " + args.port + " diff "
                      + path);
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

} // namespace tuma::cli
