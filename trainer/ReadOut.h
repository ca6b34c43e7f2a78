#pragma once

#include <string>

#include "data/BarRecord.h"

// The read-out of a bar: period, UTC time and the four prices as the chart
// labels them, e.g. "H4 2026-01-05 04:00  开 1.23456  高 1.23500  低 1.23400  收 1.23450".
std::string FormatBarReadout(int period, const BarRecord& bar);
