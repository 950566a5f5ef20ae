#pragma once
// What the main window tells the rest of the program after each of its flows: the
// facts, in plain types, so that whoever listens (the workshop, the chart, a history)
// needs neither the windows nor Qt to understand them.
#include "core/memory_map.h"

#include <array>
#include <cstdint>
#include <string>

namespace tuma {

// One poll of the monitor: the ten bytes read from address 67, or a failure. Carried
// whole, so that a listener never holds a pointer into the window's buffer.
struct Poll {
    bool ok = false;
    std::array<uint8_t, addr::LiveCount> live{};
    static Poll of(const uint8_t* bytes)
    {
        Poll p;
        p.ok = bytes != nullptr;
        for (size_t i = 0; p.ok && i < p.live.size(); ++i)
            p.live[i] = bytes[i];
        return p;
    }
};

// The port dialog's check: a controller answered with its version on that port.
struct LinkFacts {
    bool checked = false;
    std::string port;
    std::string controllerVersion; // "2.5"
};

// One "&Gravar " that was confirmed: the block sent and what the read that follows
// found.
struct WriteFacts {
    Block sent{};
    bool written = false;  // the controller answered the write
    bool readBack = false; // and the read that follows it
    Block back{};
    bool matches() const { return written && readBack && sent == back; }
};

// One programming action that was confirmed.
struct ProgrammingFacts {
    enum Action { Mixture, Reset, LambdaIdle, Map } action = Mixture;
    bool sent = false;     // the controller answered the request
    uint8_t mixture = 0;   // Mixture: the byte written to address 3
    int share = -1;        // Mixture: the item of the percentage chosen (0..4)
    bool finished = false; // LambdaIdle, Map: the progress window saw the procedure finish
};

} // namespace tuma
