#include "trainer/ReadOut.h"

#include "chart/Kbar.h"
#include "data/Period.h"
#include "trainer/TrainerTime.h"

std::string FormatBarReadout(int period, const BarRecord& bar) {
    const char* name = period >= 0 && period < period::kCount ? period::kNames[period] : "?";
    return std::string(name) + " " + FormatBarTime(bar.time) + "  开 " +
           CKbar::PriceText(bar.open) + "  高 " + CKbar::PriceText(bar.high) + "  低 " +
           CKbar::PriceText(bar.low) + "  收 " + CKbar::PriceText(bar.close);
}
