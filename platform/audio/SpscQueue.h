#pragma once

#include <atomic>
#include <cstddef>
#include <type_traits>
#include <vector>

namespace platform {

// A bounded queue between exactly one producer thread and one consumer thread, without locks
// and without allocation after construction: the audio callback may use either end.
//
// The slots live in a ring whose size is a power of two. The producer owns `tail_`, the
// consumer `head_`; each publishes its index with release order and reads the other's with
// acquire order, so an item is fully written before the consumer can see it.
template <class T>
class SpscQueue {
    static_assert(std::is_trivially_copyable_v<T>, "items are copied by value between threads");

public:
    // Holds at least `capacity` items.
    explicit SpscQueue(size_t capacity) {
        size_t size = 2;
        while (size < capacity + 1) size *= 2;
        slots_.resize(size);
        mask_ = size - 1;
    }
    SpscQueue(const SpscQueue&) = delete;
    SpscQueue& operator=(const SpscQueue&) = delete;

    // Producer only. False, and nothing queued, when the queue is full.
    bool push(const T& item) {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        const size_t next = (tail + 1) & mask_;
        if (next == head_.load(std::memory_order_acquire)) return false;
        slots_[tail] = item;
        tail_.store(next, std::memory_order_release);
        return true;
    }

    // Consumer only. False when the queue is empty.
    bool pop(T& item) {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) return false;
        item = slots_[head];
        head_.store((head + 1) & mask_, std::memory_order_release);
        return true;
    }

private:
    std::vector<T> slots_;
    size_t mask_ = 0;
    alignas(64) std::atomic<size_t> head_{0};  // next slot to read
    alignas(64) std::atomic<size_t> tail_{0};  // next slot to write
};

}  // namespace platform
