#pragma once
// A model of the mixture controller on the far end of the serial line: its parameter
// and live memory, its answers to every command, its learning procedures, and named
// faults that make it misbehave the way real lines and devices do.
#include "sim/engine.h"
#include "sim/sim_line.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tuma::sim {

enum class Fault {
    None,
    Silent,   // never answers
    BadCrc,   // answers with a wrong check byte
    Split,    // a pause of 40 ms in the middle of every answer
    Short,    // a valid answer that carries only half the payload
    DropOnce, // the first answer to each request is lost; the retry is answered
    Gone,     // the adapter has been unplugged
    Usb,      // answers come in chunks with gaps of up to 16 ms, as USB adapters deliver them
};

const char* faultName(Fault f);
bool faultFromName(const std::string& name, Fault& out);
std::vector<Fault> allFaults();

struct Timing {
    int64_t answerLatencyUs = 2000;
    int64_t lambdaIdleLearnUs = 4000000;
    int64_t mapLearnUs = 6000000;
    int64_t mapOperatorFromUs = 1500000; // the operator is asked for from..to
    int64_t mapOperatorToUs = 4000000;
};

// A request as the controller received it.
struct Frame {
    int64_t atUs = 0;
    uint8_t command = 0;
    uint16_t address = 0;
    std::vector<uint8_t> data;
    bool crcOk = true;
    bool answered = false;
};

class Controller : public Device {
public:
    Controller();

    void receive(uint8_t byte, int64_t atUs, LineOutput& out) override;
    bool unplugged() const override { return fault == Fault::Gone; }

    void setFault(Fault f);
    // When set, the fault touches only requests for this address (the others are
    // answered normally), e.g. a parameter read that fails while live reads work.
    int faultOnlyAddress = -1;
    // The payload a Short answer keeps; half of it when negative.
    int shortPayload = -1;
    Fault currentFault() const { return fault; }
    Timing timing;

    // Memory, addresses 0..255 (the controller has no more).
    std::array<uint8_t, 256> memory{};
    void resetMemory();
    // When 0..255, the status byte reads as this whatever the procedures do (tests).
    int pinnedStatus = -1;
    // A controller that answers a write as usual and keeps its old memory (tests of
    // verification after a write).
    bool ignoreWrites = false;
    // Live values follow the clock of the last request; tests may pin them.
    bool liveFrozen = false;
    // When set, the live values are this engine's (not owned); else a warming engine
    // idling on.
    Engine* engine = nullptr;

    // Frames are kept only when asked, so that a plain exchange allocates nothing.
    bool logFrames = false;
    std::vector<Frame> frames;

    uint8_t versionMajor = 2;
    uint8_t versionMinor = 5;

private:
    void handleFrame(int64_t atUs, LineOutput& out);
    void updateLive(int64_t atUs);
    void advanceProcedures(int64_t atUs);
    // A programming request: a learning procedure started, or the learned flags cleared.
    void setProgramMode(int64_t atUs, uint8_t mode);
    void answer(int64_t atUs, const uint8_t* payload, size_t n, LineOutput& out);
    Fault effectiveFault() const;

    Fault fault = Fault::None;
    bool droppedLast = false;
    unsigned noisyAnswers = 0;
    // Frame assembly. A request that stops half-way is dropped after a pause, so that
    // its remains do not swallow the requests that follow.
    static constexpr int64_t RequestGapUs = 10000;
    std::array<uint8_t, 128> rx{};
    size_t rxLen = 0;
    int64_t lastRxUs = 0;
    // Learning procedure.
    enum class Procedure { None, LambdaIdle, Map } procedure = Procedure::None;
    int64_t procedureStart = 0;
    int64_t startOfTime = -1;
};

} // namespace tuma::sim
