#pragma once

#include <array>

// Command ids of the toolbar and the popup menus.
enum CommandId : int {
    ID_PERIOD_M1 = 32779,
    ID_PERIOD_M5 = 32772,
    ID_PERIOD_M15 = 32774,
    ID_PERIOD_M30 = 32775,
    ID_PERIOD_H1 = 32776,
    ID_PERIOD_H4 = 32777,
    ID_PERIOD_D1 = 32780,
    ID_PERIOD_W1 = 32781,
    ID_PERIOD_MN = 32782,
    ID_TOOL_POINTER = 32806,
    ID_TOOL_VLINE = 32801,
    ID_TOOL_HLINE = 32802,
    ID_TOOL_TREND = 32791,
    ID_TOOL_FIBO = 32803,
    ID_ZOOM_IN = 32794,
    ID_ZOOM_OUT = 32795,
    ID_CHART_WESTERN = 32799,
    ID_CHART_CANDLE = 32800,
    ID_CHART_LINE = 32798,
    ID_INDICATOR_MENU = 32814,
    ID_LINE_DELETE = 32809,
    ID_LINE_PROPERTY = 32807,
    ID_LINE_DELETE_ALL = 32819,
    ID_ADD_MA = 32811,
    ID_ADD_KDJ = 32812,
    ID_ADD_MACD = 32815,
    ID_ADD_RSI = 32813,
    ID_ADD_BOLLIN = 32821,
    ID_ADD_MAX = 32822,
    ID_ADD_MIN = 32823,
    ID_INDICATOR_DELETE = 32816,
    ID_INDICATOR_PROPERTY = 32817,
    ID_INDICATOR_DELETE_ALL = 32818,
    ID_DELETE_ALL_INDICATORS_AND_LINES = 32820,
};

// The pointer mode of the drawing tools.
constexpr int kToolPointer = 0x9999;

struct ToolbarButton {
    int id;
    const char* tooltip;  // nullptr: no tooltip
};

// The toolbar's 20 buttons in order.
constexpr std::array<ToolbarButton, 20> kToolbarButtons = {{
    {ID_PERIOD_M1, "1分钟"},
    {ID_PERIOD_M5, "5分钟"},
    {ID_PERIOD_M15, "15分钟"},
    {ID_PERIOD_M30, "30分钟"},
    {ID_PERIOD_H1, "1小时"},
    {ID_PERIOD_H4, "4小时"},
    {ID_PERIOD_D1, "1天"},
    {ID_PERIOD_W1, "1周"},
    {ID_PERIOD_MN, "1月"},
    {ID_TOOL_POINTER, nullptr},
    {ID_TOOL_VLINE, "垂直线"},
    {ID_TOOL_HLINE, "水平线"},
    {ID_TOOL_TREND, "趋势线"},
    {ID_TOOL_FIBO, "费波那兹线"},
    {ID_ZOOM_IN, "放大"},
    {ID_ZOOM_OUT, "缩小"},
    {ID_CHART_WESTERN, "西方柱图"},
    {ID_CHART_CANDLE, nullptr},
    {ID_CHART_LINE, "线图"},
    {ID_INDICATOR_MENU, "指标"},
}};

// Period index of a period command, or -1.
constexpr int PeriodOfCommand(int id) {
    constexpr int ids[] = {ID_PERIOD_M1, ID_PERIOD_M5, ID_PERIOD_M15, ID_PERIOD_M30, ID_PERIOD_H1,
                           ID_PERIOD_H4, ID_PERIOD_D1, ID_PERIOD_W1,  ID_PERIOD_MN};
    for (int p = 0; p < 9; ++p)
        if (ids[p] == id) return p;
    return -1;
}

// Tool mode of a tool command, or -1.
constexpr int ToolOfCommand(int id) {
    switch (id) {
        case ID_TOOL_POINTER: return kToolPointer;
        case ID_TOOL_VLINE: return 0;
        case ID_TOOL_HLINE: return 1;
        case ID_TOOL_TREND: return 2;
        case ID_TOOL_FIBO: return 3;
        default: return -1;
    }
}

// Indicator kind of an add command, or -1.
constexpr int IndicateTypeOfCommand(int id) {
    switch (id) {
        case ID_ADD_MA: return 0;
        case ID_ADD_KDJ: return 1;
        case ID_ADD_RSI: return 2;
        case ID_ADD_MACD: return 3;
        case ID_ADD_BOLLIN: return 4;
        case ID_ADD_MAX: return 5;
        case ID_ADD_MIN: return 6;
        default: return -1;
    }
}

// The add command of an indicator kind, or 0.
constexpr int AddCommandOfIndicateType(int type) {
    for (int id : {ID_ADD_MA, ID_ADD_KDJ, ID_ADD_RSI, ID_ADD_MACD, ID_ADD_BOLLIN, ID_ADD_MAX,
                   ID_ADD_MIN})
        if (IndicateTypeOfCommand(id) == type) return id;
    return 0;
}

// Chart type of a chart-type command, or -1.
constexpr int ChartTypeOfCommand(int id) {
    switch (id) {
        case ID_CHART_CANDLE: return 16;
        case ID_CHART_WESTERN: return 17;
        case ID_CHART_LINE: return 18;
        default: return -1;
    }
}
