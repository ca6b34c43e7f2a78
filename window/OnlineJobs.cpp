#include "window/OnlineJobs.h"

#include "net/HttpGetText.h"
#include "net/ListAdvertisement.h"
#include "net/OnlineAddresses.h"
#include "net/OnlineParse.h"
#include "window/TarvelloWindow.h"

// The workers below get copies of what they need and hand their results
// over through their gate: once the window has released them, nothing they
// do reaches it any more.

void COnlineJobs::StartConnectivityProbe() {
    if (m_pProbeThread.IsSet()) return;
    const OnlineAddresses addresses = OnlineAddresses::Read(m_window.Settings());
    m_window.m_listAdvertisement.SetPaths(m_window.m_strProgramFolder, addresses.AdListUrl());
    m_strVersionUrl = addresses.VersionUrl();
    CWindowPort& port = m_window.Port();
    m_pProbeThread.StartGated(
        [this, &port, url = addresses.m_strProbeUrl](std::stop_token stop, CWorkerGate& gate) {
            const bool connected =
                url.empty() || CheckConnection(url, [&stop] { return stop.stop_requested(); });
            if (stop.stop_requested()) return;
            gate.Pass([&] { port.PostToUi([this, connected] { OnProbeResult(connected); }); });
        });
}

bool COnlineJobs::IsBusy() const {
    return m_pProbeThread.IsSet() || m_window.m_pAdThread.IsSet() ||
           m_window.m_pVersionThread.IsSet();
}

void COnlineJobs::OnProbeResult(bool connected) {
    if (!m_pProbeThread.IsSet()) return;  // released meanwhile
    m_pProbeThread.Clear();
    CWindowPort& port = m_window.Port();
    if (!connected) {
        port.MessageBox(kOfflineText);
        return;
    }
    if (!m_window.m_pAdThread.IsSet()) {
        const CListAdvertisement& list = m_window.m_listAdvertisement;
        m_window.m_pAdThread.StartGated(
            [this, &port, url = list.m_strUrl, local = list.m_strLocalFile](std::stop_token stop,
                                                                            CWorkerGate& gate) {
                AdListThread(url, local, port, stop, gate);
            });
    }
    if (!m_window.m_pVersionThread.IsSet()) {
        m_window.m_pVersionThread.StartGated(
            [this, &port, url = m_strVersionUrl](std::stop_token stop, CWorkerGate& gate) {
                VersionCheckThread(url, port, stop, gate);
            });
    }
}

void COnlineJobs::AdListThread(const std::string& url, const std::string& localFile,
                               CWindowPort& port, std::stop_token stop, CWorkerGate& gate) {
    CListAdvertisement::DownloadToFile(url, localFile, [&stop] { return stop.stop_requested(); });
    if (stop.stop_requested()) return;
    gate.Pass([&] { port.PostToUi([this] { OnAdListDownloaded(); }); });
}

void COnlineJobs::OnAdListDownloaded() {
    if (!m_window.m_pAdThread.IsSet()) return;
    m_window.m_pAdThread.Clear();
    // Also when the download failed: a copy left over from an earlier run is
    // shown, and deleted like a fresh one.
    m_window.m_listAdvertisement.LoadAndRemoveLocalCopy();
}

void COnlineJobs::VersionCheckThread(const std::string& url, CWindowPort& port,
                                     std::stop_token stop, CWorkerGate& gate) {
    const long version =
        ParseVersionField(HttpGetText(url, [&stop] { return stop.stop_requested(); }));
    if (stop.stop_requested()) return;
    gate.Pass([&] { port.PostToUi([this, version] { OnVersionChecked(version); }); });
}

void COnlineJobs::OnVersionChecked(long version) {
    if (!m_window.m_pVersionThread.IsSet()) return;
    m_window.m_pVersionThread.Clear();
    if (!IsNewerVersion(version, CTarvelloWindow::kVersion)) return;
    m_strVersionNotice = FormatVersionNotice(CTarvelloWindow::kVersion, version);
    m_window.Port().StateChanged(CWindowPort::kChart);
}

void COnlineJobs::PaintVersionNotice(Canvas& client) const {
    if (m_strVersionNotice.empty()) return;
    FontDesc font;
    font.face = "隶书";
    font.height = 40;
    font.width = 15;
    client.SetFont(font);
    client.SetBkOpaque(false);
    client.SetTextColor(kNoticeColor);
    client.TextOut(m_window.m_ptChartOrigin.x, m_window.m_ptChartOrigin.y, m_strVersionNotice);
    client.SetFont(FontDesc{});
}
