#include <gtest/gtest.h>

#include "asf/bytes.hpp"

using namespace corvel;

TEST(Guid, TextRoundTripAndCase) {
  const Bytes raw{0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
  EXPECT_EQ(Guid::read(raw, 0).text(), "75B22630-668E-11CF-A6D9-00AA0062CE6C");
  const Guid header = Guid::parse("75B22630-668E-11CF-A6D9-00AA0062CE6C");
  EXPECT_EQ(Bytes(header.bytes().begin(), header.bytes().end()), raw);
  EXPECT_EQ(Guid::parse("75b22630-668e-11cf-a6d9-00aa0062ce6c"), Guid::read(raw, 0));
  // Non-hex characters count as 0; a short view reads as zeros.
  EXPECT_EQ(Guid::parse("ZZ"), Guid{});
  EXPECT_EQ(Guid::read(Bytes{0x01}, 0).text(), "00000001-0000-0000-0000-000000000000");
  static_assert(Guid::parse("75B22630-668E-11CF-A6D9-00AA0062CE6C") != Guid::parse("75B22636-668E-11CF-A6D9-00AA0062CE6C"));
}

TEST(FieldReaders, LittleEndianAndBounds) {
  const Bytes b{1, 2, 3, 4, 5, 6, 7, 8};
  std::uint16_t w = 7;
  std::uint32_t d = 7;
  std::int64_t q = 7;
  EXPECT_TRUE(GetWord(b, 6, w));
  EXPECT_EQ(w, 0x0807);
  EXPECT_FALSE(GetWord(b, 7, w));
  EXPECT_EQ(w, 0x0807);  // untouched on failure
  EXPECT_TRUE(GetDWord(b, 0, d));
  EXPECT_EQ(d, 0x04030201u);
  EXPECT_FALSE(GetDWord(b, 5, d));
  EXPECT_TRUE(GetQWord(b, 0, q));
  EXPECT_EQ(q, 0x0807060504030201);
  EXPECT_FALSE(GetQWord(b, 1, q));
  EXPECT_FALSE(GetQWord(b, ~0ull, q));
  EXPECT_EQ(QWordOr0(b, 4), 0);

  Bytes out(8, 0);
  PutQWord(0x1122334455667788ull, out, 0);
  EXPECT_EQ(out, (Bytes{0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11}));
  PutDWord(0xAABBCCDD, out, 6);  // would not fit: dropped
  EXPECT_EQ(out[7], 0x11);
  PutWord(0xBEEF, out, 6);
  EXPECT_EQ(WordOr0(out, 6), 0xBEEF);
}

TEST(Text, WideToStrKeepsWholeUnits) {
  const Bytes ab{0x41, 0, 0, 0, 0x42, 0};
  EXPECT_EQ(WideToStr(ab, 0, 3), u"A");
  // Cyrillic, CJK and a unit whose low byte is zero survive whole.
  const std::u16string s = u"Жук 日本 Ā";
  Bytes raw;
  for (char16_t u : s) {
    raw.push_back(static_cast<std::uint8_t>(u));
    raw.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  EXPECT_EQ(WideToStr(raw, 0, 100), s);
  EXPECT_EQ(Utf16ToUtf8(WideToStr(raw, 0, 100)), "Жук 日本 Ā");
  EXPECT_EQ(WideToStr(raw, 0, 2), u"Жу");
  EXPECT_EQ(WideToStr(raw, 1000, 5), u"");
  EXPECT_EQ(Utf8ToUtf16("Жук 日本 Ā 😀"), u"Жук 日本 Ā 😀");
  EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

TEST(Text, HexNumbersSpaces) {
  EXPECT_EQ(BytesToHex(Bytes{0x0A, 0xFF}, 0, 2), "0A,FF");
  EXPECT_EQ(BytesToHex(Bytes{0x0A}, 0, 0), "");
  EXPECT_EQ(BytesToHex(Bytes{0x0A}, 0, 5), "0A");
  EXPECT_FALSE(IsNumber(""));
  EXPECT_FALSE(IsNumber("1-2"));
  EXPECT_TRUE(IsNumber("-"));
  EXPECT_TRUE(IsNumber("-12"));
  EXPECT_TRUE(IsNumber("007"));
  EXPECT_EQ(BytesToStr(Bytes{'W', 'M', 'V', '2'}, 0, 4), "WMV2");
  EXPECT_EQ(BytesToStr(Bytes{0xE9}, 0, 1), "\xC3\xA9");
  EXPECT_EQ(HexDigits(0x161, 4), "0161");
}

