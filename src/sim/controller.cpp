#include "sim/controller.h"

#include "core/commands.h"
#include "core/crc8.h"
#include "core/memory_map.h"
#include "core/parameters.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace tuma::sim {

const char* faultName(Fault f)
{
    switch (f) {
    case Fault::None:
        return "none";
    case Fault::Silent:
        return "silent";
    case Fault::BadCrc:
        return "badcrc";
    case Fault::Split:
        return "split";
    case Fault::Short:
        return "short";
    case Fault::DropOnce:
        return "droponce";
    case Fault::Gone:
        return "gone";
    case Fault::Usb:
        return "usb";
    }
    return "none";
}

std::vector<Fault> allFaults()
{
    return {Fault::None,  Fault::Silent,   Fault::BadCrc, Fault::Split,
            Fault::Short, Fault::DropOnce, Fault::Gone,   Fault::Usb};
}

bool faultFromName(const std::string& name, Fault& out)
{
    for (Fault f : allFaults()) {
        if (name == faultName(f)) {
            out = f;
            return true;
        }
    }
    return false;
}

Controller::Controller() { resetMemory(); }

void Controller::resetMemory()
{
    memory.fill(0);
    // The factory parameters: they read back as the main window's default texts.
    Block factory;
    factoryImage(factory);
    for (size_t i = 0; i < factory.size(); ++i)
        memory[addr::ConfigFirst + i] = factory[i];
    // Bytes the program reads but never shows (71 and 73 in the live block, 77..81
    // past its end, which the short live read from 72 reaches) hold values no decode
    // produces by accident, so a test sees at once when one lands in a box or a buffer
    // position it must not reach.
    memory[71] = 0x33;
    memory[73] = 0x44;
    for (int a = 77; a <= 81; ++a)
        memory[a] = static_cast<uint8_t>(a);
    updateLive(0);
}

void Controller::setFault(Fault f)
{
    fault = f;
    droppedLast = false;
}

void Controller::receive(uint8_t byte, int64_t atUs, LineOutput& out)
{
    if (rxLen > 0 && atUs - lastRxUs > RequestGapUs)
        rxLen = 0;
    lastRxUs = atUs;
    if (rxLen == 0 && byte != 0xF3)
        return; // hunting for the start byte
    rx[rxLen++] = byte;
    if (rxLen >= 5) {
        size_t need = 6u + rx[4];
        if (need > rx.size()) {
            rxLen = 0;
            return;
        }
        if (rxLen == need) {
            handleFrame(atUs, out);
            rxLen = 0;
        }
    }
}

void Controller::updateLive(int64_t atUs)
{
    if (liveFrozen)
        return;
    if (startOfTime < 0)
        startOfTime = atUs;
    const double t = static_cast<double>(atUs - startOfTime) / 1e6;
    if (engine) {
        uint8_t live[addr::LiveCount];
        std::copy_n(memory.begin() + addr::LiveFirst, addr::LiveCount, live);
        engine->liveAt(t, live);
        std::copy_n(live, addr::LiveCount, memory.begin() + addr::LiveFirst);
        return;
    }
    // A warming engine at idle.
    const double celsius = 85.0 - 65.0 * std::exp(-t / 300.0);
    memory[addr::EngineTemp] = static_cast<uint8_t>(celsiusToAdc(static_cast<int32_t>(celsius)) & 0xFF);
    const double rpm = 850.0 + 30.0 * std::sin(t * 1.7) + 10.0 * std::sin(t * 5.3);
    const int period = static_cast<int>(60000000.0 / (3.2 * rpm));
    memory[addr::EngineSpeedPeriod] = static_cast<uint8_t>(period & 0xFF);
    memory[addr::EngineSpeedPeriod + 1] = static_cast<uint8_t>(period >> 8);
    const double injectionMs = 2.4 + 0.2 * std::sin(t * 0.9) + (celsius < 50 ? 0.6 : 0.0);
    const int inj = static_cast<int>(injectionMs / 0.0008);
    memory[addr::InjectionTime] = static_cast<uint8_t>(inj & 0xFF);
    memory[addr::InjectionTime + 1] = static_cast<uint8_t>(inj >> 8);
    memory[addr::LiveCorrection] = static_cast<uint8_t>(std::fmin(t / 3.0, 20.0));
    const double mapVolts = 0.95 + 0.04 * std::sin(t * 2.1);
    memory[addr::MapVoltage] = static_cast<uint8_t>(mapVolts * 102.0);
    const bool rich = static_cast<int64_t>(t / 0.8) % 2 == 1;
    const double mv = rich ? 760.0 : 140.0;
    memory[addr::LambdaVoltage] = static_cast<uint8_t>(mv * 255.0 / 5000.0);
}

void Controller::advanceProcedures(int64_t atUs)
{
    const int64_t elapsed = atUs - procedureStart;
    uint8_t status = 0;
    switch (procedure) {
    case Procedure::None:
        break;
    case Procedure::LambdaIdle:
        if (elapsed >= timing.lambdaIdleLearnUs) {
            procedure = Procedure::None;
            memory[addr::OptionFlags] |= bits::LambdaIdleLearned;
        } else {
            status = bits::LambdaIdleRunning;
        }
        break;
    case Procedure::Map:
        if (elapsed >= timing.mapLearnUs) {
            procedure = Procedure::None;
            memory[addr::OptionFlags] |= bits::MapLearned;
        } else {
            status = bits::MapRunning;
            if (elapsed >= timing.mapOperatorFromUs && elapsed < timing.mapOperatorToUs)
                status |= bits::MapWaitsOperator;
        }
        break;
    }
    memory[addr::Status] = pinnedStatus >= 0 ? static_cast<uint8_t>(pinnedStatus) : status;
    memory[addr::Status + 1] = 0;
}

Fault Controller::effectiveFault() const
{
    if (faultOnlyAddress >= 0 && faultOnlyAddress != ((rx[2] << 8) | rx[3]))
        return Fault::None;
    return fault;
}

void Controller::answer(int64_t atUs, const uint8_t* payload, size_t n, LineOutput& out)
{
    const Fault fault = effectiveFault();
    if (fault == Fault::Silent)
        return;
    // A noisy line garbles one answer in four beyond recognition: the PC hears nothing
    // and asks again.
    if (engine && engine->currentFault() == EngineFault::NoisyLine && ++noisyAnswers % 4 == 0)
        return;
    if (fault == Fault::DropOnce) {
        droppedLast = !droppedLast;
        if (droppedLast)
            return;
    }
    if (fault == Fault::Short)
        n = shortPayload >= 0 && static_cast<size_t>(shortPayload) < n ? static_cast<size_t>(shortPayload) : n / 2;
    uint8_t frame[128];
    frame[0] = 0xF3;
    frame[1] = rx[1];
    for (size_t i = 0; i < n; ++i)
        frame[2 + i] = payload[i];
    size_t len = n + 2;
    if (fault == Fault::BadCrc) {
        // Line noise: a garbled payload (a value shown from it would be wrong) and a
        // check byte that cannot match.
        for (size_t i = 2; i < len; ++i)
            frame[i] ^= 0xA5;
        frame[len] = static_cast<uint8_t>(Crc8(frame, static_cast<uint32_t>(len)) ^ 0x5A);
    } else {
        frame[len] = Crc8(frame, static_cast<uint32_t>(len));
    }
    ++len;
    int64_t t = atUs + timing.answerLatencyUs;
    // The gaps a USB adapter leaves between the chunks it hands over.
    static constexpr int64_t UsbGapsUs[] = {16000, 7000, 12000, 3000};
    constexpr size_t UsbChunk = 4;
    for (size_t i = 0; i < len; ++i) {
        if (fault == Fault::Split && i == len / 2)
            t += 40000;
        if (fault == Fault::Usb && i > 0 && i % UsbChunk == 0)
            t += UsbGapsUs[(i / UsbChunk - 1) % std::size(UsbGapsUs)];
        t += ByteTimeUs;
        out.send(frame[i], t);
    }
    if (logFrames && !frames.empty())
        frames.back().answered = true;
}

void Controller::setProgramMode(int64_t atUs, uint8_t mode)
{
    if (mode == programMode::LambdaIdle) {
        procedure = Procedure::LambdaIdle;
        procedureStart = atUs;
    } else if (mode == programMode::Map) {
        procedure = Procedure::Map;
        procedureStart = atUs;
    } else {
        procedure = Procedure::None;
        memory[addr::OptionFlags] &= static_cast<uint8_t>(~(bits::MapLearned | bits::LambdaIdleLearned));
    }
    advanceProcedures(atUs);
}

void Controller::handleFrame(int64_t atUs, LineOutput& out)
{
    const size_t n = rx[4];
    const bool crcOk = Crc8(rx.data(), static_cast<uint32_t>(n + 6)) == 0;
    const uint8_t command = rx[1];
    const uint16_t address = static_cast<uint16_t>((rx[2] << 8) | rx[3]);
    if (logFrames)
        frames.push_back({atUs, command, address, {rx.begin() + 5, rx.begin() + 5 + static_cast<long>(n)}, crcOk});
    if (!crcOk)
        return; // a garbled request gets no answer
    updateLive(atUs);
    advanceProcedures(atUs);
    uint8_t payload[128] = {};
    switch (command) {
    case cmd::ReadLive:
    case cmd::ReadConfig:
        for (size_t i = 0; i < n; ++i)
            payload[i] = address + i < memory.size() ? memory[address + i] : 0;
        answer(atUs, payload, n, out);
        break;
    case cmd::GetVersion:
        payload[0] = versionMajor;
        payload[1] = versionMinor;
        answer(atUs, payload, 2, out);
        break;
    case cmd::WriteConfig:
        for (size_t i = 0; i < n; ++i) {
            size_t a = address + i;
            if (!ignoreWrites && a >= addr::ConfigFirst && a < addr::ConfigFirst + addr::ConfigCount)
                memory[a] = rx[5 + i];
        }
        answer(atUs, payload, 0, out);
        break;
    case cmd::SetProgramMode:
        setProgramMode(atUs, n > 0 ? rx[5] : 0);
        answer(atUs, payload, 0, out);
        break;
    default:
        break; // unknown commands are ignored
    }
}

} // namespace tuma::sim
