#pragma once
// The demo port "DEMO": the controller simulator inside the program, on a line
// with the timing of a real one. Offered only when TUMA_SIMULATOR is set.
#include "core/serial_port.h"
#include "sim/controller.h"

#include <memory>

extern const char* const DemoPortName;

bool demoPortEnabled();
std::unique_ptr<tuma::SerialPort> makeDemoPort();
// The demo controller's engine, whose faults a person trying the program can switch on.
tuma::sim::Engine& demoEngine();
