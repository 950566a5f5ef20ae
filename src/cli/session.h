#pragma once
// One run of tuma-cli: the command line, the system's parts, the link to the controller
// and the history, with what the commands share (opening the port, reading the block,
// a file read and checked, the messages and exit codes). Each command's own steps are
// in a file of its own: controller_commands.cpp (ports, version, backup),
// file_commands.cpp (show, diff), restore_command.cpp, history_commands.cpp,
// log_command.cpp.
#include "cli/args.h"
#include "cli/cli.h"
#include "core/commands.h"
#include "core/param_file.h"
#include "core/parameters.h"
#include "history/history_store.h"

#include <memory>
#include <ostream>

namespace tuma::cli {

class Session {
public:
    Session(const Args& a, CliSystem& s);
    int run();

    // The commands.
    int ports();
    int version();
    int backup();
    int show();
    int diff();
    int restore();
    int history();
    int log();

    // What they share.
    std::ostream& out() { return *sys.out; }
    int usage(const std::string& why);
    int failed(const std::string& why);
    int badFile(const std::string& why);
    bool open();
    bool readVersionText(std::string& versionText);
    bool readBlock(Block& image, std::string& versionText);
    // A parameter file read and checked; false with the reason on the error stream.
    bool loadFile(const std::string& path, ParsedFile& parsed);
    // A file never half there under its name: a full disk or a crash leaves the old one.
    bool writeFile(const std::string& path, const std::string& text, std::string& why);
    // The workshop's history; nothing is kept where none is named.
    history::Store* historyStore();
    history::Entry entryNow(history::Kind kind, const std::string& versionText) const;
    FileHeader headerNow(const std::string& versionText) const;
    // A block's fields, options and lamps, one a line, as the form shows them.
    void showImage(const Block& image);
    // Prints what differs from `before` to `after`; true when anything does.
    bool printDiff(const Block& before, const Block& after);
    bool confirmed();
    // The put-back of a checked file, the copy of the controller's block in `folder`.
    int putBackChecked(const ParsedFile& checked, const std::string& path, const std::string& folder);

    const Args& args;
    CliSystem& sys;
    Link link;

private:
    int historyList(history::Store& h);
    int historyShow(const history::Entry& e);

    std::unique_ptr<history::Store> store;
};

// File helpers of the commands'.
bool readFile(const std::string& path, std::string& text, std::string& why);
bool exists(const std::string& path);
// The folder a path names its file in, with its separator; "" for a bare name.
std::string folderOf(const std::string& path);

} // namespace tuma::cli
