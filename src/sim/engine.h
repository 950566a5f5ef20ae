#pragma once
// A small model of an engine with the kit installed, driving the controller's live
// values over time: off with the key on, cranking, a warm-up from a cold start, idle,
// revs, throttle snaps and decelerations with a fuel cut, a narrowband probe switching
// in closed loop or a wideband output, and the installation faults a workshop meets
// (sensors open or shorted, a MAP hose off, a lazy probe, a signal wire not connected,
// a noisy line). Deterministic: the same drive gives the same bytes, so tests run it
// on a virtual clock.
#include <cstdint>
#include <string>
#include <vector>

namespace tuma::sim {

enum class EngineFault {
    None,
    TempOpen,
    TempShort,
    MapWireOff,
    MapHoseOff,
    LambdaDisconnected,
    LambdaLazy,
    LambdaLean,
    LambdaRich,
    NoRpmSignal,
    NoInjectorSignal,
    NoisyLine, // the controller loses one answer in four; the link's retry gets it
};
const char* engineFaultName(EngineFault f);
// The name as the demo offers it to a person ("Sensor de temperatura aberto").
const char* engineFaultCaption(EngineFault f);
bool engineFaultFromName(const std::string& name, EngineFault& out);
std::vector<EngineFault> allEngineFaults();

// One stretch of a drive.
struct Phase {
    enum Kind { Off, Crank, Idle, Cruise, Snaps, Decel } kind = Idle;
    double seconds = 0;
    double rpm = 0; // Cruise: the speed held
};

// The normal drive of the tests: key on, a cold start, warm-up at idle, revs to 3500,
// cruises (one at 1800 rpm), decelerations and snaps, half an hour in all.
std::vector<Phase> driveCycle();

class Engine {
public:
    struct Setup {
        std::vector<Phase> drive = driveCycle();
        bool loop = false;     // start the drive again at its end (else idle on)
        int pulses = 1;        // speed signal pulses per turn: the RPM scale it needs
        bool wideband = false; // a wideband controller's 0-5 V output
        double ambient = 20;   // °C: the coolant at the start
    };
    Engine() : Engine(Setup()) { }
    explicit Engine(const Setup& setup);

    // The live block (addresses 67 to 76) at `seconds` since the first request; time
    // only moves forward. The two bytes no decode reads (71 and 73) are left as they are.
    void liveAt(double seconds, uint8_t (&live)[10]);

    void setFault(EngineFault f) { fault = f; }
    // From now on, this drive instead of the rest of the current one (the engine as it
    // stands: a running engine keeps running into the first phase), not looped.
    void perform(const std::vector<Phase>& drive, bool loop = false);
    EngineFault currentFault() const { return fault; }
    // Starts the drive again from the key turned on, the coolant at ambient.
    void restart();

    // What the model holds now, for tests.
    double rpm() const { return speed; }
    double celsius() const { return coolant; }
    const Phase& phase() const;

private:
    // The speed, manifold pressure and injection time a phase asks for, whether it
    // lets the controller cut fuel, and whether it runs enriched (wide open).
    struct Demand {
        double rpm, map, injection;
        bool cutting, enriched;
    };
    void nextPhase(double dt);
    Demand demand(const Phase& p, double cold) const;
    void step(double dt);
    double noise(double amplitude);
    int narrowbandMv() const;
    int widebandMv() const;

    Setup setup;
    EngineFault fault = EngineFault::None;
    double t = 0; // model time, seconds
    size_t phaseIndex = 0;
    double phaseTime = 0;
    double speed = 0, map = 1.62, injection = 0, coolant = 20;
    double runTime = 0, loopPhase = 0, correction = 0;
    bool cut = false, enriched = false;
    uint32_t seed = 12345;
};

// What the driver does at each step of the guided installation check ("Chave ligada,
// motor desligado", the start, warm idle, three snaps, 2500 rpm held), `step` counted
// from 0, each ending at idle.
std::vector<Phase> walkDrive(int step);

// The demo's engine (the demo port's and tuma-sim's): it arrives warm from the road and
// idles, revs and decelerates over and over, so that every check can be seen judging
// within a few minutes.
Engine::Setup demoSetup();

} // namespace tuma::sim
