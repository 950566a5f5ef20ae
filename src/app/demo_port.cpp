#include "app/demo_port.h"

#include "sim/sim_line.h"

#include <cstdlib>

const char* const DemoPortName = "DEMO";

namespace {
struct DemoLine {
    DemoLine() { controller.engine = &engine; }
    tuma::RealClock clock;
    tuma::sim::Engine engine{tuma::sim::demoSetup()};
    tuma::sim::Controller controller;
};

DemoLine& demoLine()
{
    static DemoLine line;
    return line;
}
} // namespace

bool demoPortEnabled() { return std::getenv("TUMA_SIMULATOR") != nullptr; }

tuma::sim::Engine& demoEngine() { return demoLine().engine; }

std::unique_ptr<tuma::SerialPort> makeDemoPort()
{
    DemoLine& line = demoLine();
    return std::make_unique<tuma::SimLinePort>(line.clock, line.controller);
}
