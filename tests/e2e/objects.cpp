// Every header object of every clip and synthetic shape, through the object
// table: read, size, write and read again give the same object and the same
// tree lines; and each object cut at every length reads what lies inside
// the cut and nothing past it.
#include <gtest/gtest.h>

#include <filesystem>

#include "asf/catalogue.hpp"
#include "asf/field_visitors.hpp"
#include "asf/object_table.hpp"
#include "session/actions.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"
#include "support/open.hpp"

namespace corvel::test {
namespace {

struct Sample {
  std::string where;
  Bytes bytes;  // the object, from its GUID on
};

// The objects the table knows, of the clips' headers and of shapes ffmpeg
// never writes (markers, branding, mutual exclusion, codec lists...).
std::vector<Sample> Samples() {
  std::vector<Sample> out;
  for (const char* kind : {"av", "video", "audio", "cyrillic", "multi-audio", "two-audio"}) {
    const Bytes file = ReadFile(Clip(kind));
    Session s;
    EXPECT_EQ(OpenBytes(s, file), 0) << kind;
    for (const ObjectEntry& o : s.structure.objects) {
      const ObjectKind* k = FindObjectKind(o.guid);
      if (!k || o.size < 24 || o.size > (1 << 20)) continue;
      const auto n = static_cast<std::size_t>(k->readBytes ? std::min(k->readBytes, o.size) : o.size);
      const auto at = static_cast<std::ptrdiff_t>(o.offset);
      out.push_back({std::string(kind) + " " + ObjectName(o.guid), Bytes(file.begin() + at, file.begin() + at + static_cast<std::ptrdiff_t>(n))});
    }
  }
  Writer markers;
  markers.guid(guid::Header).u32(2).u16(0).u16(6).text("mk");
  markers.u64(1).u64(2).u16(30).u32(3).u32(0).u32(1).u16(0);
  markers.u64(9).u64(8).u16(36).u32(7).u32(0).u32(4).text("Пёс");
  Writer errorCorrection;
  errorCorrection.u16(2).u16(12).text("Title").u16(0).u16(10).text("Ёлка").u16(8).text("Num").u16(3).u16(4).u32(0xDEADBEEF);
  Writer codecs;
  codecs.guid(guid::Header).u32(2).u16(1).u16(5).text("WMV2").u16(0).u16(4).chars("WMV2");
  codecs.u16(2).u16(0).u16(5).text("desc").u16(2).u16(0x161);
  const std::pair<Guid, Bytes> shapes[] = {
      {guid::Marker, markers.take()},
      {guid::ExtendedContentDescription, errorCorrection.take()},
      {guid::CodecList, codecs.take()},
      {guid::ContentDescription, Writer().u16(4).u16(6).u16(2).u16(2).u16(2).u16('A').u16(0).text("Ян").u16(0).u16(0).u16(0).take()},
      {guid::StreamBitrateProperties, Writer().u16(2).u16(1).u32(128000).u16(2).u32(64000).take()},
      {guid::BitrateMutualExclusion, Writer().guid(guid::Header).u16(2).u16(1).u16(2).take()},
      {guid::ContentBranding, Writer().u32(1).u32(3).u8(1).u8(2).u8(3).u32(4).chars("http").take()},
      {guid::HeaderExtension, Writer().guid(guid::Header).u16(6).u32(5).u8(1).u8(2).u8(3).u8(4).u8(5).take()},
  };
  for (const auto& [id, body] : shapes) out.push_back({"shape " + ObjectName(id), Object(id, body)});
  return out;
}

// The records and tree lines of one object read through the table.
struct Read {
  HeaderRecords rec;
  std::string lines;
};

Read ReadObject(ByteView b, const Guid& id) {
  Read r;
  const ObjectKind* k = FindObjectKind(id);
  k->read(b, r.rec);
  StructureTree t;
  k->show(t, t.add(StructureTree::kRoot, "object"), r.rec, true);
  r.lines = t.render();
  return r;
}

class Objects : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { samples_ = Samples(); }
  static std::vector<Sample> samples_;
};
std::vector<Sample> Objects::samples_;

// Read, size, write, read again: the same object; the objects the save
// writes come out byte for byte as they went in.
TEST_F(Objects, RoundTrip) {
  ASSERT_GT(samples_.size(), 30u);
  for (const Sample& s : samples_) {
    const Guid id = Guid::read(s.bytes, 0);
    const ObjectKind* k = FindObjectKind(id);
    const Read first = ReadObject(s.bytes, id);
    if (!k->write) continue;
    HeaderRecords rec = first.rec;
    Bytes written;
    ASSERT_EQ(k->write(rec, written), 1u) << s.where;
    const Read second = ReadObject(written, id);
    HeaderRecords again = second.rec;
    Bytes rewritten;
    k->write(again, rewritten);
    EXPECT_EQ(rewritten, written) << s.where;
    // Byte for byte as it came, but for an empty Content Description text,
    // which is written with its terminator (length 2, not 0).
    const bool emptyText = id == guid::ContentDescription && s.bytes != written &&
                           std::string_view(first.lines).find("Length = 0\n") != std::string_view::npos;
    if (!emptyText) {
      EXPECT_EQ(written, s.bytes) << s.where;
      EXPECT_EQ(second.lines, first.lines) << s.where;
    }
  }
}

// The leading fixed-width fields of a description and where each ends.
class FixedFields {
 public:
  std::vector<std::uint64_t> ends;
  void head(const Guid&, std::int64_t) { add(16), add(8); }
  template <typename T>
  void num(std::string_view, const T&, Show = Show::dec) {
    add(sizeof(T));
  }
  void guid(std::string_view, const Guid&, Show = Show::dec) { add(16); }
  template <typename... A>
  void bytes(A&&...) { open_ = false; }
  template <typename... A>
  void typeSpecific(A&&...) { open_ = false; }
  template <typename... A>
  void text(A&&...) { open_ = false; }
  template <typename... A>
  void value(A&&...) { open_ = false; }
  template <typename... A>
  void list(A&&...) { open_ = false; }
  template <typename... A>
  void numbers(A&&...) { open_ = false; }
  template <typename... A>
  void group(A&&...) { open_ = false; }
  void note(std::string_view, const Note&) {}

 private:
  void add(std::uint64_t width) {
    if (!open_) return;
    at_ += width;
    ends.push_back(at_);
  }
  std::uint64_t at_ = 0;
  bool open_ = true;
};

template <typename R>
std::vector<std::uint64_t> FieldEnds(const R& r) {
  FixedFields f;
  Describe(f, r);
  return f.ends;
}

// The tree line of each leading fixed field of an object, in order.
std::vector<std::string> Lines(const Read& r) {
  std::vector<std::string> out;
  std::string line;
  for (char c : r.lines) {
    if (c != '\n') {
      line += c;
      continue;
    }
    out.push_back(line);
    line.clear();
  }
  return out;
}

// Each object cut at every length, in a buffer of exactly that length (the
// sanitizers see any read past it): a field that lies inside the cut reads
// as in the whole object, and lists hold only records that began inside it.
TEST_F(Objects, CutAtEveryLength) {
  for (const Sample& s : samples_) {
    const Guid id = Guid::read(s.bytes, 0);
    const Read whole = ReadObject(s.bytes, id);
    const std::vector<std::string> wholeLines = Lines(whole);
    std::vector<std::uint64_t> ends;
    if (id == guid::FileProperties) ends = FieldEnds(whole.rec.fileProperties);
    if (id == guid::StreamProperties) ends = FieldEnds(whole.rec.streams.back());
    if (id == guid::Header) ends = FieldEnds(whole.rec.header);
    if (id == guid::Data) ends = FieldEnds(whole.rec.data);
    if (id == guid::SimpleIndex) ends = FieldEnds(whole.rec.simpleIndex);
    for (std::size_t n = 16; n <= s.bytes.size(); ++n) {
      const Bytes cut(s.bytes.begin(), s.bytes.begin() + static_cast<std::ptrdiff_t>(n));
      const Read part = ReadObject(cut, id);
      const std::vector<std::string> partLines = Lines(part);
      // The field lines follow the object's node line and (for the Header
      // Object) come first: line i + 1 is field i.
      for (std::size_t i = 0; i < ends.size(); ++i) {
        if (ends[i] > n || i + 1 >= wholeLines.size()) break;
        ASSERT_LT(i + 1, partLines.size()) << s.where << " cut at " << n;
        EXPECT_EQ(partLines[i + 1], wholeLines[i + 1]) << s.where << " cut at " << n;
      }
      if (n == s.bytes.size()) {
        EXPECT_EQ(part.lines, whole.lines) << s.where;
      }
      const SimpleIndex& sio = part.rec.simpleIndex;
      EXPECT_LE(56 + 6 * sio.entries.size(), std::max<std::size_t>(n, 56)) << s.where;
      const ContentBranding& cbo = part.rec.contentBranding;
      EXPECT_LE(cbo.image.size() + cbo.url.size(), n) << s.where;
    }
  }
}

// Every kind of header object in one file of distinct field values, its
// tree as the command line prints it (names, order and formats of every
// field) against the text recorded before the objects were described in one
// place: what a read and a write sharing one wrong description would keep.
TEST(ObjectTree, AsRecorded) {
  FpoFields f;
  f.fileSize = 123456;
  f.creationDate = 132000000000000000;
  f.packets = 7;
  f.playDuration = 123450000;
  f.sendDuration = 54321;
  f.preroll = 3000;
  f.flags = 0x0B;
  f.minPacket = f.maxPacket = 256;
  f.maxBitrate = 999;
  std::vector<Bytes> header{FilePropertiesObject(f),
                            StreamPropertiesObject(1, guid::VideoMedia, VideoTypeSpecific(320, 240, "WMV2", 44, Bytes{1, 2, 3, 4}), Bytes{9}),
                            StreamPropertiesObject(2, guid::AudioMedia, AudioTypeSpecific(0x161, 2, 44100, Bytes{7, 7}))};
  for (const Sample& s : Samples())
    if (s.where.rfind("shape ", 0) == 0) header.push_back(s.bytes);
  header.push_back(ContentDescriptionObject("Заголовок", "Автор", "©", "", "PG"));
  const std::string path = TempPath("all-objects.wmv");
  WriteFile(path, AsfFile(header, {DataObject(1, 256), SimpleIndexObject(10000000, 1, {{0, 1}, {0, 1}})}));
  const auto r = RunCommand(std::string(CORVEL_CLI) + " info --unknown --index-entries " + Quote(path));
  const Bytes want = ReadFile(std::string(CORVEL_TEST_DATA) + "/all-objects.tree.txt");
  EXPECT_EQ(r.out, std::string(want.begin(), want.end()));
}

// A Simple Index the scan built (the source had none) carries the saved
// file's File ID, read back from the saved file.
TEST(ObjectTree, BuiltIndexCarriesTheFileId) {
  std::vector<Bytes> packets;
  for (std::uint32_t i = 0; i < 12; ++i) {
    PacketSpec spec;
    spec.sendTime = i * 500;
    spec.payloads = {{1, i % 4 == 0, i, 0, 1000, 3000 + i * 500, 1000}};
    packets.push_back(DataPacket(spec, 3200));
  }
  const std::string in = TempPath("no-index.wmv"), out = TempPath("no-index-saved.wmv");
  WriteFile(in, FileWithPackets(packets, 3200));
  Session s;
  ASSERT_TRUE(OpenFile(s, in));
  ASSERT_FALSE(s.structure.rec.simpleIndex.present);
  ASSERT_TRUE(Scan(s));
  ASSERT_TRUE(s.indexBuilt);
  std::filesystem::remove(out);
  ASSERT_TRUE(Save(s, out));
  Session back;
  ASSERT_TRUE(OpenFile(back, out));
  ASSERT_TRUE(back.structure.rec.simpleIndex.present);
  EXPECT_EQ(back.structure.rec.simpleIndex.fileId, back.structure.rec.fileProperties.fileId);
  EXPECT_NE(back.structure.rec.simpleIndex.fileId, Guid{});
}

// A marker of no description is 30 bytes, the least a marker takes: one
// that ends the object exactly still reads.
TEST(ObjectBounds, ASmallestMarkerAtTheEndReads) {
  ByteWriter w;
  w.guid(guid::Marker).u64(48 + 30).guid(Guid{}).u32(1).u16(0).u16(0);
  w.u64(5).u64(10'000'000).u16(18).u32(1000).u32(7).u32(0);
  MarkerList m;
  ReadFields(w.data(), m);
  ASSERT_EQ(m.markers.size(), 1u);
  EXPECT_EQ(m.markers[0].sendTime, 1000u);
  EXPECT_EQ(m.markers[0].flags, 7u);
}

}  // namespace
}  // namespace corvel::test

// The sizes the readers and writers take from the descriptions are those
// the ASF format fixes (head of 24 bytes included).
TEST(ObjectSizes, FixedSizesFromTheDescriptions) {
  using namespace corvel;
  EXPECT_EQ(FixedSize<HeaderObject>(), 30);
  EXPECT_EQ(FixedSize<DataObjectHeader>(), 50);
  EXPECT_EQ(FixedSize<SimpleIndex>(), 56);
  EXPECT_EQ(FixedSize<FileProperties>(), kFilePropertiesSize);
}
