#include "cli/LineCommands.h"

#include <cstdlib>
#include <ostream>

#include "platform/Format.h"
#include "window/Commands.h"
#include "window/TarvelloWindow.h"

namespace {

bool ParseCoordinate(const std::string& text, int* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end || v < -1000000 || v > 1000000) return false;
    *value = static_cast<int>(v);
    return true;
}

int ToolCommand(const std::string& name) {
    if (name == "pointer") return ID_TOOL_POINTER;
    if (name == "vertical") return ID_TOOL_VLINE;
    if (name == "horizontal") return ID_TOOL_HLINE;
    if (name == "trend") return ID_TOOL_TREND;
    if (name == "fibonacci") return ID_TOOL_FIBO;
    return 0;
}

void PrintPoints(std::ostream& out, const char* what, const std::vector<BarPoint>& points) {
    out << " " << what << " " << points.size();
    for (const BarPoint& pt : points)
        out << " " << pt.nIndex << " " << FormatString("%.17g", pt.fValue);
}

}  // namespace

bool RunLineCommand(CTarvelloWindow& window, const std::vector<std::string>& a, std::ostream& out,
                    std::string* error) {
    const std::string& cmd = a[0];
    if (cmd == "tool") {
        const int id = a.size() == 2 ? ToolCommand(a[1]) : 0;
        if (id == 0)
            *error = "tool takes pointer, vertical, horizontal, trend or fibonacci";
        else
            window.OnCommand(id);
        return true;
    }
    if (cmd == "mouse") {
        int x = 0, y = 0;
        if (a.size() != 4 || !ParseCoordinate(a[2], &x) || !ParseCoordinate(a[3], &y)) {
            *error = "mouse takes down, move, up, dblclick or right and a client point X Y";
            return true;
        }
        const std::string& what = a[1];
        if (what == "down")
            window.OnLButtonDown(x, y);
        else if (what == "move")
            window.OnMouseMove(x, y);
        else if (what == "up")
            window.OnLButtonUp(x, y);
        else if (what == "dblclick")
            window.OnLButtonDblClk(x, y);
        else if (what == "right")
            window.OnRButtonDown(x, y);
        else
            *error = "mouse takes down, move, up, dblclick or right, not '" + what + "'";
        return true;
    }
    if (cmd == "key") {
        if (a.size() == 2 && a[1] == "delete")
            window.OnDeleteKey();
        else
            *error = "key takes delete";
        return true;
    }
    if (cmd == "print" && a.size() == 2 && a[1] == "lines") {
        const std::vector<CLine>& lines = window.m_kbar.m_arrDrawing;
        for (std::size_t k = 0; k < lines.size(); ++k) {
            const CLine& line = lines[k];
            out << "line " << k << " " << line.GetLineType() << " " << line.m_nAnchorPeriod << " "
                << (line.IsSelected() ? 1 : 0);
            PrintPoints(out, "anchors", line.m_arrAnchor);
            PrintPoints(out, "handles", line.m_arrHandle);
            out << "\n";
        }
        return true;
    }
    return false;
}
