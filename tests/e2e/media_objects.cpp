#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "analysis/media_objects.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"
#include "support/damage.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

struct Mo {
  int stream;
  int number;
  bool key;
  std::size_t size;
  std::uint8_t first;
  bool operator==(const Mo&) const = default;
};

std::vector<Mo> AllMediaObjects(const ByteSource& src, std::size_t limit = 100000) {
  std::vector<Mo> out;
  MediaObjectReader it(src, ReadStreams(src));
  while (out.size() < limit && it.next()) {
    const MediaObject& m = it.object();
    out.push_back({m.stream, static_cast<int>(m.number), m.key, it.data().size(), it.data().empty() ? std::uint8_t{0} : it.data()[0]});
  }
  return out;
}

PayloadSpec Frag(int stream, std::uint32_t mo, std::uint32_t off, std::uint32_t size, std::uint32_t len, std::uint8_t fill, bool key = false) {
  return {stream, key, mo, off, size, 3000, len, fill};
}

}  // namespace

// Frames as ffprobe demuxes them: same count, sizes and key flags per stream.
TEST(MediaObjects, MatchFfprobePackets) {
  const std::string path = Clip("av");
  auto src = FileSource::open(path);
  ASSERT_TRUE(src);
  const auto mos = AllMediaObjects(*src);
  const CommandResult r = RunCommand(std::string(CORVEL_FFPROBE) + " -v error -show_entries packet=stream_index,size,flags -of csv=p=0 " + Quote(path));
  ASSERT_EQ(r.exitCode, 0);
  std::map<int, std::vector<std::pair<std::size_t, int>>> probe, ours;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) {
    int idx = 0;
    std::size_t size = 0;
    char flags[8] = {};
    if (std::sscanf(line.c_str(), "%d,%zu,%7s", &idx, &size, flags) == 3) probe[idx + 1].emplace_back(size, flags[0] == 'K');
  }
  for (const Mo& m : mos) ours[m.stream].emplace_back(m.size, m.key);
  ASSERT_EQ(ours.size(), 2u);
  // Video is stream 1: the whole sequence matches.
  EXPECT_EQ(ours[1], probe[1]);
  // Audio: the same bytes in the same number of media objects (ffmpeg may
  // end on a shorter last one).
  std::size_t a = 0, b = 0;
  for (auto& [sz, k] : ours[2]) a += sz;
  for (auto& [sz, k] : probe[2]) b += sz;
  EXPECT_EQ(a, b);
  EXPECT_EQ(ours[2].size(), probe[2].size());
}

TEST(MediaObjects, FragmentsAcrossPacketsAndInterleaving) {
  const std::uint32_t P = 400;
  std::vector<Bytes> pk;
  // Video 0 (600 bytes) in three fragments over three packets; audio 0 begins in packet 0.
  pk.push_back(DataPacket({0, 0, true, {Frag(1, 0, 0, 600, 200, 0xA0, true), Frag(2, 0, 0, 100, 100, 0xB0)}}, P));
  pk.push_back(DataPacket({0, 0, true, {Frag(1, 0, 200, 600, 200, 0xA0, true), Frag(2, 1, 0, 50, 50, 0xB1)}}, P));
  pk.push_back(DataPacket({0, 0, true, {Frag(1, 0, 400, 600, 200, 0xA0, true), Frag(1, 1, 0, 30, 30, 0xA1)}}, P));
  pk.push_back(DataPacket({0, 0, true, {Frag(2, 2, 0, 40, 40, 0xB2), Frag(1, 2, 0, 20, 20, 0xA2)}}, P));
  const MemorySource src(FileWithPackets(pk, P));
  const auto mos = AllMediaObjects(src);
  const std::vector<Mo> want{{1, 0, 1, 600, 0xA0}, {2, 0, 0, 100, 0xB0}, {2, 1, 0, 50, 0xB1}, {1, 1, 0, 30, 0xA1},
                             {2, 2, 0, 40, 0xB2}, {1, 2, 0, 20, 0xA2}};
  EXPECT_EQ(mos, want);
}

TEST(MediaObjects, NumbersWrapOnTheLowByte) {
  const std::uint32_t P = 300;
  std::vector<Bytes> pk;
  for (std::uint32_t mo : {254u, 255u, 0u, 1u}) pk.push_back(DataPacket({0, 0, true, {Frag(1, mo, 0, 50, 50, static_cast<std::uint8_t>(mo))}}, P));
  const MemorySource src(FileWithPackets(pk, P));
  const auto mos = AllMediaObjects(src);
  ASSERT_EQ(mos.size(), 4u);
  EXPECT_EQ(mos[2].number, 0);
  EXPECT_EQ(mos[2].first, 0);
}

TEST(MediaObjects, TruncatedLastObjectEndsTheWalk) {
  const std::uint32_t P = 300;
  std::vector<Bytes> pk;
  pk.push_back(DataPacket({0, 0, true, {Frag(1, 0, 0, 50, 50, 1)}}, P));
  pk.push_back(DataPacket({0, 0, true, {Frag(1, 1, 0, 500, 100, 2)}}, P));  // 500 declared, 100 there
  const MemorySource src(FileWithPackets(pk, P));
  const auto mos = AllMediaObjects(src);
  ASSERT_EQ(mos.size(), 1u);
}

TEST(MediaObjects, WalkersOnJunk) {
  const MemorySource junk(Bytes(1000, 0x82));
  PayloadWalker w(junk);
  EXPECT_FALSE(w.first());
  MediaObjectReader it(junk, ReadStreams(junk));
  EXPECT_FALSE(it.next());
}

// A packet size of 3.5 GB is never allocated: the packets are read at the
// size the data bears out, as the scan reads them.
TEST(MediaObjects, HugePacketSizeGivesWayToTheData) {
  Bytes file = FileWithPackets({DataPacket({0, 0, true, {Frag(1, 0, 0, 50, 50, 1)}}, 300)}, 300);
  Patch32(file, 30 + 92, 0xD2000000);  // minimum packet size, 3.5 GB
  Patch32(file, 30 + 96, 0xD2000000);  // and the maximum
  const MemorySource src(file);
  PayloadWalker w(src);
  ASSERT_TRUE(w.first());
  EXPECT_EQ(w.packetSize(), 300u);
  Bytes none = file;
  none.resize(none.size() - 300);  // no packet to bear any size out
  const MemorySource empty(none);
  PayloadWalker nothing(empty);
  EXPECT_FALSE(nothing.first());
}

// The completeness rule on synthetic packets: an object whose fragments do
// not add up without a gap (a fragment lost in between, its start lost, or
// the stream's next object beginning first) is left out and counted; the
// walk goes on with the next object.
TEST(MediaObjects, IncompleteObjectsAreLeftOutAndCounted) {
  const std::uint32_t P = 400;
  std::vector<Bytes> pk;
  auto put = [&](std::vector<PayloadSpec> payloads) { pk.push_back(DataPacket({0, 0, true, payloads}, P)); };
  put({Frag(1, 1, 0, 200, 100, 0x11, true), Frag(2, 1, 0, 50, 50, 0x21)});
  put({Frag(1, 1, 100, 200, 100, 0x11)});                                  // object 1 whole
  put({Frag(1, 2, 0, 300, 100, 0x12), Frag(2, 2, 0, 50, 50, 0x22)});
  put({Frag(1, 2, 200, 300, 100, 0x12)});                                  // 100..200 lost: a gap
  put({Frag(1, 3, 100, 200, 100, 0x13), Frag(2, 3, 0, 50, 50, 0x23)});    // its start lost
  put({Frag(1, 4, 0, 200, 100, 0x14)});                                    // and 4 begins before 3 ends
  put({Frag(1, 5, 0, 200, 100, 0x15)});                                    // 4's second half lost: 5 begins
  put({Frag(1, 5, 100, 200, 100, 0x15), Frag(2, 4, 0, 50, 50, 0x24)});    // object 5 whole
  MemorySource src(FileWithPackets(pk, P));
  MediaObjectReader it(src, ReadStreams(src));
  std::vector<std::pair<int, int>> got;  // stream, number
  while (it.next()) {
    got.emplace_back(it.object().stream, it.object().number);
    EXPECT_EQ(it.data().size(), it.object().stream == 1 ? 200u : 50u);
    EXPECT_EQ(it.data().front(), it.data().back());  // one object's bytes, nothing else
  }
  std::vector<std::pair<int, int>> video;
  for (const auto& g : got)
    if (g.first == 1) video.push_back(g);
  EXPECT_EQ(video, (std::vector<std::pair<int, int>>{{1, 1}, {1, 5}}));
  EXPECT_EQ(it.incomplete().video, 3u);  // 2, 3, 4
  EXPECT_EQ(it.incomplete().audio, 0u);
  EXPECT_EQ(it.incompleteByStream()[1], 3u);
  EXPECT_EQ(got.size(), 6u);  // 2 video, 4 audio
}

namespace {

// 24 packets of 300 bytes, each a fragment of a video frame and a whole
// audio block, send times 100 ms apart.
Bytes TwoStreamPackets() {
  std::vector<Bytes> pk;
  for (std::uint32_t k = 0; k < 24; ++k) {
    PacketSpec spec{k * 100, 100, true, {Frag(1, k / 2, (k % 2) * 90, 180, 90, 0x31, k % 8 == 0), Frag(2, k, 0, 60, 60, 0x42)}};
    pk.push_back(DataPacket(spec, 300));
  }
  return FileWithPackets(pk, 300);
}

std::vector<std::uint64_t> ScannedPackets(const Bytes& file) {
  Session s;
  std::vector<std::uint64_t> out;
  if (!ScanBytes(s, file)) return out;
  for (std::size_t i = 0; i < s.packets.size(); ++i) out.push_back(static_cast<std::uint64_t>(s.packets[i].fileOffset));
  return out;
}

std::vector<std::uint64_t> WalkedPackets(const Bytes& file) {
  const MemorySource src(file);
  PayloadWalker w(src);
  std::vector<std::uint64_t> out;
  for (bool more = w.first(); more; more = w.next())
    if (out.empty() || out.back() != static_cast<std::uint64_t>(w.packet().fileOffset))
      out.push_back(static_cast<std::uint64_t>(w.packet().fileOffset));
  return out;
}

struct Damage {
  const char* name;
  bool plain;  // packets without error correction data
  void (*apply)(Bytes& file, const Layout& l);
};

const Damage kDamages[] = {
    {"None", false, [](Bytes&, const Layout&) {}},
    {"FirstPacketZeroed", false, [](Bytes& b, const Layout& l) { ZeroRun(b, l.at(0), l.P); }},
    {"StartOfPacket5Zeroed", false, [](Bytes& b, const Layout& l) { ZeroRun(b, l.at(5), 20); }},
    {"BytesInsertedInPacket8", false, [](Bytes& b, const Layout& l) { InsertBytes(b, l.at(8) + 40, 137, 0x11); }},
    {"BytesDeletedFromPacket10", false, [](Bytes& b, const Layout& l) { DeleteBytes(b, l.at(10) + 50, 90); }},
    {"PacketStartsWhereAPacketWasCut", false, [](Bytes& b, const Layout& l) { DeleteBytes(b, l.at(6) + 250, 50); }},
    {"UndeclaredStreamInPacket12", false,
     [](Bytes& b, const Layout& l) {
       const Bytes other = DataPacket({1200, 100, true, {Frag(5, 0, 0, 60, 60, 0x77)}}, 300);
       std::copy(other.begin(), other.end(), b.begin() + static_cast<std::ptrdiff_t>(l.at(12)));
     }},
    {"PlainBytesInsertedInPacket8", true, [](Bytes& b, const Layout& l) { InsertBytes(b, l.at(8) + 40, 137, 0x11); }},
    {"PlainStartOfPacket5Zeroed", true, [](Bytes& b, const Layout& l) { ZeroRun(b, l.at(5), 20); }},
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

class WalkAndScan : public testing::TestWithParam<Damage> {};

}  // namespace

// The exports read the packets the scan takes, whatever the damage: one
// rule decides where a packet is, expected or searched for.
TEST_P(WalkAndScan, TakeTheSamePackets) {
  Bytes file = GetParam().plain ? WithoutErrorCorrection(TwoStreamPackets()) : TwoStreamPackets();
  GetParam().apply(file, LayoutOf(file));
  const std::vector<std::uint64_t> scanned = ScannedPackets(file);
  ASSERT_GE(scanned.size(), 20u);
  EXPECT_EQ(WalkedPackets(file), scanned);
}

INSTANTIATE_TEST_SUITE_P(Damages, WalkAndScan, testing::ValuesIn(kDamages),
                         [](const testing::TestParamInfo<Damage>& i) { return std::string(i.param.name); });
