// Little-endian field codecs, bit fields, GUID text and the small text helpers
// that every reader and writer of the container stands on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "asf/guid.hpp"
#include "io/byte_view.hpp"

namespace corvel {

// Field readers: false (and `out` untouched) when the view is shorter than
// offset + width.
bool GetWord(ByteView buf, std::uint64_t offset, std::uint16_t& out);
bool GetDWord(ByteView buf, std::uint64_t offset, std::uint32_t& out);
bool GetQWord(ByteView buf, std::uint64_t offset, std::int64_t& out);

// Convenience forms that read a missing field as zero.
std::uint8_t ByteOr0(ByteView buf, std::uint64_t offset);
std::uint16_t WordOr0(ByteView buf, std::uint64_t offset);
std::uint32_t DWordOr0(ByteView buf, std::uint64_t offset);
std::int64_t QWordOr0(ByteView buf, std::uint64_t offset);

// Field writers: the span must hold offset + width bytes (checked; a write
// that would not fit is dropped rather than corrupting memory).
void PutWord(std::uint16_t v, std::span<std::uint8_t> buf, std::uint64_t offset);
void PutDWord(std::uint32_t v, std::span<std::uint8_t> buf, std::uint64_t offset);
void PutQWord(std::uint64_t v, std::span<std::uint8_t> buf, std::uint64_t offset);

// The 2-bit length fields of data packets: no field, or a field of 1, 2 or 4 bytes.
enum class LengthType : std::uint8_t { none = 0, byte = 1, word = 2, dword = 3 };
int LengthTypeSize(LengthType t);
constexpr LengthType LengthTypeOf(unsigned code) { return static_cast<LengthType>(code & 3); }

// The bytes [offset, offset + n) of the view, clipped to what it holds.
ByteView SubView(ByteView buf, std::uint64_t offset, std::uint64_t n);
Bytes CopyOut(ByteView buf, std::uint64_t offset, std::uint64_t n);

// n bytes as characters (zero bytes included), bytes above 127 as U+0080..U+00FF.
std::string BytesToStr(ByteView src, std::uint64_t offset, std::uint64_t n);
// Up to n UTF-16LE units from offset, stopping at the first zero unit or the
// end of the view. The units are kept whole so that text survives intact.
std::u16string WideToStr(ByteView src, std::uint64_t offset, std::uint64_t n);
// UTF-16 to UTF-8 for showing; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view s);
std::u16string Utf8ToUtf16(std::string_view s);
// Each byte as two upper-case hex digits, joined by ",".
std::string BytesToHex(ByteView src, std::uint64_t offset, std::uint64_t n);

bool IsNumber(std::string_view text);

// Appends little-endian fields, GUIDs, raw characters and UTF-16 text to a
// byte vector: its own, or one it is given.
class ByteWriter {
 public:
  ByteWriter() : b_(own_) {}
  explicit ByteWriter(Bytes& out) : b_(out) {}
  ByteWriter(const ByteWriter&) = delete;
  ByteWriter& operator=(const ByteWriter&) = delete;

  ByteWriter& u8(std::uint8_t v);
  ByteWriter& u16(std::uint16_t v);
  ByteWriter& u32(std::uint32_t v);
  ByteWriter& u64(std::uint64_t v);
  ByteWriter& guid(const Guid& g);
  ByteWriter& bytes(ByteView v);
  ByteWriter& chars(std::string_view c);
  ByteWriter& zeros(std::size_t n);
  // Each UTF-16 unit, then a terminating zero unit.
  ByteWriter& wide(std::u16string_view text);
  // UTF-8 text as UTF-16 units, with a terminating zero unit when asked.
  ByteWriter& text(std::string_view utf8, bool terminator = true);
  Bytes& data() { return b_; }
  Bytes take() { return std::move(b_); }
  std::size_t size() const { return b_.size(); }

 private:
  Bytes own_;
  Bytes& b_;
};

// Fixed-width upper-case hexadecimal of the low `digits` nibbles.
std::string HexDigits(std::uint64_t v, int digits);

}  // namespace corvel
