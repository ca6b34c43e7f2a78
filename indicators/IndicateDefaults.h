#pragma once

#include <string>
#include <vector>

#include "indicators/Indicate.h"

// What the add commands preset for a kind: parameter texts, option, applied
// price and line settings; and the shape every kind is built with.
struct IndicateDefaults {
    std::vector<std::string> parTexts;
    int option = 0;
    int applyTo = 0;
    std::vector<Color> colors;
    std::vector<int> styles;
    std::vector<int> widths;
};

IndicateDefaults DefaultsOf(int type);

// Index of a kind name (MA KDJ RSI MACD BOLLIN MAX MIN), or -1.
int IndicateTypeFromName(const std::string& name);

// Builds an indicator the way the add and property commands do from the
// dialog's texts: integer parameters with atoi (BOLLIN: the period, then its
// deviation with atof), the option for MA and MACD, the applied price for
// every kind but KDJ.
CIndicate BuildIndicate(int type, const std::vector<std::string>& parTexts, int option,
                        int applyTo, const std::vector<Color>& colors,
                        const std::vector<int>& styles, const std::vector<int>& widths);
