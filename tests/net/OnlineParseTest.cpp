#include <gtest/gtest.h>

#include <climits>

#include "net/OnlineParse.h"

TEST(VersionField, CasesFromTheVersionFile) {
    struct Case {
        const char* text;
        long version;
        bool newer;
    } cases[] = {
        {"[7]", 7, true},
        {"[6]", 6, false},
        {"[5]", 5, false},
        {"[ 8]", 8, true},
        {"[abc]", 0, false},
        {"7]", 7, true},
        {"[-1]", -1, false},
        {"", 0, false},
        {"]7[", 0, false},
        {"ver [9] x [3]", 9, true},
        {"[12", 0, false},
        {"[+10]", 10, true},
        // Out of range: read saturated, never wrapped, and named no version.
        {"[99999999999999999999999]", LONG_MAX, false},
        {"[-99999999999999999999999]", LONG_MIN, false},
        {"[18446744073709551617]", LONG_MAX, false},
        {"[2147483647]", 2147483647L, true},
        {"[2147483648]", 2147483648L, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseVersionField(c.text), c.version);
        EXPECT_EQ(IsNewerVersion(ParseVersionField(c.text), 6), c.newer);
    }
    EXPECT_EQ(FormatVersionNotice(6, 7), "目前软件版本为V6.0, 最新版本为V7.0");
    // A zero byte ends the text, as the fetched chunk is taken as a C string.
    EXPECT_EQ(ParseVersionField(std::string_view("[\0"
                                                 "7]",
                                                 4)),
              0);
}

TEST(AdvertisementFile, GroupsExpiryAndTruncation) {
    const int64_t now = 1000;
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> titles;
    } cases[] = {
        {"second expired", "[A][http://a][1][2000][B][http://b][2][999]", {"A"}},
        {"expiry equal to now shown", "[A][http://a][1][1000]", {"A"}},
        {"ends mid group", "[A][http://a][1][2000][B][http://b]", {"A"}},
        {"unclosed bracket", "[A][http://a][1][2000][B][http://b][2][20", {"A"}},
        {"text outside fields ignored", "x[A]\n[http://a] y [ 3][ 5000]z", {"A"}},
        {"bracket inside a field", "[[A][l][0][5000]", {"[A"}},
        {"empty", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<AdvertisementItem> items = ParseAdvertisementFile(c.text, now);
        ASSERT_EQ(items.size(), c.titles.size());
        for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i].m_strTitle, c.titles[i]);
    }
    std::vector<AdvertisementItem> items = ParseAdvertisementFile("[A][http://a][ -7][2000]", now);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].m_strLink, "http://a");
    EXPECT_EQ(items[0].m_nValue, -7);
    EXPECT_EQ(items[0].m_nExpiry, 2000);
}

TEST(AdvertisementFile, GroupsWithUnusableLinksDropped) {
    struct Case {
        const char* name;
        std::string link;
        bool kept;
    } cases[] = {
        {"plain", "https://x/a?b=1", true},
        {"invalid GBK byte", "http://x/\xff", false},
        {"GBK character", "http://x/\xCD\xE2", false},
        {"newline", "http://x/\nad 1 evil", false},
        {"carriage return", "http://x/\r", false},
        {"tab", "http://x/\t", false},
        {"blank", "http://x/a b", false},
        {"leading blank", " http://x/", false},
        {"delete", "http://x/\x7f", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = "[A][" + c.link + "][1][2000][B][http://b][2][2000]";
        const std::vector<AdvertisementItem> items = ParseAdvertisementFile(text, 0);
        // The group after it is not disturbed.
        ASSERT_EQ(items.size(), c.kept ? 2u : 1u);
        EXPECT_EQ(items.back().m_strLink, "http://b");
        if (c.kept) {
            EXPECT_EQ(items[0].m_strLink, c.link);
        }
    }
    // Numbers beyond 32 bits keep their sign: a far expiry is not expired.
    const std::vector<AdvertisementItem> far =
        ParseAdvertisementFile("[A][http://a][-99999999999][99999999999]", 2000000000);
    ASSERT_EQ(far.size(), 1u);
    EXPECT_EQ(far[0].m_nValue, INT32_MIN);
    EXPECT_EQ(far[0].m_nExpiry, INT32_MAX);
    // A title stays one line.
    EXPECT_EQ(ParseAdvertisementFile("[a\nb\tc][http://a][0][2000]", 0)[0].m_strTitle,
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD"
              "c");
}

TEST(AdvertisementFile, GbkTitleDecoded) {
    // "外汇" in GBK: two characters, four bytes.
    std::vector<AdvertisementItem> items =
        ParseAdvertisementFile("[\xCD\xE2\xBB\xE3][https://x][0][2000]", 0);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].m_strTitle, "外汇");
    EXPECT_EQ(items[0].m_nTitleBytes, 4);
    // A lone lead byte does not stop the decoding of the rest.
    EXPECT_EQ(GbkToUtf8("a\xCD"), "a\xEF\xBF\xBD");
}

TEST(AdvertisementFile, TitleWidthRule) {
    struct Case {
        int bytes, width, expected;
    } cases[] = {{4, 180, 20}, {0, 180, 20}, {20, 90, 4}, {5, 180, 32}, {36, 180, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(TitleFontWidth(c.bytes, c.width), c.expected);
    }
}
