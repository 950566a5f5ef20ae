#include "app/demo_port.h"

#include "sim/sim_line.h"

#include <cstdlib>

const char* const DemoPortName = "DEMO";

namespace {
// An engine that arrives warm from the road and idles, revs and decelerates over and
// over, so that every check can be seen judging within a few minutes.
tuma::sim::Engine::Setup demoSetup()
{
    tuma::sim::Engine::Setup s;
    s.drive = tuma::sim::demoDrive();
    s.loop = true;
    s.ambient = 80;
    return s;
}

struct DemoLine {
    DemoLine() { controller.engine = &engine; }
    tuma::RealClock clock;
    tuma::sim::Engine engine{demoSetup()};
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
