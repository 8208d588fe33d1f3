// Error list, repair modes and their options, output names, renumbering.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "io/output_file.hpp"
#include "repair/error_list.hpp"
#include "session/actions.hpp"
#include "session/output_name.hpp"
#include "support/asf_builder.hpp"
#include "support/asf_read.hpp"
#include "support/clips.hpp"
#include "support/damage.hpp"

using namespace corvel;
using namespace corvel::test;

TEST(ErrorList, FileRoundTripAndRejects) {
  std::vector<ListedBlock> packs{{0xAB, 1000, 3200, BlockMark::listed, 2900, 0, 4096, 12}, {1, 5000, 3200, BlockMark::sizesFixed, 3300, 0x20, 7, 9}, {}};
  Bytes b;
  ASSERT_TRUE(EncodeErrorList(packs, b));
  EXPECT_EQ(b.size(), 3 * 26u);
  EXPECT_EQ(b[12], 'y');
  std::vector<ListedBlock> back;
  ASSERT_TRUE(DecodeErrorList(b, back));
  EXPECT_EQ(back, packs);
  b.push_back(0);
  EXPECT_FALSE(DecodeErrorList(b, back));  // 79 bytes: not a list
  EXPECT_EQ(back, packs);
  packs[0].offset = 5ull << 30;  // beyond 32 bits
  EXPECT_FALSE(EncodeErrorList(packs, b));

  const std::string path = TempPath("list.wmv.index");
  std::string error;
  ASSERT_TRUE(SaveErrorList({}, path, error));
  EXPECT_TRUE(ReadFile(path).empty());
  back = packs;
  ASSERT_TRUE(LoadErrorList(back, path));
  EXPECT_TRUE(back.empty());
  WriteFile(path, Bytes(27, 1));
  EXPECT_FALSE(LoadErrorList(back, path));
  EXPECT_FALSE(LoadErrorList(back, TempPath("missing.index")));
  EXPECT_EQ(OutputName("/v/movie.wmv", OutputNaming::errorList), "/v/movie.wmv.index");
}

TEST(ErrorList, Rows) {
  std::vector<ListedBlock> packs{{0, 1000, 3200, BlockMark::listed, 2900, 0, 4096, 12}, {0, 2000, 3200, BlockMark::sizesFixed, 1, 1, 1, 1},
                              {0, 3000, 3200, BlockMark::none, 0, 0, 0, 0}, {0x1F, 4000, 3200, BlockMark::listed, 3300, 0xAB, 100, 8}};
  ErrorRows g;
  // Packets of 600 bytes from offset 100: the blocks begin in packets 1 and 6.
  g.showList(packs, {100, 600});
  ASSERT_EQ(g.size(), 2u);
  EXPECT_EQ(CellsOf(g.rows()[0], 1, Language::eng), (ErrorCells{"1", "1", "00000000", "1000", "3200", "2900", "-300", "4096(00) at 12"}));
  const ErrorCells second = CellsOf(g.rows()[1], 2, Language::eng);
  EXPECT_EQ(second[1], "6");
  EXPECT_EQ(second[2], "0000001F");
  EXPECT_EQ(second[7], "100(AB) at 8");
  // Each row keeps the list entry it shows (the skipped entries move the rows on).
  EXPECT_EQ(g.rows()[0].entry, std::optional<std::size_t>(0));
  EXPECT_EQ(g.rows()[1].entry, std::optional<std::size_t>(3));
  // A scan's block rows show no list entry.
  ErrorBlock b;
  b.packet = 3;
  EXPECT_EQ(g.showBlock(b), 2u);
  EXPECT_EQ(g.rows()[2].entry, std::nullopt);
  g.showList({});
  EXPECT_EQ(g.size(), 0u);
}

namespace {
// A source file of `n` bytes of a pattern with zero runs planted in it.
struct Source {
  std::string path;
  Bytes bytes;
};
Source MakeSource(const std::string& name, std::size_t n) {
  Source s{TempPath(name), Bytes(n)};
  for (std::size_t i = 0; i < n; ++i) s.bytes[i] = static_cast<std::uint8_t>(1 + i % 251);
  return s;
}
Session SessionFor(const Source& src, std::vector<ListedBlock> packs) {
  WriteFile(src.path, src.bytes);
  Session s;
  s.fileName = src.path;
  s.source = SourceRef{src.path, nullptr};
  s.errorList = std::move(packs);
  return s;
}
}  // namespace

TEST(LongestRun, LongestRunRules) {
  Source src = MakeSource("runs.bin", 5'000'000);
  std::fill_n(src.bytes.begin(), 8, 0);                // the first 8 bytes never count
  std::fill_n(src.bytes.begin() + 100, 50, 0x20);       // 50 x 0x20
  std::fill_n(src.bytes.begin() + 300, 50, 0x00);       // a tie: the earlier run stays
  std::fill_n(src.bytes.begin() + 400, 40, 0x20);
  std::fill_n(src.bytes.begin() + 2'047'000, 3000, 0);  // across a cache window
  WriteFile(src.path, src.bytes);
  SourceFile f;
  ASSERT_TRUE(f.openPath(src.path));
  ListedBlock p;
  ASSERT_TRUE(MeasureLongestRepeat(f, 0, 1000, p));
  EXPECT_EQ(p.repByte, 0x20);
  EXPECT_EQ(p.repLen, 50u);
  EXPECT_EQ(p.repOffset, 100u);
  ASSERT_TRUE(MeasureLongestRepeat(f, 0, 5'000'000, p));
  EXPECT_EQ(p.repLen, 3000u);
  EXPECT_EQ(p.repOffset, 2'047'000u);
  ASSERT_TRUE(MeasureLongestRepeat(f, 0, 8, p));
  EXPECT_EQ(p.repLen, 0u);
  // Read through the cut list: a run split by a cut is measured whole.
  f.cuts.add(150, 400 - 150);
  ASSERT_TRUE(MeasureLongestRepeat(f, 0, 1000, p));
  EXPECT_EQ(p.repLen, 50u + 40u);
}

TEST(RepairModes, EqualDeltaCutsBothBlocksAtTheirPhysicalPlaces) {
  Source src = MakeSource("eq.bin", 20000);
  std::fill_n(src.bytes.begin() + 1000 + 200, 300, 0);
  std::fill_n(src.bytes.begin() + 9000 + 100, 400, 0);
  // Logical offsets as a scan of the file gives them; both deltas equal the runs.
  Session s = SessionFor(src, {{0, 1000, 3200, BlockMark::listed, 3500, 0, 300, 200}, {0, 9000, 3200, BlockMark::listed, 3600, 0, 400, 100}});
  RepairOptions o;
  ASSERT_TRUE(Repair(s, RepairMode::cutEqualRepeats, o));
  EXPECT_EQ(s.file.cuts.ranges(), (std::vector<CutRange>{{1200, 300}, {9100, 400}}));
  EXPECT_EQ(s.errorList[0].mark, BlockMark::none);
  EXPECT_EQ(s.errorList[1].mark, BlockMark::none);
  EXPECT_EQ(s.errorList[1].offset, 9000u - 300);
  EXPECT_EQ(s.errorRows.size(), 0u);
}

TEST(RepairModes, ZeroOnlyAndDeltaOptions) {
  Source src = MakeSource("opts.bin", 20000);
  Session s = SessionFor(src, {{0, 1000, 3200, BlockMark::listed, 3300, 0x20, 100, 10},  // spaces: left alone
                               {0, 5000, 3200, BlockMark::listed, 3000, 0, 150, 10},     // shorter than declared
                               {0, 9000, 3200, BlockMark::listed, 3300, 0, 50, 10}});    // too short a repeat
  RepairOptions o;
  o.minRepeat = 100;
  ASSERT_TRUE(Repair(s, RepairMode::cutAndRemeasure, o));
  EXPECT_TRUE(s.file.cuts.empty());
  ASSERT_TRUE(Repair(s, RepairMode::cutEqualRepeats, o));
  EXPECT_TRUE(s.file.cuts.empty());
  o.onlyLongerBlocks = false;
  o.onlyZeroRepeats = false;
  ASSERT_TRUE(Repair(s, RepairMode::cutAndRemeasure, o));
  EXPECT_EQ(s.file.cuts.ranges(), (std::vector<CutRange>{{1010, 100}, {5010 - 100 + 100, 150}}));
  // A row keeps its place and shows its next longest run.
  EXPECT_EQ(s.errorList[0].mark, BlockMark::listed);
  EXPECT_EQ(s.errorList[0].actualSize, 3200u);
  EXPECT_EQ(s.errorList[1].actualSize, 2850u);
  EXPECT_EQ(s.errorRows.size(), 3u);
  // A block exactly as long as declared is no longer block: left alone
  // unless asked, and then cut like the others.
  for (const bool onlyLonger : {true, false}) {
    Session z = SessionFor(src, {{0, 1000, 3200, BlockMark::listed, 3200, 0, 150, 10}});
    RepairOptions zo;
    zo.minRepeat = 100;
    zo.onlyLongerBlocks = onlyLonger;
    ASSERT_TRUE(Repair(z, RepairMode::cutAndRemeasure, zo));
    EXPECT_EQ(z.file.cuts.empty(), onlyLonger);
  }
}

TEST(RepairModes, FixSizesOnlyMarks) {
  Source src = MakeSource("sizes.bin", 10000);
  Session s = SessionFor(src, {{0, 1000, 3200, BlockMark::listed, 3500, 0, 300, 200}});
  s.file.cuts.add(5, 5);
  RepairOptions o;
  ASSERT_TRUE(Repair(s, RepairMode::acceptSizes, o));
  EXPECT_EQ(s.errorList[0].mark, BlockMark::sizesFixed);
  EXPECT_EQ(s.errorRows.size(), 0u);
  EXPECT_EQ(s.file.cuts.ranges().size(), 1u);
}

TEST(OutputName, Counters) {
  const std::string dir = TempPath("names");
  std::filesystem::create_directories(dir);
  EXPECT_EQ(OutputName(dir + "/movie.wmv", OutputNaming::nextFree), dir + "/movie.001.wmv");
  WriteFile(dir + "/movie.001.wmv", {});
  EXPECT_EQ(OutputName(dir + "/movie.wmv", OutputNaming::nextFree), dir + "/movie.002.wmv");
  EXPECT_EQ(OutputName(dir + "/movie.009.wmv", OutputNaming::nextFree), dir + "/movie.010.wmv");
  EXPECT_EQ(OutputName(dir + "/movie.999.wmv", OutputNaming::nextFree), dir + "/movie.1000.wmv");
  // Past 999 the last three characters count on.
  WriteFile(dir + "/movie.1000.wmv", {});
  EXPECT_EQ(OutputName(dir + "/movie.999.wmv", OutputNaming::nextFree), dir + "/movie.1001.wmv");
  EXPECT_EQ(OutputName(dir + "/clip", OutputNaming::nextFree), dir + "/clip.001");
  EXPECT_EQ(OutputName("clip.asf", OutputNaming::nextFree), "clip.001.asf");
}

TEST(Renumbering, AudioCountersFollowChanges) {
  const std::uint32_t P = 300;
  std::vector<std::uint32_t> numbers{7, 7, 8, 8, 9};
  Renumbering r(VideoAndAudioStreams());
  std::vector<int> got;
  for (std::uint32_t n : numbers) {
    PacketSpec spec{0, 0, true, {{2, false, n, 0, 100, 0, 50, 1}, {1, false, 0, 0, 10, 0, 10, 1}}};
    Bytes b = DataPacket(spec, P);
    ParsedPacket p;
    ASSERT_EQ(ParsePacket(b, p), 0);
    r.apply(p, b);
    ASSERT_EQ(ParsePacket(b, p), 0);
    got.push_back(static_cast<int>(p.multiple.payloads[0].mediaObjectNumber));
    EXPECT_EQ(p.multiple.payloads[1].mediaObjectNumber, 0u);  // video object 0 keeps 0
  }
  EXPECT_EQ(got, (std::vector<int>{1, 1, 2, 2, 3}));
  PacketSpec single{0, 0, false, {{2, false, 42, 0, 100, 0, 50, 1}}};
  Bytes b = DataPacket(single, P);
  ParsedPacket p;
  ASSERT_EQ(ParsePacket(b, p), 0);
  r.apply(p, b);
  ASSERT_EQ(ParsePacket(b, p), 0);
  EXPECT_EQ(p.single.mediaObjectNumber, 4u);
}

namespace {

// Five packets, each with one whole video and one whole audio object of
// its number; video key frames at 0 and 3, no audio object flagged key (a
// stream's key flags never end the dropping outside video).
struct DropCase {
  const char* name;
  std::vector<std::pair<int, std::uint32_t>> damaged;  // stream, media object
  std::vector<std::uint32_t> videoKept, audioKept;
};
void PrintTo(const DropCase& c, std::ostream* os) { *os << c.name; }

class DropDamaged : public ::testing::TestWithParam<DropCase> {};

TEST_P(DropDamaged, LeavesOutTheFlaggedAndTheVideoUpToTheNextKeyFrame) {
  const DropCase& c = GetParam();
  constexpr std::uint32_t P = 400;
  std::vector<Bytes> packets;
  for (std::uint32_t i = 0; i < 5; ++i)
    packets.push_back(DataPacket({i * 40, 0, true,
                                  {{1, i == 0 || i == 3, i, 0, 100, i * 40, 100, 0xA0},
                                   {2, false, i, 0, 50, i * 40, 50, 0xB0}}},
                                 P));
  const Bytes file = FileWithPackets(packets, P);
  Session s;
  ASSERT_TRUE(ScanBytes(s, file));
  ASSERT_EQ(s.packets.size(), 5u);
  std::vector<DamagedObject> damaged;
  for (const auto& [stream, number] : c.damaged) {
    DamagedObject d;
    d.object.stream = static_cast<std::uint8_t>(stream);
    d.object.number = number;
    d.object.firstOffset = d.object.lastOffset = static_cast<std::uint64_t>(s.packets[number].fileOffset);
    damaged.push_back(d);
  }
  SourceFile f;
  f.openSource(std::make_unique<MemorySource>(file));
  PlanStreams streams;
  streams.known.set(1).set(2);
  streams.kinds[1] = StreamKind::video;
  streams.kinds[2] = StreamKind::audio;
  const PacketPlan plan = PlanPackets(f, s.packets, streams, false, damaged);
  std::vector<std::uint32_t> video, audio;
  auto take = [&](const auto& p) {
    for (std::size_t k = 0; k < p.payloadCount(); ++k)
      (p.payload(k).streamNumber == 1 ? video : audio).push_back(p.payload(k).mediaObjectNumber);
  };
  for (const PlannedPacket& q : plan.packets) {
    if (PacketPlan::verbatim(q))
      take(s.packets[q.scanned]);
    else
      take(plan.rebuilt[q.rebuilt]);
  }
  EXPECT_EQ(video, c.videoKept);
  EXPECT_EQ(audio, c.audioKept);
  EXPECT_EQ(plan.damagedLeftOut.video, 5 - c.videoKept.size());
  EXPECT_EQ(plan.damagedLeftOut.audio, 5 - c.audioKept.size());
  EXPECT_EQ(plan.leftOut.total(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DropDamaged,
    ::testing::Values(DropCase{"none", {}, {0, 1, 2, 3, 4}, {0, 1, 2, 3, 4}},
                      DropCase{"delta_frame", {{1, 1}}, {0, 3, 4}, {0, 1, 2, 3, 4}},
                      DropCase{"key_frame", {{1, 3}}, {0, 1, 2}, {0, 1, 2, 3, 4}},
                      DropCase{"last_before_key", {{1, 2}}, {0, 1, 3, 4}, {0, 1, 2, 3, 4}},
                      DropCase{"audio_only_itself", {{2, 1}}, {0, 1, 2, 3, 4}, {0, 2, 3, 4}},
                      // A flag names its stream and packet: the other stream's object of the number stays.
                      DropCase{"both_streams", {{1, 4}, {2, 0}}, {0, 1, 2, 3}, {1, 2, 3, 4}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// A packet whose bytes were overwritten in place can still parse, its
// zeroed payload headers read as empty payloads of stream 0: the save
// writes it rebuilt with its payloads of the file's streams only.
TEST(SaveOverwritten, PayloadsOfNoStreamOfTheFileAreLeftOut) {
  constexpr std::uint32_t P = 400;
  std::vector<Bytes> packets;
  for (std::uint32_t i = 0; i < 3; ++i) {
    PacketSpec spec{i * 40, 0, true, {{1, true, i, 0, 100, i * 40, 100, 0xA0}, {2, true, i, 0, 60, i * 40, 60, 0xB0}}};
    if (i == 1) spec.payloads.push_back({0, false, 0, 0, 0, 0, 0, 0});  // what zeros read as
    packets.push_back(DataPacket(spec, P));
  }
  Session s;
  ASSERT_TRUE(ScanBytes(s, FileWithPackets(packets, P)));
  ASSERT_EQ(s.packets.size(), 3u);
  ASSERT_EQ(s.packets[1].payloadCount(), 3u);
  const std::string out = TempPath("overwritten-saved.wmv");
  ASSERT_TRUE(Save(s, out)) << s.statusText();
  const AsfRead back = ReadAsf(ReadFile(out));
  EXPECT_TRUE(back.problems.empty()) << back.problems.front();
  ASSERT_EQ(back.packets.size(), 3u);
  for (const AsfPacket& p : back.packets) {
    ASSERT_EQ(p.payloads.size(), 2u);
    EXPECT_EQ(p.payloads[0].stream, 1);
    EXPECT_EQ(p.payloads[1].stream, 2);
  }
}

// What the packets around a block allow: the streams seen there or
// declared, and media object numbers between those seen either side.
TEST(RepairByStructure, StreamsAroundAllow) {
  StreamsAround a;
  a.streams.set(1);
  a.lastBefore[1] = 89;
  a.firstAfter[1] = 90;
  EXPECT_TRUE(a.allows(1, 90, 0xFF));
  EXPECT_FALSE(a.allows(1, 200, 0xFF));
  EXPECT_FALSE(a.allows(2, 62, 0xFF));
  a.declared.set(2);
  EXPECT_TRUE(a.allows(2, 62, 0xFF));
  EXPECT_FALSE(a.allows(3, 0, 0xFF));
  EXPECT_TRUE(StreamsAround{}.allows(3, 0, 0xFF));  // nothing sound around: nothing to judge by
}
