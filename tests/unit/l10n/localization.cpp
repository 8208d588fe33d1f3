#include <gtest/gtest.h>

#include "l10n/messages.hpp"
#include "support/asf_builder.hpp"
#include "support/open.hpp"

using namespace corvel;

TEST(Localization, TextOfAnId) {
  EXPECT_EQ(TextOf(MessageId::None, Language::eng), "");
  EXPECT_EQ(TextOf(MessageId::Count, Language::eng), "");  // out of range: no text
}

TEST(Localization, LanguageNames) {
  Language l;
  EXPECT_TRUE(ParseLanguage("ru", l));
  EXPECT_EQ(l, Language::rus);
  EXPECT_FALSE(ParseLanguage("de", l));
}

// Every log line the header walk writes in Russian has an English text.
TEST(Localization, WalkMessagesAreTranslated) {
  using namespace corvel::test;
  std::vector<Bytes> inputs{Bytes(10, 1), AsfFile({Padding(10)}, {}), AsfFile({FilePropertiesObject({}, 4)}, {})};
  Bytes zero = MinimalFile();
  Patch64(zero, 30 + 16, 0);
  inputs.push_back(zero);
  Bytes past = MinimalFile();
  Patch64(past, 30 + 16, 1ull << 40);
  inputs.push_back(past);
  for (const Bytes& in : inputs) {
    Session ru, en;
    en.lang = Language::eng;
    OpenBytes(ru, in);
    OpenBytes(en, in);
    const auto rus = MemoLines(ru), eng = MemoLines(en);
    ASSERT_EQ(rus.size(), eng.size());
    for (std::size_t i = 0; i < rus.size(); ++i) {
      if (rus[i].rfind("• ", 0) == 0) {
        EXPECT_NE(rus[i], eng[i]);
      }
    }
  }
}

// An English text holds no Cyrillic letter (a caption or message left
// untranslated shows as Russian in the English window).
TEST(Localization, EnglishTextsHaveNoCyrillic) {
  const auto cyrillic = [](std::string_view t) {
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
      const auto c = static_cast<unsigned char>(t[i]);
      if (c == 0xD0 || c == 0xD1) return true;  // the lead bytes of U+0400..U+047F in UTF-8
    }
    return false;
  };
  for (const auto& r : kMessages) EXPECT_FALSE(cyrillic(r.eng)) << r.eng;
}
