// tuma-sim: the simulated controller on a pseudo-terminal.
#include "sim/pty_server.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

using namespace tuma::sim;

namespace {
void usage()
{
    std::printf("usage: tuma-sim [--fault NAME] [--engine] [--engine-fault NAME] [--wideband] [--pulses N]\n"
                "                [--ambient C] [--quiet]\n"
                "Serves the simulated controller on a pseudo-terminal and prints the port\n"
                "name to type in the port dialog. --engine drives the live values with the\n"
                "engine model (a warm engine idling, revving and decelerating over and over;\n"
                "implied by the other engine options): --engine-fault plants an installation\n"
                "fault, --wideband gives a wideband probe's output, --pulses the speed\n"
                "signal's pulses per turn (the RPM scale the engine needs), --ambient the\n"
                "coolant's temperature at the start. Commands on standard input:\n"
                "  fault NAME          switch a fault mode of the line on (none to switch it off)\n"
                "  engine-fault NAME   plant an engine fault (none to take it away)\n"
                "  engine-step N       the engine does what step N (1 to 5) of the guided check asks\n"
                "  frames              list the requests received so far\n"
                "  quit                end\n"
                "Fault modes:");
    for (Fault f : allFaults())
        std::printf(" %s", faultName(f));
    std::printf("\nEngine faults:");
    for (EngineFault f : allEngineFaults())
        std::printf(" %s", engineFaultName(f));
    std::printf("\n");
}

std::string frameText(const Frame& f)
{
    char buf[64];
    std::string s;
    std::snprintf(buf, sizeof buf, "cmd %u addr %u n %zu:", f.command, f.address, f.data.size());
    s = buf;
    for (uint8_t b : f.data) {
        std::snprintf(buf, sizeof buf, " %02X", b);
        s += buf;
    }
    if (!f.crcOk)
        s += " (bad CRC, not answered)";
    return s;
}

// The commands typed on standard input, until "quit" or its end.
void serveCommands(PtyServer& server, Controller& controller, Engine& engine)
{
    std::string line;
    size_t shown = 0;
    while (std::getline(std::cin, line)) {
        std::lock_guard<std::mutex> guard(server.mutex());
        if (line == "quit")
            break;
        if (line.rfind("fault ", 0) == 0) {
            Fault f;
            if (faultFromName(line.substr(6), f)) {
                controller.setFault(f);
                std::printf("fault mode: %s\n", faultName(f));
            } else {
                std::printf("unknown fault mode\n");
            }
        } else if (line.rfind("engine-fault ", 0) == 0) {
            EngineFault f;
            if (controller.engine && engineFaultFromName(line.substr(13), f)) {
                engine.setFault(f);
                std::printf("engine fault: %s\n", engineFaultName(f));
            } else {
                std::printf(controller.engine ? "unknown engine fault\n" : "no engine: start with --engine\n");
            }
        } else if (line.rfind("engine-step ", 0) == 0) {
            const int step = std::atoi(line.c_str() + 12);
            if (controller.engine && step >= 1 && step <= 5) {
                engine.perform(walkDrive(step - 1));
                std::printf("engine: step %d\n", step);
            } else {
                std::printf(controller.engine ? "steps are 1 to 5\n" : "no engine: start with --engine\n");
            }
        } else if (line == "frames") {
            for (; shown < controller.frames.size(); ++shown)
                std::printf("%s\n", frameText(controller.frames[shown]).c_str());
        } else if (!line.empty()) {
            std::printf("commands: fault NAME, engine-fault NAME, engine-step N, frames, quit\n");
        }
        std::fflush(stdout);
    }
}
} // namespace

struct Options {
    Fault fault = Fault::None;
    bool quiet = false, withEngine = false;
    Engine::Setup setup = demoSetup();
    EngineFault engineFault = EngineFault::None;
};

// The command line into `o`; -1 to go on, or the exit code (help, a bad option).
int parseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--fault" && i + 1 < argc) {
            Fault f;
            if (!faultFromName(argv[++i], f)) {
                std::fprintf(stderr, "unknown fault mode '%s'\n", argv[i]);
                usage();
                return 2;
            }
            o.fault = f;
        } else if (a == "--engine") {
            o.withEngine = true;
        } else if (a == "--engine-fault" && i + 1 < argc) {
            o.withEngine = true;
            if (!engineFaultFromName(argv[++i], o.engineFault)) {
                std::fprintf(stderr, "unknown engine fault '%s'\n", argv[i]);
                usage();
                return 2;
            }
        } else if (a == "--wideband") {
            o.withEngine = o.setup.wideband = true;
        } else if ((a == "--pulses" || a == "--ambient") && i + 1 < argc) {
            o.withEngine = true;
            const int v = std::atoi(argv[++i]);
            if (a == "--pulses")
                o.setup.pulses = v == 2 || v == 4 || v == 8 ? v : 1;
            else
                o.setup.ambient = v;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else {
            usage();
            return a == "--help" || a == "-h" ? 0 : 2;
        }
    }
    return -1;
}

int main(int argc, char** argv)
{
    Options o;
    if (const int done = parseOptions(argc, argv, o); done >= 0)
        return done;
    Controller controller;
    controller.logFrames = true;
    controller.setFault(o.fault);
    const Engine::Setup& setup = o.setup;
    const bool quiet = o.quiet;
    Engine engine(setup);
    engine.setFault(o.engineFault);
    if (o.withEngine)
        controller.engine = &engine;
    std::signal(SIGPIPE, SIG_IGN);
    PtyServer server(controller);
    if (!server.start()) {
        std::perror("tuma-sim: cannot create a pseudo-terminal");
        return 1;
    }
    std::printf("tuma-sim: controller version %u.%u on %s\n", controller.versionMajor, controller.versionMinor,
                server.devicePath().c_str());
    std::printf("Port to type in the port dialog: %s\n", server.portName().c_str());
    std::printf("Fault mode: %s (type 'fault NAME', 'frames' or 'quit')\n", faultName(controller.currentFault()));
    if (controller.engine)
        std::printf("Engine: %s probe, %d pulse(s) a turn, fault %s\n", setup.wideband ? "wideband" : "narrowband",
                    setup.pulses, engineFaultName(engine.currentFault()));
    std::fflush(stdout);
    server.startThread();

    serveCommands(server, controller, engine);
    // Without a terminal on standard input (started in the background) keep serving.
    if (std::cin.eof() && !quiet) {
        std::printf("standard input closed; serving until killed\n");
        std::fflush(stdout);
    }
    if (std::cin.eof()) {
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
    server.stop();
    return 0;
}
