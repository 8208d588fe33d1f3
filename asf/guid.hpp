// A GUID as the 16 bytes a file holds, compared as a value; its text is the
// registry form ("75B22630-668E-11CF-A6D9-00AA0062CE6C"), as the tree and
// the reports show it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace corvel {

class Guid {
 public:
  constexpr Guid() = default;
  // The text form, upper or lower case; what is not a hex digit reads as 0.
  static constexpr Guid parse(std::string_view text) {
    Guid g;
    for (std::size_t k = 0; k < 16; ++k) {
      const std::size_t p = kTextPos[k];
      g.b_[kByteOrder[k]] = static_cast<std::uint8_t>(hex(text, p) * 16 + hex(text, p + 1));
    }
    return g;
  }
  // 16 bytes at `at`; bytes past the end read as 0.
  static Guid read(std::span<const std::uint8_t> b, std::uint64_t at) {
    Guid g;
    for (std::size_t i = 0; i < 16; ++i) g.b_[i] = at + i < b.size() ? b[at + i] : 0;
    return g;
  }
  std::string text() const {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string out(36, '-');
    for (std::size_t k = 0; k < 16; ++k) {
      const std::uint8_t v = b_[kByteOrder[k]];
      out[kTextPos[k]] = kHex[v >> 4];
      out[kTextPos[k] + 1] = kHex[v & 15];
    }
    return out;
  }
  const std::array<std::uint8_t, 16>& bytes() const { return b_; }
  friend constexpr bool operator==(const Guid&, const Guid&) = default;

 private:
  // Where byte k of the text lies in the file's 16 bytes (the first three
  // groups are little-endian), and where its two digits lie in the text.
  static constexpr std::array<std::size_t, 16> kByteOrder{3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  static constexpr std::array<std::size_t, 16> kTextPos{0, 2, 4, 6, 9, 11, 14, 16, 19, 21, 24, 26, 28, 30, 32, 34};
  static constexpr int hex(std::string_view t, std::size_t p) {
    if (p >= t.size()) return 0;
    const char c = t[p];
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
  }
  std::array<std::uint8_t, 16> b_{};
};

}  // namespace corvel
