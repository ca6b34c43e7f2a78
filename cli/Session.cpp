#include "cli/Session.h"

#include <cstdio>
#include <cstdlib>
#include <istream>
#include <ostream>
#include <sstream>
#include <vector>

#include "cli/DeskCommands.h"
#include "cli/IndicatorCommands.h"
#include "cli/LineCommands.h"
#include "cli/OnlineCommands.h"
#include "cli/TrainerCommands.h"
#include "data/Period.h"
#include "platform/Format.h"
#include "window/HeadlessPort.h"
#include "window/TarvelloWindow.h"

namespace {

// The window's default client size: 626 x 511 dialog units at 1.5 pixels.
constexpr int kDefaultClientWidth = 626 * 3 / 2;
constexpr int kDefaultClientHeight = 511 * 3 / 2;

std::string Num(double v) { return FormatString("%.17g", v); }

bool ParseInt(const std::string& text, int* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end || v < -1000000000L || v > 1000000000L) return false;
    *value = static_cast<int>(v);
    return true;
}

class CSession {
public:
    CSession(const std::string& historyFolder, std::ostream& out, const ImageWriterFn& writer)
        : m_out(out), m_window(m_port, "", historyFolder), m_writer(writer) {
        // Message boxes become "message:" lines.
        m_port.m_onMessage = [this](const std::string& text) {
            m_out << "message: " << text << "\n";
        };
        // Nothing is chosen from a popup: the session only says which one opened.
        m_port.m_onPopupMenu = [this](int resource) { m_out << "menu " << resource << "\n"; };
        m_window.OnInitDialog();
        m_window.LayoutControls(kDefaultClientWidth, kDefaultClientHeight);
        // Every script starts in the plain replay, whatever the user chose.
        m_window.SetHonestReplay(false, false);
        // and without a spread.
        m_window.SetSpread(0, false);
    }

    void Run(std::istream& in) {
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::istringstream words(line);
            std::vector<std::string> args;
            for (std::string w; words >> w;) args.push_back(w);
            if (args.empty() || args[0][0] == '#') continue;
            Execute(args, line);
            m_port.Drain();
        }
    }

private:
    void Error(const std::string& what) { m_out << "error: " << what << "\n"; }

    void Execute(const std::vector<std::string>& a, const std::string& line) {
        const std::string& cmd = a[0];
        if (cmd == "symbol" && a.size() >= 2) {
            // The rest of the line, so that a name with spaces can be given.
            std::string name = line.substr(line.find(a[1]));
            while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
            const auto& items = m_window.m_comboCurrency.Items();
            for (int i = 0; i < static_cast<int>(items.size()); ++i) {
                if (items[i] == name) {
                    m_window.OnSelchangeCurrency(i);
                    return;
                }
            }
            return Error("no currency entry '" + name + "'");
        }
        if (cmd == "next" && a.size() <= 2) {
            int n = 1;
            if (a.size() == 2 && (!ParseInt(a[1], &n) || n < 0))
                return Error("next takes a count of 0 or more, not '" + a[1] + "'");
            // At the end (or without a pair) the message comes once.
            for (int i = 0; i < n; ++i)
                if (!m_window.StepNextBar()) break;
            return;
        }
        if (cmd == "period" && a.size() == 2) {
            int per = period::FromName(a[1]);
            if (per < 0) return Error("unknown period '" + a[1] + "'");
            m_window.OnPeriod(per);
            return;
        }
        if (cmd == "zoom" && a.size() == 2 && (a[1] == "in" || a[1] == "out")) {
            if (a[1] == "in")
                m_window.OnZoomIn();
            else
                m_window.OnZoomOut();
            return;
        }
        if (cmd == "charttype" && a.size() == 2) {
            int type = 0;
            if (!ParseInt(a[1], &type) || type < 16 || type > 18)
                return Error("charttype takes 16, 17 or 18");
            m_window.OnChartType(type);
            return;
        }
        if (cmd == "chartsize" && a.size() == 3) {
            int w = 0, h = 0;
            if (!ParseInt(a[1], &w) || !ParseInt(a[2], &h) || w < 1 || h < 1 || w > 10000 ||
                h > 10000)
                return Error("chartsize takes a width and a height from 1 to 10000");
            // A client area that holds the chart at its usual place.
            m_window.m_kbar.SetChartArea(10 + w, 100 + h, 10, 100, w, h);
            return;
        }
        if (cmd == "lots" && a.size() >= 2) {
            std::string text = line.substr(line.find(a[1]));
            while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
            CComboModel& lots = m_window.m_comboLots;
            for (int i = 0; i < lots.GetCount(); ++i) {
                if (lots.GetLBText(i) == text) {
                    lots.SetCurSel(i);
                    return;
                }
            }
            lots.SetCurSel(-1);
            lots.SetEditText(text);  // typed, matching no entry
            return;
        }
        if (a.size() == 1 && cmd == "buy") return m_window.OnBuy();
        if (a.size() == 1 && cmd == "sell") return m_window.OnSell();
        if (a.size() == 1 && cmd == "close") return m_window.OnCloseOrder();
        if (a.size() == 1 && cmd == "retrain") return m_window.OnRetrain();
        if (a.size() == 1 && cmd == "curve") return m_window.OnBalanceCurve();
        if (cmd == "command" && a.size() == 2) {
            // Any toolbar or menu command by its id.
            int id = 0;
            if (!ParseInt(a[1], &id) || !m_window.OnCommand(id))
                return Error("no toolbar or menu command " + a[1]);
            return;
        }
        if (cmd == "select" && a.size() == 2) {
            int row = 0;
            if (!ParseInt(a[1], &row) || row < -1) return Error("select takes a row or -1");
            if (row >= m_window.m_listOrder.GetCount())
                return Error("the order list has no row " + a[1]);
            m_window.SelectOrderRow(row);
            return;
        }
        if (cmd == "render-curve" && a.size() == 4) {
            int w = 0, h = 0;
            if (!ParseInt(a[2], &w) || !ParseInt(a[3], &h) || w < 1 || h < 1 || w > 10000 ||
                h > 10000)
                return Error("render-curve takes a file, a width and a height from 1 to 10000");
            if (!m_writer) return Error("rendering is not available in this build");
            std::string error;
            const CBalanceCurve& curve = m_window.m_balanceCurve;
            if (!m_writer(w, h, [&](Canvas& image) { curve.DrawCurve(image, w, h); }, a[1],
                          &error))
                Error("cannot write " + a[1] + ": " + error);
            return;
        }
        if (std::string error; RunIndicatorCommand(m_window, m_port, a, m_out, &error)) {
            if (!error.empty()) Error(error);
            return;
        }
        if (cmd == "print" && a.size() == 3 && a[1] == "indicator") {
            int k = 0;
            if (!ParseInt(a[2], &k) || k < 0 || k >= m_window.m_kbar.GetIndicateCount())
                return Error("no indicator " + a[2]);
            const CIndicate& ind = m_window.m_kbar.GetIndicate(k);
            for (int slot = 0; slot < CIndicate::kLineSlots; ++slot)
                for (const BarPoint& pt : ind.m_arrLine[slot])
                    m_out << slot << " " << pt.nIndex << " " << Num(pt.fValue) << "\n";
            return;
        }
        if (std::string error; RunTrainerCommand(m_window, a, m_out, &error)) {
            if (!error.empty()) Error(error);
            return;
        }
        if (std::string error; RunDeskCommand(m_window, a, m_out, &error)) {
            if (!error.empty()) Error(error);
            return;
        }
        if (std::string error; RunLineCommand(m_window, a, m_out, &error)) {
            if (!error.empty()) Error(error);
            return;
        }
        if (std::string error; RunOnlineCommand(m_window, m_port, a, m_out, &error)) {
            if (!error.empty()) Error(error);
            return;
        }
        if (cmd == "print" && a.size() == 2) return Print(a[1]);
        if (cmd == "render" && a.size() == 2) return Render(a[1]);
        Error("unknown or malformed command: " + line);
    }

    void Print(const std::string& what) {
        if (what == "cursor") {
            const int per = m_window.m_barIndex.GetPeriod();
            m_out << "cursor " << m_window.m_barIndex.GetIndex() << " "
                  << (per >= 0 && per < period::kCount ? period::kNames[per] : "?") << "\n";
            return;
        }
        if (what == "bars") {
            CKbar& chart = m_window.m_kbar;
            const auto& bars = chart.Bars();
            const int first = chart.NewestBarIndex() - static_cast<int>(bars.size()) + 1;
            for (std::size_t i = 0; i < bars.size(); ++i) {
                const BarRecord& b = bars[i];
                m_out << first + static_cast<int>(i) << " " << b.time << " " << Num(b.open) << " "
                      << Num(b.low) << " " << Num(b.high) << " " << Num(b.close) << "\n";
            }
            return;
        }
        if (what == "stats") {
            using W = CTarvelloWindow;
            const std::pair<const char*, int> boxes[] = {
                {"总金额", W::IDC_TOTAL_MONEY},   {"总盈亏", W::IDC_TOTAL_PROFIT},
                {"浮动盈亏", W::IDC_FLOAT_PROFIT}, {"盈利率", W::IDC_PROFIT_RATE},
                {"盈利单数量", W::IDC_WIN_ORDERS}, {"亏损单数量", W::IDC_LOSS_ORDERS}};
            for (const auto& [caption, id] : boxes)
                m_out << caption << " " << m_window.GetStatText(id) << "\n";
            return;
        }
        if (what == "orders") {
            for (const auto& row : m_window.m_listOrder.Rows()) m_out << row << "\n";
            m_out << "selected " << m_window.m_listOrder.GetCurSel() << "\n";
            return;
        }
        if (what == "curve") {
            for (double v : m_window.m_balanceCurve.m_arrBalance) m_out << Num(v) << "\n";
            return;
        }
        Error("print takes cursor, bars, stats, orders or curve");
    }

    void Render(const std::string& path) {
        if (!m_writer) return Error("rendering is not available in this build");
        CKbar& chart = m_window.m_kbar;
        std::string error;
        if (!m_writer(chart.m_nWidth, chart.m_nHeight,
                      [&chart](Canvas& image) { chart.DrawImage(image); }, path, &error))
            Error("cannot write " + path + ": " + error);
    }

    std::ostream& m_out;
    CHeadlessPort m_port;
    CTarvelloWindow m_window;
    const ImageWriterFn& m_writer;
};

}  // namespace

int RunSession(const std::string& historyFolder, std::istream& in, std::ostream& out,
               const ImageWriterFn& writer) {
    CSession session(historyFolder, out, writer);
    session.Run(in);
    return 0;
}
