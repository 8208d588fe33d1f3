// Whether the bytes at a place hold a packet of one file. The scan and the
// payload walk the exports read through judge by this one rule, so both
// take the same packets from the same bytes.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "analysis/packet.hpp"

namespace corvel {

// Send times further apart than this between two packets are a clock jump
// (a stream started at a large offset, a capture whose clock was reset); a
// plain packet found by searching must lie within it.
bool SendTimeJumps(std::uint32_t last, std::uint32_t now);

class PacketRule {
 public:
  PacketRule() = default;
  PacketRule(std::uint32_t packetSize, std::bitset<128> knownStreams) : size_(packetSize), known_(knownStreams) {}

  // The file's form, and for plain packets the property flags its sound
  // packets were seen with.
  void setForm(PacketForm form, std::bitset<256> plainFlags = {});
  PacketForm form() const { return form_; }
  std::bitset<256> plainFlags() const { return plainFlags_; }
  std::uint32_t packetSize() const { return size_; }
  bool known(std::uint8_t stream) const { return known_.test(stream & 127); }

  // Where a packet is expected: 0 when it is one, negative when it looks
  // like one but does not parse, positive when it does not even look like
  // one (`p.rejection` says why). It is taken as it parses (its payloads
  // are judged by the scan's checks); a plain one also needs the file's
  // property flags or a near send time, its signature being weak.
  int expected(ByteView v, ParsedPacket& p) const;
  // Where one is searched for, past damage: it starts the way the form
  // does, parses, its payloads fill it and every one is of a declared
  // stream; a plain one also has property flags the file's packets have
  // and a send time near the last packet's.
  bool found(ByteView v, ParsedPacket& p) const;
  // Parses, its payloads fill it, every one of a declared stream.
  bool fills(ByteView v, ParsedPacket& p) const;
  bool knownStreamsFill(const ParsedPacket& p) const;
  // The first place at or after `i` (below `limit`, which leaves room for a
  // packet start's three bytes) in `w` where a packet of the form could
  // start; `limit` when there is none.
  std::size_t nextCandidate(ByteView w, std::size_t i, std::size_t limit) const;

  // A packet taken: the next ones are judged against its send time, and a
  // plain one's flags are the file's.
  void take(const ParsedPacket& p);

 private:
  bool nearLastSendTime(const ParsedPacket& p) const;
  std::uint32_t size_ = 0;
  std::bitset<128> known_;
  PacketForm form_ = PacketForm::errorCorrection;
  std::bitset<256> plainFlags_;
  std::optional<std::uint32_t> lastSendTime_;
};

}  // namespace corvel
