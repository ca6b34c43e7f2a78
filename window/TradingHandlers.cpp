// The trading desk's handlers of the window: opening and closing orders at
// the current bar, starting the run over, and mirroring the account into the
// statistics boxes and the order list.
#include <algorithm>

#include "trade/LotSize.h"
#include "window/TarvelloWindow.h"

bool CTarvelloWindow::GetLotSize(double* lots) const {
    const int sel = m_comboLots.GetCurSel();
    return ParseLotSize(sel >= 0 ? m_comboLots.GetLBText(sel) : m_comboLots.GetEditText(), lots);
}

void CTarvelloWindow::OpenOrder(int direction) {
    if (m_comboCurrency.GetCount() == 0) return;
    // Before the run's first bar there is no price to trade at.
    if (!m_kbar.HasLastBar()) return;
    double lots = 0.0;
    if (!GetLotSize(&lots)) return m_port.MessageBox(LotRangeMessage());
    const BarRecord bar = m_kbar.GetLastBar();
    OrderRecord order;
    order.nOpenTime = bar.time;
    order.nDirection = direction;
    order.fOrderSize = lots;
    order.SetSymbol(GetSelectedSymbol());
    order.fOpenPrice = order.fCurPrice = m_kbar.m_order.FillPrice(direction, bar.close);
    if (!TakeNextStops(order)) return;
    m_kbar.m_order.AddOpenOrder(order);
    RefreshOrderList();
    SelectOrderRow(m_listOrder.GetCount() - 1);
    RedrawChart();
}

void CTarvelloWindow::OnCloseOrder() {
    const int row = m_listOrder.GetCurSel();
    if (row < 0) return;
    if (m_comboCurrency.GetCount() == 0) return;
    if (!m_kbar.HasLastBar()) return;
    const BarRecord bar = m_kbar.GetLastBar();
    const int closed = m_kbar.m_order.GetHstOrderCount();
    m_kbar.m_order.CloseOrder(row, bar);
    if (m_kbar.m_order.GetHstOrderCount() > closed) {
        m_balanceCurve.AddClosedOrder(m_kbar.m_order.GetHstOrder(closed));
        m_port.StateChanged(CWindowPort::kBalanceCurve);
    }
    RefreshOrderList();
    RefreshAccountStats();
    SelectOrderRow(std::max(row - 1, 0));
    RedrawChart();
}

void CTarvelloWindow::OnRetrain() {
    m_kbar.ResetChart();
    m_kbar.m_order.Reset();
    m_barIndex.ResetIndex();
    m_trainer.m_clock.Reset();
    StopPlay();
    // The emptied book gives 10000, 0, 0, a rate of 1 and no wins or losses.
    RefreshAccountStats();
    // No row may name an order of the finished run.
    RefreshOrderList();
    m_balanceCurve.ResetCurve();
    m_port.StateChanged(CWindowPort::kBalanceCurve);
    m_chartMouse.DeleteAllLines();
    m_kbar.RemoveAllIndicates();
    RedrawChart();
}

void CTarvelloWindow::RefreshAccountStats() {
    const COrder& book = m_kbar.m_order;
    m_fFloatProfit = book.GetFloatProfit();
    m_fTotalProfit = book.GetHstProfit();
    m_fTotalMoney = kInitialMoney + m_fTotalProfit;
    m_fProfitRate = m_fTotalMoney / kInitialMoney;
    m_nWinOrders = book.GetWinCount();
    m_nLossOrders = book.GetLossCount();
    UpdateStatistics();
}

void CTarvelloWindow::RefreshFloatProfit() {
    m_fFloatProfit = m_kbar.m_order.GetFloatProfit();
    UpdateStatistics();
}

void CTarvelloWindow::SelectOrderRow(int row) {
    m_listOrder.SetCurSel(row);
    m_port.StateChanged(CWindowPort::kOrderList);
}

void CTarvelloWindow::RefreshOrderList() {
    std::vector<OrderRecord> orders;
    m_kbar.m_order.GetOpenOrders(orders);
    m_listOrder.FillOrders(orders);
    m_port.StateChanged(CWindowPort::kOrderList);
}
