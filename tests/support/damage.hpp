// Ways to damage a file in tests, and the scan run over bytes in memory.
#pragma once

#include <algorithm>
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
  return Scan(s);
}

// Where the data packets of a file lie.
struct Layout {
  std::uint64_t first = 0;  // offset of packet 0
  std::uint32_t P = 0;
  std::uint64_t count = 0;
  std::uint64_t at(std::uint64_t k) const { return first + k * P; }
};

inline Layout LayoutOf(const Bytes& file) {
  Session s;
  OpenBytes(s, file);
  return {static_cast<std::uint64_t>(s.structure.dataObjectOffset) + 50, s.structure.rec.fileProperties.minimumPacketSize,
          static_cast<std::uint64_t>(s.structure.rec.fileProperties.packetCount)};
}

// The bytes of a file's data packets, as its header places them.
inline Bytes DataPackets(const Bytes& file) {
  const Layout l = LayoutOf(file);
  const auto end = std::min<std::uint64_t>(l.at(l.count), file.size());
  return Bytes(file.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(l.first, end)),
               file.begin() + static_cast<std::ptrdiff_t>(end));
}

// A position inside the data of packet k's last payload, after every payload
// header and between two non-zero bytes: damage there leaves packet k itself
// parsable, and a run of zeros put there is measured exactly.
inline std::uint64_t DataArea(const Bytes& file, const Layout& l, std::uint64_t k) {
  ParsedPacket p;
  if (ParsePacket(ByteView(file).subspan(l.at(k), l.P), p) != 0) return l.at(k) + l.P / 2;
  std::uint64_t at = l.at(k) + p.payloadData(p.payloadCount() - 1).first + 10;
  while (file[at - 1] == 0 || file[at] == 0) ++at;
  return at;
}

}  // namespace corvel::test
