#include "asf/bytes.hpp"

#include <array>
#include <cctype>

namespace corvel {

namespace {

template <typename T>
bool getLE(ByteView buf, std::uint64_t offset, T& out) {
  if (offset > buf.size() || buf.size() - offset < sizeof(T)) return false;
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) v |= std::uint64_t{buf[offset + i]} << (8 * i);
  out = static_cast<T>(v);
  return true;
}

template <typename T>
void putLE(std::uint64_t v, std::span<std::uint8_t> buf, std::uint64_t offset) {
  if (offset > buf.size() || buf.size() - offset < sizeof(T)) return;
  for (std::size_t i = 0; i < sizeof(T); ++i) buf[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

constexpr char kHex[] = "0123456789ABCDEF";

}  // namespace

bool GetWord(ByteView buf, std::uint64_t offset, std::uint16_t& out) { return getLE(buf, offset, out); }
bool GetDWord(ByteView buf, std::uint64_t offset, std::uint32_t& out) { return getLE(buf, offset, out); }
bool GetQWord(ByteView buf, std::uint64_t offset, std::int64_t& out) { return getLE(buf, offset, out); }

std::uint8_t ByteOr0(ByteView buf, std::uint64_t offset) { return offset < buf.size() ? buf[offset] : 0; }
std::uint16_t WordOr0(ByteView buf, std::uint64_t offset) {
  std::uint16_t v = 0;
  GetWord(buf, offset, v);
  return v;
}
std::uint32_t DWordOr0(ByteView buf, std::uint64_t offset) {
  std::uint32_t v = 0;
  GetDWord(buf, offset, v);
  return v;
}
std::int64_t QWordOr0(ByteView buf, std::uint64_t offset) {
  std::int64_t v = 0;
  GetQWord(buf, offset, v);
  return v;
}

void PutWord(std::uint16_t v, std::span<std::uint8_t> buf, std::uint64_t offset) { putLE<std::uint16_t>(v, buf, offset); }
void PutDWord(std::uint32_t v, std::span<std::uint8_t> buf, std::uint64_t offset) { putLE<std::uint32_t>(v, buf, offset); }
void PutQWord(std::uint64_t v, std::span<std::uint8_t> buf, std::uint64_t offset) { putLE<std::uint64_t>(v, buf, offset); }

int LengthTypeSize(LengthType t) {
  switch (t) {
    case LengthType::byte: return 1;
    case LengthType::word: return 2;
    case LengthType::dword: return 4;
    case LengthType::none: return 0;
  }
  return 0;
}

ByteView SubView(ByteView buf, std::uint64_t offset, std::uint64_t n) {
  if (offset >= buf.size()) return {};
  const std::uint64_t avail = buf.size() - offset;
  return buf.subspan(offset, n < avail ? n : avail);
}

Bytes CopyOut(ByteView buf, std::uint64_t offset, std::uint64_t n) {
  const ByteView v = SubView(buf, offset, n);
  return Bytes(v.begin(), v.end());
}

std::string BytesToStr(ByteView src, std::uint64_t offset, std::uint64_t n) {
  std::string out;
  for (std::uint8_t b : SubView(src, offset, n)) appendUtf8(out, b);
  return out;
}

std::u16string WideToStr(ByteView src, std::uint64_t offset, std::uint64_t n) {
  std::u16string out;
  const ByteView v = SubView(src, offset, n * 2);
  for (std::size_t i = 0; i + 1 < v.size(); i += 2) {
    const char16_t u = static_cast<char16_t>(v[i] | (v[i + 1] << 8));
    if (u == 0) break;
    out += u;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    appendUtf8(out, cp);
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c >> 5) == 6 && i + 1 < s.size()) {
      cp = ((c & 0x1F) << 6) | (s[i + 1] & 0x3F);
      len = 2;
    } else if ((c >> 4) == 14 && i + 2 < s.size()) {
      cp = ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
      len = 3;
    } else if ((c >> 3) == 30 && i + 3 < s.size()) {
      cp = ((c & 0x07) << 18) | ((s[i + 1] & 0x3F) << 12) | ((s[i + 2] & 0x3F) << 6) | (s[i + 3] & 0x3F);
      len = 4;
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string BytesToHex(ByteView src, std::uint64_t offset, std::uint64_t n) {
  const ByteView v = SubView(src, offset, n);
  std::string out;
  out.reserve(v.size() * 3);
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (i) out += ',';
    out += kHex[v[i] >> 4];
    out += kHex[v[i] & 15];
  }
  return out;
}

bool IsNumber(std::string_view text) {
  if (text.empty()) return false;
  std::size_t i = text[0] == '-' ? 1 : 0;
  for (; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

ByteWriter& ByteWriter::u8(std::uint8_t v) {
  b_.push_back(v);
  return *this;
}
ByteWriter& ByteWriter::u16(std::uint16_t v) { return u8(static_cast<std::uint8_t>(v)).u8(static_cast<std::uint8_t>(v >> 8)); }
ByteWriter& ByteWriter::u32(std::uint32_t v) { return u16(static_cast<std::uint16_t>(v)).u16(static_cast<std::uint16_t>(v >> 16)); }
ByteWriter& ByteWriter::u64(std::uint64_t v) { return u32(static_cast<std::uint32_t>(v)).u32(static_cast<std::uint32_t>(v >> 32)); }
ByteWriter& ByteWriter::guid(const Guid& g) {
  b_.insert(b_.end(), g.bytes().begin(), g.bytes().end());
  return *this;
}
ByteWriter& ByteWriter::bytes(ByteView v) {
  b_.insert(b_.end(), v.begin(), v.end());
  return *this;
}
ByteWriter& ByteWriter::chars(std::string_view c) {
  b_.insert(b_.end(), c.begin(), c.end());
  return *this;
}
ByteWriter& ByteWriter::zeros(std::size_t n) {
  b_.insert(b_.end(), n, 0);
  return *this;
}
ByteWriter& ByteWriter::wide(std::u16string_view text) {
  for (char16_t u : text) u16(u);
  return u16(0);
}

ByteWriter& ByteWriter::text(std::string_view utf8, bool terminator) {
  for (char16_t u : Utf8ToUtf16(utf8)) u16(u);
  return terminator ? u16(0) : *this;
}

std::string HexDigits(std::uint64_t v, int digits) {
  std::string out(static_cast<std::size_t>(digits), '0');
  for (int i = digits - 1; i >= 0; --i, v >>= 4) out[static_cast<std::size_t>(i)] = kHex[v & 15];
  return out;
}

}  // namespace corvel
