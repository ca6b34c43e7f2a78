#include "data/Period.h"

namespace period {

int FromName(const std::string& name) {
    for (int i = 0; i < kCount; ++i)
        if (name == kNames[i]) return i;
    return -1;
}

}  // namespace period
