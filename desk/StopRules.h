#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "data/BarRecord.h"
#include "trade/OrderRecord.h"

// Where an order's stop-loss or take-profit was reached: the reason
// (OrderRecord::kByStopLoss or kByTakeProfit), the fill price (the level
// itself, also when the market gapped through it) and the minute's time.
struct StopHit {
    int nReason = OrderRecord::kByClose;
    double fPrice = 0.0;
    std::int32_t nTime = 0;
};

// Whether one minute, whose bid prices range from `minute.low` to
// `minute.high`, reaches the order's stop or target. A Buy is valued at the
// bid, a Sell at the bid plus `spread` points. When the minute reaches both,
// the stop counts first: inside one minute nothing says which came first, and
// the trainee is better served by the worse case.
std::optional<StopHit> StopHitIn(const OrderRecord& order, const BarRecord& minute, int spread);

// True when the order carries a stop-loss or a take-profit.
inline bool HasStops(const OrderRecord& order) {
    return order.StopLoss() > 0.0 || order.TakeProfit() > 0.0;
}

// "" when the levels fit an order of `direction` valued at `price`: a Buy's
// stop lies below the price and its target above, a Sell's the other way
// round. Otherwise the message that says what is wrong. 0.0 is no level.
std::string CheckStops(int direction, double price, double stopLoss, double takeProfit);

// Calls `visit` with the one-minute records `first` to `last` of `symbol`,
// read in blocks, in order, until it returns false or the file ends. Returns
// the number of records visited.
int ScanMinutes(const std::string& historyFolder, const std::string& symbol, int first, int last,
                const std::function<bool(const BarRecord&)>& visit);
