// Saving and its ground truth: header objects written back byte for byte,
// damaged clips repaired to their undamaged packets, ffmpeg as the judge.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "asf/catalogue.hpp"
#include "asf/locators.hpp"
#include "asf/header_writers.hpp"
#include "asf/readers.hpp"
#include "asf/object_table.hpp"
#include "session/actions.hpp"
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
std::vector<std::pair<std::string, Bytes>> Rewritten(Session& s) {
  std::vector<std::pair<std::string, Bytes>> out;
  std::size_t spo = 0;
  for (const ObjectEntry& b : s.structure.objects) {
    const ObjectKind* kind = FindObjectKind(b.guid);
    if (!kind || !kind->write) continue;
    HeaderRecords r = s.structure.rec;
    // One stream's object at a time.
    if (b.guid == guid::StreamProperties) r.ASFSPO = {s.structure.rec.ASFSPO.at(spo++)};
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
  TAsfContentDescriptionObject cdo;
  setObjectSizeASFCDO(cdo);
  EXPECT_EQ(cdo.TitleLength, 2);
  EXPECT_EQ(cdo.ObjectSize, 34 + 5 * 2);
  TAsfCodecListObject clo;
  clo.CodecEntries.push_back({2, 0, u"", 0, u"desc", 0, Bytes{0x61, 0x01}});
  setObjectSizeASFCLO(clo);
  EXPECT_EQ(clo.CodecEntries[0].CodecNameLength, 0);
  EXPECT_EQ(clo.CodecEntries[0].CodecDescriptionLength, 5);
  Bytes w;
  writeASFCLO(clo, w);
  EXPECT_EQ(static_cast<std::int64_t>(w.size()), clo.ObjectSize);
  TAsfCodecListObject back;
  readCLO(w, back);
  EXPECT_EQ(back.CodecEntries[0].CodecName, u"");
  EXPECT_EQ(back.CodecEntries[0].CodecDescription, u"desc");
  // Markers read back as written (the description length counts characters).
  TAsfMarkerObject mao;
  mao.Name = u"Главы";
  mao.Markers = {{0, 10000000, 0, 1000, 0, 0, u"Начало"}, {0, 20000000, 0, 2000, 0, 0, u""}};
  setObjectSizeASFMAO(mao);
  w.clear();
  writeASFMAO(mao, w);
  EXPECT_EQ(static_cast<std::int64_t>(w.size()), mao.ObjectSize);
  TAsfMarkerObject mback;
  readMAO(w, mback);
  ASSERT_EQ(mback.Markers.size(), 2u);
  EXPECT_EQ(mback.Name, u"Главы");
  EXPECT_EQ(mback.Markers[0].MarkerDescription, u"Начало");
  EXPECT_EQ(mback.Markers[1].SendTime, 2000u);
  // A non-text value is copied byte for byte.
  TAsfExtendedContentDescriptionObject ecd;
  ecd.ContentDescriptors.push_back({0, u"WM/Track", 3, 0, u"", Bytes{5, 0, 0, 0}});
  setObjectSizeASFECD(ecd);
  EXPECT_EQ(ecd.ContentDescriptors[0].DescriptorValueLength, 4);
  w.clear();
  writeASFECD(ecd, w);
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
    EXPECT_EQ(s.file.cuts.ranges(), (std::vector<TCutRange>{{at, 500}}));
    ASSERT_TRUE(Scan(s));
    EXPECT_TRUE(s.errorList.empty());
    EXPECT_EQ(s.packets.size(), layout_.count);
    ASSERT_TRUE(Save(s, out));
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
  for (const auto& it : s.structure.objects) ids.push_back(it.guid);
  ASSERT_GE(ids.size(), 4u);
  EXPECT_EQ(ids.front(), guid::FileProperties);
  EXPECT_EQ(ids.back(), guid::Data);
  EXPECT_TRUE(s.structure.rec.ASFFPO.present);
  EXPECT_EQ(s.structure.rec.ASFSPO.size(), 2u);
  EXPECT_GE(s.structure.dataObjectIndex, 0);
  EXPECT_EQ(s.options.save.header, HeaderMode::minimal);
  EXPECT_FALSE(s.options.sourceHeaderUsable);
  ASSERT_TRUE(Scan(s));
  ASSERT_TRUE(Save(s, out));
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
    if (it.parent == 0) a.emplace_back(it.guid, it.offset);
  for (const auto& it : recon.structure.objects)
    if (it.parent == 0) b.emplace_back(it.guid, it.offset);
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
  Session o;
  ASSERT_TRUE(OpenFile(o, out));
  EXPECT_TRUE(o.memo.lines().empty()) << MemoText(o);
  EXPECT_EQ(o.structure.rec.ASFFPO.FileSize, o.file.fsize);
  EXPECT_EQ(o.structure.rec.ASFFPO.DataPacketsCount, static_cast<std::int64_t>(layout_.count));
  EXPECT_EQ(o.structure.rec.ASFFPO.Flags & 3u, 2u);
  EXPECT_NEAR(o.structure.rec.ASFFPO.PlayDuration, h.structure.rec.ASFFPO.PlayDuration, 1'000'000);  // within 0.1 s
  EXPECT_NEAR(o.structure.rec.ASFFPO.SendDuration, h.structure.rec.ASFFPO.SendDuration, 1'000'000);
  EXPECT_TRUE(o.structure.rec.ASFSIO.present);
  const double d = std::stod(Probe(out)["format"]["duration"].get<std::string>());
  EXPECT_NEAR(d, std::stod(Probe(path_)["format"]["duration"].get<std::string>()), 0.1);
}

TEST_F(RepairClip, MinimalHeaderNoIndexAndFileSize) {
  const std::string in = Clip("cyrillic"), out = TempPath("min.out.wmv");
  Session s;
  ASSERT_TRUE(OpenAndScan(s, in));
  ASSERT_TRUE(s.structure.rec.ASFCDO.present);
  s.options.save.header = HeaderMode::minimal;
  s.options.save.writeIndex = false;
  ASSERT_TRUE(Save(s, out));
  Session o;
  ASSERT_TRUE(OpenFile(o, out));
  EXPECT_TRUE(o.memo.lines().empty()) << MemoText(o);
  EXPECT_FALSE(o.structure.rec.ASFCDO.present);
  EXPECT_FALSE(o.structure.rec.ASFECD.present);
  EXPECT_FALSE(o.structure.rec.ASFSIO.present);
  std::uint32_t children = 0;
  for (const auto& it : o.structure.objects) children += it.parent == 0;
  EXPECT_EQ(o.structure.rec.ASFHDR.NumberOfHeaderObjects, children);
  EXPECT_EQ(children, 1u + 2u + 1u);  // file properties, two streams, codec list
  EXPECT_EQ(QWordOr0(ReadFile(out), 70), o.file.fsize);
  EXPECT_EQ(DemuxErrors(out), "");
}

TEST_F(RepairClip, RenumberedSaveStillDecodes) {
  const std::string in = TempPath("renum.wmv"), out = TempPath("renum.out.wmv");
  WriteFile(in, bytes_);
  Session s;
  ASSERT_TRUE(OpenAndScan(s, in));
  s.options.save.renumberMediaObjects = true;
  ASSERT_TRUE(Save(s, out));
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

TEST_F(RepairClip, StoppedSaveKeepsFileSizeAndHasNoIndex) {
  StopAfter rep(2);
  const std::string in = TempPath("stopsave.wmv"), out = TempPath("stopsave.out.wmv");
  WriteFile(in, bytes_);
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(OpenAndScan(s, in));
  EXPECT_FALSE(Save(s, out, rep.token(), &rep));
  EXPECT_EQ(s.statusText(), "file save error");
  EXPECT_NE(MemoText(s).find("• interrupted by user"), std::string::npos);
  const Bytes saved = ReadFile(out);
  EXPECT_EQ(QWordOr0(saved, 70), static_cast<std::int64_t>(saved.size()));
  EXPECT_LT(saved.size(), bytes_.size() * 9 / 10);  // cut short, and no index
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
  EXPECT_EQ(ProbeFrames(out).frames, probe_.frames);
  EXPECT_EQ(DemuxErrors(out), "");
  EXPECT_EQ(DataPackets(ReadFile(out)), DataPackets(plain));

  // 500 zero bytes pushed into packet 12: found, cut, and the packets back.
  Bytes damaged = plain;
  InsertBytes(damaged, DataArea(plain, layout_, 12), 500, 0);
  const std::string din = TempPath("plain-damaged.wmv"), dout = TempPath("plain-damaged.out.wmv");
  WriteFile(din, damaged);
  Session d;
  ASSERT_TRUE(OpenAndScan(d, din));
  ASSERT_EQ(d.errorList.size(), 1u);
  EXPECT_EQ(d.errorList[0].delta(), 500);
  ASSERT_TRUE(Repair(d, RepairMode::cutEqualRepeats, RepairOptions{}));
  ASSERT_TRUE(Scan(d));
  EXPECT_TRUE(d.errorList.empty());
  ASSERT_TRUE(Save(d, dout));
  EXPECT_EQ(DataPackets(ReadFile(dout)), DataPackets(plain));
  EXPECT_EQ(ProbeFrames(dout).frames, probe_.frames);
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
// payload data the packet parses wherever the stretch is cut, so the place is
// not known and the block is left as it is, unless the stretch is a run of
// one byte.
TEST_F(RepairClip, RandomInsertedBytesAreFoundByThePacketStructure) {
  // A packet with two payloads or more and some padding, so every place exists.
  std::uint64_t k = 10;
  TAsfDataPacket p;
  for (; k + 10 < layout_.count; ++k)
    if (ParsePacket(ByteView(bytes_).subspan(layout_.at(k), layout_.P), p) == 0 && p.isMultiple() &&
        p.payloadCount() >= 2 && p.paddingLength >= 8)
      break;
  ASSERT_LT(k + 10, layout_.count) << "no packet with two payloads and padding";
  const std::uint64_t start = layout_.at(k);
  // A packet without padding: stretches cut anywhere in its data parse, so
  // bytes inserted after it are found only as the cut after the block's packets.
  std::uint64_t full = 10;
  TAsfDataPacket q;
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
      {"payload data", start + p.payloadData(0).first + 5, false},
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
    EXPECT_EQ(s.errorList[0].realSize % layout_.P, 37u);  // the block may hold a neighbour that failed a check
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
    if (place.at == start + layout_.P || place.at == layout_.at(full + 1)) {
      EXPECT_EQ(s.file.cuts.ranges()[0].offset, place.at);
    }
    ASSERT_TRUE(Scan(s));
    EXPECT_TRUE(s.errorList.empty());
    ASSERT_TRUE(Save(s, out));
    EXPECT_EQ(DataPackets(ReadFile(out)), DataPackets(bytes_));
    EXPECT_EQ(DemuxErrors(out), "");
  }
}
