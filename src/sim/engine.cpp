#include "sim/engine.h"

#include "core/memory_map.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace tuma::sim {

namespace {
struct FaultName {
    EngineFault fault;
    const char* name;
    const char* caption;
};
constexpr FaultName Faults[] = {
    {EngineFault::None, "none", "Nenhum (motor em ordem)"},
    {EngineFault::TempOpen, "temp-open", "Sensor de temperatura aberto"},
    {EngineFault::TempShort, "temp-short", "Sensor de temperatura em curto"},
    {EngineFault::MapWireOff, "map-wire-off", "Fio de sinal do MAP solto"},
    {EngineFault::MapHoseOff, "map-hose-off", "Mangueira do MAP solta"},
    {EngineFault::LambdaDisconnected, "lambda-off", "Sonda lambda desconectada"},
    {EngineFault::LambdaLazy, "lambda-lazy", "Sonda lambda preguiçosa"},
    {EngineFault::LambdaLean, "lambda-lean", "Sonda sempre pobre"},
    {EngineFault::LambdaRich, "lambda-rich", "Sonda sempre rica"},
    {EngineFault::NoRpmSignal, "no-rpm", "Sem sinal de rotação"},
    {EngineFault::NoInjectorSignal, "no-injector", "Sem sinal de injeção"},
    {EngineFault::NoisyLine, "noisy-line", "Linha de comunicação com ruído"},
};

constexpr double Pi = 3.14159265358979323846;
constexpr double Step = 0.05;       // seconds the model moves at a time
constexpr double Atmosphere = 1.62; // MAP volts with the engine stopped
constexpr double IdleMap = 0.60;
constexpr double SnapMap = 1.50;
constexpr double CutMap = 0.35;
constexpr double IdleRpm = 850;
constexpr double CutAbove = 1200;         // the fuel cut ends below this speed
constexpr double Hot = 92;                // where the thermostat holds the coolant
constexpr double ClosedLoopPeriod = 1.37; // seconds per switch cycle of the narrowband probe

double cruiseMap(double rpm) { return 0.80 + (rpm - 1500) * 0.0001; }
uint8_t clampByte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }
} // namespace

const char* engineFaultName(EngineFault f)
{
    for (const FaultName& n : Faults)
        if (n.fault == f)
            return n.name;
    return "none";
}

const char* engineFaultCaption(EngineFault f)
{
    for (const FaultName& n : Faults)
        if (n.fault == f)
            return n.caption;
    return "";
}

bool engineFaultFromName(const std::string& name, EngineFault& out)
{
    for (const FaultName& n : Faults) {
        if (name == n.name) {
            out = n.fault;
            return true;
        }
    }
    return false;
}

std::vector<EngineFault> allEngineFaults()
{
    std::vector<EngineFault> all;
    for (const FaultName& n : Faults)
        all.push_back(n.fault);
    return all;
}

std::vector<Phase> driveCycle()
{
    using P = Phase;
    std::vector<Phase> d = {
        {P::Off, 10, 0},        {P::Crank, 2, 0},       {P::Idle, 420, 0},    {P::Snaps, 12, 0}, {P::Idle, 60, 0},
        {P::Cruise, 8, 3500},   {P::Cruise, 120, 2500}, {P::Decel, 6, 0},     {P::Idle, 60, 0},  {P::Cruise, 180, 3000},
        {P::Decel, 5, 0},       {P::Cruise, 120, 2000}, {P::Decel, 5, 0},     {P::Idle, 90, 0},  {P::Snaps, 12, 0},
        {P::Idle, 60, 0},       {P::Cruise, 120, 1800}, {P::Cruise, 5, 3500}, {P::Decel, 8, 0},  {P::Idle, 120, 0},
        {P::Cruise, 240, 2500}, {P::Decel, 6, 0},
    };
    double total = 0;
    for (const Phase& p : d)
        total += p.seconds;
    d.push_back({P::Idle, std::max(60.0, 1800 - total), 0});
    return d;
}

Engine::Setup demoSetup()
{
    using P = Phase;
    Engine::Setup s;
    s.drive = {{P::Off, 8, 0},        {P::Crank, 2, 0},      {P::Idle, 120, 0}, {P::Snaps, 12, 0},
               {P::Idle, 30, 0},      {P::Cruise, 20, 2500}, {P::Decel, 5, 0},  {P::Idle, 60, 0},
               {P::Cruise, 20, 1800}, {P::Decel, 4, 0},      {P::Idle, 40, 0}};
    s.loop = true;
    s.ambient = 80;
    return s;
}

std::vector<Phase> walkDrive(int step)
{
    using P = Phase;
    switch (step) {
    case 0:
        return {{P::Off, 60, 0}};
    case 1:
        return {{P::Off, 3, 0}, {P::Crank, 2, 0}, {P::Idle, 600, 0}};
    case 2:
        return {{P::Idle, 1200, 0}};
    case 3:
        return {{P::Idle, 4, 0}, {P::Snaps, 12, 0}, {P::Idle, 600, 0}};
    case 4:
        return {{P::Cruise, 50, 2500}, {P::Decel, 4, 0}, {P::Idle, 600, 0}};
    default:
        return {{P::Idle, 600, 0}};
    }
}

Engine::Engine(const Setup& s) : setup(s) { restart(); }

void Engine::perform(const std::vector<Phase>& drive, bool loop)
{
    setup.drive = drive;
    setup.loop = loop;
    phaseIndex = 0;
    phaseTime = 0;
}

void Engine::restart()
{
    t = 0;
    phaseIndex = 0;
    phaseTime = 0;
    speed = 0;
    map = Atmosphere;
    injection = 0;
    coolant = setup.ambient;
    runTime = 0;
    loopPhase = 0;
    correction = 0;
    cut = enriched = false;
}

const Phase& Engine::phase() const
{
    static const Phase idleOn{Phase::Idle, 0, 0};
    return phaseIndex < setup.drive.size() ? setup.drive[phaseIndex] : idleOn;
}

double Engine::noise(double amplitude)
{
    seed = seed * 1664525u + 1013904223u;
    return amplitude * ((seed >> 8) / 8388608.0 - 1.0);
}

void Engine::nextPhase(double dt)
{
    phaseTime += dt;
    if (phaseIndex < setup.drive.size() && phaseTime >= setup.drive[phaseIndex].seconds) {
        phaseTime = 0;
        if (++phaseIndex >= setup.drive.size() && setup.loop)
            phaseIndex = std::min<size_t>(2, setup.drive.size() - 1); // the key stays on: no second start
    }
}

Engine::Demand Engine::demand(const Phase& p, double cold) const
{
    const double idle = IdleRpm + 300 * cold;
    Demand d{idle, IdleMap, 2.2 + 1.0 * cold, false, false};
    switch (p.kind) {
    case Phase::Off:
        d.rpm = 0;
        d.map = Atmosphere;
        d.injection = 0;
        break;
    case Phase::Crank:
        d.rpm = 220;
        d.map = 1.45;
        d.injection = 6.0 + 3 * cold;
        break;
    case Phase::Idle:
        break;
    case Phase::Cruise:
        d.rpm = p.rpm;
        d.map = cruiseMap(p.rpm);
        d.injection = 2.2 + p.rpm / 1000 + cold;
        if (speed < p.rpm - 300) { // still climbing to it: throttle wide open
            d.map = 1.40;
            d.injection = 5.5;
            d.enriched = true;
        }
        break;
    case Phase::Snaps: {
        const double c = std::fmod(phaseTime, 4.0);
        if (c < 0.6) {
            d.rpm = 3000;
            d.map = SnapMap;
            d.injection = 7.0;
            d.enriched = true;
        } else if (c < 2.0) {
            d.map = CutMap;
            d.cutting = true;
        }
        break;
    }
    case Phase::Decel:
        d.rpm = idle;
        d.map = CutMap;
        d.cutting = true;
        break;
    }
    return d;
}

void Engine::step(double dt)
{
    t += dt;
    nextPhase(dt);
    const Phase& p = phase();
    const double cold = std::clamp((70 - coolant) / 50, 0.0, 1.0);
    // What the driver and the idle control ask for; the engine follows with its lags.
    Demand d = demand(p, cold);
    enriched = d.enriched;
    if (d.cutting) {
        cut = speed > CutAbove;
        if (cut)
            d.injection = 0;
    } else {
        cut = false;
    }

    if (p.kind == Phase::Crank) {
        speed = d.rpm;
    } else {
        const double tau = d.rpm > speed ? 0.35 : (p.kind == Phase::Off ? 0.3 : 0.8);
        speed += (d.rpm - speed) * (1 - std::exp(-dt / tau));
        if (d.rpm == 0 && speed < 100)
            speed = 0;
    }
    map += (d.map - map) * (1 - std::exp(-dt / 0.15));
    injection = speed > 0 ? d.injection : 0;

    const bool running = speed > 300;
    runTime = running ? runTime + dt : 0;
    coolant += running ? (Hot - coolant) / 200 * dt : (setup.ambient - coolant) / 1800 * dt;
    loopPhase = std::fmod(loopPhase + dt / ClosedLoopPeriod, 1.0);
    if (running && cold == 0 && !cut && !enriched)
        correction += (12 - correction) * (1 - std::exp(-dt / 60));
}

int Engine::narrowbandMv() const
{
    switch (fault) {
    case EngineFault::LambdaDisconnected:
        return 450 + static_cast<int>(std::sin(t * 3.1) * 8);
    case EngineFault::LambdaLazy:
        // Worn: it still shows the large swings (a snap's enrichment, a fuel cut), not
        // the small ones of closed loop.
        if (speed > 300 && runTime >= 30 && (cut || enriched))
            return cut ? 150 : 720;
        return 380 + static_cast<int>(140 * std::sin(2 * Pi * t / 3.4));
    case EngineFault::LambdaLean:
        return 80 + static_cast<int>(20 * std::sin(t * 2.3));
    case EngineFault::LambdaRich:
        return 880 + static_cast<int>(20 * std::sin(t * 2.3));
    default:
        break;
    }
    if (speed <= 300)
        return 20;
    if (runTime < 30)
        return 450; // a cold probe sits at the controller's bias
    if (cut)
        return 40;
    if (enriched)
        return 880;
    // Closed loop: rich, a quick fall, lean, a quick rise.
    const double f = loopPhase;
    if (f < 0.45)
        return 780;
    if (f < 0.55)
        return static_cast<int>(780 - (f - 0.45) / 0.10 * 650);
    if (f < 0.95)
        return 130;
    return static_cast<int>(130 + (f - 0.95) / 0.05 * 650);
}

int Engine::widebandMv() const
{
    switch (fault) {
    case EngineFault::LambdaDisconnected:
        return 0;
    case EngineFault::LambdaLazy:
        return 2500 + static_cast<int>(6 * std::sin(t * 0.7));
    case EngineFault::LambdaLean:
        return 4990;
    case EngineFault::LambdaRich:
        return 20;
    default:
        break;
    }
    if (speed <= 300 || runTime < 20)
        return 0; // the module holds its output low while its probe heats
    if (cut)
        return 4600;
    if (enriched)
        return 1700;
    return 2500 + static_cast<int>(150 * std::sin(2 * Pi * t / 2.3) + 60 * std::sin(2 * Pi * t / 0.9));
}

void Engine::liveAt(double seconds, uint8_t (&live)[10])
{
    while (t + Step <= seconds)
        step(Step);
    const double jitter = noise(1.0);
    const double shownSpeed = speed > 0 ? speed + 12 * jitter : 0;
    int period = 0;
    if (fault != EngineFault::NoRpmSignal && shownSpeed > 30)
        period = static_cast<int>(std::min(65535.0, 60000000.0 / (3.2 * shownSpeed * setup.pulses)));
    live[0] = static_cast<uint8_t>(period & 0xFF);
    live[1] = static_cast<uint8_t>(period >> 8);
    int inj = fault == EngineFault::NoInjectorSignal ? 0 : static_cast<int>(std::lround(injection / 0.0008));
    inj = std::clamp(inj, 0, 65535);
    live[2] = static_cast<uint8_t>(inj & 0xFF);
    live[3] = static_cast<uint8_t>(inj >> 8);
    live[5] = clampByte(correction);
    uint8_t temp = static_cast<uint8_t>(celsiusToAdc(static_cast<int32_t>(coolant)) & 0xFF);
    if (fault == EngineFault::TempOpen)
        temp = 255;
    else if (fault == EngineFault::TempShort)
        temp = 0;
    live[7] = temp;
    double volts = map + 0.012 * jitter;
    if (fault == EngineFault::MapHoseOff)
        volts = Atmosphere + 0.005 * jitter;
    live[8] = fault == EngineFault::MapWireOff ? 0 : clampByte(volts * 102);
    const int mv = setup.wideband ? widebandMv() : narrowbandMv();
    live[9] = clampByte(mv * 255.0 / 5000 + noise(0.4));
}

} // namespace tuma::sim
