#include "analysis/packet_rule.hpp"

#include <cstring>

namespace corvel {

namespace {
constexpr std::uint32_t kJumpBack = 60'000, kJumpAhead = 600'000;  // milliseconds
}  // namespace

bool SendTimeJumps(std::uint32_t last, std::uint32_t now) {
  return std::uint64_t{now} + kJumpBack < last || now > std::uint64_t{last} + kJumpAhead;
}

void PacketRule::setForm(PacketForm form, std::bitset<256> plainFlags) {
  form_ = form;
  plainFlags_ = form == PacketForm::plain ? plainFlags : std::bitset<256>{};
}

bool PacketRule::knownStreamsFill(const ParsedPacket& p) const {
  if (!payloadsFillPacket(p, size_)) return false;
  for (std::size_t k = 0; k < p.payloadCount(); ++k)
    if (!known(p.payload(k).streamNumber)) return false;
  return true;
}

bool PacketRule::fills(ByteView v, ParsedPacket& p) const { return ParsesAndFills(v, size_, p) && knownStreamsFill(p); }

bool PacketRule::nearLastSendTime(const ParsedPacket& p) const {
  return !lastSendTime_ || !SendTimeJumps(*lastSendTime_, p.sendTime);
}

bool PacketRule::found(ByteView v, ParsedPacket& p) const {
  p = ParsedPacket{};
  if (!LooksLikePacketStart(v, form_) || !fills(v, p)) return false;
  if (form_ == PacketForm::errorCorrection) return true;
  // A plain packet start is a weak signature: within media data many
  // places parse.
  if (plainFlags_.any() && !plainFlags_.test(p.propertyFlags)) return false;
  return nearLastSendTime(p);
}

int PacketRule::expected(ByteView v, ParsedPacket& p) const {
  p = ParsedPacket{};
  if (!LooksLikePacketStart(v, form_)) {
    p.rejection = {form_ == PacketForm::errorCorrection ? "error correction flags" : "length type flags", ByteOr0(v, 0), 0};
    return 1;
  }
  const int rc = ParsePacket(v.first(std::min<std::size_t>(v.size(), size_)), p);
  if (rc != 0 || form_ == PacketForm::errorCorrection) return rc;
  if (nearLastSendTime(p)) return 0;
  // Its send time is far from the last packet's: a clock that jumped, when
  // everything else about it is a packet of this file's.
  if (knownStreamsFill(p) && plainFlags_.test(p.propertyFlags)) return 0;
  p.rejection = {"send time", p.sendTime, p.errorCorrection.size + p.parsingInfoSize - 6};
  return 1;
}

std::size_t PacketRule::nextCandidate(ByteView w, std::size_t i, std::size_t limit) const {
  if (form_ == PacketForm::plain) {
    for (; i < limit; ++i)
      if (LooksLikePacketStart(w.subspan(i), PacketForm::plain)) return i;
    return limit;
  }
  while (i < limit) {
    const void* hit = std::memchr(w.data() + i, 0x82, limit - i);
    if (!hit) return limit;
    i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - w.data());
    if (w[i + 1] == 0 && w[i + 2] == 0) return i;
    ++i;
  }
  return limit;
}

void PacketRule::take(const ParsedPacket& p) {
  lastSendTime_ = p.sendTime;
  if (form_ == PacketForm::plain) plainFlags_.set(p.propertyFlags);
}

}  // namespace corvel
