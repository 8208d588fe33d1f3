#include <gtest/gtest.h>

#include <cctype>
#include <functional>

#include "analysis/packet.hpp"
#include "support/asf_builder.hpp"

using namespace corvel;
using namespace corvel::test;

TEST(PacketParser, ErrorCorrectionPart) {
  ParsedPacket p;
  ReadErrorCorrection(Bytes{0x82, 0x00, 0x00, 0x11}, p);
  EXPECT_EQ(p.errorCorrection.present, 1);
  EXPECT_EQ(p.errorCorrection.size, 3u);
  EXPECT_EQ(p.errorCorrection.bytes().size(), 2u);
  ReadErrorCorrection(Bytes{0xA2, 0x00}, p);  // non-zero length type: present, no data
  EXPECT_EQ(p.errorCorrection.present, 1);
  EXPECT_EQ(p.errorCorrection.size, 1u);
  ReadErrorCorrection(Bytes{0x11, 0x5D}, p);  // no error correction: parsing info at 0
  EXPECT_EQ(p.errorCorrection.present, 0);
  EXPECT_EQ(p.errorCorrection.size, 0u);
  ReadErrorCorrection(Bytes{0x8F}, p);  // 15 bytes declared, none there
  EXPECT_EQ(p.errorCorrection.size, 16u);
  EXPECT_EQ(p.errorCorrection.bytes().size(), 15u);
}

TEST(PacketParser, ParsingInformationSizes) {
  ParsedPacket p;
  Bytes b{0x82, 0, 0, 0x5D, 0x5D};
  b.resize(64, 0);
  ReadErrorCorrection(b, p);
  ASSERT_EQ(ReadParsingInfo(b, p), 0);
  EXPECT_EQ(p.parsingInfoSize, 16u);  // 2 + packet length w + sequence w + padding d + 6
  EXPECT_EQ(p.packetLengthType, LengthType::word);
  EXPECT_EQ(p.sequenceType, LengthType::word);
  EXPECT_EQ(p.paddingLengthType, LengthType::dword);
  EXPECT_EQ(p.kind, PacketKind::multiple);
  EXPECT_EQ(p.payloadStart, 19u);
  // Cut short inside the parsing information: a failure, never a read outside.
  EXPECT_EQ(ReadParsingInfo(ByteView(b).first(8), p), -1);
}

TEST(PacketParser, SinglePayloadLengths) {
  PacketSpec spec;
  spec.multiple = false;
  spec.payloads = {{1, true, 7, 0, 5000, 3100, 3000}};
  Bytes b = DataPacket(spec, 3200);
  ParsedPacket p;
  ASSERT_EQ(ParsePacket(b, p), 0);
  EXPECT_EQ(p.errorCorrection.size, 3u);
  EXPECT_EQ(p.parsingInfoSize, 10u);
  EXPECT_EQ(p.single.headerLength, 15u);
  EXPECT_EQ(p.paddingLength, 3200u - 13 - 15 - 3000);
  EXPECT_EQ(p.single.totalLength, 3200u - 3 - 10 - p.paddingLength);
  EXPECT_EQ(p.payload(0).payloadDataLength, 3000u);
  EXPECT_EQ(p.single.mediaObjectSize, 5000u);
  EXPECT_EQ(p.single.presentationTime, 3100u);
  EXPECT_EQ(p.firstKeyFrame, 1);
  EXPECT_EQ(p.payloadData(0).first, 28u);
  // A padding larger than the packet cannot be parsed.
  spec.extraPadding = 4000;
  EXPECT_EQ(ParsePacket(DataPacket(spec, 3200), p), -1);
}

TEST(PacketParser, SpecExampleTotalLength) {
  // 3200 bytes, error correction 3, parsing info 8, padding 100: 3089.
  Bytes b(3200, 0);
  b[0] = 0x82;
  b[3] = 0x08;  // single payload, padding length as a byte
  b[4] = 0x5D;
  b[5] = 100;
  ParsedPacket p;
  ASSERT_EQ(ParsePacket(b, p), 0);
  EXPECT_EQ(p.parsingInfoSize, 9u);
  b[3] = 0x00;  // no padding field: parsing info 8
  ASSERT_EQ(ParsePacket(b, p), 0);
  EXPECT_EQ(p.parsingInfoSize, 8u);
  EXPECT_EQ(p.single.totalLength, 3189u);
}

TEST(PacketParser, MultiplePayloads) {
  PacketSpec spec;
  spec.payloads = {{2, false, 3, 0, 371, 3100, 371}, {1, true, 1, 5957, 8378, 3146, 2421}, {1, false, 2, 0, 2318, 3186, 100}};
  const Bytes b = DataPacket(spec, 3200);
  ParsedPacket p;
  ASSERT_EQ(ParsePacket(b, p), 0);
  ASSERT_EQ(p.multiple.payloads.size(), 3u);
  EXPECT_EQ(p.multiple.payloadLengthType, LengthType::word);
  EXPECT_EQ(p.firstStream, 2);
  EXPECT_EQ(p.multiple.payloads[1].offsetIntoMediaObject, 5957u);
  EXPECT_EQ(p.multiple.payloads[1].totalLength, 17u + 2421);
  EXPECT_EQ(PayloadBytesUsed(p), 3200u);
  EXPECT_TRUE(payloadsFillPacket(p, 3200));
  EXPECT_EQ(MinPresentationTime(p), 3100u);
  const auto [at, len] = p.payloadData(1);
  EXPECT_EQ(len, 2421u);
  EXPECT_EQ(at, 3u + 10 + 1 + 17 + 371 + 17);
  // Zero payloads cannot be parsed.
  Bytes zero = b;
  zero[p.payloadStart] = 0x80;
  EXPECT_EQ(ParsePacket(zero, p), -1);
  // A payload length running past the packet cannot be parsed.
  Bytes longer = b;
  PutWord(60000, longer, p.payloadStart + 1 + 15);
  EXPECT_EQ(ParsePacket(longer, p), -1);
}

TEST(PacketParser, CompressionAndShortReplicatedData) {
  Bytes b(200, 0);
  b[0] = 0x82;
  b[3] = 0x00;
  b[4] = 0x5D;
  b[11] = 0x81;  // stream 1, key
  b[12] = 4;     // media object
  b[17] = 1;     // replicated data length 1: compressed
  ParsedPacket p;
  ASSERT_EQ(ParsePacket(b, p), 0);
  EXPECT_TRUE(p.compressed);
  b[17] = 4;
  ASSERT_EQ(ParsePacket(b, p), 0);
  EXPECT_FALSE(p.compressed);
  EXPECT_EQ(p.single.mediaObjectSize, 0u);
  // Payload start at or past the end.
  EXPECT_EQ(ParsePacket(ByteView(b).first(11), p), -2);
}

TEST(PacketParser, GetSetValue) {
  Bytes b(8, 0);
  WriteLengthField(0x11223344, LengthType::dword, 2, b);
  EXPECT_EQ(ReadLengthField(LengthType::dword, b, 2), 0x11223344u);
  EXPECT_EQ(ReadLengthField(LengthType::word, b, 2), 0x3344u);
  EXPECT_EQ(ReadLengthField(LengthType::byte, b, 5), 0x11u);
  const Bytes before = b;
  WriteLengthField(7, LengthType::none, 0, b);
  EXPECT_EQ(b, before);
  EXPECT_EQ(ReadLengthField(LengthType::none, b, 0), 0u);
  EXPECT_EQ(ReadLengthField(LengthType::dword, b, 6), 0u);  // outside
  WriteLengthField(7, LengthType::dword, 6, b);              // outside: nothing written
  EXPECT_EQ(b, before);
}

// A damaged packet's payloads: those before the damage parse; the payloads
// after bytes deleted in the middle are found where their headers moved;
// the packet rebuilt from some of them parses, fills its size, and carries
// their bytes unchanged.
TEST(DamagedPacket, LeadingPayloadsTailAndRebuild) {
  PacketSpec spec;
  spec.payloads = {{2, false, 3, 0, 371, 3100, 371, 0x11}, {1, true, 1, 0, 900, 3146, 900, 0x22},
                   {2, false, 4, 0, 371, 3186, 371, 0x33}, {1, false, 2, 0, 700, 3190, 600, 0x44}};
  const Bytes good = DataPacket(spec, 3200);
  ParsedPacket p;
  ASSERT_EQ(ParsePacket(good, p), 0);
  const auto data = [&](const ParsedPacket& q, const Bytes& b, std::size_t k) {
    const auto [at, len] = q.payloadData(k);
    return Bytes(b.begin() + at, b.begin() + at + len);
  };

  // Cut short inside the third payload's data: two parse, the third's data is missing.
  ParsedPacket q;
  LeadingPayloads r = ParseLeadingPayloads(ByteView(good).first(p.payloadData(2).first + 10), 3200, q);
  EXPECT_TRUE(r.parsed);
  EXPECT_EQ(r.stop, PayloadStop::data);
  EXPECT_EQ(r.count, 2u);
  // Whole: every payload, and where the last ends.
  r = ParseLeadingPayloads(good, 3200, q);
  EXPECT_EQ(r.stop, PayloadStop::none);
  EXPECT_EQ(r.count, 4u);
  EXPECT_EQ(r.end, 3200u - p.paddingLength);

  // 50 bytes deleted in the second payload's data: the third header is read
  // from the wrong place, then found again where it moved.
  Bytes cut = good;
  cut.erase(cut.begin() + p.payloadData(1).first + 100, cut.begin() + p.payloadData(1).first + 150);
  r = ParseLeadingPayloads(cut, 3200, q);
  ASSERT_EQ(r.stop, PayloadStop::header);
  ASSERT_EQ(r.count, 2u);
  std::bitset<128> streams;
  streams.set(1).set(2);
  ASSERT_TRUE(FindPayloadTail(cut, streams, q));
  ASSERT_EQ(q.payloadCount(), 4u);
  EXPECT_EQ(q.payload(3).mediaObjectNumber, 2u);
  EXPECT_EQ(data(q, cut, 2), data(p, good, 2));
  EXPECT_EQ(data(q, cut, 3), data(p, good, 3));
  // An undeclared stream is no payload: no tail.
  ParsedPacket none;
  ParseLeadingPayloads(cut, 3200, none);
  EXPECT_FALSE(FindPayloadTail(cut, std::bitset<128>().set(1), none));

  // Rebuilt without the damaged second payload.
  const Bytes rebuilt = RebuildPacket(cut, q, 0b1101, 3200);
  ASSERT_EQ(rebuilt.size(), 3200u);
  ParsedPacket w;
  ASSERT_TRUE(ParsesAndFills(rebuilt, 3200, w));
  ASSERT_EQ(w.payloadCount(), 3u);
  EXPECT_EQ(data(w, rebuilt, 0), data(p, good, 0));
  EXPECT_EQ(data(w, rebuilt, 1), data(p, good, 2));
  EXPECT_EQ(data(w, rebuilt, 2), data(p, good, 3));
  EXPECT_EQ(w.sendTime, p.sendTime);
  const ByteView pad = ByteView(rebuilt).last(w.paddingLength);
  EXPECT_TRUE(std::all_of(pad.begin(), pad.end(), [](std::uint8_t b) { return b == 0; }));
  EXPECT_TRUE(RebuildPacket(cut, q, 0, 3200).empty());

  // A packet without a padding field gets one: the field (a word after the
  // two flag bytes) taken out, the payloads then end 2 bytes early.
  Bytes bare = good;
  ASSERT_EQ(p.sequenceType, LengthType::none);
  ASSERT_EQ(p.packetLengthType, LengthType::none);
  bare[3] &= ~0x18;
  bare.erase(bare.begin() + 5, bare.begin() + 7);
  bare.push_back(0);
  bare.push_back(0);
  ParsedPacket b;
  ASSERT_EQ(ParsePacket(bare, b), 0);
  ASSERT_EQ(b.paddingLengthType, LengthType::none);
  const Bytes padded = RebuildPacket(bare, b, 0b1011, 3200);
  ParsedPacket w2;
  ASSERT_TRUE(ParsesAndFills(padded, 3200, w2));
  EXPECT_EQ(w2.paddingLengthType, LengthType::word);
  EXPECT_EQ(data(w2, padded, 2), data(p, good, 3));
}

// A packet that does not parse says which field failed, its value, and
// where it lies in the packet.
struct RejectionCase {
  const char* what;
  std::function<Bytes()> bytes;
  const char* field;
  std::uint64_t value, at;
};
void PrintTo(const RejectionCase& c, std::ostream* os) { *os << c.what; }

class PacketRejections : public ::testing::TestWithParam<RejectionCase> {};

TEST_P(PacketRejections, NameTheField) {
  const RejectionCase& c = GetParam();
  ParsedPacket p;
  ASSERT_NE(ParsePacket(c.bytes(), p), 0);
  EXPECT_EQ(p.rejection.field, c.field);
  EXPECT_EQ(p.rejection.value, c.value);
  EXPECT_EQ(p.rejection.at, c.at);
  EXPECT_EQ(p.rejection.text(), std::string(c.field) + " " + std::to_string(c.value) + " at byte " + std::to_string(c.at));
  // A packet that parses carries none.
  PacketSpec sound;
  sound.payloads = {{1, true, 7, 0, 5000, 3100, 1000}};
  ASSERT_EQ(ParsePacket(DataPacket(sound, 3200), p), 0);
  EXPECT_FALSE(p.rejection.rejected());
}

PacketSpec Multiple(std::uint32_t dataLength) {
  PacketSpec s;
  s.payloads = {{1, true, 7, 0, 5000, 3100, dataLength}};
  return s;
}

const RejectionCase kRejections[] = {
    {"cut in the parsing information", [] { return Bytes{0x82, 0, 0, 0x5D, 0x5D, 0, 0}; }, "payload parsing information length", 16, 3},
    {"payload longer than the packet",
     [] {
       Bytes b = DataPacket(Multiple(1000), 3200);
       PutWord(9000, b, 3 + 10 + 1 + 1 + 1 + 4 + 1 + 8);  // the payload's length field
       return b;
     },
     "payload length", 9000, 14},
    {"payload one byte past the packet",
     [] {
       Bytes b = DataPacket(Multiple(1000), 3200);
       PutWord(3200 - 14 - 17 + 1, b, 29);  // the longest that fits, plus one
       return b;
     },
     "payload length", 3200 - 14 - 17 + 1, 14},
    {"no payloads",
     [] {
       Bytes b = DataPacket(Multiple(1000), 3200);
       b[13] &= 0xC0;  // the payload flags' count
       return b;
     },
     "number of payloads", 0, 13},
    {"padding past the single payload",
     [] {
       PacketSpec s;
       s.multiple = false;
       s.payloads = {{1, true, 7, 0, 5000, 3100, 3000}};
       s.extraPadding = 4000;
       return DataPacket(s, 3200);
     },
     "padding length", 4172, 5},
};

INSTANTIATE_TEST_SUITE_P(Packets, PacketRejections, ::testing::ValuesIn(kRejections),
                         [](const auto& info) {
                           std::string n = info.param.what;
                           for (char& ch : n)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

// The longest payload that fits parses; a compressed payload's time is its
// offset field; stream numbers use all seven bits.
TEST(PacketParser, BoundsTimesAndStreamNumbers) {
  Bytes b = DataPacket(Multiple(1000), 3200);
  PutWord(3200 - 14 - 17, b, 29);
  ParsedPacket p;
  ASSERT_EQ(ParsePacket(b, p), 0);
  EXPECT_EQ(p.payload(0).payloadDataLength, 3200u - 14 - 17);
  PacketSpec s;
  PayloadSpec compressed{100, true, 7, 0, 0, 4321};
  compressed.objects = {Bytes(10, 1), Bytes(20, 2)};
  s.payloads = {compressed};
  ASSERT_EQ(ParsePacket(DataPacket(s, 3200), p), 0);
  EXPECT_EQ(p.payload(0).streamNumber, 100);
  EXPECT_TRUE(p.compressed);
  EXPECT_EQ(p.payload(0).presentationTime, 4321u);
  EXPECT_EQ(p.payload(0).compressedObjects, 2u);
}
