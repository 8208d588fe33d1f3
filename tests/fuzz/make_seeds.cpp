// Writes the fuzzer's seed corpus: small synthetic files of every object kind.
#include <filesystem>
#include <string>

#include "asf/catalogue.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"

using namespace corvel;
using namespace corvel::test;

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string dir = argv[1];
  std::filesystem::create_directories(dir);
  int n = 0;
  auto put = [&](const Bytes& b) { WriteFile(dir + "/seed" + std::to_string(n++) + ".asf", b); };
  put(MinimalFile(2));
  put(AsfFile({FileProperties({}, 8), Padding(4), ContentDescription("Тест", "a", "b", "c", "d")}, {DataObject(1, 64)}));
  put(AsfFile({HeaderExtension(Bytes(30, 1)),
               Object(guid::CodecList, Writer().guid(guid::Header).u32(2).u16(1).u16(4).text("WMV").u16(2).text("d").u16(4).u32(0x32564D57).u16(2).u16(0).u16(0).u16(2).u16(0x161).take()),
               Object(guid::StreamBitrateProperties, Writer().u16(2).u16(1).u32(1000).u16(2).u32(64000).take()),
               Object(guid::ExtendedContentDescription, Writer().u16(2).u16(4).text("a").u16(0).u16(4).text("b").u16(4).text("c").u16(3).u16(4).u32(5).take()),
               Object(guid::Marker, Writer().guid(guid::Header).u32(1).u16(0).u16(4).text("m").u64(1).u64(2).u16(32).u32(3).u32(0).u32(1).text("x", false).take()),
               Object(guid::BitrateMutualExclusion, Writer().guid(guid::Header).u16(2).u16(1).u16(2).take()),
               Object(guid::ContentBranding, Writer().u32(1).u32(2).u16(0xFFD8).u32(3).u8('u').u8('r').u8('l').u32(0).take())},
              {DataObject(0, 64), SimpleIndex(1, 1, {{0, 1}})}));
  PacketSpec a{3000, 40, true, {{1, true, 0, 0, 300, 3000, 150, 1}, {2, false, 0, 0, 60, 3000, 60, 2}}};
  PacketSpec b{3040, 40, false, {{1, false, 0, 150, 300, 3000, 150, 1}}};
  put(FileWithPackets({DataPacket(a, 256), DataPacket(b, 256), DataPacket(a, 256)}, 256));
  // The same packets without error correction data, and a header with
  // objects outside the catalogue.
  put(WithoutErrorCorrection(FileWithPackets({DataPacket(a, 256), DataPacket(b, 256), DataPacket(a, 256)}, 256)));
  put(FileWithPackets({DataPacket(a, 256), DataPacket(b, 256)}, 256,
                      {Padding(8), Object("1EFB1A30-0B62-11D0-A39B-00A0C90348F6", Bytes(12, 3))}));
  return 0;
}
