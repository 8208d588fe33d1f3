// Joining: the send time modes on their own, list operations, and two real
// parts of one recording joined and judged by ffprobe.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <sstream>

#include "analysis/scan.hpp"
#include "asf/catalogue.hpp"
#include "io/output_file.hpp"
#include "join/join.hpp"
#include "session/output_name.hpp"
#include "support/asf_read.hpp"
#include "support/open.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"
#include "support/damage.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

ParsedPacket Packet(std::vector<std::pair<int, std::uint32_t>> payloads) {
  ParsedPacket p;
  p.kind = PacketKind::multiple;
  for (auto [stream, pt] : payloads) {
    Payload pl;
    pl.streamNumber = static_cast<std::uint8_t>(stream);
    pl.presentationTime = pt;
    p.multiple.payloads.push_back(pl);
  }
  return p;
}

struct Probe2 {
  double duration = 0;
  std::vector<long> frames;
  std::string errors;
};
Probe2 ProbeFile(const std::string& path) {
  const auto r = RunCommand(std::string(CORVEL_FFPROBE) +
                            " -v error -count_packets -show_entries format=duration:stream=nb_read_packets -of csv=p=0 " + Quote(path));
  Probe2 p;
  std::istringstream in(r.out);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  if (!lines.empty()) {
    p.duration = std::stod(lines.back());
    lines.pop_back();
  }
  for (auto& l : lines) p.frames.push_back(std::stol(l));
  p.errors = RunCommand(std::string(CORVEL_FFMPEG) + " -v error -i " + Quote(path) + " -f null -").err;
  return p;
}

}  // namespace

namespace {
// The send slots of packets, video being stream 1.
std::vector<SendSlot> Slots(const std::vector<ParsedPacket>& packets) {
  std::vector<SendSlot> slots;
  for (const ParsedPacket& p : packets) slots.push_back(SendSlotOf(p, 1));
  return slots;
}
}  // namespace

TEST(SendTimes, EvenSpread) {
  std::vector<SendSlot> p(4);
  EXPECT_EQ(EvenSpread(p, 8000), 4000u);
  EXPECT_EQ(p[1].sendTime, 1000u);
  EXPECT_EQ(p[3].duration, 1000);
  EXPECT_EQ(EvenSpread(p, 20000), 14000u);
  EXPECT_EQ(p[2].sendTime, 7000u);
  EXPECT_EQ(EvenSpread({}, 20000), 14000u);  // no packet: nothing divided
}

TEST(SendTimes, ApproximateAnchors) {
  // Times below 2 x lead are halved; later ones lead by the lead.
  std::vector<SendSlot> p = Slots({Packet({{1, 100}}), Packet({{1, 1000}}), Packet({{1, 900}}), Packet({{1, 3000}}), Packet({{1, 20000}})});
  const std::uint32_t sd = Approximate(p, 5000);
  // Anchors after dropping 1000 (not below 900): 0:100, 2:900, 3:3000, 4:20000; the first is packet 0.
  EXPECT_EQ(p[0].sendTime, 0u);
  EXPECT_EQ(p[0].duration, 225);  // (900 / 2 - 0) / 2
  EXPECT_EQ(p[2].sendTime, 450u);
  EXPECT_EQ(p[2].duration, 1050);  // 3000 / 2 - 450
  EXPECT_EQ(p[3].sendTime, 1500u);
  EXPECT_EQ(p[3].duration, 13500);  // 20000 - 5000 - 1500
  EXPECT_EQ(p[4].sendTime, 15000u);
  EXPECT_EQ(sd, 20000u);  // the packet after the last anchor runs to its own time
}

TEST(SendTimes, VideoTime) {
  const std::vector<ParsedPacket> packets{Packet({{1, 5000}}), Packet({{1, 5040}, {2, 5001}}), Packet({{2, 5100}}), Packet({{1, 5120}})};
  std::vector<SendSlot> p = Slots(packets);
  const std::uint32_t sd = VideoTime(p, 5000);
  EXPECT_EQ(p[0].sendTime, 0u);
  EXPECT_EQ(p[1].sendTime, 40u);
  EXPECT_EQ(p[0].duration, 40);
  EXPECT_EQ(p[2].sendTime, 41u);  // no video: the previous + 1
  EXPECT_EQ(p[1].duration, 1);
  EXPECT_EQ(p[3].sendTime, 120u);
  EXPECT_EQ(p[2].duration, 79);
  EXPECT_EQ(p[3].duration, 1);
  EXPECT_EQ(sd, 121u);
  std::uint32_t t = 0;
  EXPECT_FALSE(MinStreamTime(packets[2], 1, t));
  EXPECT_TRUE(MinStreamTime(packets[1], 2, t));
  EXPECT_EQ(t, 5001u);
}

TEST(JoinList, Names) {
  EXPECT_EQ(OutputName("/v/part1.wmv", OutputNaming::joined), "/v/part1.joined.wmv");
  EXPECT_EQ(OutputName("/v/.wmv", OutputNaming::joined), "/v/.wmv.joined.wmv");
  EXPECT_EQ(OutputName("clip", OutputNaming::joined), "clip.joined");
}

class JoinParts : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    a_ = Clip("part1");
    b_ = Clip("part2");
  }
  static std::string a_, b_;
};
std::string JoinParts::a_, JoinParts::b_;

namespace {
JobResult<JoinData> Join(const std::vector<std::string>& in, const std::string& out, const JoinOptions& o) {
  JobContext ctx;
  auto r = JoinFiles(in, out, o, ctx);
  if (r.ok()) ExpectSoundAsf(out);
  return r;
}
}  // namespace

TEST_F(JoinParts, TwoPartsBecomeOneRecording) {
  const Probe2 pa = ProbeFile(a_), pb = ProbeFile(b_);
  for (const char* mode : {"even", "approximate", "video"}) {
    JoinOptions o;
    if (std::string(mode) == "approximate") o.sendTime = SendTimeMode::approximate;
    if (std::string(mode) == "video") o.sendTime = SendTimeMode::videoTime;
    const std::string out = TempPath(std::string("joined-") + mode + ".wmv");
    const auto r = Join({a_, b_}, out, o);
    ASSERT_EQ(r.outcome, Outcome::ok) << Text(r.message);
    EXPECT_EQ(r.message.id, MessageId::OperationComplete);
    // Only the approximate send times read the parts twice, and say so.
    const bool twice = std::any_of(r.log.begin(), r.log.end(), [](const Message& m) { return m.id == MessageId::SendTimesNeedAll; });
    EXPECT_EQ(twice, std::string(mode) == "approximate");
    const Probe2 j = ProbeFile(out);
    EXPECT_EQ(j.errors, "") << mode;
    ASSERT_EQ(j.frames.size(), 2u);
    EXPECT_EQ(j.frames[0], pa.frames[0] + pb.frames[0]);
    EXPECT_EQ(j.frames[1], pa.frames[1] + pb.frames[1]);
    // Each part's duration counts its own start offset; the join runs on
    // without them, so it is shorter by up to a few frames, never longer.
    EXPECT_LE(j.duration, pa.duration + pb.duration + 0.001);
    EXPECT_GE(j.duration, pa.duration + pb.duration - 0.15);
  }
}

// By the video times each packet is sent its video's presentation time
// less the preroll (one millisecond after the packet before when it holds
// no video), read back from the output: the packets are written as they
// are read, each once the next one gives its duration.
TEST_F(JoinParts, VideoTimesAreTheOutputsOwn) {
  JoinOptions o;
  o.sendTime = SendTimeMode::videoTime;
  const std::string out = TempPath("joined-video-times.wmv");
  ASSERT_EQ(Join({a_, b_, a_}, out, o).outcome, Outcome::ok);
  const AsfRead j = ReadAsf(ReadFile(out));
  ASSERT_GT(j.packets.size(), 100u);
  for (std::size_t k = 1; k < j.packets.size(); ++k) {
    std::optional<std::uint32_t> video;  // the clips' video is stream 1
    for (const AsfPayload& pl : j.packets[k].payloads)
      if (pl.stream == 1) video = std::min(video.value_or(pl.time), pl.time);
    ASSERT_EQ(j.packets[k].sendTime, video ? *video - o.prerollMs : j.packets[k - 1].sendTime + 1) << "packet " << k;
  }
  EXPECT_EQ(j.packets[0].sendTime, 0u);
}

TEST_F(JoinParts, NumbersAndTimesRunOnAcrossTheSeam) {
  const std::string out = TempPath("joined-seam.wmv");
  JoinOptions o;
  ASSERT_EQ(Join({a_, b_}, out, o).outcome, Outcome::ok);
  Session s;
  ASSERT_TRUE(OpenFile(s, out) && Scan(s));
  EXPECT_TRUE(s.errorList.empty());
  EXPECT_EQ(s.structure.rec.fileProperties.preroll, 5000);
  EXPECT_EQ(s.structure.rec.fileProperties.packetCount, static_cast<std::int64_t>(s.packets.size()));
  EXPECT_EQ(s.structure.rec.fileProperties.fileSize, s.file.physicalSize());
  // Video media objects: numbers 1, 2, ... (low 8 bits), times 40 ms apart from the preroll on.
  std::uint32_t expectNumber = 1, lastTime = 0, count = 0;
  std::uint32_t lastNumber = 0;
  bool first = true;
  for (const auto& p : s.packets)
    for (std::size_t k = 0; k < p.payloadCount(); ++k) {
      const Payload pl = p.payload(k);
      if (pl.streamNumber != 1 || (!first && pl.mediaObjectNumber == lastNumber)) continue;
      EXPECT_EQ(pl.mediaObjectNumber, expectNumber & 255);
      if (first) {
        EXPECT_EQ(pl.presentationTime, 5000u);
      } else {
        EXPECT_EQ(pl.presentationTime - lastTime, 40u) << count;
      }
      first = false;
      lastNumber = pl.mediaObjectNumber;
      lastTime = pl.presentationTime;
      ++expectNumber;
      ++count;
    }
  EXPECT_EQ(count, 200u);
  // The index points at packets where a video key frame begins.
  ASSERT_TRUE(s.indexBuilt);
  for (const auto& e : s.structure.rec.simpleIndex.entries) {
    ASSERT_LT(e.packetNumber, s.packets.size());
    const PacketRef p = s.packets[e.packetNumber];
    bool keyStart = false;
    for (std::size_t k = 0; k < p.payloadCount(); ++k) {
      const Payload pl = p.payload(k);
      keyStart |= pl.streamNumber == 1 && pl.keyFrame && pl.offsetIntoMediaObject == 0;
    }
    EXPECT_TRUE(keyStart) << e.packetNumber;
  }
}

TEST_F(JoinParts, RefusalsAndFailures) {
  JoinOptions o;
  EXPECT_EQ(Join({a_, b_}, a_, o).outcome, Outcome::failed);  // output is an input
  EXPECT_EQ(ReadFile(a_).size(), std::filesystem::file_size(a_));
  auto r = Join({}, TempPath("none.wmv"), o);
  EXPECT_EQ(r.message.id, MessageId::NothingToJoin);
  r = Join({a_, TempPath("missing.wmv")}, TempPath("miss.wmv"), o);
  EXPECT_EQ(r.outcome, Outcome::failed);
  EXPECT_EQ(Text(r.message), "file open error " + TempPath("missing.wmv"));
  // A full disk is the output's fault, said with the system's reason; the parts are sound.
  ASSERT_TRUE(std::filesystem::exists("/dev/full"));
  r = Join({a_, b_}, "/dev/full", o);
  EXPECT_EQ(r.outcome, Outcome::failed);
  EXPECT_EQ(Text(r.message), "file save error: /dev/full: No space left on device");
  EXPECT_TRUE(std::filesystem::exists("/dev/full"));
  // Different streams (the builder's audio is stereo, the clip's mono):
  // refused before anything is written.
  const std::string other = TempPath("other-size.wmv");
  WriteFile(other, MinimalFile(3));
  r = Join({a_, other}, TempPath("streams.wmv"), o);
  EXPECT_EQ(r.message.id, MessageId::StreamsDiffer);
  EXPECT_EQ(Text(r.message), "the files' streams differ: " + other + ": stream 2: format 353, 1 ch, 44100 Hz / format 353, 2 ch, 44100 Hz");
  EXPECT_FALSE(std::filesystem::exists(TempPath("streams.wmv")));
  // Different packet sizes, same streams.
  const std::string sized = TempPath("sized.wmv");
  WriteFile(sized, FileWithPackets({DataPacket({0, 0, true, {{1, true, 0, 0, 50, 0, 50, 1}}}, 300)}, 300));
  r = Join({other, sized}, TempPath("sizes.wmv"), o);
  EXPECT_EQ(r.message.id, MessageId::PacketSizesDiffer);
  // A packet size no file could hold.
  Bytes huge = ReadFile(a_);
  Session hs;
  ASSERT_EQ(OpenBytes(hs, huge), 0);
  Patch32(huge, static_cast<std::size_t>(hs.structure.objects[1].offset) + 92, 0xF0000000);
  const std::string hugePath = TempPath("huge-packets.wmv");
  WriteFile(hugePath, huge);
  r = Join({hugePath}, TempPath("huge-out.wmv"), o);
  EXPECT_EQ(r.message, Message(MessageId::StructureError, hugePath));
  // A file whose packets run out before its count.
  Bytes cut = ReadFile(b_);
  cut.resize(cut.size() / 2);
  const std::string half = TempPath("half.wmv");
  WriteFile(half, cut);
  r = Join({a_, half}, TempPath("half-out.wmv"), o);
  EXPECT_EQ(r.message, Message(MessageId::StructureError, half));
  EXPECT_EQ(Join({a_}, "", o).message.id, MessageId::WhereToPut);
  // Parts without a single packet.
  Bytes empty = ReadFile(a_);
  Session h;
  ASSERT_EQ(OpenBytes(h, empty), 0);
  Patch64(empty, static_cast<std::size_t>(h.structure.dataObjectOffset) + 40, 0);
  // (A count of 0 over packets that parse is no empty part: the data
  // decides. Here one zeroed packet follows.)
  const auto dataStart = static_cast<std::size_t>(h.structure.dataObjectOffset) + 50;
  empty.resize(dataStart + h.structure.rec.fileProperties.minimumPacketSize);
  std::fill(empty.begin() + static_cast<std::ptrdiff_t>(dataStart), empty.end(), 0);
  const std::string nothing = TempPath("no-packets.wmv");
  WriteFile(nothing, empty);
  r = Join({nothing}, TempPath("nothing-out.wmv"), o);
  EXPECT_EQ(r.outcome, Outcome::failed);
  EXPECT_EQ(r.message.id, MessageId::NoDataPackets);
  // Option text that is not a number: the default.
  EXPECT_EQ(NumberOr("x", 5000), 5000u);
  EXPECT_EQ(NumberOr("99999999999999999999999", 5000), 5000u);
  EXPECT_EQ(NumberOr("-5", 100), 100u);
  EXPECT_EQ(NumberOr("250", 100), 250u);
  // A stop.
  std::stop_source stop;
  stop.request_stop();
  JobContext ctx(stop.get_token(), nullptr);
  r = JoinFiles({a_, b_}, TempPath("stopped.wmv"), o, ctx);
  EXPECT_EQ(r.outcome, Outcome::stopped);
  EXPECT_EQ(r.message.id, MessageId::Interrupted);
}

TEST_F(JoinParts, WriteBackTouchesOnlyItsFields) {
  Bytes b = ReadFile(a_);
  const Layout l = LayoutOf(b);
  ParsedPacket p;
  const std::span<std::uint8_t> packet(b.data() + l.at(3), l.P);
  ASSERT_EQ(ParsePacket(packet, p), 0);
  const Bytes before(packet.begin(), packet.end());
  WriteBack(p, packet);
  EXPECT_EQ(Bytes(packet.begin(), packet.end()), before);  // same values: same bytes
  for (auto& pl : p.multiple.payloads) pl.mediaObjectNumber += 1, pl.presentationTime += 7;
  p.sendTime = 123456;
  WriteBack(p, packet);
  ParsedPacket q;
  ASSERT_EQ(ParsePacket(packet, q), 0);
  for (std::size_t k = 0; k < q.payloadCount(); ++k) {
    EXPECT_EQ(q.multiple.payloads[k].mediaObjectNumber, p.multiple.payloads[k].mediaObjectNumber & 255);
    EXPECT_EQ(q.multiple.payloads[k].presentationTime, p.multiple.payloads[k].presentationTime);
    EXPECT_EQ(q.multiple.payloads[k].payloadDataLength, p.multiple.payloads[k].payloadDataLength);
  }
  EXPECT_EQ(q.sendTime, 123456u);
}

// A packet that does not parse is copied into the join as it is: no number,
// time or send time is written at places its fields cannot vouch for.
TEST_F(JoinParts, APacketThatDoesNotParseIsCopiedAsItIs) {
  Bytes b = ReadFile(b_);
  const Layout l = LayoutOf(b);
  std::fill_n(b.begin() + static_cast<std::ptrdiff_t>(l.at(3)), l.P, 0xFF);
  b[l.at(3)] = 0x82, b[l.at(3) + 1] = 0, b[l.at(3) + 2] = 0;
  ParsedPacket p;
  ASSERT_NE(ParsePacket(ByteView(b).subspan(l.at(3), l.P), p), 0);
  const std::string part = TempPath("unparsed-part.wmv"), out = TempPath("unparsed-joined.wmv");
  WriteFile(part, b);
  JobContext ctx;  // not read back whole: the copied packet does not parse, by design
  ASSERT_EQ(JoinFiles({a_, part}, out, JoinOptions{}, ctx).outcome, Outcome::ok);
  const Bytes joined = ReadFile(out);
  const Layout j = LayoutOf(joined), la = LayoutOf(ReadFile(a_));
  const std::uint64_t at = j.at(la.count + 3);
  EXPECT_TRUE(std::equal(joined.begin() + static_cast<std::ptrdiff_t>(at), joined.begin() + static_cast<std::ptrdiff_t>(at + j.P),
                         b.begin() + static_cast<std::ptrdiff_t>(l.at(3))));
}

// Spread evenly, the send times are written as the packets are read, with
// the step the parts' first and last packets foretell; where the packets in
// between do not add up to it (here a part whose last packets all carry one
// large object: they do not show the step its times last moved by), the
// join writes the packets again with the step every packet gives.
TEST(JoinInOnePass, SendTimesAreThoseEveryPacketGives) {
  // One video payload a packet, 40 ms apart, an object each up to the
  // packet `big`, whose object runs to the end.
  auto part = [](std::uint32_t packets, std::uint32_t big, std::uint32_t firstTime) {
    std::vector<Bytes> list;
    for (std::uint32_t n = 0; n < packets; ++n) {
      const std::uint32_t object = std::min(n, big);
      PacketSpec spec;
      spec.payloads.push_back({.stream = 1, .key = n % 25 == 0, .mediaObject = object & 255,
                               .offset = n < big ? 0 : 100 * (n - big),
                               .mediaObjectSize = n < big ? 100 : 100 * (packets - big),
                               .presentationTime = firstTime + 40 * object});
      list.push_back(DataPacket(spec, 200));
    }
    return FileWithPackets(list, 200);
  };
  // The last 256 packets of the first part within its large object, or not.
  for (const std::uint32_t big : {400u, 500u}) {
    SCOPED_TRACE(big);
    const std::string a = TempPath("one-pass-a.wmv"), b = TempPath("one-pass-b.wmv"), out = TempPath("one-pass.wmv");
    WriteFile(a, part(700, big, 3000));
    WriteFile(b, part(10, 10, 9000));
    JobContext ctx;
    const auto r = JoinFiles({a, b}, out, JoinOptions{}, ctx);
    ASSERT_EQ(r.outcome, Outcome::ok) << Text(r.message);
    const bool again = std::any_of(r.log.begin(), r.log.end(), [](const Message& m) { return m.id == MessageId::SendTimesAgain; });
    EXPECT_EQ(again, big == 400);
    // The step from the output's own times: its presentation end (the
    // last time and one step of 40 ms) less six seconds, over the packets.
    const AsfRead j = ReadAsf(ReadFile(out));
    ASSERT_EQ(j.packets.size(), 710u);
    std::uint32_t last = 0;
    for (const AsfPacket& p : j.packets) last = std::max(last, p.payloads.at(0).time);
    EXPECT_EQ(last, 5000 + 40 * (big + 10));  // the times run on from the preroll
    const std::uint32_t step = (last + 40 - 6000) / static_cast<std::uint32_t>(j.packets.size());
    for (std::size_t k = 0; k < j.packets.size(); ++k) ASSERT_EQ(j.packets[k].sendTime, k * step) << "packet " << k;
    EXPECT_EQ(r.data.sendDuration, last + 40 - 6000);
  }
}
