// The desk's handlers of the main window: the spread, stop-loss and
// take-profit. The rules live in desk/; this file wires them to the window.
#include <algorithm>
#include <cmath>
#include <vector>

#include "desk/StopLines.h"
#include "desk/StopRules.h"
#include "desk/TextFile.h"
#include "platform/DebugLog.h"
#include "window/TarvelloWindow.h"

namespace ds = desk_settings;

void CTarvelloWindow::InitDesk() {
    m_kbar.m_order.SetSpread(m_pSettings->GetInt(ds::kSection, ds::kSpread, 0));
    m_desk = CDesk{};
    m_port.StateChanged(CWindowPort::kDesk);
}

void CTarvelloWindow::SetSpread(int points, bool remember) {
    m_kbar.m_order.SetSpread(points);
    if (remember) {
        m_pSettings->SetInt(ds::kSection, ds::kSpread, m_kbar.m_order.GetSpread());
        std::string error;
        if (!m_pSettings->Save(&error)) DebugLog("desk: settings not saved: " + error + "\n");
    }
    m_port.StateChanged(CWindowPort::kDesk);
}

void CTarvelloWindow::SetNextStops(double stopLoss, double takeProfit) {
    m_desk.m_fNextStopLoss = std::max(0.0, stopLoss);
    m_desk.m_fNextTakeProfit = std::max(0.0, takeProfit);
    m_port.StateChanged(CWindowPort::kDesk);
}

bool CTarvelloWindow::TakeNextStops(OrderRecord& order) {
    const double sl = m_desk.m_fNextStopLoss, tp = m_desk.m_fNextTakeProfit;
    if (sl <= 0.0 && tp <= 0.0) return true;
    const double price = m_kbar.m_order.ValuePrice(order.nDirection, m_kbar.GetLastBar().close);
    if (const std::string wrong = CheckStops(order.nDirection, price, sl, tp); !wrong.empty()) {
        m_port.MessageBox(wrong);
        return false;
    }
    order.fReserved1 = sl;
    order.fReserved2 = tp;
    // The levels were for this order only.
    SetNextStops(0.0, 0.0);
    return true;
}

bool CTarvelloWindow::SetOrderStops(int row, double stopLoss, double takeProfit) {
    COrder& book = m_kbar.m_order;
    if (row < 0 || row >= book.GetOpenOrderCount()) {
        m_port.MessageBox("请先选择一个订单!");
        return false;
    }
    const OrderRecord order = book.GetOpenOrder(row);
    const double price = order.fCurPrice;
    if (const std::string wrong = CheckStops(order.nDirection, price, stopLoss, takeProfit);
        !wrong.empty()) {
        m_port.MessageBox(wrong);
        return false;
    }
    book.SetOrderStops(row, stopLoss, takeProfit);
    const int selected = m_listOrder.GetCurSel();
    RefreshOrderList();
    SelectOrderRow(selected);
    RedrawChart();
    return true;
}

bool CTarvelloWindow::ApplyStops(int firstMinute, int lastMinute) {
    COrder& book = m_kbar.m_order;
    struct Watched {
        int nIndex;  // in the open orders before any of these closes
        std::optional<StopHit> hit;
        int nMinute = 0;  // how many minutes in
    };
    std::vector<Watched> watched;
    for (int i = 0; i < book.GetOpenOrderCount(); ++i) {
        const OrderRecord order = book.GetOpenOrder(i);
        if (HasStops(order) && book.IsOfMarket(order)) watched.push_back({i, std::nullopt});
    }
    if (watched.empty()) return false;
    const std::string symbol = GetSelectedSymbol();
    const int spread = book.GetSpread();
    std::size_t open = watched.size();
    int minute = 0;
    auto visit = [&](const BarRecord& record) {
        for (Watched& w : watched) {
            if (w.hit) continue;
            w.hit = StopHitIn(book.GetOpenOrder(w.nIndex), record, spread);
            if (w.hit) {
                w.nMinute = minute;
                --open;
            }
        }
        ++minute;
        return open > 0;
    };
    // Without the minutes the bar itself is the one record there is.
    if (ScanMinutes(m_strHistoryFolder, symbol, firstMinute, lastMinute, visit) == 0 &&
        m_kbar.HasLastBar())
        visit(m_kbar.GetLastBar());
    if (open == watched.size()) return false;

    // Closed in the order they were reached; an order's row moves up by one
    // for each row above it that closed before.
    std::vector<Watched> hits;
    for (const Watched& w : watched)
        if (w.hit) hits.push_back(w);
    std::stable_sort(hits.begin(), hits.end(),
                     [](const Watched& a, const Watched& b) { return a.nMinute < b.nMinute; });
    std::vector<int> closedRows;
    for (const Watched& w : hits) {
        const int row = w.nIndex - static_cast<int>(std::count_if(
                                       closedRows.begin(), closedRows.end(),
                                       [&](int closed) { return closed < w.nIndex; }));
        book.CloseOrderAt(row, w.hit->nTime, w.hit->fPrice, w.hit->nReason);
        closedRows.push_back(w.nIndex);
        m_balanceCurve.AddClosedOrder(book.GetHstOrder(book.GetHstOrderCount() - 1));
    }
    m_port.StateChanged(CWindowPort::kBalanceCurve);
    RefreshAccountStats();
    return true;
}

CJournal CTarvelloWindow::GetJournal() const {
    return CJournal(m_kbar.m_order.HstOrders(), kInitialMoney);
}

bool CTarvelloWindow::ExportJournal(const std::string& path) {
    std::string error;
    if (!text_file::WriteAtomically(path, GetJournal().Csv(), &error)) {
        m_port.MessageBox("导出交易日志到 " + path + " 失败：" + error);
        return false;
    }
    return true;
}

// --- dragging a stop or target line ---

bool CTarvelloWindow::StopDragDown(int x, int y) {
    if (m_nLineTool != kToolPointer) return false;
    bool stop = true;
    const int row = stop_lines::HitTest(m_kbar, x, y, &stop);
    if (row < 0) return false;
    const OrderRecord order = m_kbar.m_order.GetOpenOrder(row);
    m_desk.m_drag = {row, stop, stop ? order.StopLoss() : order.TakeProfit()};
    SelectOrderRow(row);
    return true;
}

bool CTarvelloWindow::StopDragMove(int x, int y) {
    if (!m_desk.IsDragging()) return false;
    const int row = m_desk.m_drag.nRow;
    COrder& book = m_kbar.m_order;
    if (row >= book.GetOpenOrderCount()) return false;
    const OrderRecord order = book.GetOpenOrder(row);
    // The line follows the pointer; the level is checked when it is let go.
    // On whole points, as levels are typed.
    double price = std::max(0.0, m_kbar.PointToBarPoint(x, y).fValue);
    if (price > 0.0) price = std::round(price / PointSize(price)) * PointSize(price);
    book.SetOrderStops(row, m_desk.m_drag.bStop ? price : order.StopLoss(),
                       m_desk.m_drag.bStop ? order.TakeProfit() : price);
    RedrawChart();
    return true;
}

bool CTarvelloWindow::StopDragUp(int x, int y) {
    if (!m_desk.IsDragging()) return false;
    StopDragMove(x, y);
    const CDesk::Drag drag = m_desk.m_drag;
    m_desk.m_drag = CDesk::Drag{};
    COrder& book = m_kbar.m_order;
    if (drag.nRow >= book.GetOpenOrderCount()) return true;
    const OrderRecord order = book.GetOpenOrder(drag.nRow);
    const double sl = order.StopLoss(), tp = order.TakeProfit();
    // Put back first, so that a refused level leaves the order as it was.
    book.SetOrderStops(drag.nRow, drag.bStop ? drag.fBefore : sl, drag.bStop ? tp : drag.fBefore);
    if (!SetOrderStops(drag.nRow, sl, tp)) RedrawChart();
    return true;
}
