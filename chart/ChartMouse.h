#pragma once

#include "chart/Kbar.h"
#include "indicators/BarPoint.h"

// Popup menus the mouse opens on the chart.
enum ChartMenu : int { kMenuLine = 140, kMenuIndicator = 148, kMenuIndicatorLine = 150 };

// The drawing-tool mode of the pointer (no tool); the tools are LineType values.
constexpr int kLineToolPointer = 0x9999;

// The mouse on the chart and the drawing-object commands: creating, selecting,
// dragging and removing the chart's drawing objects. It works on the window's
// mouse state, which it is given by reference, and tells the window what to do
// next (redraw, open a menu, run the indicator property command).
class CChartMouse {
public:
    struct State {
        int& nLineTool;          // kLineToolPointer or a LineType
        int& bLButtonDown;       // 1 while the left button is held after a press
        BarPoint& ptDragAnchor;  // chart position where the current drag stands
        int& nCurLine;           // the object chosen by the last right click on it
        int& nCurIndicator;      // the indicator chosen by a right or double click
    };

    struct Outcome {
        bool redraw = false;
        bool toolChanged = false;
        int menu = 0;                    // ChartMenu to open at the mouse, 0 for none
        bool indicatorProperty = false;  // run the property command on nCurIndicator
    };

    CChartMouse(CKbar& chart, State state) : m_chart(chart), m_state(state) {}

    // Positions in client coordinates; `period` is the cursor's period.
    Outcome LButtonDown(int x, int y, int period);
    Outcome MouseMove(int x, int y);
    Outcome LButtonUp(int x, int y);
    Outcome LButtonDblClk(int x, int y);
    Outcome RButtonDown(int x, int y);

    // Removes the object nCurLine names; false (nothing removed) when it names none.
    bool DeleteLine();
    void DeleteAllLines();
    // The Delete key: removes every selected object; returns how many.
    int DeleteSelectedLines();
    // The period switch: every object's bar indices into the new period.
    void RescaleLines(int period);

private:
    // Drags a selected object found at the drag position to `pt`.
    bool DragObject(CLine& line, const BarPoint& pt);

    CKbar& m_chart;
    State m_state;
};
