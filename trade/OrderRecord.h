#pragma once

#include <cstdint>
#include <cstring>
#include <string>

// One simulated order, always handled by value. A new record is all zeros
// before its fields are set.
struct OrderRecord {
    char szSymbol[12] = {};
    std::int32_t nOpenTime = 0;
    std::int32_t nCloseTime = 0;  // 0 while open
    double fOpenPrice = 0.0;
    double fClosePrice = 0.0;  // 0.0 while open
    double fCurPrice = 0.0;    // price of the last valuation
    double fOrderSize = 0.0;   // lots
    double fprofit = 0.0;      // money: last valuation while open, final once closed
    // The order list's two reserved columns carry the stop-loss and the
    // take-profit price; 0.0 is none, so an order without them is as before.
    double fReserved1 = 0.0;      // stop-loss
    double fReserved2 = 0.0;      // take-profit
    std::int32_t nDirection = 0;  // 1 buy, -1 sell
    // How a closed order was closed: kByClose, kByStopLoss or kByTakeProfit.
    std::int32_t nCloseReason = 0;

    enum CloseReason : std::int32_t { kByClose = 0, kByStopLoss = 1, kByTakeProfit = 2 };
    double StopLoss() const { return fReserved1; }
    double TakeProfit() const { return fReserved2; }

    // Stores at most 11 bytes and the terminator.
    void SetSymbol(const std::string& symbol) {
        std::memset(szSymbol, 0, sizeof szSymbol);
        std::memcpy(szSymbol, symbol.data(), std::min(symbol.size(), sizeof szSymbol - 1));
    }
    bool operator==(const OrderRecord&) const = default;
    std::string Symbol() const { return std::string(szSymbol, strnlen(szSymbol, sizeof szSymbol)); }
};
