#pragma once
// The parameter file: the controller's 25-byte block as text a person reads, edits and
// compares. One line per field in the form's own words, the options as sim/não, and
// the raw bytes, which keep what no field shows and the exact bytes behind each value.
// Values always carry a decimal point, whatever the user's separator, so that files
// travel between PCs.
#include "core/memory_map.h"
#include "core/vehicle.h"

#include <cstdint>
#include <string>

namespace tuma {

constexpr int FileFormat = 1;
constexpr size_t MaxFileSize = 64 * 1024;

struct FileHeader {
    std::string date;              // "2026-12-08 14:03:11"
    std::string controllerVersion; // "2.5"
    std::string port;
    std::string programVersion;
    // Optional, as the technician typed them: each is one line of free text (a "#"
    // in it is text, not a comment), written only when not empty.
    Vehicle vehicle;
};

// The header of a file written now: the moment, the controller's version and port, this
// program's version; the vehicle's details are the caller's to add.
FileHeader headerNow(const std::string& controllerVersion, const std::string& port, const std::string& programVersion);

// The file's text for a block read from the controller.
std::string formatParameterFile(const FileHeader& header, const Block& image);

struct ParsedFile {
    bool ok = false;
    std::string error; // "linha 7: ..." when !ok
    FileHeader header;
    // The block to write: the raw bytes, with each value that differs from what its
    // bytes decode to encoded over them as the form's write does.
    Block image{};
    // The raw bytes exactly as the file lists them.
    Block raw{};
};

// Reads and checks a parameter file with the form's own field checks. Never raises.
ParsedFile parseParameterFile(const std::string& text);

} // namespace tuma
