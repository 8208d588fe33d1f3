// The scan checked against ground truth: real clips damaged in known ways,
// and synthetic packets for each check.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <set>

#include "asf/catalogue.hpp"
#include "io/output_file.hpp"
#include "session/output_name.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"
#include "support/damage.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

// The first packet from k on that holds several payloads.
std::uint64_t MultiplePacketFrom(const Bytes& file, const Layout& l, std::uint64_t k) {
  for (;; ++k) {
    ParsedPacket p;
    if (ParsePacket(ByteView(file).subspan(l.at(k), l.P), p) == 0 && p.isMultiple()) return k;
  }
}

std::vector<std::uint64_t> Offsets(const Session& s) {
  std::vector<std::uint64_t> out;
  for (const auto& p : s.packets) out.push_back(static_cast<std::uint64_t>(p.fileOffset));
  return out;
}

// Packet offsets of the sound file with packets `gone` left out and every
// packet from `from` on moved by `shift` bytes.
std::vector<std::uint64_t> Expected(const Layout& l, std::set<std::uint64_t> gone, std::uint64_t from = ~0ull, std::int64_t shift = 0) {
  std::vector<std::uint64_t> out;
  for (std::uint64_t k = 0; k < l.count; ++k)
    if (!gone.count(k)) out.push_back(l.at(k) + (k >= from ? shift : 0));
  return out;
}

class LongClip : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    path_ = Clip("long");
    bytes_ = ReadFile(path_);
    layout_ = LayoutOf(bytes_);
  }
  static std::string path_;
  static Bytes bytes_;
  static Layout layout_;
};
std::string LongClip::path_;
Bytes LongClip::bytes_;
Layout LongClip::layout_;

}  // namespace

TEST_F(LongClip, SoundFileHasNoDamage) {
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(ScanBytes(s, bytes_));
  EXPECT_TRUE(s.errBlocks.empty());
  EXPECT_TRUE(s.logLines.lines().empty()) << MemoText(s);
  EXPECT_EQ(Offsets(s), Expected(layout_, {}));
  EXPECT_GT(s.keyframePackets, 1u);
  ASSERT_TRUE(s.indexBuilt);
}

// The index points at packets where video key frames begin, as ffprobe
// places them: entry e is the latest key frame of second e or before.
TEST_F(LongClip, IndexPointsAtKeyFrames) {
  Session s;
  ASSERT_TRUE(ScanBytes(s, bytes_));
  const CommandResult r = RunCommand(std::string(CORVEL_FFPROBE) +
                              " -v error -select_streams v:0 -show_entries packet=pts_time,pos,flags -of csv=p=0 " + Quote(path_));
  ASSERT_EQ(r.exitCode, 0);
  std::vector<std::pair<double, std::uint64_t>> keys;  // (seconds with preroll, packet number)
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) {
    double t = 0;
    std::uint64_t pos = 0;
    char flags[8] = {};
    if (std::sscanf(line.c_str(), "%lf,%lu,%7s", &t, &pos, flags) == 3 && flags[0] == 'K')
      keys.emplace_back(t + s.structure.rec.fileProperties.preroll / 1000.0, (pos - layout_.first) / layout_.P);
  }
  ASSERT_GT(keys.size(), 3u);
  std::set<std::uint64_t> keyPackets;
  for (auto& k : keys) keyPackets.insert(k.second);
  const auto& entries = s.structure.rec.simpleIndex.entries;
  ASSERT_EQ(entries.size(), s.structure.rec.simpleIndex.entryCount);
  ASSERT_GT(entries.size(), 8u);
  for (std::size_t e = 0; e < entries.size(); ++e) {
    EXPECT_TRUE(keyPackets.count(entries[e].packetNumber)) << "entry " << e;
    if (e) {
      EXPECT_GE(entries[e].packetNumber, entries[e - 1].packetNumber);
    }
    std::uint64_t lower = keys[0].second, upper = keys[0].second;
    for (auto& [t, pk] : keys) {
      if (t < static_cast<double>(e)) lower = pk;
      if (t < static_cast<double>(e + 1)) upper = pk;
    }
    EXPECT_GE(entries[e].packetNumber, lower) << "entry " << e;
    EXPECT_LE(entries[e].packetNumber, upper) << "entry " << e;
  }
}

// One rule, many shapes of damage: each ends up as the error blocks the
// shape makes (from the last sound packet before it, as large as the bytes
// up to the next sound packet) and the scan finds every other packet where
// it is.
struct DamageCase {
  const char* name;
  void (*apply)(Bytes& b, const Layout& l);  // later damage first, so that earlier offsets stay put
  struct Block {
    std::uint64_t from;         // the block starts at this packet's offset
    std::int64_t packet = -1;   // the packet number it is listed under; -1: not checked
    std::int64_t packets = -1;  // its size: packets x P + extra; -1: not checked
    std::int64_t extra = 0;
  };
  std::vector<Block> blocks;
  std::set<std::uint64_t> gone;  // packets not found
  std::uint64_t movedFrom = ~0ull;
  std::int64_t shift = 0;
};

const DamageCase kDamage[] = {
    {"overwritten packet start", [](Bytes& b, const Layout& l) { b[l.at(10)] = 0xFF; }, {{9, 10, 2}}, {10}},
    {"zero run across packets", [](Bytes& b, const Layout& l) { ZeroRun(b, l.at(20) + 1000, 3 * l.P); }, {{20, 21, 4}}, {21, 22, 23}},
    {"inserted bytes", [](Bytes& b, const Layout& l) { InsertBytes(b, DataArea(b, l, 30), 777, 0x82); }, {{30, 31, 1, 777}}, {}, 31, 777},
    {"deleted bytes", [](Bytes& b, const Layout& l) { DeleteBytes(b, DataArea(b, l, 40), 1234); }, {{40, 41, 1, -1234}}, {}, 41, -1234},
    {"damaged first packet", [](Bytes& b, const Layout& l) { b[l.at(0)] = 0; }, {{0, 0, 1}}, {0}},
    {"several at once",
     [](Bytes& b, const Layout& l) {
       DeleteBytes(b, DataArea(b, l, 70), 50);
       ZeroRun(b, l.at(50), l.P);
       b[l.at(5) + 1] = 0x01;
     },
     {{4}, {49}, {70, -1, 1, -50}},
     {5, 50},
     71,
     -50},
};

TEST_F(LongClip, EachShapeOfDamage) {
  const Layout& l = layout_;
  for (const DamageCase& c : kDamage) {
    SCOPED_TRACE(c.name);
    Bytes b = bytes_;
    c.apply(b, l);
    Session s;
    ASSERT_TRUE(ScanBytes(s, b));
    ASSERT_EQ(s.errBlocks.size(), c.blocks.size());
    for (std::size_t i = 0; i < c.blocks.size(); ++i) {
      const auto& want = c.blocks[i];
      const auto& got = s.errBlocks[i];
      EXPECT_TRUE(got.isClosed());
      EXPECT_EQ(got.offset, l.at(want.from));
      EXPECT_EQ(got.declaredSize, l.P);
      if (want.packet >= 0) {
        EXPECT_EQ(static_cast<std::int64_t>(got.packet), want.packet);
      }
      if (want.packets >= 0) {
        EXPECT_EQ(static_cast<std::int64_t>(got.actualSize), want.packets * static_cast<std::int64_t>(l.P) + want.extra);
      }
    }
    EXPECT_EQ(Offsets(s), Expected(l, c.gone, c.movedFrom, c.shift));
  }
}

TEST_F(LongClip, TruncatedMidPacket) {
  const Layout& l = layout_;
  Bytes b(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(l.at(60) + 999));
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(ScanBytes(s, b));
  EXPECT_EQ(s.packets.size(), 60u);
  EXPECT_NE(MemoText(s).find("• unexpected end of file"), std::string::npos);
  // The cut-off packet is damage the user sees: a closed block from the last
  // sound packet to the end, listed and in the grid.
  ASSERT_EQ(s.errBlocks.size(), 1u);
  EXPECT_TRUE(s.errBlocks[0].isClosed());
  EXPECT_EQ(s.errBlocks[0].offset, l.at(59));
  EXPECT_EQ(s.errBlocks[0].actualSize, l.P + 999u);
  ASSERT_EQ(s.errorList.size(), 1u);
  EXPECT_EQ(s.errorRows.size(), 1u);
}

TEST_F(LongClip, UnparsablePacketIsDamageNotTheEnd) {
  const Layout& l = layout_;
  Bytes b = bytes_;
  // A packet keeps its 82 00 00 but declares zero payloads.
  const std::uint64_t k = MultiplePacketFrom(b, l, 15);
  ParsedPacket p;
  ASSERT_EQ(ParsePacket(ByteView(b).subspan(l.at(k), l.P), p), 0);
  b[l.at(k) + p.payloadStart] = 0x80;
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(ScanBytes(s, b));
  EXPECT_NE(MemoText(s).find("• bsod nn=" + std::to_string(k)), std::string::npos);
  ASSERT_EQ(s.errBlocks.size(), 1u);
  EXPECT_EQ(s.errBlocks[0].offset, l.at(k - 1));
  EXPECT_EQ(s.errBlocks[0].actualSize, 2u * l.P);
  EXPECT_EQ(Offsets(s), Expected(l, {k}));
}

// 82 00 00 inside media data is no packet start.
TEST_F(LongClip, FalseStartsInsideDamage) {
  const Layout& l = layout_;
  Bytes b = bytes_;
  ParsedPacket p;
  ASSERT_EQ(ParsePacket(ByteView(b).subspan(l.at(24), l.P), p), 0);
  const auto [at, len] = p.payloadData(0);
  ASSERT_GT(len, 40u);
  for (std::uint32_t k = 0; k + 3 <= 30; k += 10) {
    b[l.at(24) + at + k] = 0x82;
    b[l.at(24) + at + k + 1] = 0;
    b[l.at(24) + at + k + 2] = 0;
  }
  b[l.at(25)] = 0x7F;
  Session s;
  ASSERT_TRUE(ScanBytes(s, b));
  ASSERT_EQ(s.errBlocks.size(), 1u);
  EXPECT_EQ(s.errBlocks[0].actualSize, 2u * l.P);
  EXPECT_EQ(Offsets(s), Expected(l, {25}));
}

TEST_F(LongClip, UnfinishedRecordingScansToTheEnd) {
  Bytes b = bytes_;
  Session h;
  ASSERT_EQ(OpenBytes(h, b), 0);
  const std::size_t fpo = static_cast<std::size_t>(h.structure.objects[1].offset);
  ASSERT_EQ(h.structure.objects[1].guid, guid::FileProperties);
  Patch64(b, fpo + 40, 0);  // File Size
  Patch64(b, fpo + 56, 0);  // Data Packets Count
  Patch32(b, fpo + 88, 1);  // Broadcast
  // The index after the data is gone too, as a cut-off recording would have it.
  b.resize(layout_.at(layout_.count));
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(ScanBytes(s, b));
  EXPECT_EQ(s.packets.size(), layout_.count);
  EXPECT_TRUE(s.errBlocks.empty());
  EXPECT_NE(MemoText(s).find("• end of file"), std::string::npos);
  EXPECT_EQ(s.structure.rec.fileProperties.packetCount, static_cast<std::int64_t>(layout_.count));
}

TEST_F(LongClip, StopRequestEndsTheScan) {
  // Stops as the damaged stretch is found: its block is still open.
  struct StopAtBlock : ScanEvents {
    std::stop_source source;
    void block(const ErrorBlock& b) override {
      if (!b.closed) source.request_stop();
    }
  } rep;
  const std::string path = TempPath("stop.wmv");
  Bytes b = bytes_;
  b[layout_.at(1)] = 0;  // damage right away: an open error block when stopped
  WriteFile(path, b);
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(OpenFile(s, path));
  ASSERT_TRUE(Scan(s, rep.source.get_token(), &rep));
  EXPECT_NE(MemoText(s).find("• interrupted by user"), std::string::npos);
  EXPECT_EQ(s.statusText(), "interrupted by user");
  EXPECT_LT(s.packets.size(), layout_.count);
  EXPECT_EQ(s.errorRows.size(), 0u);  // the open block's row is dropped
}

TEST(ScanStart, RefusesWhatItCannotScan) {
  Session s;
  s.lang = Language::eng;
  EXPECT_FALSE(ScanBytes(s, AsfFile({FilePropertiesObject({})}, {})));
  EXPECT_EQ(MemoLines(s).back(), "• stream not found");
  // Packet sizes that differ or are 0, and nothing in the data to infer
  // the size from (its one packet does not parse).
  FpoFields f;
  f.minPacket = 100;
  f.maxPacket = 200;
  Bytes noPacket = AsfFile({FilePropertiesObject(f)}, {DataObject(1, 100)});
  noPacket[noPacket.size() - 100] = 0;  // the packet's 82 gone
  EXPECT_FALSE(ScanBytes(s, noPacket));
  EXPECT_EQ(MemoLines(s).back(), "• DataPacketSize: min <> max");
  Patch32(noPacket, 30 + 92, 0);
  Patch32(noPacket, 30 + 96, 0);
  EXPECT_FALSE(ScanBytes(s, noPacket));
  EXPECT_EQ(MemoLines(s).back(), "• invalid data packet size: 0");
  // A scan's own refusal comes back as its result's message.
  JobContext ctx;
  SourceFile closed;
  const auto r = ScanPackets(closed, FileStructure{}, ScanOptions{}, ctx);
  EXPECT_EQ(r.outcome, Outcome::failed);
  EXPECT_EQ(r.message.id, MessageId::FileOpenError);
}

namespace {
PayloadSpec Video(std::uint32_t mo, std::uint32_t off, std::uint32_t pt, std::uint32_t len, bool key = false) {
  return {1, key, mo, off, 10000, pt, len};
}
PayloadSpec Audio(std::uint32_t mo, std::uint32_t pt) { return {2, false, mo, 0, 100, pt, 100}; }
}  // namespace

TEST(ScanChecks, OrderOffsetsSizesAndTimes) {
  const std::uint32_t P = 600;
  std::vector<Bytes> pk;
  pk.push_back(DataPacket({3000, 0, true, {Video(254, 0, 3000, 200, true), Audio(1, 3000)}}, P));
  pk.push_back(DataPacket({3001, 0, true, {Video(255, 0, 3040, 200), Audio(2, 3020)}}, P));
  pk.push_back(DataPacket({3002, 0, true, {Video(0, 0, 3080, 200), Audio(3, 3040)}}, P));
  pk.push_back(DataPacket({3003, 0, true, {Video(1, 0, 3120, 200, true), Audio(5, 3060)}}, P));  // audio 3 -> 5
  pk.push_back(DataPacket({3004, 0, true, {Video(1, 999, 3120, 200)}}, P));                      // wrong offset
  pk.push_back(DataPacket({2000, 0, true, {Video(2, 0, 3100, 200)}}, P));  // send time and video time go back
  PacketSpec shortFill{3006, 0, true, {Video(3, 0, 3200, 200)}, -1};       // parts add up to P - 1
  pk.push_back(DataPacket(shortFill, P));
  pk.push_back(DataPacket({5000, 0, true, {Video(4, 0, 3240, 200)}}, P));  // presentation before send
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(ScanBytes(s, FileWithPackets(pk, P)));
  const std::vector<std::string> want{
      "sn=1 wrong order of media object: 0,254",  // the first number is checked against 0
      "sn=2 wrong order of media object: 3,5",
      "sn=1,mon=1 wrong offset into media",
      "packet nn=5. SendTime < prev.packet value",
      "packet nn=5. Presentation Time of video stream is going down",
      "payload (6). expected size = 600, fact = 599",
      "packet nn=7. Presentation Time < Send Time",
  };
  const std::vector<std::string> got = MemoLines(s);
  ASSERT_GE(got.size(), want.size()) << MemoText(s);
  EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(want.size())), want) << MemoText(s);
  EXPECT_EQ(s.packets.size(), 8u);
  EXPECT_TRUE(s.errBlocks.empty());
}

TEST(ScanChecks, FirstMediaObjectNumberAndSingleKeyFrame) {
  const std::uint32_t P = 400;
  std::vector<Bytes> pk;
  PacketSpec single{100, 0, false, {Video(7, 0, 3000, 150, true)}};
  pk.push_back(DataPacket(single, P));
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(ScanBytes(s, FileWithPackets(pk, P)));
  const std::string memo = MemoText(s);
  EXPECT_NE(memo.find("sn=1 wrong order of media object: 0,7"), std::string::npos) << memo;
  EXPECT_NE(memo.find("• amount of keyframes = 1. unable to create index"), std::string::npos) << memo;
  EXPECT_FALSE(s.structure.rec.simpleIndex.present);
  EXPECT_FALSE(s.indexBuilt);
}

TEST(ScanDump, LinesAsSpecified) {
  const std::uint32_t P = 600;
  std::vector<Bytes> pk;
  pk.push_back(DataPacket({100, 40, false, {Video(0, 0, 3000, 150, true)}}, P));
  pk.push_back(DataPacket({140, 40, true, {Video(1, 0, 3040, 50), Audio(1, 3001)}}, P));
  Session s;
  s.options.writeDump = true;
  s.options.dumpPath = TempPath("x.dump.txt");
  ASSERT_TRUE(ScanBytes(s, FileWithPackets(pk, P)));
  std::ifstream in(s.options.dumpPath, std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), {});
  const std::size_t pad1 = P - 13 - 15 - 150;
  std::string first = "+,su,  1,0,0 [10000,3000]," + std::to_string(pad1);
  first.resize(100, ' ');
  first += ",100,40   <- sn=1 wrong order of media object: 0,0\r\n";
  // (no order finding is a note: the first line ends without a note)
  first = first.substr(0, 100) + ",100,40\r\n";
  const std::size_t pad2 = P - 14 - 17 - 50 - 17 - 100;
  std::string second = "-,mu,2,(50,1,1,0 [10000,3040]),(100,2,1,0 [100,3001])," + std::to_string(pad2);
  second.resize(100, ' ');
  second += ",140,40\r\n";
  EXPECT_EQ(all, first + second);
  EXPECT_EQ(OutputName("/a/b/movie.wmv", OutputNaming::dump), "movie.wmv.dump.txt");
  EXPECT_EQ(OutputName("C:\\v\\m.wmv", OutputNaming::dump), "m.wmv.dump.txt");
}

TEST(ErrorRows, OpenThenClosedAndDropped) {
  ErrorRows g;
  EXPECT_EQ(ErrorColumnTitles(Language::eng)[3], "offset in file");
  ErrorBlock b{4, "", 1000, 3200, 0, false, {}};
  EXPECT_EQ(g.showBlock(b), 0u);
  EXPECT_EQ(CellsOf(g.rows()[0], 1, Language::eng)[5], "");  // open: no actual size yet
  b.actualSize = 6400;
  b.closed = true;
  EXPECT_EQ(g.showBlock(b), 0u);
  EXPECT_EQ(CellsOf(g.rows()[0], 1, Language::eng)[5], "6400");
  ErrorBlock c{9, "", 9000, 3200, 0, false, {}};
  EXPECT_EQ(g.showBlock(c), 1u);
  g.dropOpenRow();
  EXPECT_EQ(g.size(), 1u);
  g.dropOpenRow();  // a closed row stays
  EXPECT_EQ(g.size(), 1u);
}
