#include "net/OnlineParse.h"

#include <iconv.h>

#include <cerrno>
#include <climits>
#include <cstdio>

long AtolField(std::string_view field) {
    size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    // Saturates at the ends of long, as the C library's atol does: a run of
    // digits that does not fit must never come out wrapped (a huge version
    // read as a negative one).
    const unsigned long limit = negative ? 0UL - static_cast<unsigned long>(LONG_MIN) : LONG_MAX;
    unsigned long value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        const auto digit = static_cast<unsigned long>(field[i] - '0');
        value = value > (limit - digit) / 10 ? limit : value * 10 + digit;
    }
    return negative ? static_cast<long>(0UL - value) : static_cast<long>(value);
}

int32_t SaturateToInt32(long value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

long ParseVersionField(std::string_view text) {
    // A zero byte ends the fetched text.
    text = text.substr(0, text.find('\0'));
    const size_t open = text.find('[');
    const size_t close = text.find(']');
    const long p = open == std::string_view::npos ? -1 : static_cast<long>(open);
    const long q = close == std::string_view::npos ? -1 : static_cast<long>(close);
    const long start = p + 1 < 0 ? 0 : p + 1;
    const long length = q - p - 1;
    if (length <= 0 || start >= static_cast<long>(text.size())) return 0;
    return AtolField(text.substr(static_cast<size_t>(start), static_cast<size_t>(length)));
}

bool IsNewerVersion(long version, int ownVersion) {
    // A version is a positive number the notice can show as it stands.
    return version > ownVersion && version <= INT_MAX;
}

std::string FormatVersionNotice(int ownVersion, long version) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "目前软件版本为V%d.0, 最新版本为V%d.0", ownVersion,
                  static_cast<int>(version));
    return buffer;
}

bool IsPlainLinkText(std::string_view link) {
    for (char ch : link) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F) return false;
    }
    return true;
}

std::string GbkToUtf8(std::string_view gbk) {
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(gbk);
    const char* in = gbk.data();
    size_t inLeft = gbk.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd, const_cast<char**>(&in), &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            // Skip one bad (or truncated) byte and go on.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

namespace {

// A title is painted on one row and printed on one line: control characters
// (a newline, a tab, ...) become the replacement character too.
std::string PrintableTitle(const std::string& utf8) {
    std::string out;
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F)
            out += "\xEF\xBF\xBD";
        else
            out += ch;
    }
    return out;
}

}  // namespace

std::vector<AdvertisementItem> ParseAdvertisementFile(std::string_view bytes, int64_t now) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::vector<AdvertisementItem> items;
    AdvertisementItem item;
    size_t k = 0;
    size_t pos = 0;
    while (pos < bytes.size()) {
        if (bytes[pos] != '[') {
            ++pos;
            continue;
        }
        const size_t close = bytes.find(']', pos + 1);
        if (close == std::string_view::npos) break;
        const std::string_view field = bytes.substr(pos + 1, close - pos - 1);
        switch (k % 4) {
            case 0:
                item.m_strTitle = PrintableTitle(GbkToUtf8(field));
                item.m_nTitleBytes = static_cast<int>(field.size());
                break;
            case 1:
                item.m_strLink = std::string(field);
                break;
            case 2:
                item.m_nValue = SaturateToInt32(AtolField(field));
                break;
            default:
                item.m_nExpiry = SaturateToInt32(AtolField(field));
                // A link goes to the browser and out of `print ads` as one
                // word; a group whose link is not plain printable ASCII is
                // none the program can use.
                if (now <= item.m_nExpiry && IsPlainLinkText(item.m_strLink)) items.push_back(item);
                break;
        }
        ++k;
        pos = close;
    }
    return items;
}

int TitleFontWidth(int titleBytes, int itemWidth) {
    if (titleBytes < 5) return 20;
    return static_cast<int>(itemWidth * 0.9 / titleBytes);
}

bool IsOpenableLink(std::string_view link) {
    auto startsWith = [&](std::string_view scheme) {
        if (link.size() < scheme.size()) return false;
        for (size_t i = 0; i < scheme.size(); ++i) {
            char c = link[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            if (c != scheme[i]) return false;
        }
        return true;
    };
    size_t rest = 0;
    if (startsWith("http://"))
        rest = 7;
    else if (startsWith("https://"))
        rest = 8;
    else
        return false;
    if (rest >= link.size() || link[rest] == '/') return false;  // no host
    return IsPlainLinkText(link);
}

int GbkByteLength(std::string_view utf8) {
    int bytes = 0;
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            bytes += 1;
        else if ((c & 0xC0) != 0x80)
            bytes += 2;  // the lead byte of a character outside ASCII
    }
    return bytes;
}
