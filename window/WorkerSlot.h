#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

// The worker's way back to the window. Everything a gated worker hands over
// passes through it; once the window has let go of the worker the gate is
// closed and nothing passes any more, so a worker that outlives the window
// (stuck in the file system) never reaches it.
class CWorkerGate {
public:
    // Runs `send` (which queues work for the user-interface thread) while the
    // gate is open; false when it is closed.
    bool Pass(const std::function<void()>& send);
    // Closes the gate; waits for a Pass in progress.
    void Close();

private:
    std::mutex m_mutex;
    bool m_bOpen = true;
};

// A worker slot owned by the window. Set from Start until the window clears
// it on the user-interface thread (when the worker's result has been handed
// over); while set, a second start is refused. Release asks the worker to
// stop and waits for it, so nothing runs against a window that is going away;
// a gated worker that does not end within the patience is let go instead.
class CWorkerSlot {
public:
    static constexpr std::chrono::milliseconds kReleasePatience{3000};

    CWorkerSlot() = default;
    CWorkerSlot(const CWorkerSlot&) = delete;
    CWorkerSlot& operator=(const CWorkerSlot&) = delete;
    ~CWorkerSlot() { Release(); }

    bool IsSet() const { return m_bSet; }

    // Runs `body` on a new thread; false (and nothing started) when the slot
    // is set. Release always waits for such a worker.
    bool Start(std::function<void(std::stop_token)> body);
    // The same for a worker that talks to the window only through its gate.
    bool StartGated(std::function<void(std::stop_token, CWorkerGate&)> body);

    // Waits for the worker's thread to end, without clearing the slot.
    void Join();

    // The worker's result has been handed over: join and clear.
    void Clear();

    // Asks the worker to stop, waits for it (a gated one at most `patience`)
    // and clears the slot. True when the worker has ended.
    bool Release(std::chrono::milliseconds patience = kReleasePatience);

private:
    struct Shared {
        CWorkerGate gate;
        std::mutex mutex;
        std::condition_variable cv;
        bool finished = false;
    };
    std::jthread m_thread;
    std::shared_ptr<Shared> m_shared;  // set for a gated worker
    bool m_bSet = false;
};
