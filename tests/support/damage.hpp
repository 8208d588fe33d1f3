// Ways to damage a file in tests, and the scan run over bytes in memory.
#pragma once

#include <string>

#include "analysis/scan.hpp"
#include "support/open.hpp"

namespace corvel::test {

inline void ZeroRun(Bytes& b, std::size_t at, std::size_t n) { std::fill_n(b.begin() + static_cast<std::ptrdiff_t>(at), n, 0); }
inline void InsertBytes(Bytes& b, std::size_t at, std::size_t n, std::uint8_t v) {
  b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), n, v);
}
inline void DeleteBytes(Bytes& b, std::size_t at, std::size_t n) {
  b.erase(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n));
}

// Walks the header and scans the packets of in-memory bytes.
inline bool ScanBytes(Session& s, Bytes bytes) {
  if (OpenBytes(s, std::move(bytes)) != 0) return false;
  return ScanDataPackets(s);
}

}  // namespace corvel::test
