// Bytes held and bytes looked at: what every reader and writer passes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace corvel {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

}  // namespace corvel
