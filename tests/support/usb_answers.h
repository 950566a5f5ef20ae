#pragma once
// The block read over a line that delivers each answer in USB-sized chunks with gaps of
// up to 16 ms, which leave the reader 4 ms of the 20 it may wait. On a loaded machine
// the serving thread, the pty or wine can stretch a gap past 20 ms, and the answer is
// then rightly cut: such tries are made again. A reader that stopped at a chunk's end
// would never get one whole.
#include "core/commands.h"
#include "core/link.h"

#include <gtest/gtest.h>

#include <cstdint>

struct UsbReads {
    int whole = 0; // answers read whole, each the request and its 25 bytes
    int cut = 0;   // answers a stretched gap cut
};

// Reads the block until 5 answers came whole, or 40 were cut.
inline UsbReads readBlockThroughUsbChunks(tuma::Link& link)
{
    UsbReads reads;
    uint8_t cfg[25] = {};
    while (reads.whole < 5 && reads.cut < 40) {
        if (link.Exchange(tuma::cmd::ReadConfig, 1, 25, cfg)) {
            EXPECT_EQ(link.transferCount(), 28u);
            ++reads.whole;
        } else {
            ++reads.cut;
        }
    }
    return reads;
}
