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

    // An order's stop or target line being dragged with the pointer: the
    // open order's row, which level, and the level it had before.
    struct Drag {
        int nRow = -1;
        bool bStop = true;
        double fBefore = 0.0;
    };
    Drag m_drag;
    bool IsDragging() const { return m_drag.nRow >= 0; }
};
