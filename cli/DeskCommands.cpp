#include "cli/DeskCommands.h"

#include <cmath>
#include <cstdlib>
#include <ostream>

#include "desk/Journal.h"
#include "window/TarvelloWindow.h"

namespace {

bool ParseNumber(const std::string& text, double* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end || !std::isfinite(v) || v < 0.0) return false;
    *value = v;
    return true;
}

bool ParseRow(const std::string& text, int* row) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end || v < 0 || v > 100000000L) return false;
    *row = static_cast<int>(v);
    return true;
}

// sl / tp, for the next order or for an open row.
void RunLevel(CTarvelloWindow& window, const std::vector<std::string>& a, std::string* error) {
    const bool stop = a[0] == "sl";
    double price = 0.0;
    int row = -1;
    const bool next = a.size() == 2 && ParseNumber(a[1], &price);
    const bool forRow = a.size() == 3 && ParseRow(a[1], &row) && ParseNumber(a[2], &price);
    if (!next && !forRow) {
        *error = a[0] + " takes a price, or a row and a price (0: none)";
        return;
    }
    if (next) {
        if (stop)
            window.SetNextStops(price, window.m_desk.m_fNextTakeProfit);
        else
            window.SetNextStops(window.m_desk.m_fNextStopLoss, price);
        return;
    }
    if (row >= window.m_kbar.m_order.GetOpenOrderCount()) {
        *error = "no open order in row " + a[1];
        return;
    }
    const OrderRecord order = window.m_kbar.m_order.GetOpenOrder(row);
    window.SetOrderStops(row, stop ? price : order.StopLoss(), stop ? order.TakeProfit() : price);
}

}  // namespace

bool RunDeskCommand(CTarvelloWindow& window, const std::vector<std::string>& a, std::ostream& out,
                    std::string* error) {
    const std::string& cmd = a[0];
    if (cmd == "spread") {
        int points = 0;
        if (a.size() != 2 || !ParseRow(a[1], &points) || points > 100000) {
            *error = "spread takes a number of points from 0 to 100000";
            return true;
        }
        // A script does not change the user's setting.
        window.SetSpread(points, false);
        return true;
    }
    if (cmd == "sl" || cmd == "tp") {
        RunLevel(window, a, error);
        return true;
    }
    if (cmd == "print" && a.size() == 2 && (a[1] == "journal" || a[1] == "report")) {
        const CJournal journal = window.GetJournal();
        if (a[1] == "journal")
            for (const CJournal::Entry& e : journal.Entries()) out << CJournal::Line(e) << "\n";
        else
            for (const auto& [name, value] : journal.Report()) out << name << " " << value << "\n";
        return true;
    }
    if (cmd == "save" || cmd == "load") {
        if (a.size() != 2) {
            *error = cmd + " takes a file name";
            return true;
        }
        if (cmd == "save")
            window.SaveRun(a[1]);
        else
            window.LoadRun(a[1]);
        return true;
    }
    if (cmd == "export") {
        if (a.size() != 2) {
            *error = "export takes a file name";
            return true;
        }
        window.ExportJournal(a[1]);
        return true;
    }
    return false;
}
