#include "cli/IndicatorCommands.h"

#include <cstdlib>
#include <optional>
#include <ostream>

#include "indicators/IndicateDefaults.h"
#include "indicators/IndicatePropertyData.h"
#include "platform/Format.h"
#include "window/Commands.h"
#include "window/HeadlessPort.h"
#include "window/TarvelloWindow.h"

namespace {

constexpr const char* kKindNames[] = {"MA", "KDJ", "RSI", "MACD", "BOLLIN", "MAX", "MIN"};

bool ParseRange(const std::string& text, int lo, int hi, int* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end || v < lo || v > hi) return false;
    *value = static_cast<int>(v);
    return true;
}

// What the user types and chooses in the dialog.
struct DialogInput {
    std::vector<std::string> params;
    std::optional<int> method, apply;
    std::optional<Color> color[3];
    std::optional<int> style[3], width[3];
    bool cancel = false;
};

// "name" followed by a line number 1..3 and "=": the line's index, or -1.
int LineField(const std::string& arg, const std::string& name, std::string* value) {
    if (arg.size() < name.size() + 2 || arg.compare(0, name.size(), name) != 0) return -1;
    const char k = arg[name.size()];
    if (k < '1' || k > '3' || arg[name.size() + 1] != '=') return -1;
    *value = arg.substr(name.size() + 2);
    return k - '1';
}

bool ParseColor(const std::string& text, Color* color) {
    int rgb[3];
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = i < 2 ? text.find(',', start) : text.size();
        if (comma == std::string::npos ||
            !ParseRange(text.substr(start, comma - start), 0, 255, &rgb[i]))
            return false;
        start = comma + 1;
    }
    *color = RGB(rgb[0], rgb[1], rgb[2]);
    return true;
}

// Fields from args[first] on; "" or the message for the first bad one.
std::string ParseInput(const std::vector<std::string>& a, std::size_t first, DialogInput* in) {
    for (std::size_t i = first; i < a.size(); ++i) {
        const std::string& arg = a[i];
        std::string value;
        int n = 0, k = -1;
        if (arg == "cancel") {
            in->cancel = true;
        } else if (arg.rfind("method=", 0) == 0) {
            if (!ParseRange(arg.substr(7), 0, 1, &n)) return "bad " + arg + " (0 or 1)";
            in->method = n;
        } else if (arg.rfind("apply=", 0) == 0) {
            if (!ParseRange(arg.substr(6), 0, 6, &n)) return "bad " + arg + " (0 to 6)";
            in->apply = n;
        } else if ((k = LineField(arg, "color", &value)) >= 0) {
            Color c = 0;
            if (!ParseColor(value, &c)) return "bad " + arg + " (R,G,B from 0 to 255)";
            in->color[k] = c;
        } else if ((k = LineField(arg, "style", &value)) >= 0) {
            if (!ParseRange(value, 0, 5, &n)) return "bad " + arg + " (0 to 5)";
            in->style[k] = n;
        } else if ((k = LineField(arg, "width", &value)) >= 0) {
            if (!ParseRange(value, 0, 5, &n)) return "bad " + arg + " (0 to 5)";
            in->width[k] = n;
        } else {
            in->params.push_back(arg);
        }
    }
    return "";
}

// Types the input into the dialog as a user would: only into rows the kind
// shows. "" or why it cannot be typed.
std::string TypeInto(const DialogInput& in, CIndicatePropertyData& dlg) {
    const IndicateDialogLayout layout = ArrangeIndicateDialog(dlg.m_nType);
    int fields = 0;
    while (fields < 5 && layout.rows[fields].visible) ++fields;
    if (static_cast<int>(in.params.size()) > fields)
        return std::string(kKindNames[dlg.m_nType]) + " has " + std::to_string(fields) +
               " parameter fields";
    for (std::size_t k = 0; k < in.params.size(); ++k) dlg.m_strPar[k] = in.params[k];
    if (in.apply) {
        if (!layout.rows[5].visible) return std::string(kKindNames[dlg.m_nType]) + " has no applied price";
        dlg.m_nApplyTo = *in.apply;
    }
    if (in.method) {
        if (!layout.rows[6].visible) return std::string(kKindNames[dlg.m_nType]) + " has no method list";
        dlg.m_nOption = *in.method;
    }
    for (int k = 0; k < 3; ++k) {
        if ((in.color[k] || in.style[k] || in.width[k]) && !layout.rows[7 + k].visible)
            return std::string(kKindNames[dlg.m_nType]) + " has no line " + std::to_string(k + 1);
        if (in.color[k]) dlg.m_clrLine[k] = *in.color[k];
        if (in.style[k]) dlg.m_nStyle[k] = *in.style[k];
        if (in.width[k]) dlg.m_nWidth[k] = *in.width[k];
    }
    // OK reads the method list back: nothing selected in an empty one.
    if (IndicateMethodNames(dlg.m_nType).empty()) dlg.m_nOption = -1;
    return "";
}

// Runs `command` with the dialog answered by `in`.
std::string RunWithDialog(CTarvelloWindow& window, CHeadlessPort& port, const DialogInput& in,
                          int command) {
    std::string error;
    port.m_onIndicateProperty = [&](CIndicatePropertyData& dlg) {
        error = TypeInto(in, dlg);
        return error.empty() && !in.cancel;
    };
    window.OnCommand(command);
    port.m_onIndicateProperty = nullptr;
    return error;
}

std::string Num(double v) { return FormatString("%.17g", v); }

void PrintIndicators(CTarvelloWindow& window, std::ostream& out) {
    CKbar& chart = window.m_kbar;
    for (int k = 0; k < chart.GetIndicateCount(); ++k) {
        const CIndicate& ind = chart.GetIndicate(k);
        out << "indicator " << k << " "
            << (ind.m_nType >= 0 && ind.m_nType < 7 ? kKindNames[ind.m_nType] : "?") << " own "
            << ind.m_bOwnPane << " params " << ind.m_arrParam.size();
        for (int p : ind.m_arrParam) out << " " << p;
        out << " real " << (ind.m_arrRealParam.empty() ? "-" : Num(ind.m_arrRealParam[0]));
        out << " option "
            << (ind.m_arrOption.empty() ? "-" : std::to_string(ind.m_arrOption[0]));
        out << " apply " << ind.m_nApplyTo << " lines " << ind.m_arrColor.size();
        for (std::size_t i = 0; i < ind.m_arrColor.size(); ++i) {
            const Color c = ind.m_arrColor[i];
            out << " " << GetRValue(c) << "," << GetGValue(c) << "," << GetBValue(c) << "/"
                << (i < ind.m_arrStyle.size() ? ind.m_arrStyle[i] : 0) << "/"
                << (i < ind.m_arrWidth.size() ? ind.m_arrWidth[i] : 0);
        }
        const Rect& r = ind.m_rcPane;
        out << " pane " << r.left << " " << r.top << " " << r.right << " " << r.bottom << "\n";
    }
}

}  // namespace

bool RunIndicatorCommand(CTarvelloWindow& window, CHeadlessPort& port,
                         const std::vector<std::string>& a, std::ostream& out,
                         std::string* error) {
    if (a.size() == 2 && a[0] == "print" && a[1] == "indicators") {
        PrintIndicators(window, out);
        return true;
    }
    if (a.empty() || a[0] != "indicator" || a.size() < 3) return false;
    const std::string& what = a[1];
    if (what == "add") {
        const int type = IndicateTypeFromName(a[2]);
        if (type < 0) {
            *error = "unknown indicator '" + a[2] + "'";
            return true;
        }
        DialogInput in;
        *error = ParseInput(a, 3, &in);
        if (error->empty()) *error = RunWithDialog(window, port, in, AddCommandOfIndicateType(type));
        return true;
    }
    if (what == "edit" || what == "delete") {
        int k = 0;
        if (!ParseRange(a[2], 0, window.m_kbar.GetIndicateCount() - 1, &k)) {
            *error = "no indicator " + a[2];
            return true;
        }
        if (what == "delete") {
            if (a.size() != 3) {
                *error = "indicator delete takes an indicator number";
                return true;
            }
            window.m_nCurIndicator = k;
            window.OnCommand(ID_INDICATOR_DELETE);
            return true;
        }
        DialogInput in;
        *error = ParseInput(a, 3, &in);
        window.m_nCurIndicator = k;
        if (error->empty()) *error = RunWithDialog(window, port, in, ID_INDICATOR_PROPERTY);
        return true;
    }
    return false;
}
