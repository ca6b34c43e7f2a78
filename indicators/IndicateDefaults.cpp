#include "indicators/IndicateDefaults.h"

#include <cstdlib>

namespace {

constexpr Color kYellow = RGB(255, 255, 0), kMagenta = RGB(255, 0, 255), kCyan = RGB(0, 255, 255),
                kGrey = RGB(128, 128, 128), kRed = RGB(255, 0, 0), kWhite = RGB(255, 255, 255);

int ParamCount(int type) {
    switch (type) {
        case kIndicateKDJ:
        case kIndicateMACD: return 3;
        case kIndicateRSI: return 4;
        default: return 1;
    }
}

}  // namespace

IndicateDefaults DefaultsOf(int type) {
    IndicateDefaults d;
    switch (type) {
        case kIndicateMA: d = {{"12"}, 0, 0, {kYellow}, {0}, {1}}; break;
        case kIndicateKDJ: d = {{"3", "5", "3"}, 0, 0, {kYellow, kMagenta, kCyan}, {0, 0, 0}, {1, 1, 1}}; break;
        case kIndicateRSI: d = {{"12", "50", "30", "70"}, 0, 0, {kYellow, kGrey}, {0, 2}, {1, 1}}; break;
        case kIndicateMACD: d = {{"12", "26", "9"}, 0, 0, {kMagenta, kRed, kWhite}, {0, 0, 0}, {1, 1, 1}}; break;
        case kIndicateBOLLIN: d = {{"12", "1.7"}, 0, 0, {kYellow}, {0}, {1}}; break;
        case kIndicateMAX: d = {{"12"}, 0, 2, {kYellow}, {0}, {1}}; break;
        case kIndicateMIN: d = {{"12"}, 0, 2, {kMagenta}, {0}, {1}}; break;
        default: break;
    }
    return d;
}

int IndicateTypeFromName(const std::string& name) {
    const char* names[] = {"MA", "KDJ", "RSI", "MACD", "BOLLIN", "MAX", "MIN"};
    for (int t = 0; t < 7; ++t)
        if (name == names[t]) return t;
    return -1;
}

CIndicate BuildIndicate(int type, const std::vector<std::string>& parTexts, int option,
                        int applyTo, const std::vector<Color>& colors,
                        const std::vector<int>& styles, const std::vector<int>& widths) {
    CIndicate ind;
    ind.m_nType = type;
    ind.m_bOwnPane = CIndicate::OwnPaneOf(type);
    const int lines = CIndicate::LineSettingCount(type);
    for (int k = 0; k < lines; ++k) {
        ind.m_arrColor.push_back(k < static_cast<int>(colors.size()) ? colors[k] : RGB(255, 255, 0));
        ind.m_arrStyle.push_back(k < static_cast<int>(styles.size()) ? styles[k] : 0);
        ind.m_arrWidth.push_back(k < static_cast<int>(widths.size()) ? widths[k] : 1);
    }
    auto text = [&](int k) { return k < static_cast<int>(parTexts.size()) ? parTexts[k] : ""; };
    for (int k = 0; k < ParamCount(type); ++k) ind.m_arrParam.push_back(std::atoi(text(k).c_str()));
    if (type == kIndicateBOLLIN) ind.m_arrRealParam.push_back(std::atof(text(1).c_str()));
    if (type == kIndicateMA || type == kIndicateMACD) ind.m_arrOption.push_back(option);
    if (type != kIndicateKDJ) ind.m_nApplyTo = applyTo;
    return ind;
}
