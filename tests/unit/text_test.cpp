// Checks the CP932 <-> UTF-8 conversion that window titles, dialogs and file names go through.
// Covers the bytes Japanese games really contain and what happens to text that cannot convert.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/Text.h"

using platform::text::Cp932ToUtf8;
using platform::text::Utf8ToCp932;

TEST(Cp932Text, JapaneseTextRoundTrips) {
    struct Case { std::string cp932, utf8; };
    const Case cases[] = {
        {"\x93\xFA\x96\x7B\x8C\xEA abc", "日本語 abc"},
        {"\xB6\xC0\xB6\xC5", "ｶﾀｶﾅ"},                           // half-width katakana
        {"\x8D\x5C\x90\xAC \x83\x5C\x83\x74\x83\x67", "構成 ソフト"},  // 0x5C as trail byte
        {"C:\\save~1", "C:\\save~1"},                           // backslash and tilde stay ASCII
        {"\x87\x40\xFB\xFC", "①髙"},                            // NEC and IBM extensions
        {std::string("a\0\x82\xA0", 4), std::string("a\0あ", 5)},  // embedded NUL
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8);
        EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932);
    }
}

TEST(Cp932Text, InvalidCp932BecomesReplacementWithoutLosingText) {
    EXPECT_EQ(Cp932ToUtf8("A\x80" "B"), "A\uFFFDB");
    EXPECT_EQ(Cp932ToUtf8("\xFF\xFF" "ok"), "\uFFFD\uFFFDok");
    EXPECT_EQ(Cp932ToUtf8("\x81\x20" "end"), "\uFFFD end");        // lead byte with a bad trail
    EXPECT_EQ(Cp932ToUtf8("\x93\xFA\x96"), "日\uFFFD");             // lone lead byte at the end
}

TEST(Cp932Text, UnconvertibleUtf8BecomesQuestionMark) {
    EXPECT_EQ(Utf8ToCp932("caf\u00E9 \U0001F600!"), "caf? ?!");       // not in CP932
    EXPECT_EQ(Utf8ToCp932("a\xFF" "b\xC0\xAF" "c"), "a?b??c");      // malformed, overlong
    EXPECT_EQ(Utf8ToCp932("\xE3\x81\x82\xE3\x81"), "\x82\xA0??");   // truncated at the end
}

TEST(Cp932Text, ScriptsSavedAsUtf8AreTold) {
    using platform::text::LooksLikeUtf8;
    EXPECT_TRUE(LooksLikeUtf8("-- \u30BF\u30A4\u30C8\u30EB\nprint('\u3072')\n"));
    EXPECT_TRUE(LooksLikeUtf8("x = '\u00E9\U0001F600'"));
    // Shift-JIS Japanese, plain ASCII and broken UTF-8 are not.
    EXPECT_FALSE(LooksLikeUtf8(Utf8ToCp932("-- \u30BF\u30A4\u30C8\u30EB\nprint('\u3072\u306E\u304D')\n")));
    EXPECT_FALSE(LooksLikeUtf8("print('hello')\n"));
    EXPECT_FALSE(LooksLikeUtf8("\xE3\x81\x82\xE3\x81"));      // cut short
    EXPECT_FALSE(LooksLikeUtf8("\xC0\xAF"));                   // overlong
    EXPECT_FALSE(LooksLikeUtf8("\xED\xA0\x80"));               // a surrogate
}
