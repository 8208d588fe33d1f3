#include "repair/error_list.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>

namespace corvel {

bool EncodeErrPacks(const std::vector<TErrPack>& packs, Bytes& out) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
  Bytes b(packs.size() * kErrPackBytes, 0);
  for (std::size_t i = 0; i < packs.size(); ++i) {
    const TErrPack& p = packs[i];
    if (p.offset > kMax || p.realSize > kMax) return false;
    const std::size_t at = i * kErrPackBytes;
    PutDWord(p.id, b, at);
    PutDWord(static_cast<std::uint32_t>(p.offset), b, at + 4);
    PutDWord(static_cast<std::uint32_t>(p.declSize), b, at + 8);
    b[at + 12] = static_cast<std::uint8_t>(p.mark);
    PutDWord(static_cast<std::uint32_t>(p.realSize), b, at + 13);
    b[at + 17] = p.repByte;
    PutDWord(p.repLen, b, at + 18);
    PutDWord(p.repOffset, b, at + 22);
  }
  out = std::move(b);
  return true;
}

bool DecodeErrPacks(ByteView in, std::vector<TErrPack>& packs) {
  if (in.size() % kErrPackBytes != 0) return false;
  std::vector<TErrPack> out(in.size() / kErrPackBytes);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::size_t at = i * kErrPackBytes;
    TErrPack& p = out[i];
    p.id = DWordOr0(in, at);
    p.offset = DWordOr0(in, at + 4);
    p.declSize = static_cast<std::int32_t>(DWordOr0(in, at + 8));
    p.mark = static_cast<char>(in[at + 12]);
    p.realSize = DWordOr0(in, at + 13);
    p.repByte = in[at + 17];
    p.repLen = DWordOr0(in, at + 18);
    p.repOffset = DWordOr0(in, at + 22);
  }
  packs = std::move(out);
  return true;
}

std::string ErrorListName(const std::string& input) { return input + ".index"; }

bool SaveErrPacks(const std::vector<TErrPack>& packs, const std::string& path, std::string& error) {
  Bytes b;
  if (!EncodeErrPacks(packs, b)) {
    error = "offsets beyond 4 GiB do not fit the list's 32-bit fields";
    return false;
  }
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  f.close();
  if (!f) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

bool LoadErrPacks(std::vector<TErrPack>& packs, const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  f.seekg(0, std::ios::end);
  const auto size = static_cast<std::uint64_t>(f.tellg());
  // A list of a million blocks is 26 MB: anything larger is no list of ours.
  if (size % kErrPackBytes != 0 || size > kErrPackBytes * 1'000'000) return false;
  f.seekg(0);
  Bytes b(size);
  f.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(size));
  return f && DecodeErrPacks(b, packs);
}

void erpacks2sg(const std::vector<TErrPack>& packs, ErrorGrid& grid, Language lang) {
  grid.reset(lang);
  for (std::size_t i = 0; i < packs.size(); ++i) {
    const TErrPack& p = packs[i];
    if (p.mark != 'y') continue;
    grid.addRow({"", std::to_string(i), HexDigits(p.id, 8), std::to_string(p.offset), std::to_string(p.declSize),
                 std::to_string(p.realSize), std::to_string(p.delta()),
                 std::to_string(p.repLen) + "(" + HexDigits(p.repByte, 2) + ") at " + std::to_string(p.repOffset)});
  }
}

}  // namespace corvel
