#pragma once
// Where the workshop's files go and what they are called, for the windows and tuma-cli
// alike: the folders, the time stamps, a file's name from the vehicle's plate, and the
// next name no file has yet. Checking whether a file exists is the caller's (the
// windows ask Qt, the tool the standard library), so that nothing here touches a disk.
#include <functional>
#include <string>

namespace tuma::files {

// In the user's documents folder: the parameter files and sheets, and below it the
// drive logs.
inline constexpr char WorkshopFolder[] = "Tuma";
inline constexpr char RecordingsFolder[] = "Registros";
// The history of every controller, in the program's own data folder (earlier versions
// kept it in the workshop's folder), and the folder of its daily copies in the
// workshop's folder.
inline constexpr char HistoryFile[] = "historico.sqlite";
inline constexpr char HistoryCopiesFolder[] = "Cópias do histórico";

inline constexpr char ParameterExtension[] = ".tuma";
inline constexpr char SheetExtension[] = ".pdf";
inline constexpr char LogExtension[] = ".csv";
// What stands in a name where no plate was typed.
inline constexpr char NoPlate[] = "tuma";
inline constexpr char NoPlateLog[] = "registro";
// Before the extension of the copy kept of what a controller held before a write.
inline constexpr char BeforeWriteSuffix[] = " antes";

// Puts `bytes` under `path` so that the name never holds less than a whole file, the
// old one or the new one (the system's atomic write, ports/system.h); false, with the
// system's reason in `why`, when it could not. Everything the program and the tool write
// goes through it.
using ReplaceFile = std::function<bool(const std::string& path, const std::string& bytes, std::string& why)>;

// A moment of the local clock.
struct Moment {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0, millisecond = 0;
    static Moment now();
    static Moment fromEpochMs(long long msecs); // local time
};

// "2026-12-09 1530": in file names.
std::string nameStamp(const Moment& m);
// "2026-12-09 15:30:11": in a parameter file's header.
std::string headerStamp(const Moment& m);
// "2026-12-09T15:30:00.500": a drive log's row.
std::string logStamp(const Moment& m);

// A file's name: the plate (upper case, without the characters no file name may hold)
// or `noPlate`, the stamp, `suffix`, the extension: "ABC1D23 2026-12-09 1530.tuma".
std::string fileName(const std::string& plate, const std::string& stamp, const std::string& extension,
                     const std::string& suffix = "", const std::string& noPlate = NoPlate);

// The copy kept of what a controller held before a write: "ABC1D23 2026-12-09 1530
// antes.tuma", at moment `m`.
std::string beforeWriteName(const std::string& plate, const Moment& m);

// `path` when no file has it, otherwise the first of "name 2.ext", "name 3.ext", ...
// that none has.
std::string unusedPath(const std::string& path, const std::function<bool(const std::string&)>& exists);

} // namespace tuma::files
