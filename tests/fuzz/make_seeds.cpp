// Writes the fuzzers' seed corpora, one folder per target: small synthetic
// files of every object kind (header); packets of an ffmpeg clip and the
// builder's shapes, in both forms (packet); the clip's data and synthetic
// packet runs behind the fixed header (data); error lists (lists).
#include <filesystem>
#include <string>

#include "asf/catalogue.hpp"
#include "repair/error_list.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

// The data packets of a file, one by one.
std::vector<Bytes> PacketsOf(const Bytes& file, std::uint32_t P, std::uint64_t first, std::size_t count) {
  std::vector<Bytes> out;
  for (std::size_t k = 0; k < count && first + (k + 1) * P <= file.size(); ++k)
    out.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(first + k * P), file.begin() + static_cast<std::ptrdiff_t>(first + (k + 1) * P));
  return out;
}

void packetAndDataSeeds(const std::string& dir) {
  const std::string packets = dir + "/packet", data = dir + "/data", lists = dir + "/lists";
  for (const auto& d : {packets, data, lists}) std::filesystem::create_directories(d);
  int n = 0;
  auto put = [&](const std::string& where, const Bytes& b) { WriteFile(where + "/seed" + std::to_string(n++), b); };
  // An ffmpeg clip: single and multiple payload packets of 3,200 bytes.
  const Bytes clip = ReadFile(Clip("av"));
  std::uint64_t first = 0;
  for (std::size_t i = 0; i + 16 <= clip.size(); ++i)
    if (Guid::read(clip, i) == guid::Data) {
      first = i + 50;
      break;
    }
  const std::vector<Bytes> real = PacketsOf(clip, 3200, first, 24);
  for (std::size_t k = 0; k < real.size(); k += 3) put(packets, real[k]);
  const std::vector<Bytes> plain = PacketsOf(WithoutErrorCorrection(clip), 3200, first, 6);
  for (const Bytes& p : plain) put(packets, p);
  PacketSpec a{3000, 40, true, {{1, true, 0, 0, 300, 3000, 150, 1}, {2, false, 0, 0, 60, 3000, 60, 2}}};
  PacketSpec b{3040, 40, false, {{1, false, 0, 150, 300, 3000, 150, 1}}};
  put(packets, DataPacket(a, 256));
  put(packets, DataPacket(b, 256));
  put(packets, DataPacket(a, 3200));
  // Runs of packets for the Data Object target (its header says 3,200).
  for (std::size_t start : {std::size_t{0}, std::size_t{8}}) {
    Bytes run;
    for (std::size_t k = start; k < start + 8 && k < real.size(); ++k) run.insert(run.end(), real[k].begin(), real[k].end());
    put(data, run);
  }
  // The same clip's packets without error correction data (the plain form).
  Bytes plainRun;
  for (const Bytes& p : plain) plainRun.insert(plainRun.end(), p.begin(), p.end());
  put(data, plainRun);
  Bytes synthetic;
  PacketSpec compressed{3000, 40, true, {{2, false, 5, 0, 0, 3000, 0, 0, {Bytes(9, 4), Bytes(12, 5)}, 20}, {1, true, 0, 0, 40, 3000, 40, 1}}};
  put(packets, DataPacket(compressed, 256));
  for (const PacketSpec& s : {a, b, compressed, a, b}) {
    const Bytes p = DataPacket(s, 3200);
    synthetic.insert(synthetic.end(), p.begin(), p.end());
  }
  put(data, synthetic);
  // Error lists: a listed block, a repeat, sizes past the file.
  std::vector<ListedBlock> list{{0, 600, 256, BlockMark::listed, 512, 0, 100, 20}, {1, 5000, 256, BlockMark::listed, 300, 0xFF, 44, 8}};
  Bytes encoded;
  EncodeErrorList(list, encoded);
  put(lists, encoded);
  list.push_back({2, 0xFFFFFF00, 256, BlockMark::sizesFixed, 0xFFFFFFFF, 0, 0xFFFFFFFF, 0xFFFFFFFF});
  EncodeErrorList(list, encoded);
  put(lists, encoded);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  packetAndDataSeeds(argv[1]);
  const std::string dir = std::string(argv[1]) + "/header";
  std::filesystem::create_directories(dir);
  int n = 0;
  auto put = [&](const Bytes& b) { WriteFile(dir + "/seed" + std::to_string(n++) + ".asf", b); };
  put(MinimalFile(2));
  put(AsfFile({FilePropertiesObject({}, 8), Padding(4), ContentDescriptionObject("Тест", "a", "b", "c", "d")}, {DataObject(1, 64)}));
  put(AsfFile({HeaderExtensionObject(Bytes(30, 1)),
               Object(guid::CodecList, Writer().guid(guid::Header).u32(2).u16(1).u16(4).text("WMV").u16(2).text("d").u16(4).u32(0x32564D57).u16(2).u16(0).u16(0).u16(2).u16(0x161).take()),
               Object(guid::StreamBitrateProperties, Writer().u16(2).u16(1).u32(1000).u16(2).u32(64000).take()),
               Object(guid::ExtendedContentDescription, Writer().u16(2).u16(4).text("a").u16(0).u16(4).text("b").u16(4).text("c").u16(3).u16(4).u32(5).take()),
               Object(guid::Marker, Writer().guid(guid::Header).u32(1).u16(0).u16(4).text("m").u64(1).u64(2).u16(32).u32(3).u32(0).u32(1).text("x", false).take()),
               Object(guid::BitrateMutualExclusion, Writer().guid(guid::Header).u16(2).u16(1).u16(2).take()),
               Object(guid::ContentBranding, Writer().u32(1).u32(2).u16(0xFFD8).u32(3).u8('u').u8('r').u8('l').u32(0).take())},
              {DataObject(0, 64), SimpleIndexObject(1, 1, {{0, 1}})}));
  PacketSpec a{3000, 40, true, {{1, true, 0, 0, 300, 3000, 150, 1}, {2, false, 0, 0, 60, 3000, 60, 2}}};
  PacketSpec b{3040, 40, false, {{1, false, 0, 150, 300, 3000, 150, 1}}};
  put(FileWithPackets({DataPacket(a, 256), DataPacket(b, 256), DataPacket(a, 256)}, 256));
  // The same packets without error correction data, and a header with
  // objects outside the catalogue.
  put(WithoutErrorCorrection(FileWithPackets({DataPacket(a, 256), DataPacket(b, 256), DataPacket(a, 256)}, 256)));
  put(FileWithPackets({DataPacket(a, 256), DataPacket(b, 256)}, 256,
                      {Padding(8), Object(Guid::parse("1EFB1A30-0B62-11D0-A39B-00A0C90348F6"), Bytes(12, 3))}));
  // Several streams, one declared inside the Header Extension, and
  // compressed payloads.
  PacketSpec c{3000, 40, true, {{1, true, 0, 0, 40, 3000, 40, 1}, {3, false, 5, 0, 0, 3000, 0, 0, {Bytes(9, 4), Bytes(12, 5)}, 20}}};
  PacketSpec d{3040, 40, false, {{3, true, 7, 0, 0, 3040, 0, 0, {Bytes(30, 6)}, 20}}};
  put(FileWithStreams({DataPacket(c, 256), DataPacket(d, 256), DataPacket(a, 256)}, 256,
                      {StreamPropertiesObject(1, guid::VideoMedia, VideoTypeSpecific(320, 240, "WMV2", 40)),
                       StreamPropertiesObject(2, guid::AudioMedia, AudioTypeSpecific(0x0161, 2, 44100)),
                       HeaderExtensionObject(ExtendedStreamProperties(3, StreamPropertiesObject(3, guid::AudioMedia, AudioTypeSpecific(0x0161, 1, 22050))))}));
  return 0;
}
