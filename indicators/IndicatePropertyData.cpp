#include "indicators/IndicatePropertyData.h"

#include <algorithm>
#include <cstdio>

#include "indicators/IndicateDefaults.h"

const std::array<const char*, 6> kLineStyleNames = {"实线",   "虚线",     "点线",
                                                    "虚点线", "虚双点线", "无线"};
const std::array<const char*, 6> kLineWidthNames = {"0", "1", "2", "3", "4", "5"};
const std::array<const char*, 7> kAppliedPriceNames = {"Close", "Open", "High", "Low",
                                                       "HL/2",  "HL/3", "HL/4"};

std::vector<std::string> IndicateMethodNames(int type) {
    if (type == kIndicateMA)
        return {"Simple Moving Average(SMA)", "Exponential Moving Average(EMA)"};
    if (type == kIndicateMACD) return {"DISPLAY 1", "DISPLAY 2"};
    return {};
}

void CIndicatePropertyData::Preset(int type) {
    const IndicateDefaults d = DefaultsOf(type);
    m_nType = type;
    for (std::size_t k = 0; k < d.parTexts.size() && k < 5; ++k) m_strPar[k] = d.parTexts[k];
    // KDJ presets neither the option nor the applied price, RSI no option.
    if (type != kIndicateKDJ && type != kIndicateRSI) m_nOption = d.option;
    if (type != kIndicateKDJ) m_nApplyTo = d.applyTo;
    for (std::size_t k = 0; k < d.colors.size() && k < 3; ++k) {
        m_clrLine[k] = d.colors[k];
        m_nStyle[k] = d.styles[k];
        m_nWidth[k] = d.widths[k];
    }
}

void CIndicatePropertyData::PresetFrom(const CIndicate& ind) {
    m_nType = ind.m_nType;
    for (std::size_t k = 0; k < ind.m_arrColor.size() && k < 3; ++k) {
        m_clrLine[k] = ind.m_arrColor[k];
        m_nStyle[k] = k < ind.m_arrStyle.size() ? ind.m_arrStyle[k] : 0;
        m_nWidth[k] = k < ind.m_arrWidth.size() ? ind.m_arrWidth[k] : 1;
    }
    const std::size_t ints = ind.m_nType == kIndicateBOLLIN ? 1 : ind.m_arrParam.size();
    for (std::size_t k = 0; k < ints && k < ind.m_arrParam.size() && k < 5; ++k)
        m_strPar[k] = std::to_string(ind.m_arrParam[k]);
    if (ind.m_nType == kIndicateBOLLIN && !ind.m_arrRealParam.empty()) {
        // Short and exact for the usual multipliers ("1.7", "2", "2.25").
        char text[64];
        std::snprintf(text, sizeof text, "%g", ind.m_arrRealParam[0]);
        m_strPar[1] = text;
    }
    if ((ind.m_nType == kIndicateMA || ind.m_nType == kIndicateMACD) && !ind.m_arrOption.empty())
        m_nOption = ind.m_arrOption[0];
    m_nApplyTo = ind.m_nApplyTo;
}

CIndicate CIndicatePropertyData::Build() const {
    std::vector<std::string> texts(std::begin(m_strPar), std::end(m_strPar));
    std::vector<Color> colors(std::begin(m_clrLine), std::end(m_clrLine));
    std::vector<int> styles(std::begin(m_nStyle), std::end(m_nStyle));
    std::vector<int> widths(std::begin(m_nWidth), std::end(m_nWidth));
    return BuildIndicate(m_nType, texts, m_nOption, m_nApplyTo, colors, styles, widths);
}

namespace {

IndicateDialogRow Row(int x, int y, int w, std::vector<std::string> captions) {
    return IndicateDialogRow{true, x, y, w, std::move(captions)};
}

std::vector<std::string> LineCaptions(const std::string& name, bool lineWord = true) {
    const std::string prefix = name.empty() ? "" : name + " ";
    return {prefix + "Color", prefix + (lineWord ? "Line " : "") + "Stytle",
            prefix + (lineWord ? "Line " : "") + "Width"};
}

}  // namespace

IndicateDialogLayout ArrangeIndicateDialog(int type) {
    IndicateDialogLayout l;
    // Hidden rows keep their resource captions.
    for (int i = 0; i < 5; ++i) l.rows[i].captions = {"par" + std::to_string(i + 1) + ":"};
    l.rows[5].captions = {"ApplyTo"};
    l.rows[6].captions = {"MA Method"};
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i + 1);
        l.rows[7 + i].captions = {"颜色" + n, "线条形状" + n, "线条粗细" + n};
    }
    const auto single = LineCaptions("Line", false);  // "Line Color", "Line Stytle", ...
    switch (type) {
        case kIndicateMA:
            l.rows[0] = Row(0, 0, 120, {"Period"});
            l.rows[5] = Row(160, 0, 120, {"ApplyTo"});
            l.rows[6] = Row(0, 40, 320, {"MA Method"});
            l.rows[7] = Row(0, 80, 160, single);
            l.width = 440, l.height = 260;
            break;
        case kIndicateKDJ:
            l.rows[0] = Row(0, 0, 120, {"RSV Period"});
            l.rows[1] = Row(130, 0, 120, {"K Period"});
            l.rows[2] = Row(260, 0, 120, {"D Period"});
            l.rows[7] = Row(0, 40, 180, LineCaptions("K"));
            l.rows[8] = Row(200, 40, 180, LineCaptions("D"));
            l.rows[9] = Row(400, 40, 180, LineCaptions("J"));
            l.width = 640, l.height = 220;
            break;
        case kIndicateRSI:
            l.rows[0] = Row(0, 0, 120, {"Period"});
            l.rows[1] = Row(0, 40, 120, {"Level1"});
            l.rows[2] = Row(130, 40, 120, {"Level2"});
            l.rows[3] = Row(260, 40, 120, {"Level3"});
            l.rows[5] = Row(160, 0, 120, {"ApplyTo"});
            l.rows[7] = Row(0, 80, 160, single);
            l.rows[8] = Row(200, 80, 180, LineCaptions("Level"));
            l.width = 580, l.height = 260;
            break;
        case kIndicateMACD:
            l.rows[0] = Row(0, 0, 120, {"Fast EMA"});
            l.rows[1] = Row(130, 0, 120, {"Slow EMA"});
            l.rows[2] = Row(260, 0, 120, {"MACD SMA"});
            l.rows[5] = Row(0, 40, 120, {"ApplyTo"});
            l.rows[6] = Row(130, 40, 320, {"DISPLAY"});
            l.rows[7] = Row(0, 80, 180, LineCaptions("DIF"));
            l.rows[8] = Row(200, 80, 180, LineCaptions("DEA"));
            l.rows[9] = Row(400, 80, 180, LineCaptions("MACD"));
            l.width = 640, l.height = 260;
            break;
        case kIndicateBOLLIN:
            l.rows[0] = Row(0, 0, 120, {"Period"});
            l.rows[1] = Row(130, 0, 120, {"偏差"});
            l.rows[5] = Row(0, 40, 120, {"ApplyTo"});
            l.rows[7] = Row(0, 80, 160, single);
            l.width = 440, l.height = 260;
            break;
        case kIndicateMAX:
        case kIndicateMIN:
            l.rows[0] = Row(0, 0, 120, {"Period"});
            l.rows[5] = Row(160, 0, 120, {"ApplyTo"});
            l.rows[7] = Row(0, 40, 160, single);
            l.width = 440, l.height = 220;
            break;
        default: break;
    }
    return l;
}

PlacedPair PlacePair(int x, int y, int w, int textWidth, int textHeight, int controlHeight) {
    const int h = std::max(textHeight, controlHeight);
    return PlacedPair{x, y + 4, textWidth, x + 2 + textWidth, y, w - textWidth - 2, h};
}
