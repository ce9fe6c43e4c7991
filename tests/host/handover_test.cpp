// The low-level hook's watchdog, and the hand-overs between the host's threads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "handover.h"
#include "watchdog.h"

namespace {

using yv::host::HookWatchdog;

TEST(HookWatchdog, PutsTheHookBackWhenInputGoesUnseen) {
    const struct {
        const char* name;
        std::uint32_t since, now, lastInput, lastSeen;
        bool due;
    } cases[] = {
        {"every input seen", 0, 5000, 4000, 4000, false},
        {"seen a moment after its time stamp", 0, 5000, 4000, 4010, false},
        {"within the slack of the clocks", 0, 5000, 4050, 4000, false},
        {"unseen, not a second yet", 0, 4999, 4000, 3000, false},
        {"unseen for a second", 0, 5000, 4000, 3000, true},
        {"unseen, and the hook never called", 0, 9000, 4000, 0, true},
        {"input before the hooks were (re)installed", 4500, 9000, 4000, 0, false},
        {"input after a reinstall that went unseen again", 4500, 9000, 6000, 0, true},
        {"across the wrap of the tick count", 0xFFFF0000u, 0x00000300u, 0xFFFFFF00u, 0xFFFFF000u,
         true},
        {"seen across the wrap", 0xFFFF0000u, 0x00000300u, 0xFFFFFF00u, 0x00000010u, false},
        {"installed weeks ago, input unseen", 0, 0xC0000000u, 0xBFFFF000u, 0, true},
        {"installed weeks ago, input seen", 0, 0xC0000000u, 0xBFFFF000u, 0xBFFFF000u, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HookWatchdog dog(c.since);
        EXPECT_EQ(dog.Due(c.now, c.lastInput, c.lastSeen), c.due);
    }
}

TEST(HookWatchdog, AReinstallStartsTheCountAfresh) {
    HookWatchdog dog(0);
    ASSERT_TRUE(dog.Due(3000, 2000, 100));
    dog.Reinstalled(3000);
    EXPECT_FALSE(dog.Due(3500, 2000, 100));  // that input is behind us
    EXPECT_FALSE(dog.Due(4000, 3900, 100));  // new input, not a second old
    EXPECT_TRUE(dog.Due(4900, 3900, 100));
}

TEST(Mailbox, RunsOrdersInTheirOrderAndAWakeAloneDoesNothing) {
    yv::host::Mailbox box;
    std::vector<int> done;
    box.RunAll();  // a wake with nothing behind it
    box.Put([&] { done.push_back(1); });
    box.Put([&] {
        done.push_back(2);
        box.Put([&] { done.push_back(3); });  // put while running: the next round
    });
    box.RunAll();
    EXPECT_EQ(done, (std::vector<int>{1, 2}));
    box.RunAll();
    EXPECT_EQ(done, (std::vector<int>{1, 2, 3}));
}

TEST(PasteSlots, KeepsTextsInOrderBoundedAndRefusesWhenFull) {
    yv::host::PasteSlots slots;
    const std::string big(1500, 'p');
    ASSERT_TRUE(slots.Put("a", 1, 77));
    ASSERT_TRUE(slots.Put(big.c_str(), static_cast<int>(big.size())));
    ASSERT_TRUE(slots.Put("", 0));
    ASSERT_TRUE(slots.Put("d", -5));
    EXPECT_FALSE(slots.Put("e", 1));
    std::string out;
    std::uint32_t tick = 0;
    ASSERT_TRUE(slots.Take(out, &tick));
    EXPECT_EQ(tick, 77u);  // when the row fired goes along
    const std::vector<std::string> want = {"a", std::string(1024, 'p'), "", ""};
    EXPECT_EQ(out, want[0]);
    for (std::size_t i = 1; i < want.size(); ++i) {
        ASSERT_TRUE(slots.Take(out));
        EXPECT_EQ(out, want[i]);
    }
    EXPECT_FALSE(slots.Take(out));
    EXPECT_TRUE(slots.Put("f", 1));  // room again
    EXPECT_TRUE(slots.Take(out));
    EXPECT_EQ(out, "f");
}

}  // namespace
