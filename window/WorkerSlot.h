#pragma once

#include <functional>
#include <stop_token>
#include <thread>

// A worker slot owned by the window. Set from Start until the window clears
// it on the user-interface thread (when the worker's result has been handed
// over); while set, a second start is refused. Release asks the worker to
// stop and waits for it, so nothing runs against a window that is going away.
class CWorkerSlot {
public:
    CWorkerSlot() = default;
    CWorkerSlot(const CWorkerSlot&) = delete;
    CWorkerSlot& operator=(const CWorkerSlot&) = delete;
    ~CWorkerSlot() { Release(); }

    bool IsSet() const { return m_bSet; }

    // Runs `body` on a new thread; false (and nothing started) when the slot is set.
    bool Start(std::function<void(std::stop_token)> body);

    // Waits for the worker's thread to end, without clearing the slot.
    void Join();

    // The worker's result has been handed over: join and clear.
    void Clear();

    // Asks the worker to stop, waits for it and clears the slot.
    void Release();

private:
    std::jthread m_thread;
    bool m_bSet = false;
};
