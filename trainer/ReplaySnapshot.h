#pragma once

#include <memory>
#include <vector>

#include "data/BarRecord.h"
#include "trade/ListBoxOrder.h"
#include "trade/Order.h"
#include "trade/OrderRecord.h"

// The state of a training run that a step changes and step back puts back:
// where the replay stands, the order book, the statistics, the balance curve
// and the order list. The chart's bars and indicator lines are not in it:
// they follow from the position and are rebuilt on a restore.
struct CReplaySnapshot {
    // Position: the cursor, and the clock (the newest replayed one-minute
    // record; in the plain replay the last record of the cursor's bar).
    int nIndex = -1;
    int nPeriod = 5;
    int nClock = -1;
    // The chart's current bar, at whose close orders are opened and closed.
    bool bHasLastBar = false;
    BarRecord lastBar;

    // The order book. The closed orders only grow between resets, so
    // consecutive snapshots share one copy of them while they are unchanged.
    std::vector<OrderRecord> arrOpenOrders;
    std::shared_ptr<const std::vector<OrderRecord>> pHstOrders;
    COrder::Totals totals;

    // The six statistics as the window holds them.
    double fTotalMoney = 0.0;
    double fTotalProfit = 0.0;
    double fFloatProfit = 0.0;
    double fProfitRate = 0.0;
    int nWinOrders = 0;
    int nLossOrders = 0;

    // The balance curve (shared like the closed orders) and the order list.
    double fBalance = 0.0;
    std::shared_ptr<const std::vector<double>> pBalance;
    CListBoxOrder listOrder;
};
