// tuma-cli history: the list, one entry field by field, its block exported or put back.
#include "cli/session.h"

#include "core/number_text.h"
#include "core/texts.h"

namespace tuma::cli {

using texts::CommFailure;

int Session::history()
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
        return badFile("o histórico não tem o registro " + args.positional[1]
                       + (h->trouble().empty() ? "" : " (" + history::troubleText(h->trouble()) + ")"));
    if (what == "show")
        return historyShow(*e);
    const ParsedFile file = history::fileOf(*e);
    if (!file.ok)
        return badFile(file.error);
    if (what == "export") {
        std::string why;
        if (!writeFile(args.positional[2], formatParameterFile(file.header, file.image), why))
            return failed(why);
        out() << "Parâmetros do registro " << id << " salvos em " << args.positional[2] << "\n";
        return Done;
    }
    if (args.port.empty())
        return usage("\"history restore\" pede a porta: -p PORTA");
    return putBackChecked(file, "histórico #" + std::to_string(id), folderOf(h->path()));
}

int Session::historyList(history::Store& h)
{
    history::Filter f;
    f.text = args.filter;
    f.limit = args.limit;
    const std::vector<history::Entry> entries = h.list(f);
    if (!h.trouble().empty())
        *sys.err << "tuma-cli: " << history::troubleText(h.trouble()) << "\n";
    if (entries.empty())
        out() << "Nenhum registro no histórico" << (f.text.empty() ? "" : " para \"" + f.text + "\"") << ".\n";
    for (const history::Entry& e : entries) {
        out() << e.id << "\t" << history::localStamp(e.at) << "\t" << history::kindText(e.kind);
        if (!history::outcomeText(e.outcome).empty())
            out() << ": " << history::outcomeText(e.outcome);
        out() << "\t" << e.vehicle.client << (e.vehicle.client.empty() || e.vehicle.plate.empty() ? "" : " · ")
              << e.vehicle.plate << "\t" << e.port << "\t" << e.controllerVersion << "\t";
        for (size_t i = 0; i < e.changed.size(); ++i)
            out() << (i ? "; " : "") << e.changed[i];
        out() << "\n";
    }
    return Done;
}

int Session::historyShow(const history::Entry& e)
{
    out() << "Registro " << e.id << ": " << history::localStamp(e.at) << ", " << history::kindText(e.kind);
    if (!history::outcomeText(e.outcome).empty())
        out() << " (" << history::outcomeText(e.outcome) << ")";
    out() << "\n  porta " << e.port << ", controlador " << e.controllerVersion << ", programa " << e.programVersion
          << "\n";
    for (const VehicleField& v : VehicleFields)
        if (const std::string& value = e.vehicle.*v.member; !value.empty())
            out() << "  " << v.caption << ": " << value << "\n";
    if (!e.detail.empty())
        out() << "  Detalhe: " << e.detail << "\n";
    for (const auto& [title, block] : {std::pair{"Antes", &e.before}, std::pair{"Enviado", &e.sent},
                                       std::pair{e.sent ? "Lido de volta" : "No controlador", &e.block}})
        if (*block) {
            out() << title << ":\n";
            showImage(**block);
        }
    return Done;
}

} // namespace tuma::cli
