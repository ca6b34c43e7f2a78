#pragma once

#include <stop_token>
#include <string>

#include "platform/Canvas.h"
#include "platform/WindowPort.h"
#include "window/WorkerSlot.h"

class CTarvelloWindow;

// The main window's online services: the connectivity probe at start, then
// the advertisement download and the version check in the window's worker
// slots. Every network wait runs on a worker; results come back to the
// user-interface thread through the port's queued hand-off, and nothing of
// the window is touched from a worker.
class COnlineJobs {
public:
    static constexpr const char* kOfflineText = "网络没连接上，目前您处于断网状态！";
    static constexpr Color kNoticeColor = RGB(230, 10, 220);

    explicit COnlineJobs(CTarvelloWindow& window) : m_window(window) {}

    // The last start-up step: probes the network on a worker and returns at
    // once. Connected: the two jobs start; not: the offline box, once, and
    // no job. Ignored while a probe runs.
    void StartConnectivityProbe();
    // Stops the probe and waits for it (the window is closing).
    bool ReleaseProbe() { return m_pProbeThread.Release(); }
    // The probe or a job is running or its result is still to be handed over.
    bool IsBusy() const;

    // The version notice, painted at the chart's top-left corner until the
    // next chart redraw takes it away.
    const std::string& VersionNotice() const { return m_strVersionNotice; }
    void PaintVersionNotice(Canvas& client) const;
    void ClearVersionNotice() { m_strVersionNotice.clear(); }

    std::string m_strVersionUrl;

private:
    void OnProbeResult(bool connected);
    // The two jobs, on their workers.
    void AdListThread(const std::string& url, const std::string& localFile, CWindowPort& port,
                      std::stop_token stop, CWorkerGate& gate);
    void VersionCheckThread(const std::string& url, CWindowPort& port, std::stop_token stop,
                            CWorkerGate& gate);
    void OnAdListDownloaded();
    void OnVersionChecked(long version);

    CTarvelloWindow& m_window;
    CWorkerSlot m_pProbeThread;
    std::string m_strVersionNotice;
};
