// Russian is the interface's own language; English comes from two fixed
// tables: captions of named controls and messages built at run time.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace corvel {

enum class Language { rus, eng };

struct CaptionRow {
  std::string_view control;
  std::string_view cls;
  std::string_view rus;
  std::string_view eng;
};

struct MessageRow {
  std::string_view rus;
  std::string_view eng;
};

extern const std::array<CaptionRow, 36> kCaptionTable;
extern const std::array<MessageRow, 61> kMessageTable;
// Messages of this program beyond the original table (more precise reports
// of damaged input); looked up after it.
extern const std::array<MessageRow, 9> kExtraMessages;

// The text of a Russian message in the given language; a text with no row
// comes back unchanged.
std::string Translate(std::string_view rus, Language lang);
// The caption of a named control in the given language; empty with no row.
std::string CaptionOf(std::string_view control, Language lang);

// Parses "en"/"eng"/"ru"/"rus"; false for anything else.
bool ParseLanguage(std::string_view s, Language& out);

}  // namespace corvel
