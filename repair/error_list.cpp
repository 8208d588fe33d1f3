#include "repair/error_list.hpp"

#include "io/output_file.hpp"
#include "io/platform.hpp"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>

namespace corvel {

namespace {

// The record's mark byte: 0 cleared, 'y' listed, 'x' sizes fixed.
constexpr std::uint8_t kMarkBytes[] = {0, 'y', 'x'};

BlockMark markOf(std::uint8_t b) {
  if (b == 'y') return BlockMark::listed;
  if (b == 'x') return BlockMark::sizesFixed;
  return BlockMark::none;
}

}  // namespace

bool EncodeErrorList(const std::vector<ListedBlock>& packs, Bytes& out) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
  Bytes b(packs.size() * kErrorListRecordBytes, 0);
  for (std::size_t i = 0; i < packs.size(); ++i) {
    const ListedBlock& p = packs[i];
    if (p.offset > kMax || p.actualSize > kMax) return false;
    const std::size_t at = i * kErrorListRecordBytes;
    PutDWord(p.id, b, at);
    PutDWord(static_cast<std::uint32_t>(p.offset), b, at + 4);
    PutDWord(static_cast<std::uint32_t>(p.declaredSize), b, at + 8);
    b[at + 12] = kMarkBytes[static_cast<std::size_t>(p.mark)];
    PutDWord(static_cast<std::uint32_t>(p.actualSize), b, at + 13);
    b[at + 17] = p.repByte;
    PutDWord(p.repLen, b, at + 18);
    PutDWord(p.repOffset, b, at + 22);
  }
  out = std::move(b);
  return true;
}

bool DecodeErrorList(ByteView in, std::vector<ListedBlock>& packs) {
  if (in.size() % kErrorListRecordBytes != 0) return false;
  std::vector<ListedBlock> out(in.size() / kErrorListRecordBytes);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const std::size_t at = i * kErrorListRecordBytes;
    ListedBlock& p = out[i];
    p.id = DWordOr0(in, at);
    p.offset = DWordOr0(in, at + 4);
    p.declaredSize = static_cast<std::int32_t>(DWordOr0(in, at + 8));
    p.mark = markOf(in[at + 12]);
    p.actualSize = DWordOr0(in, at + 13);
    p.repByte = in[at + 17];
    p.repLen = DWordOr0(in, at + 18);
    p.repOffset = DWordOr0(in, at + 22);
  }
  packs = std::move(out);
  return true;
}

bool SaveErrorList(const std::vector<ListedBlock>& packs, const std::string& path, std::string& error, WriteCalls* calls) {
  Bytes b;
  if (!EncodeErrorList(packs, b)) {
    error = "offsets beyond 4 GiB do not fit the list's 32-bit fields";
    return false;
  }
  return WriteWholeFile(path, b, error, calls);
}

bool LoadErrorList(std::vector<ListedBlock>& packs, const std::string& path) {
  std::ifstream f(platform::PathOf(path), std::ios::binary);
  if (!f) return false;
  f.seekg(0, std::ios::end);
  const auto size = static_cast<std::uint64_t>(f.tellg());
  // A list of a million blocks is 26 MB: anything larger is no list of ours.
  if (size % kErrorListRecordBytes != 0 || size > kErrorListRecordBytes * 1'000'000) return false;
  f.seekg(0);
  Bytes b(size);
  f.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(size));
  return f && DecodeErrorList(b, packs);
}

}  // namespace corvel
