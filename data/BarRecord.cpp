#include "data/BarRecord.h"

#include "data/Endian.h"

void BarRecord::Encode(unsigned char* out) const {
    le::Store(out + 0, time);
    le::Store(out + 4, open);
    le::Store(out + 12, low);
    le::Store(out + 20, high);
    le::Store(out + 28, close);
    le::Store(out + 36, volume);
}

BarRecord BarRecord::Decode(const unsigned char* in) {
    BarRecord bar;
    bar.time = le::Load<std::int32_t>(in + 0);
    bar.open = le::Load<double>(in + 4);
    bar.low = le::Load<double>(in + 12);
    bar.high = le::Load<double>(in + 20);
    bar.close = le::Load<double>(in + 28);
    bar.volume = le::Load<double>(in + 36);
    return bar;
}
