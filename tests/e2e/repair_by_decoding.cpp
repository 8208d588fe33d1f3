// Random bytes inserted into the data packets of clips from real encoders:
// the repair must cut them out where they were, so that the repaired file's
// packets are the undamaged clip's own, and say per cut what decoding found.
// Where it cannot (bytes written over, not inserted), the frame is named
// and the result is no plain success.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <random>

#include "support/asf_read.hpp"
#include "support/clips.hpp"
#include "support/open.hpp"
#include "session/error_rows.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

enum class Place {
  keyFrameStart,     // at the first byte of a key frame's data
  insideKeyFrame,
  insideDeltaFrame,
  betweenPayloads,   // after one payload's data, before the next payload's header
  audioData,
  overwrittenFrame,  // inserted into a delta frame whose bytes were also written over
  afterNumbersWrap,  // inside a delta frame whose object number (a byte) wrapped: one of that number lies before
};

struct Row {
  const char* codec;
  Place place;
};

std::string NameOf(const testing::TestParamInfo<Row>& info) {
  static const char* const kPlaces[] = {"KeyFrameStart", "InsideKeyFrame",   "InsideDeltaFrame", "BetweenPayloads",
                                        "AudioData",     "OverwrittenFrame", "AfterNumbersWrap"};
  return std::string(info.param.codec) + "_" + kPlaces[static_cast<int>(info.param.place)];
}

void PrintTo(const Row& row, std::ostream* os) { *os << NameOf({row, 0}); }

// Where the first data packet lies: after the Data Object's GUID and fields.
std::uint64_t FirstPacketAt(const Bytes& file) {
  static const std::uint8_t kDataGuid[] = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                           0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
  const auto at = std::search(file.begin(), file.end(), std::begin(kDataGuid), std::end(kDataGuid));
  return at == file.end() ? file.size() : static_cast<std::uint64_t>(at - file.begin()) + 50;
}

// The data packets' bytes, found by the Data Object's GUID and the packet
// size and count an independent reading gives.
Bytes PacketBytes(const Bytes& file) {
  const AsfRead a = ReadAsf(file);
  if (FirstPacketAt(file) >= file.size()) return {};
  const auto first = file.begin() + static_cast<std::ptrdiff_t>(FirstPacketAt(file));
  const auto length = static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(
      a.dataPackets * a.packetSize, static_cast<std::uint64_t>(file.end() - first)));
  return Bytes(first, first + length);
}

// Where to insert, in the clip's bytes: a payload of the kind the row names,
// away from the file's first and last packets, picked by `random`.
struct Site {
  std::uint64_t at = 0;
  std::uint64_t overwrite = 0;  // bytes from `at` on written over too
};
Site PickSite(const Bytes& clip, Place place, std::mt19937& random) {
  const AsfRead a = ReadAsf(clip);
  std::vector<Site> sites;
  std::size_t videoObjects = 0;
  for (std::size_t k = 2; k + 2 < a.packets.size(); ++k) {
    const auto& payloads = a.packets[k].payloads;
    for (std::size_t i = 0; i < payloads.size(); ++i) {
      const AsfPayload& p = payloads[i];
      const bool video = p.stream == a.videoStream;
      if (video && p.offset == 0) ++videoObjects;
      if (place == Place::afterNumbersWrap && video && !p.key && p.length > 400 && videoObjects > 256)
        sites.push_back({p.at + 40 + random() % (p.length - 80)});
      const auto inside = [&] { return p.at + 40 + random() % (p.length - 80); };
      if (place == Place::keyFrameStart && video && p.key && p.offset == 0) sites.push_back({p.at});
      if (place == Place::insideKeyFrame && video && p.key && p.length > 400) sites.push_back({inside()});
      if (place == Place::insideDeltaFrame && video && !p.key && p.length > 400) sites.push_back({inside()});
      if (place == Place::betweenPayloads && i + 1 < payloads.size() && video) sites.push_back({p.at + p.length});
      if (place == Place::audioData && !video && p.length > 100) sites.push_back({inside()});
      if (place == Place::overwrittenFrame && video && !p.key && p.length > 800)
        sites.push_back({p.at + 40 + random() % (p.length - 400), 300});
    }
  }
  if (sites.empty()) return {};
  return sites[random() % sites.size()];
}

class RepairByDecoding : public testing::TestWithParam<Row> {};

TEST_P(RepairByDecoding, CutsWhereTheBytesWereInserted) {
  const Row row = GetParam();
  // Numbers wrap only in a clip of more than 256 frames.
  const std::string clip = Clip(row.place == Place::afterNumbersWrap ? std::string("long") : std::string("moving-") + row.codec);
  const std::string cli = CORVEL_CLI;
  // The undamaged clip as the program saves it: what a perfect repair gives.
  const std::string name = NameOf({row, 0});
  const std::string undamaged = TempPath(name + "-undamaged.wmv");
  ASSERT_EQ(RunCommand(cli + " save --force -o " + Quote(undamaged) + " " + Quote(clip)).exitCode, 0);

  std::mt19937 random(20261208u + static_cast<unsigned>(row.place) * 7919u + static_cast<unsigned>(name.size()));
  Bytes bytes = ReadFile(clip);
  const Site site = PickSite(bytes, row.place, random);
  ASSERT_GT(site.at, 0u) << "no place of the row's kind in the clip";
  for (std::uint64_t i = 0; i < site.overwrite; ++i) bytes[site.at + i] = static_cast<std::uint8_t>(random());
  Bytes inserted(100 + random() % 500);
  for (auto& b : inserted) b = static_cast<std::uint8_t>(random());
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(site.at), inserted.begin(), inserted.end());
  const std::string damaged = TempPath(name + "-damaged.wmv"), repaired = TempPath(name + "-repaired.wmv");
  WriteFile(damaged, bytes);

  const CommandResult r = RunCommand(cli + " repair --json --force -o " + Quote(repaired) + " " + Quote(damaged));
  const auto j = nlohmann::json::parse(r.out);
  // A block left for the save to pass over leaves a gap in the object numbers.
  ExpectSoundAsf(repaired, row.place != Place::overwrittenFrame);
  const bool restored = PacketBytes(ReadFile(repaired)) == PacketBytes(ReadFile(undamaged));
  const CommandResult verify = RunCommand(cli + " verify " + Quote(repaired));

  switch (row.place) {
    case Place::overwrittenFrame:
      // No place decodes cleanly. Where the structure places the cut, it
      // is made and its frame named, with its own exit status; where it
      // places none, the block stays for the save to pass over.
      if (!j["cuts"].empty()) {
        EXPECT_EQ(r.exitCode, 3) << r.out;
        EXPECT_EQ(j["cuts"][0]["decoding"], "damaged");
        EXPECT_EQ(j["restored_by_decoding"], 0);
        ASSERT_EQ(j["still_damaged"].size(), 1u) << r.out;
        EXPECT_EQ(j["still_damaged"][0]["stream"], ReadAsf(bytes).videoStream);
        EXPECT_EQ(j["damaged_frames_kept"], 1);
        EXPECT_NE(j["status"].get<std::string>().find("damaged frames remain"), std::string::npos) << j["status"];
        // The window's grid keeps the frame as a row of the verify's kind,
        // also after the scan that follows the repair.
        Session s;
        s.lang = Language::eng;
        ASSERT_TRUE(OpenFile(s, damaged) && Scan(s) && Repair(s, RepairMode::cutByStructure, RepairOptions{}));
        for (int scans = 0; scans < 2; ++scans) {
          const auto& rows = s.errorRows.rows();
          ASSERT_FALSE(rows.empty());
          const ErrorRow& row = rows.back();
          EXPECT_EQ(row.kind, RowKind::damagedObject);
          EXPECT_EQ(row.id, std::to_string(j["still_damaged"][0]["stream"].get<int>()) + ":" +
                                std::to_string(j["still_damaged"][0]["object"].get<int>()));
          EXPECT_EQ(row.offset, j["cuts"][0]["offset"].get<std::uint64_t>());
          EXPECT_EQ(row.number, (row.offset - FirstPacketAt(bytes)) / ReadAsf(bytes).packetSize);
          EXPECT_EQ(CellsOf(row, 1, Language::eng)[7],
                    std::to_string(j["still_damaged"][0]["time_ms"].get<int>()) + " ms: damaged after the cut (the decoder rejects it)");
          ASSERT_TRUE(Scan(s));
        }
        // The window's save of it ends with a warning, not a plain success.
        SaveJob save;
        ASSERT_TRUE(PrepareSave(s, TempPath(name + "-kept.wmv"), save));
        JobContext ctx;
        EXPECT_EQ(save.run(ctx).outcome, Outcome::warnings);
      } else {
        EXPECT_EQ(j["second_scan"]["error_blocks"].size(), 1u) << r.out;
      }
      // Either way, no plain success with a frame the decoder rejects.
      if (r.exitCode == 0) {
        EXPECT_EQ(verify.exitCode, 0) << verify.out;
      }
      EXPECT_FALSE(restored);
      break;
    case Place::audioData:
      // The audio decoder takes any bytes without a complaint: nothing
      // tells the places apart, the structure's stands, and the output is
      // whole with every packet; it is not promised byte for byte.
      EXPECT_EQ(r.exitCode, 0) << r.out;
      EXPECT_EQ(j["still_damaged"].size(), 0u);
      EXPECT_EQ(ReadAsf(ReadFile(repaired)).packets.size(), ReadAsf(ReadFile(undamaged)).packets.size());
      break;
    default:
      EXPECT_EQ(r.exitCode, 0) << r.out;
      ASSERT_EQ(j["cuts"].size(), 1u) << r.out;
      EXPECT_EQ(j["cuts"][0]["length"], inserted.size());
      EXPECT_EQ(j["cuts"][0]["decoding"], "confirmed");
      EXPECT_GE(j["cuts"][0]["places_tried"], 1);
      EXPECT_EQ(j["restored_by_decoding"], 1);
      EXPECT_EQ(j["still_damaged"].size(), 0u);
      EXPECT_EQ(j["damaged_frames_kept"], 0);
      EXPECT_TRUE(restored) << "inserted " << inserted.size() << " bytes at " << site.at << "; cut at " << j["cuts"][0]["offset"];
      EXPECT_EQ(verify.exitCode, 0) << verify.out;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Clips, RepairByDecoding,
    testing::ValuesIn([] {
      std::vector<Row> rows;
      for (const char* codec : {"wmv1", "wmv2", "msmpeg4"})
        for (const Place p : {Place::keyFrameStart, Place::insideKeyFrame, Place::insideDeltaFrame, Place::betweenPayloads,
                              Place::audioData, Place::overwrittenFrame})
          rows.push_back({codec, p});
      rows.push_back({"wmv2", Place::afterNumbersWrap});
      return rows;
    }()),
    NameOf);

}  // namespace
