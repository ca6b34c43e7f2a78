#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What the program reads from the two files of the maker's server. Pure
// functions on the fetched bytes, so they can be tested and fuzzed offline.

// Latest version named by the version file: the text between the first "["
// and the first "]" (each found independently from the start), read like atol.
long ParseVersionField(std::string_view text);

// True when the version file names a newer version than ours: above it and
// within int, so that the notice shows the number as written. A negative
// field, or one beyond int (read saturated), names no version.
bool IsNewerVersion(long version, int ownVersion);

// The version notice painted over the chart.
std::string FormatVersionNotice(int ownVersion, long version);

// Integer fields of the advertisement file, read like atol on the raw bytes:
// leading blanks and a sign, digits up to the first other byte, saturated at
// the ends of long.
long AtolField(std::string_view field);
// A field stored in 32 bits: the nearest end for what lies beyond.
int32_t SaturateToInt32(long value);

// No control byte, blank or byte outside printable ASCII.
bool IsPlainLinkText(std::string_view link);

struct AdvertisementItem {
    std::string m_strTitle;  // UTF-8 (converted from GBK)
    int m_nTitleBytes = 0;   // length of the title in the file's GBK bytes
    std::string m_strLink;
    int32_t m_nValue = 0;
    int32_t m_nExpiry = 0;  // seconds since 1970, UTC
};

// Items of the advertisement file (GBK text) whose expiry is not before `now`.
// Fields are the texts between a "[" and the next "]", taken in groups of four
// (title, link, value, expiry); a trailing incomplete group or an unclosed "["
// ends the list. A zero byte ends the text. A group whose link is not plain
// printable ASCII (IsPlainLinkText) is dropped.
std::vector<AdvertisementItem> ParseAdvertisementFile(std::string_view bytes, int64_t now);

// Average glyph width of a row's title: fixed for short titles, otherwise the
// title is squeezed to 90 % of the row. Lengths count GBK bytes.
int TitleFontWidth(int titleBytes, int itemWidth);

// GBK bytes to UTF-8; undecodable bytes become U+FFFD.
std::string GbkToUtf8(std::string_view gbk);

// Whether a link from the advertisement file may go to the browser: an
// http:// or https:// address with a host, all printable ASCII without blanks
// (no control bytes, nothing a shell or the browser could take for more).
bool IsOpenableLink(std::string_view link);

// Length of a UTF-8 text in GBK bytes: one per ASCII character, two for
// every other one.
int GbkByteLength(std::string_view utf8);
