#pragma once

#include <string>
#include <vector>

#include "chart/Line.h"
#include "data/BarRecord.h"
#include "indicators/BarPoint.h"
#include "platform/Canvas.h"
#include "trade/Order.h"
#include "trade/OrderRecord.h"

// Everything a training run is made of, as "保存训练" writes it and
// "继续训练" puts it back: the pair and how it is looked at, where the
// replay stands, the order book with its stops, the statistics, the curve,
// the order list, the indicators with their settings, the drawing objects,
// the honest-replay switch, the spread and the next order's levels.
struct CSavedRun {
    static constexpr int kVersion = 1;

    std::string strSymbol;
    int nPeriod = 5;
    int nZoomLevel = 3;
    int nChartType = 16;
    int nIndex = -1;
    int nClock = -1;
    bool bHonest = false;
    int nSpread = 0;
    bool bHasLastBar = false;
    BarRecord lastBar;

    std::vector<OrderRecord> arrOpenOrders;
    std::vector<OrderRecord> arrHstOrders;
    COrder::Totals totals;

    double fTotalMoney = 0.0;
    double fTotalProfit = 0.0;
    double fFloatProfit = 0.0;
    double fProfitRate = 0.0;
    int nWinOrders = 0;
    int nLossOrders = 0;

    double fBalance = 0.0;
    std::vector<double> arrBalance;

    std::vector<std::string> arrRows;
    int nSelectedRow = -1;

    struct Indicator {
        int nType = 0;
        int bOwnPane = 0;
        int nApplyTo = 0;
        std::vector<int> arrParam;
        std::vector<int> arrOption;
        std::vector<double> arrRealParam;
        std::vector<Color> arrColor;
        std::vector<int> arrStyle;
        std::vector<int> arrWidth;
    };
    std::vector<Indicator> arrIndicators;

    struct Drawing {
        int nType = 0;
        int nPeriod = 5;
        int bSelected = 0;
        std::vector<BarPoint> arrAnchor;
        std::vector<BarPoint> arrHandle;
    };
    std::vector<Drawing> arrLines;

    double fNextStopLoss = 0.0;
    double fNextTakeProfit = 0.0;
};

// The run as a text file: a version line, one line per item, and a last line
// with a checksum of everything above it, so that a damaged or cut file is
// told from a whole one. Doubles keep every bit.
std::string EncodeRun(const CSavedRun& run);

// The closing line EncodeRun puts after `body`: "end <checksum>\n".
std::string RunChecksumLine(const std::string& body);

enum class RunFileError { kNone, kNotARun, kNewer, kDamaged };
// Reads what EncodeRun wrote. On failure nothing useful is in *run; *version
// holds the version a newer file gave.
RunFileError DecodeRun(const std::string& bytes, CSavedRun* run, int* version);
