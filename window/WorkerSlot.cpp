#include "window/WorkerSlot.h"

bool CWorkerSlot::Start(std::function<void(std::stop_token)> body) {
    if (m_bSet) return false;
    if (m_thread.joinable()) m_thread.join();
    m_thread = std::jthread(std::move(body));
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

void CWorkerSlot::Release() {
    if (m_thread.joinable()) m_thread.request_stop();
    Clear();
}
