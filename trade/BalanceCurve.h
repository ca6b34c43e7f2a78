#pragma once

#include <vector>

#include "platform/Canvas.h"
#include "trade/OrderRecord.h"

// The balance over the closed orders of the run: 10000.0 at the start, then
// one value per closed order. The balance-curve window paints it.
class CBalanceCurve {
public:
    static constexpr double kInitialMoney = 10000.0;

    CBalanceCurve() { ResetCurve(); }

    // Adds the order's final profit to the balance and appends a point.
    virtual void AddClosedOrder(const OrderRecord& order);
    void ResetCurve();
    // The whole window content for a client area of `width` x `height`,
    // drawn off-screen and copied to `dc` at (0, 0).
    void DrawCurve(Canvas& dc, int width, int height) const;

    double m_fBalance = kInitialMoney;
    std::vector<double> m_arrBalance;

    virtual ~CBalanceCurve() = default;
};
