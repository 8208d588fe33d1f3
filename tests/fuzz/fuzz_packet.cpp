// Fuzzes one data packet: the input is the packet, its length the packet
// size. Both packet forms, the full parse, the damaged-packet parse and its
// tail search, the rebuild, the field writers, the compact table and the
// join's write-back.
#include <cstddef>
#include <cstdint>

#include "analysis/packet.hpp"
#include "analysis/packet_table.hpp"
#include "join/join.hpp"

using namespace corvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8 || size > (1u << 17)) return 0;
  const ByteView v(data, size);
  const auto P = static_cast<std::uint32_t>(size);
  (void)LooksLikePacketStart(v, PacketForm::errorCorrection);
  (void)LooksLikePacketStart(v, PacketForm::plain);
  ParsedPacket p;
  if (ParsePacket(v, p) == 0) {
    (void)payloadsFillPacket(p, P);
    (void)MinPresentationTime(p);
    (void)UsedLength(p, P);
    for (std::size_t k = 0; k < p.payloadCount(); ++k) {
      (void)p.payload(k);
      (void)p.payloadData(k);
    }
    Bytes copy(v.begin(), v.end());
    for (std::size_t k = 0; k < p.payloadCount(); ++k) {
      WriteMediaObjectNumber(p, k, 7, copy);
      WritePresentationTime(p, k, 1234, copy);
    }
    WriteBack(p, copy);
    std::uint32_t pt = 0;
    (void)MinStreamTime(p, 1, pt);
    PacketTable t, copyTable;
    t.setPacketSize(P);
    t.push_back(p);
    (void)t[0].payload(0);
    copyTable.append(t, 0);
    (void)copyTable.bytes();
    copyTable.clear();
  }
  ParsedPacket q;
  (void)ParsesAndFills(v, P, q);
  // As a damaged packet: cut short by a quarter, and whole.
  for (const std::size_t have : {size - size / 4, size}) {
    ParsedPacket d;
    const LeadingPayloads r = ParseLeadingPayloads(v.first(have), P, d);
    if (r.stop == PayloadStop::header) FindPayloadTail(v.first(have), std::bitset<128>().set(), d);
    if (r.parsed) (void)RebuildPacket(v.first(have), d, 0x5555555555555555ull, P);
  }
  return 0;
}
