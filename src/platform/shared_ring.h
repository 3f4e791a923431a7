// A ring of fixed-size slots shared by one producer and one consumer, each possibly in another
// process: two free-running counters in shared memory, the producer's head and the consumer's
// tail. Slot i of the ring is counter value i modulo the slot count, a power of two (so that the
// slots still follow each other in order where the counters wrap around); the ring is full when
// the head runs a whole ring ahead of the tail, empty when they are equal.
//
// The other side may be hostile (a decoder taken over by a crafted movie): each call reads the
// other side's counter once, and counters further apart than the ring holds mark the ring damaged
// instead of being used.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

namespace textreel {

// The counters as they lie in the shared memory.
struct RingCounters {
    std::atomic<uint32_t> head{0};  // slots published by the producer
    std::atomic<uint32_t> tail{0};  // slots released by the consumer
};
static_assert(std::atomic<uint32_t>::is_always_lock_free, "the counters are shared between processes");

class SlotRing {
  public:
    SlotRing() = default;
    // A slot count that is no power of two makes a ring that never gives a slot.
    SlotRing(RingCounters* counters, uint32_t slots)
        : counters_(counters), slots_(slots != 0 && (slots & (slots - 1)) == 0 ? slots : 0) {}

    uint32_t Slots() const { return slots_; }

    // The producer's side: the slot to fill next, nullopt when the ring is full (or damaged).
    std::optional<uint32_t> WriteSlot() const {
        const uint32_t head = counters_->head.load(std::memory_order_relaxed);
        const uint32_t tail = counters_->tail.load(std::memory_order_acquire);
        if (Bad(head, tail) || head - tail == slots_) {
            return std::nullopt;
        }
        return head % slots_;
    }
    // Hands the filled slot to the consumer.
    void Publish() { counters_->head.fetch_add(1, std::memory_order_release); }

    // The consumer's side: the oldest published slot, nullopt when the ring is empty (or damaged).
    std::optional<uint32_t> ReadSlot() const {
        const uint32_t tail = counters_->tail.load(std::memory_order_relaxed);
        const uint32_t head = counters_->head.load(std::memory_order_acquire);
        if (Bad(head, tail) || head == tail) {
            return std::nullopt;
        }
        return tail % slots_;
    }
    // Gives the slot ReadSlot returned back to the producer.
    void Release() { counters_->tail.fetch_add(1, std::memory_order_release); }

    // True when the counters cannot both be right: more slots filled than the ring holds.
    bool Damaged() const {
        return Bad(counters_->head.load(std::memory_order_acquire),
                   counters_->tail.load(std::memory_order_acquire));
    }

  private:
    bool Bad(uint32_t head, uint32_t tail) const { return slots_ == 0 || head - tail > slots_; }

    RingCounters* counters_ = nullptr;
    uint32_t slots_ = 0;
};

}  // namespace textreel
