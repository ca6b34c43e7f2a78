#include "trade/Order.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/DebugLog.h"
#include "platform/Format.h"

int PriceToPoints(double price) {
    std::string text = FormatString("%f", price);
    auto dot = text.find('.');
    if (dot != std::string::npos) text.erase(dot, 1);
    text = text.substr(0, 5);
    return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

double COrder::ProfitAt(const OrderRecord& order, double price) {
    const int points = PriceToPoints(price) - PriceToPoints(order.fOpenPrice);
    return ((order.nDirection * points) * order.fOrderSize) * 10.0;
}

void COrder::Reset() {
    m_OpenOrders.clear();
    m_HstOrders.clear();
    m_fFloatprofit = 0.0;
    m_fHstProfit = 0.0;
    m_nWinCount = 0;
    m_nLossCount = 0;
}

void COrder::SetTotals(const Totals& totals) {
    m_fFloatprofit = totals.fFloatprofit;
    m_fHstProfit = totals.fHstProfit;
    m_nWinCount = totals.nWinCount;
    m_nLossCount = totals.nLossCount;
}

void COrder::SetMarketSymbol(const std::string& symbol) {
    // Compared as the orders store it, cut to their symbol field.
    OrderRecord stored;
    stored.SetSymbol(symbol);
    m_strMarketSymbol = stored.Symbol();
}

bool COrder::IsOfMarket(const OrderRecord& order) const {
    return m_strMarketSymbol.empty() || order.Symbol() == m_strMarketSymbol;
}

void COrder::MarkToMarket(const BarRecord& bar) {
    m_fFloatprofit = 0.0;
    for (auto& order : m_OpenOrders) {
        // A bar of one pair says nothing about the price of another.
        if (IsOfMarket(order)) {
            order.fprofit = ProfitAt(order, bar.close);
            order.fCurPrice = bar.close;
        }
        m_fFloatprofit += order.fprofit;
    }
}

void COrder::CloseOrder(int index, const BarRecord& bar) {
    if (m_OpenOrders.empty() || index < 0 || index >= GetOpenOrderCount()) return;
    OrderRecord orderhst = m_OpenOrders[index];
    m_OpenOrders.erase(m_OpenOrders.begin() + index);
    // An order of a pair not shown closes at the price it was last valued at,
    // which is what the floating profit holds for it.
    const double price = IsOfMarket(orderhst) ? bar.close : orderhst.fCurPrice;

    const int closePoints = PriceToPoints(price);
    const int openPoints = PriceToPoints(orderhst.fOpenPrice);
    const double fPoints = closePoints - openPoints;
    const double profit = ((orderhst.nDirection * fPoints) * orderhst.fOrderSize) * 10.0;

    orderhst.nCloseTime = bar.time;
    orderhst.fClosePrice = price;
    orderhst.fCurPrice = price;
    orderhst.fprofit = profit;
    AddHstOrder(orderhst);
    m_fHstProfit += profit;
    m_fFloatprofit -= profit;

    DebugLog(FormatString(
        "\n[[[[COrder.CloseOrder(),orderhst.fprofit=%f,m_fFloatprofit=%f,m_fHstProfit=%f]]]\n",
        profit, m_fFloatprofit, m_fHstProfit));
    DebugLog(FormatString(
        "\n[[[[COrder.CloseOrder(),fCurPrice=%f,fOpenPrice=%f,fPoints=%f,orderhst.fOrderSize=%f]]]\n",
        static_cast<double>(closePoints), static_cast<double>(openPoints), fPoints,
        orderhst.fOrderSize));

    if (profit >= 0.0)
        ++m_nWinCount;
    else
        ++m_nLossCount;
}
