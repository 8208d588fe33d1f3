// Verifying by decoding, against ground truth made with ffmpeg: bytes of
// one frame's data overwritten (the packets still parse), found by the
// frame's own bytes as ffmpeg's demuxer gives them. The verify must name
// exactly that frame; a save that drops damaged frames must decode without
// an error line and keep every other frame but those up to the next key
// frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <sstream>

#include "asf/catalogue.hpp"
#include "support/asf_builder.hpp"
#include "support/asf_read.hpp"
#include "support/clips.hpp"
#include "support/damage.hpp"
#include "support/open.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

struct Frame {
  long pts = 0;  // ms, the demuxer's (presentation time less the preroll)
  bool key = false;
  std::size_t size = 0;
};

// ffprobe's packets of one stream ("v:0", "a:0").
std::vector<Frame> Frames(const std::string& path, const std::string& which) {
  const CommandResult r = RunCommand(std::string(CORVEL_FFPROBE) + " -v error -select_streams " + which +
                                     " -show_entries packet=pts,flags,size -of csv=p=0 " + Quote(path));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::vector<Frame> frames;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) {
    Frame f;
    char flags[8] = {};
    if (std::sscanf(line.c_str(), "%ld,%zu,%7s", &f.pts, &f.size, flags) != 3) continue;
    f.key = flags[0] == 'K';
    frames.push_back(f);
  }
  return frames;
}

// The stream's packets' bytes one after another, as ffmpeg's demuxer gives them.
Bytes StreamBytes(const std::string& path, const std::string& which) {
  const std::string out = TempPath("stream-" + std::to_string(std::hash<std::string>{}(path + which)) + ".bin");
  const CommandResult r = RunCommand(std::string(CORVEL_FFMPEG) + " -v error -y -i " + Quote(path) + " -map 0:" + which +
                                     " -c copy -f data " + Quote(out));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  return ReadFile(out);
}

std::size_t ErrorLines(const std::string& path) {
  const CommandResult r = RunCommand(std::string(CORVEL_FFMPEG) + " -v error -i " + Quote(path) + " -map 0 -f null -");
  return static_cast<std::size_t>(std::count(r.err.begin(), r.err.end(), '\n'));
}

enum class Fill { zeros, random };

struct Damage {
  const char* name;
  const char* stream;  // ffmpeg's stream specifier
  std::size_t frame;   // the frame of that stream overwritten
  Fill fill;
};
void PrintTo(const Damage& c, std::ostream* os) { *os << c.name; }

// Where bytes of the frame's data lie in the file: the first stretch of
// them, at least `least` long and starting at a multiple of 256 into the
// frame, that lies in the file once, in one piece, and in the stream once
// (no other frame holds it). The end when there is none.
Bytes::iterator FindFrame(Bytes& file, const Bytes& data, std::size_t at, std::size_t size, std::size_t least) {
  for (std::size_t from = 0; from + least <= size; from += 256) {
    const auto head = data.begin() + static_cast<std::ptrdiff_t>(at + from);
    for (std::size_t len = least; from + len <= size; len *= 2) {
      const auto needle = head + static_cast<std::ptrdiff_t>(len);
      const auto first = std::search(file.begin(), file.end(), head, needle);
      if (first == file.end()) break;
      const auto inData = std::search(data.begin(), data.end(), head, needle);
      if (std::search(first + 1, file.end(), head, needle) == file.end() &&
          std::search(inData + 1, data.end(), head, needle) == data.end())
        return first;
    }
  }
  return file.end();
}

// Overwrites `run` bytes of a frame's data in a copy of the clip, `skip`
// bytes into a stretch of it found in the file: of the first frame from
// `d.frame` on that is a key frame as that one is and has such a stretch.
// Returns the copy's path and sets `frame` to the frame overwritten and
// `where` to the file offset of the first byte overwritten.
std::string DamageFrame(const std::string& clip, const Damage& d, std::size_t skip, std::size_t run, std::size_t& frame,
                        std::uint64_t& where) {
  Bytes file = ReadFile(clip);
  const std::vector<Frame> frames = Frames(clip, d.stream);
  const Bytes data = StreamBytes(clip, d.stream);
  std::size_t at = 0;
  for (std::size_t i = 0; i < d.frame; ++i) at += frames[i].size;
  auto found = file.end();
  for (frame = d.frame; frame < frames.size(); at += frames[frame++].size) {
    if (frames[frame].key != frames[d.frame].key) continue;
    found = FindFrame(file, data, at, frames[frame].size, skip + run);
    if (found != file.end()) break;
  }
  EXPECT_NE(found, file.end()) << "no frame from " << d.frame << " on lies in the file in one piece";
  if (found == file.end()) return clip;
  where = static_cast<std::uint64_t>(found - file.begin()) + skip;
  std::mt19937 rng(7);
  for (auto p = found + static_cast<std::ptrdiff_t>(skip); p != found + static_cast<std::ptrdiff_t>(skip + run); ++p)
    *p = d.fill == Fill::zeros ? 0 : static_cast<std::uint8_t>(rng());
  const std::string out = TempPath(std::string("damaged-") + d.name + ".wmv");
  WriteFile(out, file);
  return out;
}

class VerifyDamage : public ::testing::TestWithParam<Damage> {};

TEST(Verify, AnUndamagedClipHasNoDamagedFrame) {
  for (const char* kind : {"long", "two-audio"}) {
    Session s;
    ASSERT_TRUE(OpenFile(s, Clip(kind)));
    auto r = RunJob([&](JobContext& c) { return PrepareVerify(s).run(c); });
    EXPECT_EQ(r.outcome, Outcome::ok) << kind;
    ASSERT_TRUE(ApplyVerify(s, std::move(r))) << kind;
    EXPECT_TRUE(s.verify.damaged.empty()) << kind << ": " << s.verify.damaged.front().message;
    EXPECT_EQ(s.verify.notVerified, 0u) << kind;
    // Every frame of every stream was decoded: as many as ffmpeg's demuxer gives.
    std::uint64_t frames = 0;
    for (std::size_t i = 0; i < s.verify.streams.size(); ++i) {
      EXPECT_TRUE(s.verify.streams[i].verified()) << kind << " stream " << int{s.verify.streams[i].number};
      frames += Frames(Clip(kind), std::to_string(i)).size();
    }
    EXPECT_EQ(s.verify.verified, frames) << kind;
  }
}

TEST_P(VerifyDamage, NamesTheFrameAndTheSaveLeavesItOut) {
  const Damage& d = GetParam();
  const std::string clip = Clip("long");
  std::size_t frame = 0;
  std::uint64_t where = 0;
  const std::string damaged = DamageFrame(clip, d, 24, 200, frame, where);
  const std::vector<Frame> frames = Frames(clip, d.stream);
  const Frame& hit = frames[frame];

  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(OpenFile(s, damaged));
  auto r = RunJob([&](JobContext& c) { return PrepareVerify(s).run(c); });
  EXPECT_EQ(r.outcome, Outcome::warnings);  // damage found is not a clean verify
  ASSERT_TRUE(ApplyVerify(s, std::move(r)));
  ASSERT_EQ(s.verify.damaged.size(), 1u) << (s.verify.damaged.empty() ? "" : s.verify.damaged.back().message);
  const DamagedObject& o = s.verify.damaged[0];
  const StreamTable streams = StreamsOf(s.structure.rec);
  const StreamKind kind = d.stream[0] == 'v' ? StreamKind::video : StreamKind::audio;
  EXPECT_EQ(o.object.stream, FirstOfKind(streams, kind));
  EXPECT_EQ(static_cast<long>(o.object.time) - s.structure.rec.fileProperties.preroll, hit.pts);
  EXPECT_EQ(o.object.key, hit.key);
  EXPECT_FALSE(o.message.empty());
  // The packets named hold the frame's bytes: the damaged ones among them,
  // and as many as the frame needs at least.
  const std::uint64_t P = s.structure.rec.fileProperties.maximumPacketSize;
  const std::uint64_t first = static_cast<std::uint64_t>(s.structure.dataObjectOffset) + 50;
  EXPECT_EQ(o.object.firstOffset, first + o.firstPacket * P);
  EXPECT_EQ(o.object.lastOffset, first + o.lastPacket * P);
  EXPECT_LE(o.object.firstOffset, where);
  EXPECT_LT(where, o.object.lastOffset + P);
  EXPECT_GE((o.lastPacket - o.firstPacket + 1) * P, hit.size);

  // The save leaves out the damaged frame and, in the video, those up to the next key frame.
  ASSERT_TRUE(Scan(s));
  s.options.save.dropDamaged = true;
  const std::string out = TempPath(std::string("dropped-") + d.name + ".wmv");
  ASSERT_TRUE(Save(s, out)) << s.statusText();
  ExpectSoundAsf(out, false);  // the numbers of the frames left out are missing
  EXPECT_EQ(ErrorLines(out), 0u);
  std::vector<long> expected;
  std::size_t next = frame + 1;
  if (kind == StreamKind::video)
    while (next < frames.size() && !frames[next].key) ++next;
  for (std::size_t i = 0; i < frames.size(); ++i)
    if (i < frame || i >= next) expected.push_back(frames[i].pts);
  std::vector<long> kept;
  for (const Frame& f : Frames(out, d.stream)) kept.push_back(f.pts);
  EXPECT_EQ(kept, expected);
  const KindCounts& left = s.lastSave.damagedLeftOut;
  EXPECT_EQ(kind == StreamKind::video ? left.video : left.audio, next - frame);
  // The other stream keeps every frame.
  const std::string other = kind == StreamKind::video ? "a:0" : "v:0";
  EXPECT_EQ(Frames(out, other).size(), Frames(clip, other).size());
  EXPECT_NE(s.statusText().find("left out"), std::string::npos) << s.statusText();
}

INSTANTIATE_TEST_SUITE_P(Clip, VerifyDamage,
                         ::testing::Values(Damage{"video-zeros", "v:0", 40, Fill::zeros},
                                           Damage{"video-random", "v:0", 113, Fill::random},
                                           Damage{"key-random", "v:0", 25, Fill::random}),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           std::replace(n.begin(), n.end(), '-', '_');
                           return n;
                         });

// A packet zeroed from the last bytes of its first payload on: that payload
// (the tail of a video frame) still parses, the rest of the packet does not.
// The verify of the source passes over the packet and never decodes the
// frame; the save keeps the intact payload and so writes the frame whole,
// zeros included. Leaving damaged frames out must still give an output that
// decodes cleanly: the save checks what it wrote and leaves that frame out
// too.
struct Tail {
  const char* codec;
  bool renumber;  // the saved file's media objects renumbered
};

void PrintTo(const Tail& t, std::ostream* os) { *os << t.codec << (t.renumber ? ", renumbered" : ""); }

class DropDamagedTail : public ::testing::TestWithParam<Tail> {};

TEST_P(DropDamagedTail, TheWrittenFileDecodesCleanly) {
  const std::string name = std::string(GetParam().codec) + (GetParam().renumber ? "-renumbered" : "");
  const Bytes clip = ReadFile(Clip(std::string("moving-") + GetParam().codec));
  const AsfRead a = ReadAsf(clip);
  const Layout l = LayoutOf(clip);
  // Every tenth such packet from the tenth on: the damage at several places.
  Bytes b = clip;
  std::size_t hits = 0;
  for (std::size_t k = 10; k < a.packets.size(); ++k) {
    const auto& pl = a.packets[k].payloads;
    if (pl.size() < 2 || pl[0].stream != a.videoStream || pl[0].offset == 0 || pl[0].length < 60) continue;
    if (pl[0].at + pl[0].length + 200 > l.at(k) + l.P) continue;
    if (hits++ % 10 != 0) continue;
    const std::uint64_t from = pl[0].at + pl[0].length - 40;
    ZeroRun(b, from, l.at(k) + l.P - from - 100);
  }
  ASSERT_GE(hits, 3u);
  const std::string damaged = TempPath("tail-" + name + ".wmv");
  WriteFile(damaged, b);

  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(OpenFile(s, damaged) && Scan(s));
  s.options.save.dropDamaged = true;
  s.options.save.renumberMediaObjects = GetParam().renumber;
  const std::string out = TempPath("tail-dropped-" + name + ".wmv");
  ASSERT_TRUE(Save(s, out)) << s.statusText();
  EXPECT_EQ(s.lastSave.damagedKept, 0u);
  EXPECT_GT(s.lastSave.damagedLeftOut.video, 0u);
  ExpectSoundAsf(out, GetParam().renumber);
  EXPECT_EQ(ErrorLines(out), 0u);
  Session check;
  ASSERT_TRUE(OpenFile(check, out) && Verify(check));
  EXPECT_TRUE(check.verify.damaged.empty()) << check.verify.damaged.size();
  EXPECT_NE(MemoText(s).find("the written file checked by decoding; damaged frames: 0"), std::string::npos) << MemoText(s);
}

INSTANTIATE_TEST_SUITE_P(Codec, DropDamagedTail,
                         ::testing::Values(Tail{"msmpeg4", false}, Tail{"wmv1", false}, Tail{"wmv2", false},
                                           Tail{"msmpeg4", true}),
                         [](const auto& info) { return std::string(info.param.codec) + (info.param.renumber ? "_renumbered" : ""); });

// The save of a prepared job, run here on the clip itself.
JobResult<SaveData> SaveDirect(const std::string& clip, const SaveJob& job) {
  SourceFile f;
  if (!f.openPath(clip)) return {};
  JobContext ctx;
  return SaveFile(f, job.input, job.options, ctx);
}

// The check of what was written runs before the output takes its name; a
// damaged frame it finds is left out and the output written again, three
// writes at most, after which what is still found is counted as kept.
TEST(DropDamagedCheck, WritesAtMostThreeTimesThenCountsWhatRemains) {
  const std::string clip = Clip("moving-msmpeg4");
  const AsfRead a = ReadAsf(ReadFile(clip));
  ASSERT_FALSE(a.packets.empty());
  const auto& lead = a.packets[0].payloads;
  const auto video = std::find_if(lead.begin(), lead.end(), [&](const AsfPayload& p) { return p.stream == a.videoStream; });
  ASSERT_NE(video, lead.end());
  const AsfPayload& first = *video;
  Session s;
  ASSERT_TRUE(OpenFile(s, clip) && Scan(s));
  SaveJob job;
  const std::string out = TempPath("checked-thrice.wmv");
  std::filesystem::remove(out);
  ASSERT_TRUE(PrepareSave(s, out, job));
  job.options.dropDamaged = true;
  int checks = 0;
  job.input.checkWritten = [&](const std::string& path, JobContext&) {
    ++checks;
    EXPECT_NE(path, out);
    EXPECT_FALSE(std::filesystem::exists(out)) << "the output took its name before it was checked";
    DamagedObject d;
    d.object.stream = static_cast<std::uint8_t>(first.stream);
    d.object.number = first.object;
    return std::vector<DamagedObject>{d};
  };
  const JobResult<SaveData> r = SaveDirect(clip, job);
  ASSERT_TRUE(r.ok()) << Render(r.message, Language::eng);
  EXPECT_EQ(checks, 3);
  EXPECT_EQ(r.data.damagedKept, 1u);
  // The first write's finding was left out: the first frame and those up to the next key frame.
  EXPECT_GT(r.data.damagedLeftOut.video, 1u);
  const auto again = std::count_if(r.log.begin(), r.log.end(),
                                   [](const Message& m) { return m.id == MessageId::WrittenAgain; });
  EXPECT_EQ(again, 2);
  ExpectSoundAsf(out, false);
}

// With renumbered media objects, a frame the check of what was written
// finds is traced back to the source by its packet and time, not its new
// number: the frame at that time is the one left out.
TEST(DropDamagedCheck, TracesARenumberedFrameBackToTheSource) {
  const std::string clip = Clip("moving-msmpeg4");
  const Bytes source = ReadFile(clip);
  const AsfRead a = ReadAsf(source);
  const auto& lead = a.packets.at(0).payloads;
  const auto first = std::find_if(lead.begin(), lead.end(), [&](const AsfPayload& p) { return p.stream == a.videoStream; });
  ASSERT_NE(first, lead.end());
  Session s;
  ASSERT_TRUE(OpenFile(s, clip) && Scan(s));
  SaveJob job;
  const std::string out = TempPath("checked-renumbered.wmv");
  ASSERT_TRUE(PrepareSave(s, out, job));
  job.options.dropDamaged = true;
  job.options.renumberMediaObjects = true;
  // The first frames left out from the start: every later number moves.
  DamagedObject known;
  known.object = {.stream = static_cast<std::uint8_t>(first->stream), .number = first->object, .firstOffset = LayoutOf(source).first};
  job.input.damaged = {known};
  AsfPayload found;
  int checks = 0;
  job.input.checkWritten = [&](const std::string& path, JobContext&) {
    if (++checks > 1) return std::vector<DamagedObject>{};
    const AsfRead w = ReadAsf(ReadFile(path));
    for (std::size_t k = w.packets.size() / 2; k < w.packets.size(); ++k)
      for (const AsfPayload& p : w.packets[k].payloads)
        if (p.stream == w.videoStream && p.offset == 0 && found.time == 0) {
          found = p;
          DamagedObject d;
          d.object = {.stream = static_cast<std::uint8_t>(p.stream), .number = p.object, .time = p.time};
          d.firstPacket = d.lastPacket = k;
          return std::vector<DamagedObject>{d};
        }
    return std::vector<DamagedObject>{};
  };
  const JobResult<SaveData> r = SaveDirect(clip, job);
  ASSERT_TRUE(r.ok()) << Render(r.message, Language::eng);
  EXPECT_EQ(checks, 2);
  ASSERT_GT(found.time, 0u);
  // Its source number is not the one it had in the first write.
  const bool moved = std::ranges::any_of(a.packets, [&](const AsfPacket& q) {
    return std::ranges::any_of(q.payloads, [&](const AsfPayload& p) {
      return p.stream == found.stream && p.offset == 0 && p.time == found.time && p.object != found.object;
    });
  });
  EXPECT_TRUE(moved);
  const AsfRead w = ReadAsf(ReadFile(out));
  for (const AsfPacket& q : w.packets)
    for (const AsfPayload& p : q.payloads) EXPECT_FALSE(p.stream == found.stream && p.time == found.time) << p.object;
  ExpectSoundAsf(w);
}

// Everything a verify found, as text: counts, streams, damaged objects.
std::string Described(const VerifyData& d) {
  std::ostringstream o;
  o << d.verified << " verified, " << d.notVerified << " not, incomplete " << d.incomplete.video << ","
    << d.incomplete.audio << "," << d.incomplete.other << "\n";
  for (const StreamVerify& s : d.streams)
    o << int{s.number} << " " << s.codec << ": " << s.objects << " objects, " << s.damaged << " damaged, " << s.unsupported
      << " unsupported\n";
  for (const DamagedObject& x : d.damaged)
    o << int{x.object.stream} << ":" << x.object.number << (x.object.key ? " key " : " ") << x.object.time << " ms at "
      << x.object.firstOffset << ", packets " << x.firstPacket << "-" << x.lastPacket << ": " << x.message << "\n";
  return o.str();
}

// Decoding on several threads gives what one decoder per stream gives: the
// same damaged objects in the same order with the same words, the same
// counts; stopped, it has decoded every object it counts.
TEST(Verify, OnSeveralThreadsAsOnOne) {
  Bytes b = ReadFile(Clip("two-video"));
  const Layout l = LayoutOf(b);
  std::mt19937 rng(5);
  for (std::uint64_t k = 3; k < l.count; k += 9)
    for (std::uint64_t i = 0, at = DataArea(b, l, k); i < 40; ++i) b[at + i] = static_cast<std::uint8_t>(rng());
  const std::string damaged = TempPath("threads-damaged.wmv");
  WriteFile(damaged, b);
  for (const std::string& file : {damaged, Clip("two-audio"), Clip("moving-msmpeg4")}) {
    Session s;
    ASSERT_TRUE(OpenFile(s, file));
    VerifyJob job = PrepareVerify(s);
    job.options.threads = 1;
    const auto one = RunJob([&](JobContext& c) { return job.run(c); });
    if (file == damaged) {
      EXPECT_GE(one.data.damaged.size(), 8u);
    }
    for (const unsigned threads : {2u, 3u}) {
      job.options.threads = threads;
      const auto many = RunJob([&](JobContext& c) { return job.run(c); });
      EXPECT_EQ(many.outcome, one.outcome) << file;
      EXPECT_EQ(Described(many.data), Described(one.data)) << file << " on " << threads << " threads";
    }
  }
  Session s;
  ASSERT_TRUE(OpenFile(s, damaged));
  VerifyJob job = PrepareVerify(s);
  job.options.threads = 2;
  StopAfter stop(30);
  JobContext ctx(stop.token(), &stop);
  const auto stopped = job.run(ctx);
  EXPECT_EQ(stopped.outcome, Outcome::stopped);
  std::uint64_t objects = 0;
  for (const StreamVerify& v : stopped.data.streams) objects += v.objects;
  EXPECT_GT(objects, 0u);
  EXPECT_EQ(stopped.data.verified + stopped.data.notVerified, objects);
}

// (Random bytes over a WMA block's data decode without a word from the
// decoder, ffmpeg's own run included: no audio case here.)

// A stream no decoder knows is counted as not verified, never as sound.
TEST(Verify, AStreamOfAnUnknownCodecIsNotVerified) {
  std::vector<Bytes> packets;
  for (std::uint32_t i = 0; i < 4; ++i)
    packets.push_back(DataPacket({.sendTime = i * 40,
                                  .payloads = {{.stream = 1, .key = i == 0, .mediaObject = i, .mediaObjectSize = 100,
                                                .presentationTime = i * 40, .dataLength = 100}}},
                                 256));
  const Bytes file = FileWithStreams(
      packets, 256, {StreamPropertiesObject(1, guid::VideoMedia, VideoTypeSpecific(320, 240, "ZQ9X", 40))});
  Session s;
  s.lang = Language::eng;
  ASSERT_EQ(OpenBytes(s, file), 0);
  // Nothing decoded: a failure, never "sound".
  ASSERT_FALSE(Verify(s));
  EXPECT_EQ(s.statusText().rfind("• nothing was verified by decoding\nmedia objects verified by decoding: 0; damaged: 0", 0), 0u)
      << s.statusText();
  ASSERT_EQ(s.verify.streams.size(), 1u);
  EXPECT_FALSE(s.verify.streams[0].verified());
  EXPECT_EQ(s.verify.streams[0].objects, 4u);
  EXPECT_EQ(s.verify.notVerified, 4u);
  EXPECT_EQ(s.verify.verified, 0u);
  EXPECT_TRUE(s.verify.damaged.empty());
  EXPECT_NE(s.statusText().find("not verified"), std::string::npos) << s.statusText();
}

// Encrypted content (the header says so) decodes as noise: nothing is
// called damaged, and a save that drops damaged frames drops none.
TEST(Verify, EncryptedContentIsNotVerified) {
  std::vector<Bytes> packets;
  for (std::uint32_t i = 0; i < 4; ++i)
    packets.push_back(DataPacket({i * 40, 0, true,
                                  {{1, i == 0, i, 0, 100, i * 40, 100, static_cast<std::uint8_t>(0x31 * i + 7)},
                                   {2, true, i, 0, 60, i * 40, 60, static_cast<std::uint8_t>(0x17 * i + 3)}}},
                                 300));
  const Bytes plain = FileWithPackets(packets, 300);
  const Bytes encrypted = FileWithPackets(packets, 300, {Object(guid::ContentEncryption, Bytes(24, 0))});
  // The same packets in the clear are noise to the decoders: damage.
  Session clear;
  ASSERT_EQ(OpenBytes(clear, plain), 0);
  ASSERT_TRUE(Verify(clear));
  EXPECT_FALSE(clear.verify.damaged.empty());
  Session s;
  s.lang = Language::eng;
  ASSERT_EQ(OpenBytes(s, encrypted), 0);
  ASSERT_FALSE(Verify(s));
  EXPECT_TRUE(s.verify.damaged.empty());
  EXPECT_EQ(s.verify.verified, 0u);
  EXPECT_EQ(s.verify.notVerified, 8u);
  EXPECT_NE(MemoText(s).find("encrypted"), std::string::npos) << MemoText(s);
  ASSERT_TRUE(Scan(s));
  s.options.save.dropDamaged = true;
  const std::string out = TempPath("encrypted-saved.wmv");
  ASSERT_TRUE(Save(s, out)) << s.statusText();
  EXPECT_EQ(s.lastSave.damagedLeftOut.total(), 0u);
  EXPECT_EQ(s.lastSave.packets, 4u);
}

// The command line: exit status 0 for a sound file, 1 for a damaged one
// (the frame listed in the JSON), 2 for a usage error.
TEST(Verify, CommandLineExitStatus) {
  const std::string cli = CORVEL_CLI;
  EXPECT_EQ(RunCommand(cli + " verify " + Quote(Clip("av"))).exitCode, 0);
  std::size_t frame = 0;
  std::uint64_t where = 0;
  const std::string damaged = DamageFrame(Clip("long"), {"cli", "v:0", 60, Fill::random}, 24, 200, frame, where);
  const CommandResult r = RunCommand(cli + " verify --json " + Quote(damaged));
  EXPECT_EQ(r.exitCode, 1) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  Session s;
  ASSERT_TRUE(OpenFile(s, damaged) && Verify(s));
  ASSERT_EQ(j["damaged"].size(), 1u);
  ASSERT_EQ(s.verify.damaged.size(), 1u);
  EXPECT_EQ(j["damaged"][0]["media_object"], s.verify.damaged[0].object.number);
  EXPECT_EQ(j["damaged"][0]["presentation_time_ms"], s.verify.damaged[0].object.time);
  EXPECT_EQ(j["damaged"][0]["first_packet_offset"], s.verify.damaged[0].object.firstOffset);
  EXPECT_EQ(RunCommand(cli + " verify").exitCode, 2);
}

}  // namespace
