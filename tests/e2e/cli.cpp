#include <gtest/gtest.h>

#include <filesystem>

#include "asf/catalogue.hpp"
#include "support/asf_read.hpp"
#include "support/avi_read.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"
#include "support/damage.hpp"

using namespace corvel;
using namespace corvel::test;
using nlohmann::json;

namespace {
CommandResult Cli(const std::string& args) {
  std::string command = CORVEL_CLI;
  command.append(1, ' ').append(args);
  return RunCommand(command);
}
// One command line as a user types it, in a folder of its own: {t} is that
// folder, where min.wmv (the builder's smallest file), junk.wmv (not ASF),
// empty.wmv, nodata.wmv (a header and no Data Object), wiped.wmv (the av
// clip without its header's GUID), av.wmv (the clip) and exists.wmv lie;
// {av}, {audio}, {part1} are the clips. What it must print: a text each
// output holds, starts with (^) or is (=), and a file it must leave.
struct CliRow {
  const char* name;
  std::string args;
  int exit;
  std::vector<std::string> out{};
  std::vector<std::string> err{};
  std::string writes{};
};
void PrintTo(const CliRow& r, std::ostream* os) { *os << r.name; }

std::string Expand(std::string text) {
  const std::pair<std::string, std::string> names[] = {
      {"{t}", TempDir()}, {"{av}", Clip("av")}, {"{audio}", Clip("audio")}, {"{part1}", Clip("part1")}};
  for (const auto& [from, to] : names)
    for (std::size_t at; (at = text.find(from)) != std::string::npos;) text.replace(at, from.size(), to);
  return text;
}

void ExpectText(const std::string& said, const std::vector<std::string>& wanted, const char* which) {
  for (const std::string& row : wanted) {
    const std::string w = Expand(row[0] == '^' || row[0] == '=' ? row.substr(1) : row);
    if (row[0] == '=') EXPECT_EQ(said, w) << which;
    else if (row[0] == '^') EXPECT_EQ(said.rfind(w, 0), 0u) << which << " starts with " << w << ":\n" << said;
    else EXPECT_NE(said.find(w), std::string::npos) << which << " holds " << w << ":\n" << said;
  }
}

const CliRow kCliRows[] = {
    {"info_missing", "info /nonexistent/file.wmv", 1, {}, {"=corvel-cli: file open error: /nonexistent/file.wmv: No such file or directory\n"}},
    {"info_directory", "info {t}/", 1, {}, {"=corvel-cli: file open error: {t}/: is a directory\n"}},
    {"info_not_asf", "info {t}/junk.wmv", 1, {"• file signature not found"}, {"file signature not found"}},
    {"info_json_not_asf", "info --json {t}/junk.wmv", 1, {"\"objects\": [],"}},
    {"info_wiped_header", "info {t}/wiped.wmv", 1, {}, {"file signature not found"}},
    {"info_empty", "info {t}/empty.wmv", 1, {}, {"=corvel-cli: {t}/empty.wmv: the file is empty\n"}},
    {"scan_empty", "scan {t}/empty.wmv", 1, {}, {"=corvel-cli: {t}/empty.wmv: the file is empty\n"}},
    {"save_empty", "save --force -o /dev/null {t}/empty.wmv", 1, {}, {"=corvel-cli: {t}/empty.wmv: the file is empty\n"}},
    {"info_text", "info {t}/min.wmv", 0,
     {"^file opened, header found\n'ASF_HEADER_OBJECT' (", "\n  ObjectID = 75B22630-668E-11CF-A6D9-00AA0062CE6C\n",
      "\n    ObjectID = 8CABDCA1-A947-11CF-8EE4-00C00C205365\n"}},
    {"info_russian", "info --lang ru {t}/min.wmv", 0, {"^файл открыт, заголовок найден\n"}},
    {"info_index_entries", "info --index-entries {t}/min.wmv", 0, {"IndexEntry (1)"}},
    {"no_file", "info", 2},
    {"unknown_language", "info --lang de x.wmv", 2},
    {"unknown_command", "frobnicate", 2},
    {"no_command", "", 2},
    {"help", "--help", 0, {"info", "scan", "repair", "save", "join", "avi", "frames", "verify"}},
    {"scan_dump_russian", "scan --dump --lang ru {av}", 0, {"поиск завершен", "packets parsed: ", "error blocks: 0"}, {}, "av.wmv.dump.txt"},
    {"scan_audio_only", "scan {audio}", 0, {"unable to create index"}},
    {"scan_no_data_object", "scan {t}/nodata.wmv", 1, {}, {"stream not found"}},
    {"scan_missing", "scan /nonexistent.wmv", 1},
    {"scan_no_file", "scan", 2},
    {"repair_list_missing", "repair --errors {t}/nolist.index {av}", 1},
    {"repair_unknown_mode", "repair --mode bogus {av}", 2},
    {"save_output_exists", "save -o {t}/exists.wmv {t}/av.wmv", 1, {}, {"exists"}},
    {"save_onto_source", "save --force -o {t}/av.wmv {t}/av.wmv", 1, {"the output file is the source file"}},
    {"save_disk_full", "save --force -o /dev/full {t}/av.wmv", 1, {"file save error"}},
    {"join_output_exists", "join -o {t}/exists.wmv {part1}", 1},
    {"join_preroll_twice", "join --force --preroll 3000 --no-preroll -o {t}/j.wmv {part1}", 2},
    {"join_part_missing", "join --force --preroll-from-first -o {t}/j.wmv {part1} {t}/nope.wmv", 1, {}, {"file open error"}},
    {"avi_output_exists", "avi -o {t}/exists.wmv {av}", 1},
    {"avi_default_name", "avi {t}/av.wmv", 0, {}, {}, "{t}/av.wmv.avi"},
    {"frames_audio_only", "frames --audio-only {av}", 0},
    {"verify_threads", "verify --threads 3 {av}", 0, {"^media objects verified by decoding: "}},
    {"verify_no_threads", "verify --threads 0 {av}", 2},
    {"save_threads_not_a_number", "save --threads many {av}", 2},
};

class CliCommand : public ::testing::TestWithParam<CliRow> {};

TEST_P(CliCommand, ExitStatusAndWords) {
  const CliRow& row = GetParam();
  Bytes wiped = ReadFile(Clip("av"));
  std::fill_n(wiped.begin(), 16, 0);
  const std::pair<const char*, Bytes> files[] = {{"min.wmv", MinimalFile()}, {"junk.wmv", Bytes(100, 3)}, {"empty.wmv", {}},
                                                 {"nodata.wmv", AsfFile({FilePropertiesObject({})}, {})}, {"wiped.wmv", wiped},
                                                 {"av.wmv", ReadFile(Clip("av"))}, {"exists.wmv", Bytes(10, 1)}};
  for (const auto& [name, bytes] : files) WriteFile(TempPath(name), bytes);
  const std::string cwd = TempPath("cwd");
  std::filesystem::create_directories(cwd);
  const auto r = RunCommand("cd " + Quote(cwd) + " && " + CORVEL_CLI + " " + Expand(row.args));
  EXPECT_EQ(r.exitCode, row.exit) << r.out << r.err;
  ExpectText(r.out, row.out, "standard output");
  ExpectText(r.err, row.err, "standard error");
  if (!row.writes.empty()) {
    const std::string written = Expand(row.writes);
    EXPECT_GT(ReadFile(written[0] == '/' ? written : cwd + "/" + written).size(), 1000u) << written;
  }
  // No command line changes its inputs.
  for (const auto& [name, bytes] : files) EXPECT_EQ(ReadFile(TempPath(name)), bytes) << name;
}

INSTANTIATE_TEST_SUITE_P(Rows, CliCommand, ::testing::ValuesIn(kCliRows), [](const auto& info) { return info.param.name; });

}  // namespace

TEST(CliInfo, JsonDescribesTheFile) {
  const std::string path = Clip("av");
  const auto r = Cli("info --json " + Quote(path));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const json j = json::parse(r.out);
  EXPECT_EQ(j["file"], path);
  EXPECT_EQ(j["status"], "file opened, header found");
  EXPECT_TRUE(j["log"].empty());
  const Bytes bytes = ReadFile(path);
  EXPECT_EQ(j["size"], bytes.size());
  const auto plain = IndependentObjects(bytes);
  ASSERT_EQ(j["objects"].size(), plain.size());
  for (std::size_t i = 0; i < plain.size(); ++i) {
    EXPECT_EQ(j["objects"][i]["guid"], plain[i].guid.text());
    EXPECT_EQ(j["objects"][i]["offset"], plain[i].offset);
    EXPECT_EQ(j["objects"][i]["size"], plain[i].size);
    EXPECT_EQ(j["objects"][i]["parent"], plain[i].parent);
    EXPECT_EQ(j["objects"][i]["name"], ObjectName(plain[i].guid));
  }
  EXPECT_EQ(j["file_properties"]["file_size"], bytes.size());
  ASSERT_EQ(j["streams"].size(), 2u);
  EXPECT_EQ(j["streams"][0]["type_name"], "ASF_Video_Media");
  EXPECT_EQ(j["streams"][1]["type_name"], "ASF_Audio_Media");
  EXPECT_GT(j["data_object"]["total_data_packets"].get<int>(), 0);
  EXPECT_EQ(j["tree"][0]["text"].get<std::string>().rfind("'ASF_HEADER_OBJECT' (", 0), 0u);
}

TEST(CliInfo, UnknownObjectsOption) {
  const std::string path = TempPath("cli-pad.wmv");
  const Guid unknown = Guid::parse("A1B2C3D4-0000-1111-2222-333344445555");
  WriteFile(path, AsfFile({FilePropertiesObject({}), Padding(8), Object(unknown, Bytes(4, 1))}, {DataObject(1, 256)}));
  // The unknown object is stepped over either way; only the tree shows it
  // or not.
  for (const char* option : {"", "--unknown "}) {
    json j = json::parse(Cli(std::string("info --json ") + option + Quote(path)).out);
    ASSERT_EQ(j["objects"].size(), 5u);
    EXPECT_EQ(j["objects"][2]["name"], "ASF_Padding_Object");
    EXPECT_EQ(j["objects"][3]["name"], "");
    EXPECT_EQ(j["log"].size(), 0u);
    EXPECT_FALSE(j["data_object"].is_null());
    const std::string tree = j["tree"].dump();
    EXPECT_EQ(tree.find(unknown.text()) != std::string::npos, std::string(option) == "--unknown ");
  }
}

TEST(CliScan, JsonReportOfADamagedClip) {
  Bytes b = ReadFile(Clip("av"));
  const auto plain = IndependentObjects(b);
  std::uint64_t first = 0;
  for (const auto& o : plain)
    if (o.guid == guid::Data) first = o.offset + 50;
  ASSERT_GT(first, 0u);
  b[first + 3200 * 5] = 0;  // packet 5's start
  const std::string path = TempPath("cli-damaged.wmv");
  WriteFile(path, b);
  const auto r = Cli("scan --json " + Quote(path));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const json j = json::parse(r.out);
  EXPECT_EQ(j["status"], "search finished");
  ASSERT_EQ(j["error_blocks"].size(), 1u);
  EXPECT_EQ(j["error_blocks"][0]["packet"], 5);
  EXPECT_EQ(j["error_blocks"][0]["offset"], first + 3200 * 4);
  EXPECT_EQ(j["error_blocks"][0]["declared_size"], 3200);
  EXPECT_EQ(j["error_blocks"][0]["actual_size"], 6400);
  // Why packet 5 was not taken, in the report and on the dump's line for it.
  EXPECT_EQ(j["error_blocks"][0]["rejected"], "error correction flags 0 at byte 0");
  const std::string dir = TempPath("rejected-dump");
  std::filesystem::create_directories(dir);
  ASSERT_EQ(RunCommand("cd " + Quote(dir) + " && " + CORVEL_CLI + " scan --dump " + Quote(path)).exitCode, 0);
  const Bytes dump = ReadFile(dir + "/cli-damaged.wmv.dump.txt");
  const std::string line = "x,rejected at " + std::to_string(first + 3200 * 5) + ": error correction flags 0 at byte 0\r\n";
  EXPECT_NE(std::string(dump.begin(), dump.end()).find(line), std::string::npos);
  EXPECT_GT(j["packets"].get<int>(), 10);
  EXPECT_GT(j["keyframe_packets"].get<int>(), 1);
  EXPECT_EQ(j["index"]["interval"], 10000000);
  EXPECT_GT(j["index"]["entries"].get<int>(), 2);
}

namespace {
// The "av" clip with 500 zero bytes inserted inside packet 6.
std::string ClipWithInsertedZeros(const std::string& name, std::uint64_t* where = nullptr) {
  Bytes b = ReadFile(Clip("av"));
  std::uint64_t first = 0;
  for (const auto& o : IndependentObjects(b))
    if (o.guid == guid::Data) first = o.offset + 50;
  std::uint64_t at = first + 3200 * 6 + 3000;
  while (b[at - 1] == 0 || b[at] == 0) ++at;
  b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), 500, 0);
  if (where) *where = at;
  const std::string path = TempPath(name);
  WriteFile(path, b);
  return path;
}
}  // namespace

TEST(CliRepair, CutsTheInsertedRunAndSavesACleanFile) {
  std::uint64_t at = 0;
  const std::string in = ClipWithInsertedZeros("cli-zeros.wmv", &at);
  const std::string out = TempPath("cli-zeros.fixed.wmv");
  auto r = Cli("repair --json --save-errors -o " + Quote(out) + " " + Quote(in));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const json j = json::parse(r.out);
  ASSERT_EQ(j["first_scan"]["error_blocks"].size(), 1u);
  EXPECT_EQ(j["first_scan"]["error_blocks"][0]["delta"], 500);
  EXPECT_EQ(j["first_scan"]["error_blocks"][0]["max_repeat"]["length"], 500);
  EXPECT_EQ(j["first_scan"]["error_blocks"][0]["max_repeat"]["byte"], 0);
  ASSERT_EQ(j["cuts"].size(), 1u);
  EXPECT_EQ(j["cuts"][0]["offset"], at);
  EXPECT_EQ(j["cuts"][0]["length"], 500);
  EXPECT_TRUE(j["second_scan"]["error_blocks"].empty());
  EXPECT_TRUE(j["saved"]);
  EXPECT_EQ(ReadFile(in + ".index").size(), 26u);
  // The saved file scans clean, and reads back sound.
  ExpectSoundAsf(out);
  r = Cli("scan --json " + Quote(out));
  EXPECT_TRUE(json::parse(r.out)["error_blocks"].empty());
  // The same repair from the saved error list, in text.
  r = Cli("repair --force --errors " + Quote(in + ".index") + " -o " + Quote(out) + " " + Quote(in));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("cut 500 bytes at " + std::to_string(at)), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("second scan: "), std::string::npos);
  EXPECT_NE(r.out.find(", 0 error blocks"), std::string::npos);
  EXPECT_NE(r.out.find("file saved: " + out), std::string::npos);
}

// Bytes that are no run of one value, inserted into a packet's parsing
// information: the default repair finds them by the packet structure, the
// repeats-only mode leaves them.
TEST(CliRepair, DefaultModeCutsRandomInsertedBytes) {
  Bytes b = ReadFile(Clip("av"));
  std::uint64_t first = 0;
  for (const auto& o : IndependentObjects(b))
    if (o.guid == guid::Data) first = o.offset + 50;
  const std::uint64_t at = first + 3200 * 7 + 5;
  const Bytes noise{0x11, 0x93, 0x5a, 0x07, 0xc4, 0x2e, 0x71, 0xb8, 0x3d, 0xe9, 0x46, 0x8f, 0x25};
  Bytes damaged = b;
  damaged.insert(damaged.begin() + static_cast<std::ptrdiff_t>(at), noise.begin(), noise.end());
  const std::string in = TempPath("cli-noise.wmv"), out = TempPath("cli-noise.fixed.wmv");
  WriteFile(in, damaged);
  auto r = Cli("repair --json --mode eq -o " + Quote(out) + " " + Quote(in));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(json::parse(r.out)["cuts"].empty());
  r = Cli("repair --json --force -o " + Quote(out) + " " + Quote(in));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const json j = json::parse(r.out);
  ASSERT_EQ(j["cuts"].size(), 1u);
  EXPECT_EQ(j["cuts"][0]["offset"], at);
  EXPECT_EQ(j["cuts"][0]["length"], noise.size());
  EXPECT_TRUE(j["second_scan"]["error_blocks"].empty());
  EXPECT_EQ(DataPackets(ReadFile(out)), DataPackets(b));
}

// Bytes deleted inside a packet: the save says how many media objects it
// left out, in text and JSON; --keep-incomplete writes the packets as found.
TEST(CliSave, IncompleteObjectsLeftOutAndCounted) {
  Bytes b = ReadFile(Clip("av"));
  const Layout l = LayoutOf(b);
  DeleteBytes(b, DataArea(b, l, 9), 30);
  const std::string in = TempPath("cli-deleted.wmv"), out = TempPath("cli-deleted.fixed.wmv");
  WriteFile(in, b);
  auto r = Cli("save --force -o " + Quote(out) + " " + Quote(in));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\nincomplete media objects left out (video, audio): "), std::string::npos) << r.out;
  r = Cli("save --json --force -o " + Quote(out) + " " + Quote(in));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  json j = json::parse(r.out);
  const auto leftOut = j["incomplete_left_out"]["video"].get<int>() + j["incomplete_left_out"]["audio"].get<int>();
  EXPECT_GE(leftOut, 1);
  const auto written = j["packets_written"].get<int>();
  r = Cli("save --json --keep-incomplete --force -o " + Quote(out) + " " + Quote(in));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  j = json::parse(r.out);
  EXPECT_EQ(j["incomplete_left_out"]["video"], 0);
  EXPECT_EQ(j["incomplete_left_out"]["audio"], 0);
  EXPECT_EQ(j["status"], "file saved");
  ExpectSoundAsf(out, false);  // the lost fragment leaves a gap in the numbers
  EXPECT_GE(j["packets_written"].get<int>(), written);
}

TEST(CliSave, OutputNamesAndRefusals) {
  const std::string in = TempPath("cli-save.wmv");
  WriteFile(in, ReadFile(Clip("av")));
  auto r = Cli("save " + Quote(in));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("file saved: " + TempPath("cli-save.001.wmv")), std::string::npos) << r.out;
  r = Cli("save --json " + Quote(in));  // the next free name
  EXPECT_EQ(json::parse(r.out)["output"], TempPath("cli-save.002.wmv"));
  EXPECT_EQ(Cli("save --force --minimal-header --no-index --renumber -o " + Quote(TempPath("cli-save.001.wmv")) + " " + Quote(in)).exitCode, 0);
}

TEST(CliReconstruct, WipedHeaderGuid) {
  Bytes b = ReadFile(Clip("av"));
  std::fill_n(b.begin(), 16, 0);
  const std::string in = TempPath("cli-wiped.wmv"), out = TempPath("cli-wiped.fixed.wmv");
  WriteFile(in, b);
  auto r = Cli("reconstruct " + Quote(in));
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("'ASF_File_Properties_Object' (104)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("'ASF_DATA_OBJECT'"), std::string::npos);
  r = Cli("reconstruct --json -o " + Quote(out) + " " + Quote(in));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const json j = json::parse(r.out);
  EXPECT_TRUE(j["saved"]);
  EXPECT_EQ(j["objects"].back()["name"], "ASF_DATA_OBJECT");
  EXPECT_EQ(Cli("info " + Quote(out)).exitCode, 0);
  EXPECT_EQ(RunCommand(std::string(CORVEL_FFMPEG) + " -v error -i " + Quote(out) + " -f null -").err, "");
}

TEST(CliJoinExport, JoinAviFrames) {
  const std::string out = TempPath("cli-joined.wmv");
  auto r = Cli("join --json --send-time approximate --lead-preroll -o " + Quote(out) + " " + Quote(Clip("part1")) + " " +
               Quote(Clip("part2")));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  json j = json::parse(r.out);
  EXPECT_EQ(j["result"], 0);
  EXPECT_GT(j["index_entries"].get<int>(), 5);
  ExpectSoundAsf(out);

  const std::string avi = TempPath("cli.avi");
  r = Cli("avi --json --video-only -o " + Quote(avi) + " " + Quote(Clip("av")));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  j = json::parse(r.out);
  EXPECT_EQ(j["frame_rate"]["rate"], 25);
  EXPECT_EQ(j["frame_rate"]["scale"], 1);
  EXPECT_EQ(j["audio_chunks"], 0);
  ExpectSoundAvi(ReadAvi(ReadFile(avi)));

  const std::string dir = TempPath("cli-frames");
  std::filesystem::create_directories(dir);
  r = Cli("frames --json --dir " + Quote(dir) + " " + Quote(Clip("av")) + " 5");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(json::parse(r.out)["written"], 6);
  EXPECT_TRUE(std::filesystem::exists(dir + "/frame5.txt"));
}

// Several inputs: each to its own default output, a summary (or a JSON
// array) at the end, exit 1 when any failed while the others are still
// done; a file named twice is done once; -o names a folder, refused before
// any work when it does not exist; no output ever lands on an input.
TEST(CliBatch, SeveralInputsEachToItsOwnOutput) {
  namespace fs = std::filesystem;
  const fs::path dir = TempPath("batch");
  fs::remove_all(dir);
  fs::create_directories(dir / "out");
  const Bytes sound = ReadFile(Clip("av"));
  Bytes damaged = sound;
  const Layout l = LayoutOf(damaged);
  DeleteBytes(damaged, DataArea(damaged, l, 5), 40);
  const std::string good = (dir / "good.wmv").string(), bad = (dir / "bad.wmv").string(), note = (dir / "note.wmv").string();
  WriteFile(good, sound);
  WriteFile(bad, damaged);
  WriteFile(note, Bytes{'n', 'o', 't', ' ', 'A', 'S', 'F'});
  auto count = [&] {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
  };

  // A folder that does not exist: refused before anything is written.
  const std::size_t before = count();
  auto r = Cli("repair -o " + Quote((dir / "missing").string()) + " " + Quote(good) + " " + Quote(bad));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("no such folder"), std::string::npos) << r.err;
  EXPECT_EQ(count(), before);

  r = Cli("repair " + Quote(good) + " " + Quote(bad) + " " + Quote(note) + " " + Quote(good));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(fs::exists(dir / "good.001.wmv"));
  EXPECT_TRUE(fs::exists(dir / "bad.001.wmv"));
  EXPECT_FALSE(fs::exists(dir / "good.002.wmv"));  // listed twice, done once
  EXPECT_FALSE(fs::exists(dir / "note.001.wmv"));
  EXPECT_NE(r.out.find("error blocks"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(note), std::string::npos);
  EXPECT_NE(r.out.find("failed: "), std::string::npos) << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4) << r.out;  // the heading and three files
  EXPECT_EQ(ReadFile(good), sound);  // the inputs are never written

  r = Cli("save --json " + Quote(good) + " " + Quote(bad) + " " + Quote(note));
  EXPECT_EQ(r.exitCode, 1);
  const json a = json::parse(r.out);
  ASSERT_TRUE(a.is_array());
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(a[0]["result"], "saved");
  EXPECT_EQ(a[0]["output"], (dir / "good.002.wmv").string());
  EXPECT_EQ(a[1]["result"], "saved");
  EXPECT_GE(a[1]["incomplete_left_out"]["video"].get<int>() + a[1]["incomplete_left_out"]["audio"].get<int>(), 1);
  EXPECT_EQ(a[2]["result"], "failed");
  EXPECT_EQ(a[2]["reason"], "file signature not found");  // the command's own words, not its printed line

  // AVI into a folder; an input that is another input's output is left alone.
  const std::string clash = (dir / "good.wmv.avi").string();
  WriteFile(clash, sound);
  r = Cli("avi --force --json " + Quote(good) + " " + Quote(clash));
  EXPECT_EQ(r.exitCode, 1);
  const json b = json::parse(r.out);
  ASSERT_EQ(b.size(), 2u);
  EXPECT_EQ(b[0]["result"], "failed");
  EXPECT_NE(b[0]["reason"].get<std::string>().find("one of the inputs"), std::string::npos);
  EXPECT_EQ(b[1]["result"], "saved");
  EXPECT_EQ(ReadFile(clash), sound);
  r = Cli("avi -o " + Quote((dir / "out").string()) + " " + Quote(good) + " " + Quote(bad));
  EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_TRUE(fs::exists(dir / "out" / "good.wmv.avi"));
  EXPECT_TRUE(fs::exists(dir / "out" / "bad.wmv.avi"));
}

// Files done at once give what files done in turn give: the same outputs
// byte for byte under the same names, the reports in the inputs' order;
// inputs of one name into one folder each get a name of their own.
TEST(CliBatch, FilesAtOnceAsInTurn) {
  namespace fs = std::filesystem;
  const fs::path dir = TempPath("batch-jobs");
  fs::remove_all(dir);
  std::vector<std::string> inputs;
  const char* clips[] = {"av", "long", "video", "audio", "av"};
  for (std::size_t i = 0; i < std::size(clips); ++i) {
    const fs::path folder = dir / ("in" + std::to_string(i));
    fs::create_directories(folder);
    Bytes b = ReadFile(Clip(clips[i]));
    if (i == 1) DeleteBytes(b, DataArea(b, LayoutOf(b), 7), 300);
    const std::string path = (folder / (i % 2 ? "same.wmv" : std::string(clips[i]) + ".wmv")).string();
    WriteFile(path, b);
    inputs.push_back(path);
  }
  std::string files;
  for (const std::string& f : inputs) files += " " + Quote(f);
  std::vector<json> runs;
  for (const char* jobs : {"1", "3"}) {
    const fs::path out = dir / (std::string("out") + jobs);
    fs::create_directories(out);
    const auto r = Cli(std::string("repair --json --jobs ") + jobs + " -o " + Quote(out.string()) + files);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    runs.push_back(json::parse(r.out));
    ASSERT_EQ(runs.back().size(), inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) EXPECT_EQ(runs.back()[i]["file"], inputs[i]);
  }
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    const std::string one = runs[0][i]["output"], three = runs[1][i]["output"];
    EXPECT_EQ(fs::path(one).filename(), fs::path(three).filename());
    EXPECT_EQ(ReadFile(one), ReadFile(three)) << one;
    EXPECT_EQ(runs[0][i]["packets"], runs[1][i]["packets"]);
  }
  EXPECT_EQ(fs::path(runs[1][1]["output"].get<std::string>()).filename(), "same.001.wmv");
  EXPECT_EQ(fs::path(runs[1][3]["output"].get<std::string>()).filename(), "same.002.wmv");
}

TEST(CliBatch, VersionFromTheProject) {
  const auto r = Cli("--version");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, std::string("corvel-cli ") + CORVEL_VERSION_EXPECTED + "\n");
}
