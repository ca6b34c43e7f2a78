#pragma once

// Settings of the trading desk in tarvello.ini.
namespace desk_settings {
constexpr const char* kSection = "Desk";
constexpr const char* kSpread = "Spread";
}  // namespace desk_settings

// What the desk adds to the trade panel of one window: the stop-loss and
// take-profit that the order opened next gets (0.0: none).
struct CDesk {
    double m_fNextStopLoss = 0.0;
    double m_fNextTakeProfit = 0.0;
};
