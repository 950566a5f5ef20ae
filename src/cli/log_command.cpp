// tuma-cli log: the live values every 500 ms into a drive log, until Ctrl+C or the
// seconds asked for.
#include "cli/session.h"

#include "core/drive_log.h"
#include "core/texts.h"
#include "core/workshop_files.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

namespace tuma::cli {

using texts::CommFailure;

namespace {

using Clock = std::chrono::steady_clock;

// "amostras: 12  falhas: 0  tempo: 0:06", over the terminal's line.
void showProgress(std::ostream& out, long samples, long failures, long long s)
{
    out << "\ramostras: " << samples << "  falhas: " << failures << "  tempo: " << s / 60 << ":"
        << (s % 60 < 10 ? "0" : "") << s % 60 << std::flush;
}

// Until the next 500 ms tick, waking for Ctrl+C; a slow read shifts the cadence instead
// of bunching reads.
void waitForNext(Clock::time_point& next, const std::atomic<bool>* stop)
{
    next += std::chrono::milliseconds(500);
    const auto now = Clock::now();
    if (next < now)
        next = now;
    while (Clock::now() < next && !(stop && stop->load()))
        std::this_thread::sleep_for(std::min<Clock::duration>(next - Clock::now(), std::chrono::milliseconds(50)));
}

} // namespace

int Session::log()
{
    if (args.positional.size() > 1)
        return usage("log leva no máximo um arquivo");
    const DriveLogFormat format(sys.decimalSeparator);
    std::ofstream file;
    std::ostream* rows = sys.out;
    const bool fresh = args.positional.empty() || !exists(args.positional[0]);
    if (!args.positional.empty()) {
        file.open(args.positional[0], std::ios::app | std::ios::binary);
        if (!file)
            return badFile("não foi possível abrir " + args.positional[0]);
        rows = &file;
    }
    if (fresh) // a file already there is added to, below its own header
        *rows << format.header();
    if (!open())
        return Failed;

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
        if (sys.outputIsTerminal && rows != sys.out)
            showProgress(*sys.out, samples, failures,
                         std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count());
        waitForNext(next, sys.stop);
    }
    if (sys.outputIsTerminal && rows != sys.out)
        *sys.out << "\n";
    *sys.err << "tuma-cli: " << samples << " amostras, " << failures << " falhas\n";
    return Done;
}

} // namespace tuma::cli
