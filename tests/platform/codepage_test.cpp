// Code page 1250 conversions: the table, round trips, and what cannot be converted.
#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace {

TEST(Codepage, EveryByteSurvivesBothRoundTrips) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(plat::Utf8ToCp1250(plat::Cp1250ToUtf8(all)), all);
  EXPECT_EQ(plat::Utf16ToCp1250(plat::Cp1250ToUtf16(all)), all);
}

TEST(Codepage, CzechLettersMapToTheirUnicodeCharacters) {
  EXPECT_EQ(plat::Cp1250ToUtf8("P\xF8\xEDru\xE8ka"), "Příručka");
  EXPECT_EQ(plat::Utf8ToCp1250("Dokončit...."), "Dokon\xE8it....");
  EXPECT_EQ(plat::Utf8ToCp1250("ŠŤŽšťžĚěŮůÁáÝý"),
            "\x8A\x8D\x8E\x9A\x9D\x9E\xCC\xEC\xD9\xF9\xC1\xE1\xDD\xFD");
  EXPECT_EQ(plat::Cp1250ToUtf16("\x80\xA0\xFF"), std::u16string(u"\u20AC\u00A0\u02D9"));
}

TEST(Codepage, UndefinedBytesBecomeC1ControlsLikeMultiByteToWideChar) {
  EXPECT_EQ(plat::Cp1250ToUtf16("\x81\x83\x88\x90\x98"),
            std::u16string(u"\u0081\u0083\u0088\u0090\u0098"));
}

TEST(Codepage, CharactersWithoutAByteBecomeQuestionMarks) {
  EXPECT_EQ(plat::Utf8ToCp1250("a中b"), "a?b");
  EXPECT_EQ(plat::Utf8ToCp1250("x😀y"), "x?y");
  EXPECT_EQ(plat::Utf16ToCp1250(u"x\U0001F600y"), "x?y");
  EXPECT_EQ(plat::Utf16ToCp1250(std::u16string(1, char16_t(0xD800))), "?");
  EXPECT_EQ(plat::Utf8ToCp1250("ñ"), "?");  // Latin-1 letter missing from 1250
}

TEST(Codepage, MalformedUtf8BytesBecomeQuestionMarks) {
  EXPECT_EQ(plat::Utf8ToCp1250("a\xC3"), "a?");          // truncated
  EXPECT_EQ(plat::Utf8ToCp1250("\xC0\xAF"), "??");       // overlong '/'
  EXPECT_EQ(plat::Utf8ToCp1250("\xED\xA0\x80"), "???");  // encoded surrogate
  EXPECT_EQ(plat::Utf8ToCp1250("\xFF"
                               "b"),
            "?b");
  EXPECT_EQ(plat::Utf8ToCp1250("\x80"
                               "c"),
            "?c");  // stray continuation byte
}

}  // namespace
