#pragma once

#include <string>
#include <vector>

#include "data/BarRecord.h"
#include "trade/OrderRecord.h"

// Points of a price: formatted with "%f", the first "." removed, the first
// five characters read as a decimal integer. A point is thus the unit of the
// fifth digit, counting the leading "0" of prices below 1.
int PriceToPoints(double price);
// The size of one point at `price`: 0.0001 from 0.x to 9.x, 0.001 from 10 to
// 99.x and so on.
double PointSize(double price);
// `price` moved by `points` points of its own size.
double AddPoints(double price, int points);

// The order book of one training run: the open orders in the order they were
// opened, the closed ones in the order they were closed, the floating and
// realised profit and the win and loss counts.
class COrder {
public:
    COrder() = default;
    virtual ~COrder() = default;

    virtual int GetLossCount() const { return m_nLossCount; }
    virtual int GetWinCount() const { return m_nWinCount; }
    virtual void Reset();
    virtual void GetOpenOrders(std::vector<OrderRecord>& orders) const { orders = m_OpenOrders; }
    virtual OrderRecord GetHstOrder(int index) const { return m_HstOrders.at(index); }
    virtual OrderRecord GetOpenOrder(int index) const { return m_OpenOrders.at(index); }
    virtual int GetHstOrderCount() const { return static_cast<int>(m_HstOrders.size()); }
    virtual int GetOpenOrderCount() const { return static_cast<int>(m_OpenOrders.size()); }
    // Values every open order of the market's pair at the bar's close; the
    // orders of other pairs keep their last valuation.
    virtual void MarkToMarket(const BarRecord& bar);
    // Closes open order `index` at the bar's close, or an order of another
    // pair at its last valuation; an index that names no open order changes
    // nothing.
    virtual void CloseOrder(int index, const BarRecord& bar);
    virtual void AddOpenOrder(const OrderRecord& order) { m_OpenOrders.push_back(order); }
    virtual double GetFloatProfit() const { return m_fFloatprofit; }
    virtual double GetHstProfit() const { return m_fHstProfit; }
    virtual void AddHstOrder(const OrderRecord& order) { m_HstOrders.push_back(order); }

    // The running totals beside the two lists, and the closed list itself,
    // so that a saved state of the book can be put back.
    struct Totals {
        double fFloatprofit = 0.0;
        double fHstProfit = 0.0;
        int nWinCount = 0;
        int nLossCount = 0;
        bool operator==(const Totals&) const = default;
    };
    Totals GetTotals() const { return {m_fFloatprofit, m_fHstProfit, m_nWinCount, m_nLossCount}; }
    void SetTotals(const Totals& totals);
    const std::vector<OrderRecord>& HstOrders() const { return m_HstOrders; }

    // The pair whose bars the book is given from now on; "" (the start)
    // values every order at every bar. Not part of the book: Reset keeps it.
    void SetMarketSymbol(const std::string& symbol);
    const std::string& GetMarketSymbol() const { return m_strMarketSymbol; }
    // Whether the market's bars value `order`.
    bool IsOfMarket(const OrderRecord& order) const;

    // ((direction x points) x lots) x 10.0 at `price`.
    static double ProfitAt(const OrderRecord& order, double price);

    // The spread in points. A Buy opens at the close plus the spread and is
    // valued at the close; a Sell opens at the close and is valued (and
    // closed) at the close plus the spread, as at a broker whose bars are bid
    // prices. 0, the default, trades at the close. Not part of the book:
    // Reset keeps it.
    void SetSpread(int points) { m_nSpread = points < 0 ? 0 : points; }
    int GetSpread() const { return m_nSpread; }
    // The price an order of `direction` opens at, and is valued at, when a bar
    // closes at `close`.
    double FillPrice(int direction, double close) const;
    double ValuePrice(int direction, double close) const;

    // Closes open order `index` at `price` and `time`, noting `reason`
    // (stop-loss, take-profit): accounted as CloseOrder accounts a close.
    // The floating profit loses what the last marking gave the order.
    void CloseOrderAt(int index, std::int32_t time, double price, int reason);
    // Sets the stop-loss and take-profit of open order `index` (0.0: none);
    // false when there is no such order.
    bool SetOrderStops(int index, double stopLoss, double takeProfit);

private:
    std::vector<OrderRecord> m_OpenOrders;
    std::vector<OrderRecord> m_HstOrders;
    double m_fFloatprofit = 0.0;
    double m_fHstProfit = 0.0;
    int m_nWinCount = 0;
    int m_nLossCount = 0;
    std::string m_strMarketSymbol;
    int m_nSpread = 0;

    // Removes open order `index` into the closed orders at `price`; returns
    // its profit.
    double Settle(int index, std::int32_t time, double price, int reason, double* points);
    // One more winning (profit 0.0 or more) or losing order.
    void Count(double profit);
};
