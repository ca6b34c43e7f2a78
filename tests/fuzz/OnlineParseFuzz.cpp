// Any bytes as the version file and as the advertisement file: the parsers must
// read within the buffer and the decoded titles must be whole UTF-8.
#include <cstdint>
#include <string_view>

#include "net/OnlineParse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)IsNewerVersion(ParseVersionField(bytes), 6);
    for (const AdvertisementItem& item : ParseAdvertisementFile(bytes, 0))
        if (item.m_strLink.size() > size) __builtin_trap();
    return 0;
}
