// The lines of a text export read in one pass and by the general reader
// alone: the same bars, the same line counts, the same first bad line.
#include <cstring>
#include <string_view>

#include "data/TextBars.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CRecordBuffer outA, outB;
    CTextBars onePass(&outA), general(&outB);
    general.SetOnePass(false);
    std::uint64_t linesA = 0, linesB = 0;
    const bool okA = onePass.Lines(text, &linesA);
    const bool okB = general.Lines(text, &linesB);
    if (okA != okB || linesA != linesB || outA.size() != outB.size() ||
        (outA.size() && std::memcmp(outA.data(), outB.data(), outA.size()) != 0) ||
        (!okA && (onePass.BadLine() != general.BadLine() || onePass.What() != general.What())))
        __builtin_trap();
    return 0;
}
