// An AVI read back without the writer's code, for the tests' oracles.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "asf/bytes.hpp"

namespace corvel::test {

// An AVI read back without the writer's code: the stream headers' types in
// order, and every idx1 entry with the bytes of the chunk it points at.
struct AviChunk {
  std::string code;
  bool key;
  Bytes data;
};
struct AviRead {
  std::vector<std::string> types;  // fccType of each strh: "vids", "auds"
  std::vector<AviChunk> chunks;
};

inline AviRead ReadAvi(const Bytes& b) {
  AviRead a;
  auto find = [&](std::string_view what, std::size_t from) {
    const auto it = std::search(b.begin() + static_cast<std::ptrdiff_t>(from), b.end(), what.begin(), what.end());
    return static_cast<std::size_t>(it - b.begin());
  };
  const std::size_t movi = find("movi", 0);
  for (std::size_t at = find("strh", 0); at < movi; at = find("strh", at + 4)) a.types.emplace_back(b.begin() + at + 8, b.begin() + at + 12);
  const std::size_t idx = find("idx1", movi);
  if (idx >= b.size()) return a;
  const std::uint32_t n = DWordOr0(b, idx + 4) / 16;
  for (std::uint32_t i = 0; i < n; ++i) {
    const std::size_t e = idx + 8 + 16 * i;
    const std::uint32_t off = DWordOr0(b, e + 8), size = DWordOr0(b, e + 12);
    const std::size_t data = movi + off + 8;
    AviChunk c{std::string(b.begin() + e, b.begin() + e + 4), (DWordOr0(b, e + 4) & 16) != 0, {}};
    EXPECT_EQ(std::string(b.begin() + movi + off, b.begin() + movi + off + 4), c.code) << "idx1 entry " << i;
    EXPECT_EQ(DWordOr0(b, movi + off + 4), size);
    if (data + size <= b.size()) c.data.assign(b.begin() + data, b.begin() + data + size);
    a.chunks.push_back(std::move(c));
  }
  return a;
}

// The track an AVI chunk code names ("01wb": 1).
inline std::size_t TrackOf(const std::string& code) { return static_cast<std::size_t>((code[0] - '0') * 10 + (code[1] - '0')); }

}  // namespace corvel::test
