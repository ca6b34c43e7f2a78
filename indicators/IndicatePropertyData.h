#pragma once

#include <array>
#include <string>
#include <vector>

#include "indicators/Indicate.h"
#include "platform/Canvas.h"

// What the indicator property dialog exchanges with the commands: the values
// of its fields and lists. One object lives as long as the main window, so a
// value that a command does not preset keeps what the previous use left.
struct CIndicatePropertyData {
    int m_nStyle[3] = {0, 0, 0};
    int m_nWidth[3] = {1, 1, 1};
    int m_nApplyTo = 0;
    int m_nType = kIndicateMA;
    int m_nOption = 0;  // selection of the method list; -1 when that list is empty
    Color m_clrLine[3] = {RGB(255, 255, 0), RGB(255, 255, 0), RGB(255, 255, 0)};
    std::string m_strPar[5];

    // The add command's presets for `type`; what the kind does not preset stays.
    void Preset(int type);
    // The property command's presets from an existing indicator.
    void PresetFrom(const CIndicate& ind);
    // A new indicator of m_nType from the dialog's values (texts through atoi,
    // the Bollinger deviation through atof).
    CIndicate Build() const;
};

// The lists' items, in their order.
extern const std::array<const char*, 6> kLineStyleNames;
extern const std::array<const char*, 6> kLineWidthNames;
extern const std::array<const char*, 7> kAppliedPriceNames;
// The method list of a kind: MA's two averages, MACD's two displays, else none.
std::vector<std::string> IndicateMethodNames(int type);

// The dialog's ten rows: 0..4 the parameters, 5 the applied price, 6 the
// method, 7..9 the three line groups (colour, style, width).
struct IndicateDialogRow {
    bool visible = false;
    int x = 0, y = 0, w = 0;  // from the 20-pixel margin of the client area
    // The label texts: one for rows 0..6, three for the line rows.
    std::vector<std::string> captions;
};

struct IndicateDialogLayout {
    IndicateDialogRow rows[10];
    int width = 0, height = 0;  // of the dialog window
};

// Captions, visible rows, places and dialog size for an indicator kind.
IndicateDialogLayout ArrangeIndicateDialog(int type);

// Pixel placement of one label-and-control pair of a row (the label's text
// width and height measured by the caller): the label sits 4 pixels lower, the
// control follows it after a 2-pixel gap and takes the rest of the width.
struct PlacedPair {
    int labelX, labelY, labelW, controlX, controlY, controlW, height;
};
PlacedPair PlacePair(int x, int y, int w, int textWidth, int textHeight, int controlHeight);
