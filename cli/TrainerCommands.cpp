#include "cli/TrainerCommands.h"

#include <cstdlib>
#include <ostream>

#include "data/HistoryFile.h"
#include "data/Period.h"
#include "trainer/TrainerTime.h"
#include "window/TarvelloWindow.h"

namespace {

bool ParseCount(const std::string& text, int* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end || v < 0 || v > 100000000L) return false;
    *value = static_cast<int>(v);
    return true;
}

}  // namespace

bool RunTrainerCommand(CTarvelloWindow& window, const std::vector<std::string>& a,
                       std::ostream& out, std::string* error) {
    const std::string& cmd = a[0];
    if (cmd == "honest") {
        if (a.size() != 2 || (a[1] != "on" && a[1] != "off")) {
            *error = "honest takes on or off";
            return true;
        }
        // A script does not change the user's remembered choice.
        window.SetHonestReplay(a[1] == "on", false);
        return true;
    }
    if (cmd == "back") {
        int n = 1;
        if (a.size() > 2 || (a.size() == 2 && !ParseCount(a[1], &n))) {
            *error = "back takes a count of 0 or more";
            return true;
        }
        for (int i = 0; i < n && window.OnStepBack(); ++i) {
        }
        return true;
    }
    if (cmd == "play") {
        int n = 0;
        if (a.size() != 2 || !ParseCount(a[1], &n)) {
            *error = "play takes a count of 0 or more";
            return true;
        }
        if (n == 0) return true;
        if (!window.m_trainer.m_play.IsPlaying()) window.OnPlay();
        for (int i = 0; i < n && window.m_trainer.m_play.IsPlaying(); ++i) window.OnPlayTimer();
        window.StopPlay();
        return true;
    }
    if (cmd == "goto") {
        std::int64_t time = 0;
        if (a.size() != 3 || !ParseBarTime(a[1], a[2], &time)) {
            *error = "goto takes YYYY-MM-DD HH:MM";
            return true;
        }
        window.GotoTime(time);
        return true;
    }
    if (cmd == "print" && a.size() == 2 && a[1] == "clock") {
        const int clock = window.GetReplayClock();
        BarRecord minute;
        const bool known = clock >= 0 && ReadBar(minute, clock, window.m_strHistoryFolder,
                                                 window.GetSelectedSymbol(), period::M1);
        out << "clock " << clock << " " << (known ? FormatBarTime(minute.time) : "-") << "\n";
        return true;
    }
    if (cmd == "print" && a.size() == 2 && a[1] == "readout") {
        out << window.GetReadoutText() << "\n";
        return true;
    }
    return false;
}
