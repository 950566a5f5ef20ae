#pragma once
// The controller's protocol as calls: every request the program makes, with its
// command, address and count chosen here and nowhere else. Each returns true only
// when the answer carries what the caller needs.
//
// A request carries the caller's buffer as its data bytes, and the answer's payload
// lands back in it: the controller ignores the data of a read, but these are the
// bytes the program has always sent, so the buffers are the callers' own.
#include "core/link.h"
#include "core/memory_map.h"

#include <cstdint>

namespace tuma {

// The command codes of the request frame.
namespace cmd {
constexpr uint8_t ReadLive = 0;
constexpr uint8_t ReadConfig = 1;
constexpr uint8_t GetVersion = 3;
constexpr uint8_t WriteConfig = 4;
constexpr uint8_t SetProgramMode = 13;
} // namespace cmd

// The data byte of SetProgramMode.
namespace programMode {
constexpr uint8_t Reset = 0;
constexpr uint8_t LambdaIdle = 1;
constexpr uint8_t Map = 2;
} // namespace programMode

} // namespace tuma

namespace tuma::commands {

using LiveImage = uint8_t[addr::LiveCount];

struct Version {
    uint8_t major = 0;
    uint8_t minor = 0;
};

// GetVersion; the minor number stays 0 when the answer carries one byte only.
bool readVersion(Link& link, Version& version);

// ReadConfig of addresses 1..25, sending `image` as the data. Only an answer with all
// 25 bytes replaces `image`: a write after a short answer would send bytes the
// controller never had.
bool readConfig(Link& link, Block& image);
// WriteConfig of addresses 1..25; the answer's payload lands in `image`.
bool writeConfig(Link& link, Block& image);

// ReadLive of the live block (67..76) and the short live block (72..81).
bool readLive(Link& link, LiveImage& live);
bool readShortLive(Link& link, LiveImage& live);
// ReadLive of the status bytes (99..100), sending the first two bytes of `buffer`;
// false unless the answer carries the status byte.
bool readStatus(Link& link, LiveImage& buffer, uint8_t& status);

// SetProgramMode (programMode::Reset, LambdaIdle or Map).
bool setProgramMode(Link& link, uint8_t mode);
// WriteConfig of the mixture byte alone (address 3).
bool writeMixture(Link& link, uint8_t mixture);

} // namespace tuma::commands
