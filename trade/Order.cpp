#include "trade/Order.h"

#include <cmath>
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

double PointSize(double price) {
    const std::string text = FormatString("%f", std::fabs(price));
    const auto dot = text.find('.');
    const int digits =
        dot == std::string::npos ? static_cast<int>(text.size()) : static_cast<int>(dot);
    return std::pow(10.0, digits - 5);
}

double AddPoints(double price, int points) {
    if (points == 0) return price;
    return price + points * PointSize(price);
}

double COrder::FillPrice(int direction, double close) const {
    return direction > 0 ? AddPoints(close, m_nSpread) : close;
}

double COrder::ValuePrice(int direction, double close) const {
    return direction < 0 ? AddPoints(close, m_nSpread) : close;
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
            const double price = ValuePrice(order.nDirection, bar.close);
            order.fprofit = ProfitAt(order, price);
            order.fCurPrice = price;
        }
        m_fFloatprofit += order.fprofit;
    }
}

void COrder::CloseOrder(int index, const BarRecord& bar) {
    if (m_OpenOrders.empty() || index < 0 || index >= GetOpenOrderCount()) return;
    const OrderRecord& order = m_OpenOrders[index];
    // An order of a pair not shown closes at the price it was last valued at,
    // which is what the floating profit holds for it.
    const double price =
        IsOfMarket(order) ? ValuePrice(order.nDirection, bar.close) : order.fCurPrice;
    const int openPoints = PriceToPoints(order.fOpenPrice);
    const double lots = order.fOrderSize;
    double fPoints = 0.0;
    const double profit = Settle(index, bar.time, price, OrderRecord::kByClose, &fPoints);
    m_fFloatprofit -= profit;

    DebugLog(FormatString(
        "\n[[[[COrder.CloseOrder(),orderhst.fprofit=%f,m_fFloatprofit=%f,m_fHstProfit=%f]]]\n",
        profit, m_fFloatprofit, m_fHstProfit));
    DebugLog(FormatString(
        "\n[[[[COrder.CloseOrder(),fCurPrice=%f,fOpenPrice=%f,fPoints=%f,orderhst.fOrderSize=%f]]]"
        "\n",
        static_cast<double>(PriceToPoints(price)), static_cast<double>(openPoints), fPoints, lots));
    Count(profit);
}

void COrder::CloseOrderAt(int index, std::int32_t time, double price, int reason) {
    if (index < 0 || index >= GetOpenOrderCount()) return;
    const double marked = m_OpenOrders[index].fprofit;
    double points = 0.0;
    const double profit = Settle(index, time, price, reason, &points);
    m_fFloatprofit -= marked;
    Count(profit);
}

double COrder::Settle(int index, std::int32_t time, double price, int reason, double* points) {
    OrderRecord orderhst = m_OpenOrders[index];
    m_OpenOrders.erase(m_OpenOrders.begin() + index);
    const int closePoints = PriceToPoints(price);
    const int openPoints = PriceToPoints(orderhst.fOpenPrice);
    const double fPoints = closePoints - openPoints;
    const double profit = ((orderhst.nDirection * fPoints) * orderhst.fOrderSize) * 10.0;
    orderhst.nCloseTime = time;
    orderhst.fClosePrice = price;
    orderhst.fCurPrice = price;
    orderhst.fprofit = profit;
    orderhst.nCloseReason = reason;
    AddHstOrder(orderhst);
    m_fHstProfit += profit;
    *points = fPoints;
    return profit;
}

void COrder::Count(double profit) {
    if (profit >= 0.0)
        ++m_nWinCount;
    else
        ++m_nLossCount;
}

bool COrder::SetOrderStops(int index, double stopLoss, double takeProfit) {
    if (index < 0 || index >= GetOpenOrderCount()) return false;
    m_OpenOrders[index].fReserved1 = stopLoss;
    m_OpenOrders[index].fReserved2 = takeProfit;
    return true;
}
