// Any bytes as a saved run, closed with the checksum that fits them so that
// the reader gets past it: the reader must stay within its input, and what it
// accepts must write back to the same run.
#include <cstdint>
#include <string>

#include "desk/SavedRun.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    CSavedRun run;
    int version = 0;
    if (DecodeRun(body + RunChecksumLine(body), &run, &version) != RunFileError::kNone) return 0;
    const std::string again = EncodeRun(run);
    CSavedRun back;
    if (DecodeRun(again, &back, &version) != RunFileError::kNone || EncodeRun(back) != again)
        __builtin_trap();
    return 0;
}
