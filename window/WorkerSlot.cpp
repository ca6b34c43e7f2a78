#include "window/WorkerSlot.h"

bool CWorkerGate::Pass(const std::function<void()>& send) {
    std::lock_guard lock(m_mutex);
    if (!m_bOpen) return false;
    send();
    return true;
}

void CWorkerGate::Close() {
    std::lock_guard lock(m_mutex);
    m_bOpen = false;
}

bool CWorkerSlot::Start(std::function<void(std::stop_token)> body) {
    if (m_bSet) return false;
    if (m_thread.joinable()) m_thread.join();
    m_shared.reset();
    m_thread = std::jthread(std::move(body));
    m_bSet = true;
    return true;
}

bool CWorkerSlot::StartGated(std::function<void(std::stop_token, CWorkerGate&)> body) {
    if (m_bSet) return false;
    if (m_thread.joinable()) m_thread.join();
    // The thread keeps its own reference: it may outlive the slot.
    auto shared = std::make_shared<Shared>();
    m_shared = shared;
    m_thread = std::jthread([shared, body = std::move(body)](std::stop_token stop) {
        body(stop, shared->gate);
        {
            std::lock_guard lock(shared->mutex);
            shared->finished = true;
        }
        shared->cv.notify_all();
    });
    m_bSet = true;
    return true;
}

void CWorkerSlot::Join() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

void CWorkerSlot::Clear() {
    Join();
    m_bSet = false;
}

bool CWorkerSlot::Release(std::chrono::milliseconds patience) {
    bool ended = true;
    if (m_thread.joinable()) {
        m_thread.request_stop();
        if (m_shared) {
            m_shared->gate.Close();
            std::unique_lock lock(m_shared->mutex);
            ended = m_shared->cv.wait_for(lock, patience, [&] { return m_shared->finished; });
            lock.unlock();
        }
        // A worker blocked in a system call cannot be stopped; it is let go
        // and ends on its own, with nothing left to reach.
        if (ended)
            Join();
        else
            m_thread.detach();
    }
    m_shared.reset();
    m_bSet = false;
    return ended;
}
