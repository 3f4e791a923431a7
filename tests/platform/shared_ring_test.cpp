#include "platform/shared_ring.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace textreel {
namespace {

// Producer and consumer take turns as a script says ('p' publishes into the next free slot, 'r'
// reads and releases the oldest); after each step the slot either side would use next, or nullopt.
TEST(SlotRing, SlotsGoRoundInOrderAndFullAndEmptyAreToldApart) {
    const struct {
        uint32_t slots;
        uint32_t startAt;  // both counters begin here: near the top, the counters wrap around
        std::string steps;
        std::optional<uint32_t> write;  // after the steps
        std::optional<uint32_t> read;
    } cases[] = {
        {4, 0, "", 0, std::nullopt},                   // empty
        {4, 0, "pppp", std::nullopt, 0},               // full
        {4, 0, "ppppr", 0, 1},                         // one freed: the first slot again
        {4, 0, "ppprrrppr", 1, 0},                     // round the ring: slot 3 then 0 read
        {4, UINT32_MAX - 1, "pppp", std::nullopt, 2},  // the counters wrap past zero while full
        {4, UINT32_MAX - 1, "ppppr", 2, 3},
        {8, UINT32_MAX, "pprpr", 2, 1},
        {1, 0, "p", std::nullopt, 0},
        {1, 0, "prp", std::nullopt, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.steps + " in " + std::to_string(c.slots) + " from " + std::to_string(c.startAt));
        RingCounters counters;
        counters.head = c.startAt;
        counters.tail = c.startAt;
        SlotRing producer(&counters, c.slots);
        SlotRing consumer(&counters, c.slots);
        std::vector<uint32_t> published;
        std::vector<uint32_t> read;
        for (char step : c.steps) {
            if (step == 'p') {
                std::optional<uint32_t> slot = producer.WriteSlot();
                ASSERT_TRUE(slot);
                published.push_back(*slot);
                producer.Publish();
            } else {
                std::optional<uint32_t> slot = consumer.ReadSlot();
                ASSERT_TRUE(slot);
                read.push_back(*slot);
                consumer.Release();
            }
        }
        // What was read is what was published, in order.
        ASSERT_LE(read.size(), published.size());
        EXPECT_EQ(read, std::vector<uint32_t>(published.begin(), published.begin() + read.size()));
        EXPECT_EQ(producer.WriteSlot(), c.write);
        EXPECT_EQ(consumer.ReadSlot(), c.read);
        EXPECT_FALSE(consumer.Damaged());
    }
}

// Counters a hostile other side wrote (more filled than the ring holds, or a tail past the head),
// and a slot count that is no power of two.
TEST(SlotRing, CountersThatCannotBeRightGiveNoSlot) {
    const struct {
        uint32_t head;
        uint32_t tail;
        uint32_t slots = 4;
    } cases[] = {{5, 0}, {0, 1}, {UINT32_MAX, 5}, {1000, 3}, {1, 0, 3}, {0, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.head) + " " + std::to_string(c.tail));
        RingCounters counters;
        counters.head = c.head;
        counters.tail = c.tail;
        SlotRing ring(&counters, c.slots);
        EXPECT_TRUE(ring.Damaged());
        EXPECT_FALSE(ring.ReadSlot());
        EXPECT_FALSE(ring.WriteSlot());
    }
}

}  // namespace
}  // namespace textreel
