// The window's captions: a row per named control (its objectName, the
// Russian and the English text).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "l10n/messages.hpp"

namespace corvel::app {

struct CaptionRow {
  std::string_view control;
  std::string_view rus;
  std::string_view eng;
};

extern const std::array<CaptionRow, 56> kCaptionTable;

// The caption of a named control in the given language; empty with no row.
std::string CaptionOf(std::string_view control, Language lang);

}  // namespace corvel::app
