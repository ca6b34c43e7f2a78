#pragma once

#include <vector>

#include "indicators/BarPoint.h"

// Line types; the same values as the window's drawing-tool mode.
enum LineType : int { kLineVertical = 0, kLineHorizontal = 1, kLineTrend = 2, kLineFibonacci = 3 };

// One drawing object on the price chart: a vertical or horizontal line, a
// trend ray or a Fibonacci level set, anchored at chart positions (bar index
// in the anchor period's file, price). Held and passed by value.
class CLine {
public:
    CLine() = default;
    CLine(const CLine& other) { Assign(other); }
    CLine& operator=(const CLine& other) { return Assign(other); }
    virtual ~CLine() = default;

    virtual void GetHandles(std::vector<BarPoint>& handles) const { handles = m_arrHandle; }
    virtual void SetHandles(const std::vector<BarPoint>& handles) { m_arrHandle = handles; }
    virtual void GetAnchors(std::vector<BarPoint>& anchors) const { anchors = m_arrAnchor; }
    virtual void SetAnchors(const std::vector<BarPoint>& anchors) { m_arrAnchor = anchors; }
    virtual int IsSelected() const { return m_bSelected; }
    virtual void SetSelected(int selected) { m_bSelected = selected; }
    // Bar indices of the anchors into period `newPeriod`'s file.
    virtual void RescalePeriod(int newPeriod);
    // 1 when the chart position lies on the object, 0 otherwise.
    virtual int HitTest(const BarPoint& pos) const;
    virtual int GetLineType() const { return m_nLineType; }
    // Type, anchors, period and selection; the handles stay.
    virtual void SetLine(int type, const std::vector<BarPoint>& anchors, int period, int selected);
    // Type, anchors and selection of `other` with the given period; the handles stay.
    virtual void AssignWithPeriod(const CLine& other, int period);

    CLine& Assign(const CLine& other);

    // Anchors an object of `type` needs to be drawn or hit.
    static int AnchorsNeeded(int type);
    // The handle rule's midpoint: bar (b0 + b1) / 2 as an unsigned 32-bit sum,
    // price halfway.
    static BarPoint MidPoint(const BarPoint& a, const BarPoint& b);
    // First anchor, midpoint, second anchor; empty with fewer than two anchors.
    static std::vector<BarPoint> HandlesOf(const std::vector<BarPoint>& anchors);

    int m_nLineType = kLineVertical;
    int m_nAnchorPeriod = 5;
    int m_bSelected = 0;
    std::vector<BarPoint> m_arrAnchor;
    std::vector<BarPoint> m_arrHandle;
};
