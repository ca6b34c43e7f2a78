#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>

// Copies the source into the M1 temporary in the kernel, block by block, and
// tells how far it has got, so that the conversion can read each block of the
// copy right behind it, while the block is still in the processor's cache.
class CM1Copier {
public:
    CM1Copier(int in, int out, std::uint64_t length, std::stop_token stop)
        : m_in(in), m_out(out), m_nLength(length), m_stop(std::move(stop)) {}

    // The copy; runs on its own thread.
    void Run();

    // Bytes copied once at least `want` are there or the copy has ended.
    std::uint64_t WaitFor(std::uint64_t want);

    // The conversion gave up: stop copying.
    void Abandon() { m_bAbandoned.store(true, std::memory_order_relaxed); }

    // After Run: true when the copy went through to the source's end.
    bool Finish() const { return m_bOk; }
    int Error() const { return m_nError; }

private:
    void Publish(std::uint64_t copied, bool done);

    int m_in, m_out;
    std::uint64_t m_nLength;
    std::stop_token m_stop;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::uint64_t m_nCopied = 0;
    bool m_bDone = false;
    bool m_bOk = false;
    std::atomic<bool> m_bAbandoned{false};
    int m_nError = 0;
};
