#pragma once
// What the history store could not do and why, as the store reports it; the windows
// and tuma-cli put it in the technician's words with troubleText.
#include <string>

namespace tuma::history {

struct Trouble {
    enum class Doing {
        Nothing,     // all is well
        ReadCopy,    // another PC's copy or a backup, opened to be shown
        Open,        // the live database
        OnlyRead,    // a folder that is only read: what is there is shown
        Read,        // listing or fetching entries
        Prepare,     // the journal and the commits' safety
        Create,      // the first layout
        Keep,        // a new entry
        KeepOutcome, // a write's outcome, once known
        Annotate,    // client, plate and notes edited afterwards
        NewerLayout  // written by a later program: shown, nothing added
    };
    enum class Cause {
        Unknown,     // see detail
        Damaged,     // not a database, or a broken one: left as it is
        Busy,        // another program holds it too long
        CannotWrite, // the folder or the file
        DiskFull,
        None // nothing went wrong in SQLite (a newer layout)
    };
    Doing doing = Doing::Nothing;
    Cause cause = Cause::None;
    std::string detail; // SQLite's own words, for a cause it has no name for
    std::string file;

    bool empty() const { return doing == Doing::Nothing; }
};

// "O histórico não pôde ser aberto: o disco está cheio (C:\...\historico.db)"; empty
// for no trouble.
std::string troubleText(const Trouble& trouble);

} // namespace tuma::history
