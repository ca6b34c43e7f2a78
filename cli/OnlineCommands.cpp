#include "cli/OnlineCommands.h"

#include <chrono>
#include <cstdlib>
#include <ostream>
#include <thread>

#include "window/HeadlessPort.h"
#include "window/TarvelloWindow.h"

bool RunOnlineCommand(CTarvelloWindow& window, CHeadlessPort& port,
                      const std::vector<std::string>& a, std::ostream& out, std::string* error) {
    const std::string& cmd = a[0];
    CListAdvertisement& list = window.m_listAdvertisement;
    if (cmd == "online" && a.size() == 1) {
        COnlineJobs& online = window.m_online;
        online.StartConnectivityProbe();
        // Every wait of the probe and the jobs is bounded by their timeouts.
        while (online.IsBusy()) {
            port.Drain();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        port.Drain();
        if (!online.VersionNotice().empty()) out << "notice: " << online.VersionNotice() << "\n";
        return true;
    }
    if (cmd == "print" && a.size() == 2 && a[1] == "ads") {
        for (int i = 0; i < list.GetCount(); ++i) {
            const auto k = static_cast<size_t>(i);
            out << "ad " << i << " " << list.m_arrTitle[k] << " " << list.m_arrLink[k] << " "
                << list.m_arrValue[k] << " " << list.m_arrExpiry[k] << "\n";
        }
        return true;
    }
    if (cmd == "ad" && a.size() == 3 && a[1] == "select") {
        char* end = nullptr;
        const long row = std::strtol(a[2].c_str(), &end, 10);
        if (a[2].empty() || *end || row < 0 || row >= list.GetCount()) {
            *error = "the advertisement list has no row " + a[2];
            return true;
        }
        std::string title, link;
        list.GetItem(static_cast<int>(row), title, link);
        // The browser's side is the session's output.
        auto opener = std::move(list.m_fnOpenUrl);
        list.m_fnOpenUrl = [&out](const std::string& opened) { out << "open: " << opened << "\n"; };
        if (!list.OnSelchange(static_cast<int>(row))) out << "refused: " << link << "\n";
        list.m_fnOpenUrl = std::move(opener);
        return true;
    }
    if (cmd == "ad") {
        *error = "ad takes select ROW";
        return true;
    }
    return false;
}
