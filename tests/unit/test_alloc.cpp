// Counts heap allocations during exchanges: the link must allocate nothing per call.
#include "core/commands.h"
#include "core/link.h"
#include "core/memory_map.h"
#include "sim/controller.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "support/counting_new.h"

using namespace tuma;

TEST(Allocations, NoneDuringExchanges)
{
    VirtualClock clock;
    sim::Controller controller;
    Link link([&](const std::string&) { return std::make_unique<SimLinePort>(clock, controller); });
    ASSERT_TRUE(link.OpenPort("DEMO"));
    uint8_t cfg[25] = {}, live[10] = {}, status[2] = {}, version[2] = {};
    const long before = g_allocations;
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(link.Exchange(cmd::ReadConfig, 1, 25, cfg));
        ASSERT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, live));
        ASSERT_TRUE(link.Exchange(cmd::ReadLive, 99, 2, status));
        ASSERT_TRUE(link.Exchange(cmd::GetVersion, 1, 1, version));
        ASSERT_TRUE(link.Exchange(cmd::WriteConfig, 1, 25, cfg));
    }
    controller.setFault(sim::Fault::Silent);
    ASSERT_FALSE(link.Exchange(cmd::ReadLive, 67, 10, live));
    controller.setFault(sim::Fault::None);
    ASSERT_TRUE(link.Exchange(cmd::ReadLive, 67, 10, live)); // with the drain
    EXPECT_EQ(g_allocations - before, 0);
}
