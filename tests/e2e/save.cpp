// Saving and its ground truth: header objects written back byte for byte,
// damaged clips repaired to their undamaged packets, ffmpeg as the judge.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <regex>
#include <sstream>

#include "asf/catalogue.hpp"
#include "asf/header_writers.hpp"
#include "asf/field_visitors.hpp"
#include "asf/object_table.hpp"
#include "session/actions.hpp"
#include "support/asf_read.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"
#include "support/damage.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

// The bytes of object i of the block list.
Bytes ObjectBytes(const Bytes& file, const ObjectEntry& b) {
  return Bytes(file.begin() + b.offset, file.begin() + b.offset + b.size);
}

// Header objects written back from their records, each through the object
// table's writer as the save writes it.
std::vector<std::pair<Guid, Bytes>> Rewritten(Session& s) {
  std::vector<std::pair<Guid, Bytes>> out;
  std::size_t spo = 0;
  for (const ObjectEntry& b : s.structure.objects) {
    const ObjectKind* kind = FindObjectKind(b.guid);
    if (!kind || !kind->write) continue;
    HeaderRecords r = s.structure.rec;
    // One stream's object at a time.
    if (b.guid == guid::StreamProperties) r.streams = {s.structure.rec.streams.at(spo++)};
    Bytes w;
    kind->write(r, w);
    out.emplace_back(b.guid, std::move(w));
  }
  return out;
}

// Frames ffprobe counts per stream, and whatever it complains about.
struct Probed {
  std::vector<long> frames;
  std::string errors;
};
Probed ProbeFrames(const std::string& path) {
  const auto r = RunCommand(std::string(CORVEL_FFPROBE) + " -v error -count_packets -show_entries stream=nb_read_packets -of csv=p=0 " + Quote(path));
  Probed p;
  p.errors = r.err;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) p.frames.push_back(std::stol(line));
  return p;
}

// Demuxing errors of ffmpeg copying every stream of a file.
std::string DemuxErrors(const std::string& path) {
  return RunCommand(std::string(CORVEL_FFMPEG) + " -v error -i " + Quote(path) + " -map 0 -c copy -f null -").err;
}

bool OpenAndScan(Session& s, const std::string& path) { return OpenFile(s, path) && Scan(s); }

}  // namespace

class HeaderWriteBack : public ::testing::TestWithParam<std::string> {};

TEST_P(HeaderWriteBack, HeaderObjectsAreByteIdentical) {
  const std::string path = Clip(GetParam());
  const Bytes file = ReadFile(path);
  Session s;
  ASSERT_TRUE(OpenFile(s, path));
  const auto objects = Rewritten(s);
  ASSERT_GE(objects.size(), 3u);
  std::size_t k = 0;
  for (const ObjectEntry& b : s.structure.objects) {
    if (k < objects.size() && objects[k].first == b.guid) {
      const Bytes source = ObjectBytes(file, b);
      // The one layout the writers do not keep: an empty description text
      // stored with length 0 is written back as a lone terminator.
      const bool emptyText = b.guid == guid::ContentDescription &&
                             (WordOr0(source, 24) == 0 || WordOr0(source, 26) == 0 || WordOr0(source, 28) == 0 ||
                              WordOr0(source, 30) == 0 || WordOr0(source, 32) == 0);
      if (!emptyText) {
        EXPECT_EQ(objects[k].second, source) << ObjectName(b.guid);
      }
      ++k;
    }
  }
  EXPECT_EQ(k, objects.size());
}

INSTANTIATE_TEST_SUITE_P(Ffmpeg, HeaderWriteBack, ::testing::Values("av", "video", "audio", "cyrillic"));

TEST(HeaderWriters, EdgeCases) {
  corvel::ContentDescription cdo;
  SizeFields(cdo);
  EXPECT_EQ(cdo.titleLength, 2);
  EXPECT_EQ(cdo.objectSize, 34 + 5 * 2);
  corvel::CodecList clo;
  clo.entries.push_back({2, 0, u"", 0, u"desc", 0, Bytes{0x61, 0x01}});
  SizeFields(clo);
  EXPECT_EQ(clo.entries[0].nameLength, 0);
  EXPECT_EQ(clo.entries[0].descriptionLength, 5);
  Bytes w;
  WriteFields(clo, guid::CodecList, w);
  EXPECT_EQ(static_cast<std::int64_t>(w.size()), clo.objectSize);
  corvel::CodecList back;
  ReadFields(w, back);
  EXPECT_EQ(back.entries[0].name, u"");
  EXPECT_EQ(back.entries[0].description, u"desc");
  // Markers read back as written (the description length counts characters).
  corvel::MarkerList mao;
  mao.name = u"Главы";
  mao.markers = {{0, 10000000, 0, 1000, 0, 0, u"Начало"}, {0, 20000000, 0, 2000, 0, 0, u""}};
  SizeFields(mao);
  w.clear();
  WriteFields(mao, guid::Marker, w);
  EXPECT_EQ(static_cast<std::int64_t>(w.size()), mao.objectSize);
  corvel::MarkerList mback;
  ReadFields(w, mback);
  ASSERT_EQ(mback.markers.size(), 2u);
  EXPECT_EQ(mback.name, u"Главы");
  EXPECT_EQ(mback.markers[0].description, u"Начало");
  EXPECT_EQ(mback.markers[1].sendTime, 2000u);
  // A non-text value is copied byte for byte.
  corvel::ExtendedContentDescription errorCorrection;
  errorCorrection.descriptors.push_back({0, u"WM/Track", 3, 0, {u"", Bytes{5, 0, 0, 0}}});
  SizeFields(errorCorrection);
  EXPECT_EQ(errorCorrection.descriptors[0].valueLength, 4);
  w.clear();
  WriteFields(errorCorrection, guid::ExtendedContentDescription, w);
  EXPECT_EQ(Bytes(w.end() - 4, w.end()), (Bytes{5, 0, 0, 0}));
}

class RepairClip : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    path_ = Clip("long");
    bytes_ = ReadFile(path_);
    layout_ = LayoutOf(bytes_);
    probe_ = ProbeFrames(path_);
  }
  static std::string path_;
  static Bytes bytes_;
  static Layout layout_;
  static Probed probe_;
};
std::string RepairClip::path_;
Bytes RepairClip::bytes_;
Layout RepairClip::layout_;
Probed RepairClip::probe_;

TEST_F(RepairClip, InsertedZerosAreCutAndThePacketsRestored) {
  for (RepairMode mode : {RepairMode::cutEqualRepeats, RepairMode::cutAndRemeasure}) {
    Bytes b = bytes_;
    const std::uint64_t at = DataArea(b, layout_, 12);
    InsertBytes(b, at, 500, 0);
    const std::string in = TempPath("zeros.wmv"), out = TempPath("zeros.out.wmv");
    WriteFile(in, b);
    Session s;
    ASSERT_TRUE(OpenAndScan(s, in));
    ASSERT_EQ(s.errorList.size(), 1u);
    const ListedBlock p = s.errorList[0];
    EXPECT_EQ(p.delta(), 500);
    EXPECT_EQ(p.repLen, 500u);
    EXPECT_EQ(p.repByte, 0);
    EXPECT_EQ(p.offset + p.repOffset, at);
    RepairOptions o;
    ASSERT_TRUE(Repair(s, mode, o));
    EXPECT_EQ(s.file.cuts.ranges(), (std::vector<CutRange>{{at, 500}}));
    ASSERT_TRUE(Scan(s));
    EXPECT_TRUE(s.errorList.empty());
    EXPECT_EQ(s.packets.size(), layout_.count);
    ASSERT_TRUE(Save(s, out));
  ExpectSoundAsf(out);
    EXPECT_EQ(s.statusText(), "файл сохранён");
    const Bytes saved = ReadFile(out);
    EXPECT_EQ(DataPackets(saved), DataPackets(bytes_));
    const Probed pr = ProbeFrames(out);
    EXPECT_EQ(pr.frames, probe_.frames);
    EXPECT_EQ(pr.errors, "");
    EXPECT_EQ(DemuxErrors(out), "");
  }
}

TEST_F(RepairClip, GarbageAndDeletedRangeStillDecode) {
  Bytes b = bytes_;
  DeleteBytes(b, layout_.at(80) + 700, 5000);
  std::mt19937 rng(7);
  for (std::uint64_t i = layout_.at(30) + 100; i < layout_.at(33) + 900; ++i) b[i] = static_cast<std::uint8_t>(rng());
  const std::string in = TempPath("garbage.wmv"), out = TempPath("garbage.out.wmv"), ref = TempPath("garbage.ff.asf");
  WriteFile(in, b);
  Session s;
  ASSERT_TRUE(OpenAndScan(s, in));
  EXPECT_EQ(s.errorList.size(), 2u);
  ASSERT_TRUE(Save(s, out));
    ExpectSoundAsf(out, false);  // the lost frames leave gaps in the numbers
  EXPECT_EQ(DemuxErrors(out), "");
  RunCommand(std::string(CORVEL_FFMPEG) + " -v quiet -y -err_detect ignore_err -i " + Quote(in) + " -map 0 -c copy " + Quote(ref));
  const Probed ours = ProbeFrames(out), theirs = ProbeFrames(ref);
  ASSERT_EQ(ours.frames.size(), 2u);
  ASSERT_EQ(theirs.frames.size(), 2u);
  EXPECT_GE(ours.frames[0], theirs.frames[0]);
  EXPECT_GT(ours.frames[0], probe_.frames[0] * 9 / 10);
}

TEST_F(RepairClip, WipedHeaderGuidIsReconstructed) {
  Bytes b = bytes_;
  std::fill_n(b.begin(), 16, 0xEE);
  const std::string in = TempPath("wiped.wmv"), out = TempPath("wiped.out.wmv");
  WriteFile(in, b);
  Session s;
  EXPECT_FALSE(OpenFile(s, in));
  s.fileName = in;
  ASSERT_TRUE(Reconstruct(s));
  std::vector<std::string> ids;
  for (const auto& it : s.structure.objects) ids.push_back(it.guid.text());
  ASSERT_GE(ids.size(), 4u);
  EXPECT_EQ(ids.front(), guid::FileProperties.text());
  EXPECT_EQ(ids.back(), guid::Data.text());
  EXPECT_TRUE(s.structure.rec.fileProperties.present);
  EXPECT_EQ(s.structure.rec.streams.size(), 2u);
  EXPECT_GE(s.structure.dataObjectIndex, 0);
  EXPECT_EQ(s.options.save.header, HeaderMode::minimal);
  EXPECT_FALSE(s.options.sourceHeaderUsable);
  ASSERT_TRUE(Scan(s));
  ASSERT_TRUE(Save(s, out));
  ExpectSoundAsf(out);
  EXPECT_EQ(ProbeFrames(out).frames, probe_.frames);
  EXPECT_EQ(DemuxErrors(out), "");
  EXPECT_EQ(DataPackets(ReadFile(out)), DataPackets(bytes_));
}

TEST_F(RepairClip, IntactHeaderReconstructsAsTheWalk) {
  const std::string in = TempPath("intact.wmv");
  WriteFile(in, bytes_);
  Session walk, recon;
  ASSERT_TRUE(OpenFile(walk, in));
  recon.fileName = in;
  ASSERT_TRUE(Reconstruct(recon));
  // Pass 1 lists the Header and Data Objects, pass 2 the header's children.
  ASSERT_GE(recon.structure.objects.size(), 3u);
  EXPECT_EQ(recon.structure.objects[0].guid, guid::Header);
  EXPECT_EQ(recon.structure.objects[1].guid, guid::Data);
  std::vector<std::pair<std::string, std::int64_t>> a, b;
  for (const auto& it : walk.structure.objects)
    if (it.parent == 0) a.emplace_back(it.guid.text(), it.offset);
  for (const auto& it : recon.structure.objects)
    if (it.parent == 0) b.emplace_back(it.guid.text(), it.offset);
  EXPECT_EQ(a, b);
}

TEST_F(RepairClip, UnfinishedRecordingGetsValidHeaderFields) {
  Bytes b = bytes_;
  Session h;
  ASSERT_EQ(OpenBytes(h, b), 0);
  const auto fpo = static_cast<std::size_t>(h.structure.objects[1].offset);
  Patch64(b, fpo + 40, 0);
  Patch64(b, fpo + 56, 0);
  Patch64(b, fpo + 64, 0);
  Patch64(b, fpo + 72, 0);
  Patch32(b, fpo + 88, 1);  // broadcast, not seekable
  b.resize(layout_.at(layout_.count));
  const std::string in = TempPath("live.wmv"), out = TempPath("live.out.wmv");
  WriteFile(in, b);
  Session s;
  ASSERT_TRUE(OpenAndScan(s, in));
  ASSERT_TRUE(Save(s, out));
  ExpectSoundAsf(out);
  Session o;
  ASSERT_TRUE(OpenFile(o, out));
  EXPECT_TRUE(o.logLines.lines().empty()) << MemoText(o);
  EXPECT_EQ(o.structure.rec.fileProperties.fileSize, o.file.physicalSize());
  EXPECT_EQ(o.structure.rec.fileProperties.packetCount, static_cast<std::int64_t>(layout_.count));
  EXPECT_EQ(o.structure.rec.fileProperties.flags & 3u, 2u);
  EXPECT_NEAR(o.structure.rec.fileProperties.playDuration, h.structure.rec.fileProperties.playDuration, 1'000'000);  // within 0.1 s
  EXPECT_NEAR(o.structure.rec.fileProperties.sendDuration, h.structure.rec.fileProperties.sendDuration, 1'000'000);
  EXPECT_TRUE(o.structure.rec.simpleIndex.present);
  const double d = std::stod(Probe(out)["format"]["duration"].get<std::string>());
  EXPECT_NEAR(d, std::stod(Probe(path_)["format"]["duration"].get<std::string>()), 0.1);
}

TEST_F(RepairClip, MinimalHeaderNoIndexAndFileSize) {
  const std::string in = Clip("cyrillic"), out = TempPath("min.out.wmv");
  Session s;
  ASSERT_TRUE(OpenAndScan(s, in));
  ASSERT_TRUE(s.structure.rec.contentDescription.present);
  s.options.save.header = HeaderMode::minimal;
  s.options.save.writeIndex = false;
  ASSERT_TRUE(Save(s, out));
  ExpectSoundAsf(out);
  Session o;
  ASSERT_TRUE(OpenFile(o, out));
  EXPECT_TRUE(o.logLines.lines().empty()) << MemoText(o);
  EXPECT_FALSE(o.structure.rec.contentDescription.present);
  EXPECT_FALSE(o.structure.rec.extendedContentDescription.present);
  EXPECT_FALSE(o.structure.rec.simpleIndex.present);
  std::uint32_t children = 0;
  for (const auto& it : o.structure.objects) children += it.parent == 0;
  EXPECT_EQ(o.structure.rec.header.objectCount, children);
  EXPECT_EQ(children, 1u + 2u + 1u);  // file properties, two streams, codec list
  EXPECT_EQ(QWordOr0(ReadFile(out), 70), o.file.physicalSize());
  EXPECT_EQ(DemuxErrors(out), "");
}

TEST_F(RepairClip, RenumberedSaveStillDecodes) {
  const std::string in = TempPath("renum.wmv"), out = TempPath("renum.out.wmv");
  WriteFile(in, bytes_);
  Session s;
  ASSERT_TRUE(OpenAndScan(s, in));
  s.options.save.renumberMediaObjects = true;
  ASSERT_TRUE(Save(s, out));
  ExpectSoundAsf(out);
  EXPECT_EQ(ProbeFrames(out).frames, probe_.frames);
  Session again;
  again.lang = Language::eng;
  ASSERT_TRUE(OpenAndScan(again, out));
  EXPECT_TRUE(again.errorList.empty());
}

TEST_F(RepairClip, OutputSafety) {
  const std::string in = TempPath("safe.wmv"), link = TempPath("safe-link.wmv");
  WriteFile(in, bytes_);
  ::unlink(link.c_str());
  ASSERT_EQ(::link(in.c_str(), link.c_str()), 0);
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(OpenAndScan(s, in));
  EXPECT_FALSE(Save(s, in));
  EXPECT_FALSE(Save(s, link));
  EXPECT_FALSE(Save(s, TempPath(".") + "/../" + std::filesystem::path(TempDir()).filename().string() + "/safe.wmv"));
  EXPECT_EQ(s.statusText(), "file save error");
  EXPECT_NE(MemoText(s).find("• the output file is the source file"), std::string::npos);
  EXPECT_EQ(ReadFile(in), bytes_);  // untouched
  // A full disk ends the save with an error.
  EXPECT_FALSE(Save(s, "/dev/full"));
  EXPECT_EQ(s.statusText(), "file save error");
  EXPECT_FALSE(Save(s, "/nonexistent-dir/out.wmv"));
  Session empty;
  empty.lang = Language::eng;
  EXPECT_FALSE(Save(empty, TempPath("never.wmv")));
  EXPECT_EQ(MemoLines(empty).back(), "• check the stream first");
}

// A stopped save keeps what it wrote as a whole file: the header counts the
// packets written and the durations are theirs, the index names only them,
// ffprobe opens it and reads to its end.
TEST_F(RepairClip, StoppedSaveKeepsAWholeFileOfWhatItWrote) {
  // Stopped about two fifths in (the save reports each hundredth of its packets).
  StopAfter rep(40);
  const std::string in = TempPath("stopsave.wmv"), out = TempPath("stopsave.out.wmv");
  WriteFile(in, bytes_);
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(OpenAndScan(s, in));
  EXPECT_FALSE(Save(s, out, rep.token(), &rep));
  // Said as a stop, not a failure, with how much of the file is there.
  std::smatch m;
  const std::string status = s.statusText();
  ASSERT_TRUE(std::regex_match(status, m, std::regex("interrupted by user\npackets written: (\\d+) of (\\d+)"))) << status;
  EXPECT_NE(MemoText(s).find("• interrupted by user"), std::string::npos);
  const Bytes saved = ReadFile(out);
  const std::uint64_t written = std::stoull(m[1]);
  EXPECT_EQ(QWordOr0(saved, 70), static_cast<std::int64_t>(saved.size()));
  EXPECT_EQ(std::stoull(m[2]), layout_.count);
  ASSERT_GT(written, 0u);
  ASSERT_LT(written, layout_.count);
  const AsfRead a = ReadAsf(saved);
  EXPECT_EQ(a.declaredPackets, written);
  EXPECT_EQ(a.dataPackets, written);
  EXPECT_EQ(a.packets.size(), written);
  EXPECT_TRUE(a.hasIndex);
  ExpectSoundAsf(a);
  // The play duration is that of the packets kept, not the source's.
  const nlohmann::json probe = Probe(out);
  const double duration = std::stod(probe["format"]["duration"].get<std::string>());
  std::uint32_t last = 0;
  for (const AsfPacket& p : a.packets)
    for (const AsfPayload& pl : p.payloads) last = std::max(last, pl.time);
  EXPECT_LT(duration, 20.0);
  EXPECT_LE(duration * 1000, last + 1000.0) << last;
}

// A clip whose every packet is rewritten without error correction data (the
// same size, the freed bytes padding): ffmpeg reads it as the original, and
// so does Corvel: every packet found, none damaged, the saved copy decoding
// to the same frames; damage in it is found and repaired as in the original.
TEST_F(RepairClip, PacketsWithoutErrorCorrectionScanRepairAndSave) {
  const Bytes plain = WithoutErrorCorrection(bytes_);
  ASSERT_NE(plain, bytes_);
  const std::string in = TempPath("plain.wmv"), out = TempPath("plain.out.wmv");
  WriteFile(in, plain);
  const Probed source = ProbeFrames(in);
  ASSERT_EQ(source.frames, probe_.frames);
  EXPECT_EQ(source.errors, "");
  Session s;
  ASSERT_TRUE(OpenAndScan(s, in));
  EXPECT_EQ(s.packets.size(), layout_.count);
  EXPECT_TRUE(s.errBlocks.empty());
  ASSERT_TRUE(Save(s, out));
  ExpectSoundAsf(out);
  EXPECT_EQ(ProbeFrames(out).frames, probe_.frames);
  EXPECT_EQ(DemuxErrors(out), "");
  EXPECT_EQ(DataPackets(ReadFile(out)), DataPackets(plain));
}

// The clip in both packet forms, damaged the same ways at the same places:
// the same blocks (where, how much too long), the same repairs, the same
// packets found after them.
TEST_F(RepairClip, BothPacketFormsSeeTheSameDamage) {
  const Bytes plain = WithoutErrorCorrection(bytes_);
  struct Outcome {
    std::vector<std::pair<std::uint32_t, std::int64_t>> blocks;
    std::size_t cuts = 0, after = 0;
    bool operator==(const Outcome&) const = default;
    std::string text() const {
      std::string t;
      for (const auto& [k, d] : blocks) t += "block at packet " + std::to_string(k) + " delta " + std::to_string(d) + "; ";
      return t + std::to_string(cuts) + " cuts";
    }
  };
  auto run = [](const Bytes& file) {
    Session s;
    Outcome o;
    if (OpenBytes(s, file) != 0 || !Scan(s)) return o;
    for (std::size_t i = s.lastScanFirstBlock; i < s.errBlocks.size(); ++i)
      o.blocks.emplace_back(s.errBlocks[i].packet, static_cast<std::int64_t>(s.errBlocks[i].actualSize) - s.errBlocks[i].declaredSize);
    Repair(s, RepairMode::cutAndRemeasure, RepairOptions{});
    o.cuts = s.file.cuts.ranges().size();
    Scan(s);
    o.after = s.packets.size();
    return o;
  };
  std::mt19937 rng(7);
  for (int round = 0; round < 16; ++round) {
    Bytes a = bytes_, b = plain;
    const std::uint64_t k = 5 + rng() % (layout_.count - 10);
    const std::uint64_t at = layout_.at(k) + (round % 2 ? 0 : 100 + rng() % 2000);
    const std::size_t n = 50 + rng() % 5000;
    switch (round % 4) {
      case 0: ZeroRun(a, at, n), ZeroRun(b, at, n); break;
      case 1:
        for (std::size_t i = 0; i < n; ++i) a[at + i] = b[at + i] = static_cast<std::uint8_t>(rng());
        break;
      case 2: InsertBytes(a, at, n, 0), InsertBytes(b, at, n, 0); break;
      case 3: DeleteBytes(a, at, n), DeleteBytes(b, at, n); break;
    }
    const Outcome oa = run(a), ob = run(b);
    EXPECT_EQ(ob.text(), oa.text()) << "round " << round << " packet " << k << " bytes " << n;
    // Inserted bytes are cut exactly: every packet is back. (Other damage is
    // cut where its longest repeat lies, which lands differently in each form.)
    if (round % 4 == 2) {
      EXPECT_EQ(oa.after, layout_.count);
      EXPECT_EQ(ob.after, layout_.count);
    }
  }
}

// Random bytes inserted into a packet's structure (its parsing information, a
// payload header, its padding) or between two packets are found by where the
// packets parse again and cut: the packets come back byte for byte. Inside
// payload data the packet parses wherever the stretch is cut: a run of one
// byte says where it is, and decoding the frame tells the place of others.
TEST_F(RepairClip, RandomInsertedBytesAreFoundByThePacketStructure) {
  // A packet with two payloads or more and some padding, so every place exists.
  std::uint64_t k = 10;
  ParsedPacket p;
  for (; k + 10 < layout_.count; ++k)
    if (ParsePacket(ByteView(bytes_).subspan(layout_.at(k), layout_.P), p) == 0 && p.isMultiple() &&
        p.payloadCount() >= 2 && p.paddingLength >= 8)
      break;
  ASSERT_LT(k + 10, layout_.count) << "no packet with two payloads and padding";
  const std::uint64_t start = layout_.at(k);
  // A packet without padding: stretches cut anywhere in its data parse, so
  // bytes inserted after it are found only as the cut after the block's packets.
  std::uint64_t full = 10;
  ParsedPacket q;
  while (full + 10 < layout_.count &&
         (ParsePacket(ByteView(bytes_).subspan(layout_.at(full), layout_.P), q) != 0 || q.paddingLength != 0))
    ++full;
  ASSERT_LT(full + 10, layout_.count) << "no packet without padding";
  struct Place {
    const char* what;
    std::uint64_t at;
    bool found;
    int fill = -1;  // the byte of an inserted run; -1 for random bytes
  };
  const std::vector<Place> places{
      {"parsing information", start + 4, true},
      {"second payload header", start + p.payloadHeader(1) + 1, true},
      {"padding", start + layout_.P - p.paddingLength / 2, true},
      {"between packets", start + layout_.P, true},
      {"after a packet without padding", layout_.at(full + 1), true},
      // Inside payload data the packet parses wherever the stretch is cut:
      // decoding the frame tells the place.
      {"payload data", start + p.payloadData(0).first + 5, true},
      // A run of one byte says where it is, whatever its value.
      {"a run of one byte in payload data", start + p.payloadData(0).first + 5, true, 0xA5},
  };
  std::mt19937 rng(11);
  for (const Place& place : places) {
    SCOPED_TRACE(place.what);
    Bytes b = bytes_;
    Bytes noise(37);
    for (auto& x : noise) x = static_cast<std::uint8_t>(place.fill >= 0 ? place.fill : rng() | 1);  // no run of zeros
    b.insert(b.begin() + static_cast<std::ptrdiff_t>(place.at), noise.begin(), noise.end());
    const std::string in = TempPath("inserted.wmv"), out = TempPath("inserted.out.wmv");
    WriteFile(in, b);
    Session s;
    ASSERT_TRUE(OpenAndScan(s, in));
    ASSERT_EQ(s.errorList.size(), 1u);
    EXPECT_EQ(s.errorList[0].actualSize % layout_.P, 37u);  // the block may hold a neighbour that failed a check
    ASSERT_TRUE(Repair(s, RepairMode::cutEqualRepeats, RepairOptions{}));
    EXPECT_TRUE(s.file.cuts.empty());
    ASSERT_TRUE(Repair(s, RepairMode::cutByStructure, RepairOptions{}));
    if (!place.found) {
      EXPECT_TRUE(s.file.cuts.empty());
      continue;
    }
    ASSERT_EQ(s.file.cuts.ranges().size(), 1u);
    // Where zeros of the padding meet, any cut among them gives the same packet.
    EXPECT_EQ(s.file.cuts.ranges()[0].length, 37u);
    if (place.at == start + layout_.P || place.at == layout_.at(full + 1) || std::string(place.what) == "payload data") {
      EXPECT_EQ(s.file.cuts.ranges()[0].offset, place.at);
    }
    ASSERT_TRUE(Scan(s));
    EXPECT_TRUE(s.errorList.empty());
    ASSERT_TRUE(Save(s, out));
  ExpectSoundAsf(out);
    EXPECT_EQ(DataPackets(ReadFile(out)), DataPackets(bytes_));
    EXPECT_EQ(DemuxErrors(out), "");
  }
}

namespace {

// Every packet the demuxer reads of a file: stream, presentation time and a
// hash of its bytes.
std::vector<std::string> FrameHashes(const std::string& path) {
  const auto r = RunCommand(std::string(CORVEL_FFPROBE) +
                            " -v quiet -show_data_hash MD5 -show_entries packet=stream_index,pts,data_hash -of csv=p=0 " +
                            Quote(path));
  std::vector<std::string> out;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) out.push_back(line);
  return out;
}

// Frames of `path` that are no frame of the undamaged `sound` file, and
// frames of `sound` that `path` has lost.
struct FrameDiff {
  std::size_t damaged = 0, lost = 0;
};
FrameDiff CompareFrames(const std::vector<std::string>& sound, const std::string& path) {
  std::vector<std::string> a = sound, b = FrameHashes(path);
  std::sort(a.begin(), a.end());
  std::sort(b.begin(), b.end());
  std::vector<std::string> extra, missing;
  std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(extra));
  std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(missing));
  return {extra.size(), missing.size()};
}

// The decoder's complaints about a file.
std::string DecodeErrors(const std::string& path) {
  return RunCommand(std::string(CORVEL_FFMPEG) + " -v error -i " + Quote(path) + " -f null -").err;
}

}  // namespace

// Damage a packet's structure cannot hide: what the save writes holds whole,
// undamaged frames only, rescued where a damaged packet still carries intact
// payloads, and says how many media objects it left out.
class WholeFrames : public RepairClip {
 protected:
  static void SetUpTestSuite() {
    RepairClip::SetUpTestSuite();
    sound_ = FrameHashes(path_);
  }
  // A packet of three payloads or more, the second a fragment of a video frame.
  std::uint64_t multiPayloadPacket(ParsedPacket& p, std::uint64_t from = 10) const {
    for (std::uint64_t k = from; k + 10 < layout_.count; ++k)
      if (ParsePacket(ByteView(bytes_).subspan(layout_.at(k), layout_.P), p) == 0 && p.isMultiple() &&
          p.payloadCount() >= 3 && p.payload(1).payloadDataLength >= 200)
        return k;
    return 0;
  }
  // Saves the damaged bytes and compares the frames with the clip's.
  FrameDiff save(const Bytes& b, Session& s, bool keepIncomplete = false) {
    const std::string in = TempPath("whole.wmv"), out = TempPath("whole.out.wmv");
    WriteFile(in, b);
    EXPECT_TRUE(OpenAndScan(s, in));
    s.options.save.keepIncompleteObjects = keepIncomplete;
    EXPECT_TRUE(Save(s, out));
    if (!keepIncomplete) {
      EXPECT_EQ(DecodeErrors(out), "");
      EXPECT_EQ(DemuxErrors(out), "");
    }
    return CompareFrames(sound_, out);
  }
  // The presentation time ffprobe gives the media object of payload k.
  static std::string ptsOf(const ParsedPacket& p, std::size_t k, std::int64_t prerollMs) {
    return "," + std::to_string(std::int64_t{p.payload(k).presentationTime} - prerollMs) + ",";
  }
  static bool hasFrameAt(const std::vector<std::string>& frames, const std::string& pts) {
    return std::any_of(frames.begin(), frames.end(), [&](const std::string& f) { return f.find(pts) != std::string::npos; });
  }
  static std::vector<std::string> sound_;
};
std::vector<std::string> WholeFrames::sound_;

// Bytes deleted inside the second payload's data: the packet's third payload
// header moves with them. The second payload's frame is left out; the first
// payload and those after the damage (found where their headers moved) are
// rescued, and every frame written is byte for byte the clip's.
TEST_F(WholeFrames, BytesDeletedInsideAPacketKeepThePayloadsBefore) {
  ParsedPacket p;
  const std::uint64_t k = multiPayloadPacket(p);
  ASSERT_NE(k, 0u) << "no packet of three payloads";
  Bytes b = bytes_;
  DeleteBytes(b, layout_.at(k) + p.payloadData(1).first + 50, 60);
  Session s;
  const FrameDiff d = save(b, s);
  EXPECT_EQ(d.damaged, 0u);
  EXPECT_GE(d.lost, 1u);
  EXPECT_LE(d.lost, 2u);
  EXPECT_GE(s.lastSave.leftOut.total(), 1u);
  EXPECT_EQ(s.lastSave.rescuedPayloads, p.payloadCount() - 1);
  EXPECT_NE(s.statusText().find("пропущено неполных медиаобъектов (видео, звук): "), std::string::npos);
  // The first payload's frame is whole: its last fragment was rescued.
  const std::int64_t preroll = s.structure.rec.fileProperties.preroll;
  if (p.payload(0).offsetIntoMediaObject + p.payload(0).payloadDataLength == p.payload(0).mediaObjectSize) {
    EXPECT_TRUE(hasFrameAt(FrameHashes(TempPath("whole.out.wmv")), ptsOf(p, 0, preroll)));
  }
  EXPECT_FALSE(hasFrameAt(FrameHashes(TempPath("whole.out.wmv")), ptsOf(p, 1, preroll)));

  // Kept as found, the damaged packet is lost whole.
  Session raw;
  const FrameDiff kept = save(b, raw, true);
  EXPECT_GT(kept.lost, d.lost);
  EXPECT_EQ(raw.lastSave.leftOut.total(), 0u);
  EXPECT_EQ(raw.lastSave.rescuedPayloads, 0u);
}

// Bytes deleted inside a packet's last payload: the packet parses, the next
// one begins inside it; its last payload goes, the rest stays as it was.
TEST_F(WholeFrames, BytesDeletedInTheLastPayloadDropOnlyItsFrame) {
  ParsedPacket p;
  const std::uint64_t k = multiPayloadPacket(p);
  ASSERT_NE(k, 0u);
  const std::size_t last = p.payloadCount() - 1;
  ASSERT_GE(p.payloadData(last).second, 40u);
  Bytes b = bytes_;
  DeleteBytes(b, layout_.at(k) + p.payloadData(last).first + 10, 20);
  Session s;
  const FrameDiff d = save(b, s);
  EXPECT_EQ(d.damaged, 0u);
  EXPECT_GE(d.lost, 1u);
  EXPECT_LE(d.lost, 2u);
  const std::vector<std::string> frames = FrameHashes(TempPath("whole.out.wmv"));
  const std::int64_t preroll = s.structure.rec.fileProperties.preroll;
  EXPECT_FALSE(hasFrameAt(frames, ptsOf(p, last, preroll)));
  // The packet's other payloads were rewritten without it: their frames stay.
  for (std::size_t i = 0; i < last; ++i) {
    const Payload pl = p.payload(i);
    if (pl.offsetIntoMediaObject + pl.payloadDataLength == pl.mediaObjectSize) {
      EXPECT_TRUE(hasFrameAt(frames, ptsOf(p, i, preroll))) << "payload " << i;
    }
  }
}

// Random bytes over a payload's header and data: that frame is left out,
// the frames of the packets around are kept, nothing damaged is written.
TEST_F(WholeFrames, GarbageOverAPayloadLeavesOutItsFrameOnly) {
  ParsedPacket p;
  const std::uint64_t k = multiPayloadPacket(p);
  ASSERT_NE(k, 0u);
  Bytes b = bytes_;
  std::mt19937 rng(5);
  const std::uint64_t from = layout_.at(k) + p.payloadHeader(1);
  for (std::uint64_t i = from; i < from + 150; ++i) b[i] = static_cast<std::uint8_t>(rng());
  Session s;
  const FrameDiff d = save(b, s);
  EXPECT_EQ(d.damaged, 0u);
  // The frames of the damaged packet's payloads at most (the payload before
  // the damage goes too: the damage may have begun in its data).
  EXPECT_GE(d.lost, 1u);
  EXPECT_LE(d.lost, p.payloadCount());
  EXPECT_GE(s.lastSave.leftOut.total(), 1u);
  EXPECT_FALSE(hasFrameAt(FrameHashes(TempPath("whole.out.wmv")), ptsOf(p, 1, s.structure.rec.fileProperties.preroll)));
}

// A sound file loses nothing and is written as it is.
TEST_F(WholeFrames, SoundFileIsWrittenAsItIs) {
  Session s;
  const FrameDiff d = save(bytes_, s);
  EXPECT_EQ(d.damaged, 0u);
  EXPECT_EQ(d.lost, 0u);
  EXPECT_EQ(s.lastSave.leftOut.total(), 0u);
  EXPECT_EQ(s.statusText(), "файл сохранён");
  EXPECT_EQ(DataPackets(ReadFile(TempPath("whole.out.wmv"))), DataPackets(bytes_));
}

// Counts the bytes read from the disk, every one through these calls.
class CountedReads : public ReadCalls {
 public:
  std::int64_t read(int fd, std::uint64_t offset, std::span<std::uint8_t> out) override {
    const std::int64_t got = ReadCalls::read(fd, offset, out);
    if (got > 0) bytes += static_cast<std::uint64_t>(got);
    return got;
  }
  bool direct() const override { return false; }
  std::uint64_t bytes = 0;
};

struct Shape {
  const char* name;
  std::function<void(Bytes&, const Layout&)> damage;
  std::function<void(SaveOptions&)> options;
  bool repair = false;
  // What the save reads besides the scan: nothing (the packets are whole and
  // in place), the packets from the first it writes otherwise on, or all
  // of them (renumbered: written through memory).
  enum class Reads { none, fewer, all } reads = Reads::fewer;
};

// A save whose scan copies what it reads into the output writes what a
// scan and then a save write, byte for byte, reading the source once where
// the packets lie in place.
TEST_F(RepairClip, ScanAndSaveInOneReadWritesWhatTwoReadsWrite) {
  const auto none = [](SaveOptions&) {};
  const Shape shapes[] = {
      {"sound", [](Bytes&, const Layout&) {}, none, false, Shape::Reads::none},
      {"minimal header, no index", [](Bytes&, const Layout&) {}, [](SaveOptions& o) { o.header = HeaderMode::minimal, o.writeIndex = false; }, false, Shape::Reads::none},
      {"renumbered", [](Bytes&, const Layout&) {}, [](SaveOptions& o) { o.renumberMediaObjects = true; }, false, Shape::Reads::all},
      {"zeros over a packet", [](Bytes& b, const Layout& l) { ZeroRun(b, l.at(40) + 30, 900); }, none},
      {"bytes deleted", [](Bytes& b, const Layout& l) { DeleteBytes(b, l.at(60) + 700, 3000); }, none},
      {"bytes deleted, incomplete kept", [](Bytes& b, const Layout& l) { DeleteBytes(b, l.at(60) + 700, 3000); },
       [](SaveOptions& o) { o.keepIncompleteObjects = true; }},
      {"zeros inserted, repaired", [](Bytes& b, const Layout& l) { InsertBytes(b, DataArea(b, l, 12), 500, 0); }, none, true},
      {"last packet cut short", [](Bytes& b, const Layout& l) { b.resize(l.at(l.count - 1) + 100); }, none},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.name);
    Bytes b = bytes_;
    shape.damage(b, layout_);
    const std::string in = TempPath("once.wmv"), twice = TempPath("once.twice.wmv"), once = TempPath("once.once.wmv");
    WriteFile(in, b);
    std::error_code ec;
    std::filesystem::remove(twice, ec);
    std::filesystem::remove(once, ec);
    auto run = [&](const std::string& out, bool oneRead, CountedReads& reads) {
      Session s;
      EXPECT_TRUE(OpenFile(s, in, &reads));
      shape.options(s.options.save);
      if (shape.repair) {
        EXPECT_TRUE(Scan(s));
        EXPECT_TRUE(Repair(s, RepairMode::cutEqualRepeats, RepairOptions{}));
        EXPECT_FALSE(s.file.cuts.empty());
      }
      const std::uint64_t before = reads.bytes;
      const bool saved = oneRead ? ScanAndSave(s, out) : Scan(s) && Save(s, out);
      reads.bytes -= before;
      EXPECT_TRUE(saved) << s.statusText();
      return s.statusText();
    };
    CountedReads twiceReads, onceReads;
    const std::string twiceSaid = run(twice, false, twiceReads);
    const std::string onceSaid = run(once, true, onceReads);
    EXPECT_EQ(onceSaid, twiceSaid);
    const Bytes written = ReadFile(once);
    ASSERT_FALSE(written.empty());
    EXPECT_TRUE(written == ReadFile(twice)) << "the outputs differ";
    EXPECT_FALSE(std::filesystem::exists(once + ".partial"));
    // The source's bytes once, and the header objects the save copies.
    const std::uint64_t size = b.size();
    EXPECT_GT(twiceReads.bytes, 2 * size - size / 20);
    switch (shape.reads) {
      case Shape::Reads::none: EXPECT_LT(onceReads.bytes, size + size / 20) << onceReads.bytes << " of " << size; break;
      case Shape::Reads::fewer: EXPECT_LT(onceReads.bytes, twiceReads.bytes); break;
      case Shape::Reads::all: EXPECT_EQ(onceReads.bytes, twiceReads.bytes); break;
    }
  }
}
