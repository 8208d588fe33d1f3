#include "analysis/dump_text.hpp"

namespace corvel {

namespace {

// The UTF-8 of one byte in the dump's character column.
void appendCharacter(std::uint8_t b, bool letters1251, std::string& out) {
  if (b < 32 || b == 127 || (b >= 129 && b <= 190) || (b >= 128 && !letters1251)) {
    out += '.';
    return;
  }
  if (b < 128) {
    out += static_cast<char>(b);
    return;
  }
  // Windows-1251 above 190: 0xC0..0xFF are А..я; 0x80 is Ђ and 0xBF is ї.
  char32_t c = b >= 0xC0 ? U'\u0410' + (b - 0xC0) : (b == 0x80 ? U'\u0402' : U'\u0457');
  out += static_cast<char>(0xC0 | (c >> 6));
  out += static_cast<char>(0x80 | (c & 0x3F));
}

}  // namespace

std::string DumpText(ByteView bytes, std::uint64_t base, int perLine, bool letters1251) {
  const std::size_t n = perLine == 24 || perLine == 32 ? static_cast<std::size_t>(perLine) : 16;
  const std::size_t column = DumpCharacterColumn(static_cast<int>(n));
  std::string out;
  out.reserve(bytes.size() / n * (column + n + 1) + column + 64);
  for (std::size_t a = 0; a < bytes.size(); a += n) {
    std::string line = HexDigits(base + a, 8) + ' ';
    const std::size_t count = std::min(n, bytes.size() - a);
    for (std::size_t i = 0; i < count; ++i) {
      line += HexDigits(bytes[a + i], 2) + ' ';
      if (i % 4 == 3) line += "| ";
    }
    if (line.size() < column) line.append(column - line.size(), ' ');
    for (std::size_t i = 0; i < count; ++i) appendCharacter(bytes[a + i], letters1251, line);
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace corvel
