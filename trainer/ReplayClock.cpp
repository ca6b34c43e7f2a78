#include "trainer/ReplayClock.h"

#include "data/Period.h"

namespace {

int Minutes(int period) {
    return period >= 0 && period < period::kCount ? period::kMinutes[period] : 1;
}

}  // namespace

int CReplayClock::BarOf(int clock, int period) {
    return clock < 0 ? kNone : clock / Minutes(period);
}

int CReplayClock::FirstRecordOf(int bar, int period) {
    return bar < 0 ? kNone : bar * Minutes(period);
}

int CReplayClock::LastRecordOf(int bar, int period) {
    return bar < 0 ? kNone : (bar + 1) * Minutes(period) - 1;
}

bool CReplayClock::EndsBar(int clock, int period) {
    return clock >= 0 && (clock + 1) % Minutes(period) == 0;
}
