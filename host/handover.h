// How the host's threads hand work to each other without trusting a window message: the
// message that wakes the reader carries nothing, since any program can post it; the work
// itself waits in the process, where no other program reaches.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace yv::host {

// Orders for a thread that may take a lock for a moment (never the low-level hook's).
class Mailbox {
  public:
    void Put(std::function<void()> order) {
        std::lock_guard lock(mutex_);
        orders_.push_back(std::move(order));
    }
    // Carries out what is there, in the order put; orders put meanwhile wait for the next call.
    // A wake with nothing behind it does nothing.
    void RunAll() {
        std::deque<std::function<void()>> now;
        {
            std::lock_guard lock(mutex_);
            now.swap(orders_);
        }
        for (auto& order : now) order();
    }

  private:
    std::mutex mutex_;
    std::deque<std::function<void()>> orders_;
};

// Paste texts from the low-level hook, which may neither wait nor allocate: a fixed ring with
// one writer and one reader.
class PasteSlots {
  public:
    static constexpr std::size_t kSlots = 4;
    static constexpr std::size_t kMaxBytes = 1024;

    // The writer: false when every slot is taken (the row pastes nothing).
    bool Put(const char* text, int bytes, std::uint32_t tick = 0) {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) >= kSlots) return false;
        Slot& s = slots_[head % kSlots];
        s.size = bytes <= 0                                    ? 0
                 : static_cast<std::size_t>(bytes) > kMaxBytes ? kMaxBytes
                                                               : static_cast<std::size_t>(bytes);
        if (s.size) std::memcpy(s.bytes, text, s.size);
        s.tick = tick;
        head_.store(head + 1, std::memory_order_release);
        return true;
    }
    // The reader: the oldest text, false when there is none.
    bool Take(std::string& out, std::uint32_t* tick = nullptr) {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail == head_.load(std::memory_order_acquire)) return false;
        const Slot& s = slots_[tail % kSlots];
        out.assign(s.bytes, s.size);
        if (tick) *tick = s.tick;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

  private:
    struct Slot {
        std::size_t size = 0;
        std::uint32_t tick = 0;  // when the row fired
        char bytes[kMaxBytes];
    };
    std::array<Slot, kSlots> slots_{};
    std::atomic<std::size_t> head_{0}, tail_{0};
};

}  // namespace yv::host
