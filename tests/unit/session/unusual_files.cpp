// Files the catalogue walk once stopped at, and packets without error
// correction data: both are sound files a user may bring.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "asf/catalogue.hpp"
#include "asf/object_table.hpp"
#include "repair/save.hpp"
#include "session/actions.hpp"
#include "support/asf_builder.hpp"
#include "support/damage.hpp"
#include "support/clips.hpp"
#include "support/open.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

PayloadSpec Video(std::uint32_t mo, std::uint32_t off, std::uint32_t pt, std::uint32_t len, bool key = false) {
  return {1, key, mo, off, 2 * len, pt, len, static_cast<std::uint8_t>(0x10 + mo)};
}
PayloadSpec Audio(std::uint32_t mo, std::uint32_t pt, std::uint32_t len = 120) {
  return {2, false, mo, 0, len, pt, len, static_cast<std::uint8_t>(0x60 + mo)};
}

// Packets of a short recording: a key frame every 4 media objects, two
// fragments a frame, an audio payload beside each; single and multiple
// payloads alternate, with number fields of every width.
std::vector<Bytes> Recording(std::uint32_t P, bool errorCorrection, int count = 40) {
  std::vector<Bytes> pk;
  for (int k = 0; k < count; ++k) {
    const auto mo = static_cast<std::uint32_t>(k / 2);
    const auto pt = 3000 + 40 * mo;
    PacketSpec spec{static_cast<std::uint32_t>(2000 + 20 * k), 20, true,
                    {Video(mo, (k % 2) * 150, pt, 150, mo % 4 == 0 && k % 2 == 0), Audio(static_cast<std::uint32_t>(k), pt)}};
    if (k % 5 == 4) {  // a single payload now and then: the frame's second half alone
      spec.multiple = false;
      spec.payloads.pop_back();
    }
    spec.numberWidth = (k / 10) % 2 ? 2 : 1;
    spec.errorCorrection = errorCorrection;
    pk.push_back(DataPacket(spec, P));
  }
  return pk;
}

}  // namespace

TEST(PlainPackets, ParseEveryShapeTheFormAllows) {
  const std::uint32_t P = 500;
  for (const bool multiple : {true, false})
    for (const int width : {0, 1, 2, 4})
      for (const std::int64_t length : {std::int64_t{-1}, std::int64_t{P}, std::int64_t{P - 37}}) {
        PacketSpec spec{1000, 7, multiple, {Video(3, 0, 4000, 100, true), Audio(9, 4000)}};
        if (!multiple) spec.payloads.pop_back();
        spec.numberWidth = width;
        spec.errorCorrection = false;
        spec.packetLength = length;
        const Bytes b = DataPacket(spec, P);
        ASSERT_TRUE(LooksLikePacketStart(b, PacketForm::plain));
        ASSERT_FALSE(LooksLikePacketStart(b, PacketForm::errorCorrection));
        ParsedPacket p;
        ASSERT_EQ(ParsePacket(b, p), 0) << multiple << width << length;
        EXPECT_EQ(p.errorCorrection.size, 0u);
        EXPECT_EQ(p.sendTime, 1000u);
        EXPECT_TRUE(payloadsFillPacket(p, P)) << multiple << width << length;
        EXPECT_EQ(UsedLength(p, P), length < 0 ? P : static_cast<std::uint64_t>(length));
        EXPECT_EQ(p.payload(0).mediaObjectNumber, width ? 3u : 0u);
        EXPECT_EQ(p.payload(0).presentationTime, 4000u);
        // The payload's data: exactly its bytes, whatever follows the used length.
        const auto [at, len] = p.payloadData(0);
        EXPECT_EQ(len, multiple ? 100u : UsedLength(p, P) - p.payloadStart - p.single.headerLength - p.paddingLength);
        EXPECT_EQ(b[at], 0x13);
      }
}

// Plain packets go through the save, the renumbering and the media object
// walk like the others.
TEST(PlainPackets, SaveKeepsThemAsTheyAre) {
  const std::uint32_t P = 600;
  const Bytes plain = FileWithPackets(Recording(P, false), P);
  Session s;
  ASSERT_EQ(OpenBytes(s, plain), 0);
  ASSERT_TRUE(Scan(s));
  EXPECT_EQ(s.packets.size(), 40u);
  const std::string out = TempPath("plain.saved.wmv");
  ASSERT_TRUE(Save(s, out));
  const Bytes saved = ReadFile(out);
  const Layout a = LayoutOf(plain), b = LayoutOf(saved);
  ASSERT_EQ(b.count, a.count);
  EXPECT_TRUE(std::equal(plain.begin() + static_cast<std::ptrdiff_t>(a.first), plain.begin() + static_cast<std::ptrdiff_t>(a.at(a.count)),
                         saved.begin() + static_cast<std::ptrdiff_t>(b.first)));
  Session again;
  ASSERT_EQ(OpenBytes(again, saved), 0);
  ASSERT_TRUE(Scan(again));
  EXPECT_EQ(again.packets.size(), 40u);
  EXPECT_TRUE(again.errorList.empty());
}

// The save keeps the header objects it has no writer for, byte for byte and
// in their order, and leaves out those that belong to the old data.
TEST(HeaderCopies, ObjectsWithoutAWriterAreKept) {
  const std::uint32_t P = 600;
  const Bytes script = Object(Guid::parse("1EFB1A30-0B62-11D0-A39B-00A0C90348F6"), Bytes(40, 0x31));
  const Bytes encryption = Object(Guid::parse("2211B3FB-BD23-11D2-B4B7-00A0C955FC6E"), Bytes(60, 0x32));
  const Bytes unknown = Object(Guid::parse("A1B2C3D4-0000-1111-2222-333344445555"), Bytes(12, 0x33));
  const Bytes branding = Object(guid::ContentBranding, Writer().u32(0).u32(0).u32(4).chars("http").take());
  const Bytes signature = Object(guid::DigitalSignature, Bytes(20, 0x34));
  const Bytes file =
      FileWithPackets(Recording(P, true, 8), P, {Padding(30), script, encryption, unknown, branding, signature});
  for (const bool minimal : {false, true}) {
    Session s;
    ASSERT_EQ(OpenBytes(s, file), 0);
    ASSERT_TRUE(Scan(s));
    s.options.save.header = minimal ? HeaderMode::minimal : HeaderMode::fromSource;
    const std::string out = TempPath(minimal ? "copies-min.wmv" : "copies.wmv");
    ASSERT_TRUE(Save(s, out));
    Session o;
    ASSERT_EQ(OpenBytes(o, ReadFile(out)), 0);
    EXPECT_TRUE(o.logLines.lines().empty()) << MemoText(o);
    const Bytes saved = ReadFile(out);
    std::vector<Bytes> kept;
    for (const ObjectEntry& e : o.structure.objects)
      if (e.parent == 0 && !FindObjectKind(e.guid))
        kept.emplace_back(saved.begin() + e.offset, saved.begin() + e.offset + e.size);
    if (minimal) {
      EXPECT_TRUE(kept.empty());
    } else {
      EXPECT_EQ(kept, (std::vector<Bytes>{script, encryption, unknown}));
      EXPECT_TRUE(o.structure.rec.contentBranding.present);  // parsed, no writer: copied too
    }
    // The header's count and size take the copies in.
    EXPECT_EQ(o.structure.rec.header.objectCount, o.structure.objects.size() - 2 - (o.structure.rec.simpleIndex.present ? 1 : 0));
    EXPECT_EQ(o.structure.rec.header.objectSize, o.structure.dataObjectOffset);
    EXPECT_EQ(o.packets.size(), 0u);
    ASSERT_TRUE(Scan(o));
    EXPECT_EQ(o.packets.size(), 8u);
  }
}

// A recording left unfinished: Broadcast set, File Size and packet count 0,
// and a Data Object size from an early flush. The scan runs to the real end.
TEST(UnusualRecordings, UnfinishedRecordingIsNotCutShortByAStaleDataSize) {
  const std::uint32_t P = 600;
  Bytes file = FileWithPackets(Recording(P, true, 30), P);
  Session h;
  ASSERT_EQ(OpenBytes(h, file), 0);
  const auto fpo = static_cast<std::size_t>(h.structure.objects[1].offset);
  const auto dao = static_cast<std::size_t>(h.structure.dataObjectOffset);
  Patch64(file, fpo + 40, 0);             // File Size
  Patch64(file, fpo + 56, 0);             // Data Packets Count
  Patch32(file, fpo + 88, 1);             // Broadcast
  Patch64(file, dao + 16, 50 + 10 * P);   // size at an earlier flush
  Patch64(file, dao + 40, 10);
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(ScanBytes(s, file));
  EXPECT_EQ(s.packets.size(), 30u);
  EXPECT_TRUE(s.errBlocks.empty());
}

// Zeroed last packets: the scan ends inside the damage and still lists it.
TEST(UnusualRecordings, DamageAtTheEndIsListed) {
  const std::uint32_t P = 600;
  Bytes file = FileWithPackets(Recording(P, true, 30), P);
  const Layout l = LayoutOf(file);
  ZeroRun(file, l.at(27), 3 * P);
  Session s;
  s.lang = Language::eng;
  ASSERT_TRUE(ScanBytes(s, file));
  EXPECT_EQ(s.packets.size(), 27u);
  ASSERT_EQ(s.errorList.size(), 1u);
  EXPECT_EQ(s.errorList[0].offset, l.at(26));
  EXPECT_EQ(s.errorList[0].actualSize, 4u * P);
  EXPECT_GE(s.errorList[0].repLen, 3u * P);  // the zeros (and the padding before them), measured
  EXPECT_EQ(s.errorRows.size(), 1u);
}

// File Properties lost: the packet size comes from the Data Object, or from
// the spacing of the packets when the Data Object cannot tell; the save
// writes a File Properties Object from what it wrote.
TEST(UnusualRecordings, PacketSizeIsInferredWhenFilePropertiesIsLost) {
  const std::uint32_t P = 600;
  const Bytes sound = FileWithPackets(Recording(P, true, 20), P);
  Session h;
  ASSERT_EQ(OpenBytes(h, sound), 0);
  const auto fpo = static_cast<std::size_t>(h.structure.objects[1].offset);
  const auto dao = static_cast<std::size_t>(h.structure.dataObjectOffset);
  for (const int variant : {0, 1, 2}) {
    const bool fromSpacing = variant == 1;
    Bytes file = sound;
    if (variant < 2) {
      file[fpo + 15] ^= 0xFF;  // the File Properties' GUID damaged: an unknown object now
    } else {
      Patch32(file, fpo + 92, 0);  // or its packet sizes zeroed
      Patch32(file, fpo + 96, 0);
    }
    if (fromSpacing) Patch64(file, dao + 40, 0);  // and no packet count to divide by
    Session s;
    s.lang = Language::eng;
    ASSERT_EQ(OpenBytes(s, file), 0);
    EXPECT_EQ(s.structure.rec.fileProperties.present, variant == 2);
    ASSERT_TRUE(Scan(s)) << MemoText(s);
    EXPECT_NE(MemoText(s).find("• packet size inferred from the data: 600"), std::string::npos);
    EXPECT_EQ(s.packets.size(), 20u);
    EXPECT_TRUE(s.errBlocks.empty());
    const std::string out = TempPath("no-fpo-" + std::to_string(variant) + ".wmv");
    ASSERT_TRUE(Save(s, out));
    Session o;
    ASSERT_EQ(OpenBytes(o, ReadFile(out)), 0);
    const auto& f = o.structure.rec.fileProperties;
    ASSERT_TRUE(f.present);
    EXPECT_EQ(f.minimumPacketSize, P);
    EXPECT_EQ(f.maximumPacketSize, P);
    EXPECT_EQ(f.packetCount, 20);
    EXPECT_EQ(f.fileSize, static_cast<std::int64_t>(ReadFile(out).size()));
    EXPECT_GT(f.playDuration, 0);
    EXPECT_EQ(f.flags & 1u, 0u);
    ASSERT_TRUE(Scan(o));
    EXPECT_EQ(o.packets.size(), 20u);
    EXPECT_TRUE(MemoText(o).find("inferred") == std::string::npos);
  }
}

// Old copies of header objects in stale tag data between the header and the
// data: the reconstruction keeps one Stream Properties Object per stream and
// one of every other object, preferring the header's own.
TEST(UnusualRecordings, ReconstructionKeepsOneOfEachObject) {
  const std::uint32_t P = 600;
  const Bytes sound = FileWithPackets(Recording(P, true, 6), P);
  Session h;
  ASSERT_EQ(OpenBytes(h, sound), 0);
  const auto headerSize = static_cast<std::size_t>(h.structure.dataObjectOffset);
  // Stale copies of the header's objects, then the Data Object; the Header
  // Object's size still says where the stale bytes begin.
  Bytes stale;
  for (int copy = 0; copy < 3; ++copy)
    for (std::size_t k = 1; k < h.structure.objects.size(); ++k) {
      const ObjectEntry& e = h.structure.objects[k];
      if (e.parent != 0) continue;
      stale.insert(stale.end(), sound.begin() + e.offset, sound.begin() + e.offset + e.size);
      stale.insert(stale.end(), 7, 0x20);  // tag text between them
    }
  Bytes file(sound.begin(), sound.begin() + static_cast<std::ptrdiff_t>(headerSize));
  file.insert(file.end(), stale.begin(), stale.end());
  file.insert(file.end(), sound.begin() + static_cast<std::ptrdiff_t>(headerSize), sound.end());
  Session s;
  ASSERT_EQ(OpenBytes(s, file), 0);
  EXPECT_EQ(s.structure.dataObjectIndex, -1);  // the walk stops in the stale bytes
  ASSERT_TRUE(Reconstruct(s));
  std::map<std::string, int> count;
  for (const ObjectEntry& e : s.structure.objects) ++count[e.guid.text()];
  EXPECT_EQ(count[guid::StreamProperties.text()], 2);  // streams 1 and 2
  EXPECT_EQ(count[guid::FileProperties.text()], 1);
  EXPECT_EQ(count[guid::Data.text()], 1);
  for (const ObjectEntry& e : s.structure.objects)
    if (e.guid == guid::StreamProperties || e.guid == guid::FileProperties) {
      EXPECT_LT(e.offset, static_cast<std::int64_t>(headerSize));  // the header's own
      EXPECT_EQ(e.parent, 0);
    }
  EXPECT_EQ(s.structure.rec.streams.size(), 2u);
  ASSERT_TRUE(Scan(s));
  EXPECT_EQ(s.packets.size(), 6u);
}

// The window's road: open, scan, repair, save, with no scan between the
// repair and the save. The save scans the repaired logical file itself and
// writes what it found: the sound file's packets.
TEST(UnusualRecordings, SaveAfterARepairWithoutANewScan) {
  const std::uint32_t P = 600;
  const Bytes sound = FileWithPackets(Recording(P, true, 30), P);
  const Layout l = LayoutOf(sound);
  Bytes damaged = sound;
  InsertBytes(damaged, l.at(12) + 300, 700, 0);
  Session s;
  ASSERT_EQ(OpenBytes(s, damaged), 0);
  ASSERT_TRUE(Scan(s));
  ASSERT_EQ(s.errorList.size(), 1u);
  ASSERT_TRUE(Repair(s, RepairMode::cutEqualRepeats, RepairOptions{}));
  ASSERT_EQ(s.file.cuts.ranges().size(), 1u);
  const std::string out = TempPath("saved-after-repair.wmv");
  ASSERT_TRUE(Save(s, out));
  EXPECT_EQ(s.packets.size(), 30u);  // the save's own scan, applied
  EXPECT_TRUE(s.errorList.empty());
  const Bytes saved = ReadFile(out);
  const Layout o = LayoutOf(saved);
  ASSERT_EQ(o.count, l.count);
  EXPECT_TRUE(std::equal(sound.begin() + static_cast<std::ptrdiff_t>(l.first), sound.begin() + static_cast<std::ptrdiff_t>(l.at(l.count)),
                         saved.begin() + static_cast<std::ptrdiff_t>(o.first)));
  // Saved again with nothing changed: no second scan is needed.
  SaveJob job;
  ASSERT_TRUE(PrepareSave(s, TempPath("again.wmv"), job));
  EXPECT_FALSE(job.rescan.has_value());
}

// A save that fails leaves no file behind; a device given as the output is
// never removed.
TEST(UnusualRecordings, AFailedSaveLeavesNoPartialFile) {
  const std::uint32_t P = 600;
  const std::string in = TempPath("shrinking.wmv"), out = TempPath("shrinking.out.wmv");
  WriteFile(in, FileWithPackets(Recording(P, true, 30), P));
  Session s;
  ASSERT_TRUE(OpenFile(s, in));
  ASSERT_TRUE(Scan(s));
  Bytes cut = ReadFile(in);
  cut.resize(cut.size() / 2);  // the source shrinks after the scan
  WriteFile(in, cut);
  EXPECT_FALSE(Save(s, out));
  EXPECT_FALSE(std::filesystem::exists(out));
  WriteFile(in, FileWithPackets(Recording(P, true, 30), P));
  ASSERT_TRUE(OpenFile(s, in));
  ASSERT_TRUE(Scan(s));
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_FALSE(Save(s, "/dev/full"));
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
  }
}
