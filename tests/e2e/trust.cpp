// Outputs a user can trust: a failing disk under the source is damage the
// jobs go past and name; an output appears whole under its name or not at
// all (a killed run, a failed write, two runs on one name); nothing done is
// a failure; the command line answers scripts in one JSON object and
// refuses what it cannot read. Each row checks what is on disk afterwards.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <regex>

#include "asf/catalogue.hpp"
#include "io/output_file.hpp"
#include "export/avi.hpp"
#include "join/join.hpp"
#include "session/actions.hpp"
#include "support/asf_builder.hpp"
#include "support/asf_read.hpp"
#include "support/avi_read.hpp"
#include "support/clips.hpp"
#include "support/damage.hpp"
#include "support/open.hpp"

namespace corvel::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// A disk whose bytes [from, to) cannot be read: every read that touches
// them fails with EIO, as a bad sector does.
class FailingReads : public ReadCalls {
 public:
  FailingReads(std::uint64_t from, std::uint64_t to) : from_(from), to_(to) {}
  std::int64_t read(int fd, std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (offset < to_ && offset + out.size() > from_) {
      errno = EIO;
      return -1;
    }
    return ReadCalls::read(fd, offset, out);
  }
  bool direct() const override { return false; }

 private:
  std::uint64_t from_, to_;
};

// The files in a folder whose names start with `stem`.
std::vector<std::string> FilesStartingWith(const std::string& dir, const std::string& stem) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.rfind(stem, 0) == 0) names.push_back(name);
  }
  return names;
}

std::string FreshDir(const std::string& name) {
  const std::string dir = TempPath(name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir + "/";
}

// --- Read errors are damage, not the end -----------------------------------

struct ReadFailure {
  const char* name;
  // Which 4 KiB of the clip cannot be read: the first whole 4 KiB from this
  // packet's start on (packets counted from the end when negative).
  long packet;
};

void PrintTo(const ReadFailure& f, std::ostream* os) { *os << f.name; }

class ReadFailures : public ::testing::TestWithParam<ReadFailure> {};

TEST_P(ReadFailures, TheJobsGoPastTheStretchAndNameIt) {
  const std::string dir = FreshDir(std::string("reads-") + GetParam().name);
  const std::string src = dir + "src.wmv";
  fs::copy_file(Clip("long"), src);
  const Bytes bytes = ReadFile(src);
  const Layout l = LayoutOf(bytes);
  const std::uint64_t k = GetParam().packet < 0 ? l.count + GetParam().packet : static_cast<std::uint64_t>(GetParam().packet);
  // The 4 KiB after the packet's start (the header stays readable).
  const std::uint64_t from = (l.at(k) + 4095) / 4096 * 4096, to = from + 4096;
  const std::uint64_t unreadable = std::min<std::uint64_t>(to, bytes.size()) - from;
  // The packets the bad stretch touches.
  const std::uint64_t firstHit = from < l.first ? 0 : (from - l.first) / l.P;
  const std::uint64_t lastHit = std::min<std::uint64_t>((to - 1 - l.first) / l.P, l.count - 1);
  FailingReads disk(from, to);
  const std::string named = "• read error at " + std::to_string(from) + ": " + std::strerror(EIO);

  Session s;
  s.lang = Language::eng;
  // The header is read around the stretch (it lies in the header's read).
  ASSERT_TRUE(OpenFile(s, src, &disk)) << s.statusText();
  EXPECT_NE(MemoText(s).find(named), std::string::npos) << MemoText(s);
  // The scan goes on past it: every packet outside it is found.
  ASSERT_TRUE(Scan(s)) << s.statusText();
  EXPECT_NE(MemoText(s).find(named), std::string::npos);
  // Exactly the packets it touches are not: their zeros are no packets.
  EXPECT_EQ(s.packets.size(), l.count - (lastHit - firstHit + 1));
  for (const auto p : s.packets) {
    const auto at = static_cast<std::uint64_t>(p.fileOffset);
    ASSERT_TRUE(at + l.P <= from || at >= to) << at;
  }
  // One error block of its own kind, over the stretch, shown as such.
  ASSERT_EQ(s.errBlocks.size(), 1u);
  const ErrorBlock& b = s.errBlocks[0];
  EXPECT_TRUE(b.unreadable);
  EXPECT_LE(b.offset, from);
  EXPECT_GE(b.offset + b.actualSize, std::min<std::uint64_t>(to, l.at(l.count - 1) + l.P));
  ASSERT_EQ(s.errorRows.size(), 1u);
  EXPECT_EQ(CellsOf(s.errorRows.rows()[0], 1, Language::eng)[7], "read error: unreadable bytes");
  EXPECT_EQ(CellsOf(s.errorRows.rows()[0], 1, Language::rus)[7], "ошибка чтения: нечитаемые байты");
  ASSERT_EQ(s.errorList.size(), 1u);
  EXPECT_TRUE(s.errorList[0].unreadable);
  if (lastHit + 1 < l.count) {
    EXPECT_EQ(s.packets[s.packets.size() - 1].fileOffset, static_cast<std::int64_t>(l.at(l.count - 1)));
  }
  // The save keeps every readable packet and says what it passed over.
  const std::string out = dir + "out.wmv";
  ASSERT_TRUE(Save(s, out)) << s.statusText();
  EXPECT_NE(s.statusText().find("unreadable bytes passed over: " + std::to_string(unreadable)), std::string::npos)
      << s.statusText();
  const AsfRead a = ReadAsf(ReadFile(out));
  ExpectSoundAsf(a, false);  // the objects left out leave gaps in the numbers
  EXPECT_EQ(a.packets.size(), s.lastSave.packets);
  // Whole frames only: at most the packets of the frames the stretch cut
  // are left out besides the stretch's own.
  EXPECT_GE(a.packets.size() + 8, s.packets.size());
  const json probe = Probe(out);
  EXPECT_EQ(probe["streams"].size(), 2u);

  // The AVI and the verify read through the same rule.
  const std::string avi = dir + "out.avi";
  const auto exported = RunJob([&](JobContext& ctx) {
    AviJob job = PrepareAvi(s, avi, StreamChoice::VideoAndAudio);
    return job.run(ctx);
  });
  EXPECT_EQ(exported.outcome, Outcome::warnings) << Text(exported.message);
  EXPECT_TRUE(fs::exists(avi));
  // No frame is taken from the zeros: the packets the stretch touches are
  // passed over, as the scan passes them.
  EXPECT_EQ(exported.data.damagedBytesSkipped + exported.data.tailBytesLeftOut, (lastHit - firstHit + 1) * l.P);
  bool avisNamed = false;
  for (const Message& m : exported.log) avisNamed |= Text(m) == named;
  EXPECT_TRUE(avisNamed);
}

INSTANTIATE_TEST_SUITE_P(Clip, ReadFailures,
                         ::testing::Values(ReadFailure{"first_packet", 0}, ReadFailure{"middle", 150},
                                           ReadFailure{"last_packet", -2}),
                         [](const auto& info) { return std::string(info.param.name); });

// The rescue itself: each unreadable step reads as zeros and is listed
// once, neighbours merged; the bytes around it are the file's.
TEST(ReadFailures, UnreadableStepsReadAsZerosAndAreListedOnce) {
  const std::string path = TempPath("rescue.bin");
  Bytes data(40000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 1);
  WriteFile(path, data);
  FailingReads disk(9000, 17000);  // steps 8192..20480 touch it
  const auto src = FileSource::open(path, nullptr, &disk);
  ASSERT_TRUE(src);
  Bytes got(data.size());
  ASSERT_EQ(src->readAt(0, got), static_cast<std::int64_t>(data.size()));
  for (std::size_t i = 0; i < data.size(); ++i) {
    const bool bad = i >= 8192 && i < 20480;
    ASSERT_EQ(got[i], bad ? 0 : data[i]) << i;
  }
  Bytes again(100);
  ASSERT_EQ(src->readAt(8200, again), 100);
  const auto ranges = src->unreadable();
  ASSERT_EQ(ranges.size(), 1u);
  EXPECT_EQ(ranges[0].offset, 8192u);
  EXPECT_EQ(ranges[0].length, 20480u - 8192u);
  EXPECT_EQ(ranges[0].reason, std::strerror(EIO));
  // A read at the end is short, never padded.
  Bytes tail(100);
  EXPECT_EQ(src->readAt(data.size() - 10, tail), 10);
}

// --- Whole or absent -------------------------------------------------------

// Kills the process at its write numbered `at` (0: counts them only).
class KillAtWrite : public WriteCalls {
 public:
  explicit KillAtWrite(long at) : at_(at) {}
  long write(int fd, const std::uint8_t* p, std::size_t n, std::int64_t off) override {
    if (++writes == at_) ::kill(::getpid(), SIGKILL);
    return WriteCalls::write(fd, p, n, off);
  }
  bool direct() const override { return false; }
  std::size_t bufferBytes() const override { return 16 << 10; }
  long writes = 0;

 private:
  long at_;
};

struct Killed {
  const char* name;
  const char* output;
  std::function<bool(const std::string& dir, JobContext& ctx)> run;
};
void PrintTo(const Killed& c, std::ostream* os) { *os << c.name; }

std::vector<Killed> KilledJobs() {
  return {
      {"save", "out.wmv",
       [](const std::string& dir, JobContext& ctx) {
         Session s;
         if (!OpenFile(s, dir + "src.wmv") || !Scan(s)) return false;
         SaveJob job;
         return PrepareSave(s, dir + "out.wmv", job) && job.run(ctx).ok();
       }},
      {"join", "out.wmv",
       [](const std::string& dir, JobContext& ctx) {
         return JoinFiles({dir + "src.wmv", dir + "src2.wmv"}, dir + "out.wmv", JoinOptions{}, ctx).ok();
       }},
      {"avi", "out.avi",
       [](const std::string& dir, JobContext& ctx) {
         Session s;
         if (!OpenFile(s, dir + "src.wmv")) return false;
         return ExportAvi(SourceRef{dir + "src.wmv"}, {}, s.structure.rec, dir + "out.avi", StreamChoice::VideoAndAudio, ctx).ok();
       }},
  };
}

class KilledRun : public ::testing::TestWithParam<Killed> {};

// Killed at its first, middle and last write, with a file of the output's
// name there before: that file is untouched, and what the run left has a
// name that says it is partial.
TEST_P(KilledRun, LeavesOnlyAPartialFileAndTheOldOneWhole) {
  const Killed& job = GetParam();
  const std::string dir = FreshDir(std::string("killed-") + job.name);
  fs::copy_file(Clip("part1"), dir + "src.wmv");
  fs::copy_file(Clip("part2"), dir + "src2.wmv");
  KillAtWrite counter(0);
  {
    JobContext ctx;
    ctx.setWriteCalls(&counter);
    ASSERT_TRUE(job.run(dir, ctx));
  }
  const long writes = counter.writes;
  ASSERT_GT(writes, 3);
  const Bytes old = {'o', 'l', 'd'};
  for (const long at : {1L, writes / 2, writes}) {
    SCOPED_TRACE("killed at write " + std::to_string(at) + " of " + std::to_string(writes));
    for (const std::string& name : FilesStartingWith(dir, "out")) fs::remove(dir + name);
    WriteFile(dir + job.output, old);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      KillAtWrite killer(at);
      JobContext ctx;
      ctx.setWriteCalls(&killer);
      job.run(dir, ctx);
      ::_exit(0);  // not reached: killed first
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    EXPECT_EQ(ReadFile(dir + job.output), old);
    const auto left = FilesStartingWith(dir, "out");
    ASSERT_EQ(left.size(), 2u);
    for (const std::string& name : left)
      if (name != job.output) {
        EXPECT_TRUE(std::regex_match(name, std::regex(std::string(job.output) + "\\.\\w{6}\\.partial"))) << name;
      }
  }
}

INSTANTIATE_TEST_SUITE_P(Jobs, KilledRun, ::testing::ValuesIn(KilledJobs()),
                         [](const auto& info) { return std::string(info.param.name); });

// Two outputs of one new name: the first to finish takes it, the second
// fails with "file already exists" and leaves nothing; a name that was
// taken when the output began is replaced in one step.
TEST(OutputNames, TheFirstToFinishTakesANewNameTheOtherFails) {
  const std::string dir = FreshDir("race");
  const std::string name = dir + "out.wmv";
  std::string error;
  auto a = OutputFile::create(name, error, nullptr, false);
  auto b = OutputFile::create(name, error, nullptr, false);
  ASSERT_TRUE(a && b) << error;
  EXPECT_FALSE(fs::exists(name));  // nothing under the name while writing
  a->write(Bytes{'a'});
  b->write(Bytes{'b'});
  EXPECT_TRUE(b->close());
  EXPECT_FALSE(a->close());
  EXPECT_EQ(a->error(), "file already exists");
  EXPECT_EQ(ReadFile(name), Bytes{'b'});
  EXPECT_EQ(FilesStartingWith(dir, "out").size(), 1u);
  // Not to replace, over an existing file: refused at once.
  EXPECT_FALSE(OutputFile::create(name, error, nullptr, false));
  EXPECT_EQ(error, "file already exists");
  // Begun over an existing file: replaces it.
  auto c = OutputFile::create(name, error);
  c->write(Bytes{'c'});
  EXPECT_EQ(ReadFile(name), Bytes{'b'});
  EXPECT_TRUE(c->close());
  EXPECT_EQ(ReadFile(name), Bytes{'c'});
  // Discarded or never closed: gone, the old one kept.
  { auto d = OutputFile::create(name, error); d->write(Bytes{'d'}); }
  auto e = OutputFile::create(name, error);
  e->write(Bytes{'e'});
  e->discard();
  EXPECT_EQ(ReadFile(name), Bytes{'c'});
  EXPECT_EQ(FilesStartingWith(dir, "out").size(), 1u);
}

// The command line: two saves to one new name at once, ten times: one says
// so each time, one file, whole.
TEST(OutputNames, TwoCommandLinesOnOneNameNeverBothSucceed) {
  const std::string dir = FreshDir("race-cli");
  const std::string src = Clip("av"), out = dir + "out.wmv";
  const std::string cli = std::string(CORVEL_CLI) + " save " + Quote(src) + " -o " + Quote(out);
  for (int trial = 0; trial < 10; ++trial) {
    fs::remove(out);
    const CommandResult r =
        RunCommand("(" + cli + " >/dev/null 2>&1; echo $?) & (" + cli + " >/dev/null 2>&1; echo $?); wait");
    int zeros = 0;
    for (char c : r.out) zeros += c == '0';
    EXPECT_EQ(zeros, 1) << r.out;
    ExpectSoundAsf(out);
    EXPECT_EQ(FilesStartingWith(dir, "out").size(), 1u);
  }
}

// --- Nothing done is a failure ---------------------------------------------

// A file whose packets hold no whole media object: every job that writes or
// decodes fails with its reason, writes nothing, and exits 1 with ok false.
TEST(NothingDone, EveryJobFailsAndWritesNothing) {
  const std::string dir = FreshDir("nothing");
  // Every payload a fragment of an object larger than what follows.
  std::vector<Bytes> packets;
  for (std::uint32_t i = 0; i < 3; ++i)
    packets.push_back(DataPacket({.sendTime = i * 40,
                                  .payloads = {{.stream = 1, .key = true, .mediaObject = i, .offset = 0,
                                                .mediaObjectSize = 5000, .presentationTime = i * 40, .dataLength = 100}}},
                                 256));
  const std::string src = dir + "src.wmv";
  WriteFile(src, FileWithPackets(packets, 256));
  const std::string cli = std::string(CORVEL_CLI);
  struct Row {
    std::string args;
    std::string reason;
  };
  const std::vector<Row> rows{
      {"save " + Quote(src) + " -o " + Quote(dir + "out.wmv"), "no media object found to write"},
      {"repair " + Quote(src) + " -o " + Quote(dir + "out.wmv"), "no media object found to write"},
      {"avi " + Quote(src) + " -o " + Quote(dir + "out.avi"), "no media object found to write"},
      {"frames " + Quote(src) + " --dir " + Quote(dir), "no media object found to write"},
      {"verify " + Quote(src), "nothing was verified by decoding"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args);
    const CommandResult text = RunCommand(cli + " " + row.args);
    EXPECT_EQ(text.exitCode, 1) << text.out << text.err;
    EXPECT_NE((text.out + text.err).find(row.reason), std::string::npos) << text.out << "|" << text.err;
    const CommandResult js = RunCommand(cli + " " + row.args + " --json");
    EXPECT_EQ(js.exitCode, 1);
    const json j = json::parse(js.out, nullptr, false);
    ASSERT_TRUE(j.is_object()) << js.out;
    EXPECT_EQ(j["ok"], false);
    EXPECT_NE(j.dump().find(row.reason), std::string::npos) << j.dump();
    EXPECT_EQ(FilesStartingWith(dir, "out").size(), 0u);
    EXPECT_EQ(FilesStartingWith(dir, "frame").size(), 0u);
  }
}

// --- The command line ------------------------------------------------------

// Every command, failing before its report: exactly one JSON object on
// standard output, ok false, the error; bad numbers are usage errors.
TEST(CliAnswers, OneJsonObjectOnFailureAndNumbersChecked) {
  const std::string cli = std::string(CORVEL_CLI);
  const std::string missing = Quote(TempPath("no-such-file.wmv"));
  const std::string out = Quote(TempPath("never-written.out"));
  for (const std::string& args :
       {"info " + missing, "scan " + missing, "verify " + missing, "save " + missing, "repair " + missing,
        "avi " + missing, "frames " + missing, "reconstruct " + missing, "join -o " + out + " " + missing + " " + missing}) {
    SCOPED_TRACE(args);
    const CommandResult r = RunCommand(cli + " " + args + " --json");
    EXPECT_EQ(r.exitCode, 1);
    const json j = json::parse(r.out, nullptr, false);
    ASSERT_TRUE(j.is_object()) << r.out;
    EXPECT_EQ(j["ok"], false);
    ASSERT_TRUE(j.contains("error"));
    const std::string error = j["error"].get<std::string>();
    // The cause, or the file it could not open.
    EXPECT_TRUE(error.find(std::strerror(ENOENT)) != std::string::npos || error.find("no-such-file.wmv") != std::string::npos)
        << j.dump();
  }
  const std::string clip = Quote(Clip("av"));
  for (const std::string& args : {"join -o " + out + " --preroll abc " + clip + " " + clip,
                                  "join -o " + out + " --send-time approximate --lead 1.5 " + clip + " " + clip,
                                  "join -o " + out + " --preroll -5 " + clip + " " + clip,
                                  "repair --mode rescan --min-repeat -5 " + clip, "repair --min-repeat 12x " + clip}) {
    SCOPED_TRACE(args);
    const CommandResult r = RunCommand(cli + " " + args);
    EXPECT_EQ(r.exitCode, 2) << r.out << r.err;
    EXPECT_FALSE(fs::exists(TempPath("never-written.out")));
  }
  // A report that cannot be written is a failure.
  EXPECT_EQ(RunCommand(cli + " info " + clip + " > /dev/full").exitCode, 1);
  EXPECT_EQ(RunCommand(cli + " info --json " + clip + " > /dev/full").exitCode, 1);
  EXPECT_EQ(RunCommand(cli + " info " + clip + " > /dev/null").exitCode, 0);
}

// A list of another file's blocks is refused with the block it does not
// fit, and nothing is cut or written; the file's own list repairs it.
TEST(CliAnswers, AnErrorListOfAnotherFileIsRefused) {
  const std::string dir = FreshDir("lists");
  const std::string cli = std::string(CORVEL_CLI);
  Bytes bytes = ReadFile(Clip("long"));
  const Layout l = LayoutOf(bytes);
  Bytes other = bytes;
  // 500 zero bytes pushed into a packet: a block with a repeat to cut.
  InsertBytes(bytes, DataArea(bytes, l, 40), 500, 0);
  InsertBytes(other, DataArea(other, l, 90), 500, 0);
  WriteFile(dir + "a.wmv", bytes);
  WriteFile(dir + "b.wmv", other);
  ASSERT_EQ(RunCommand(cli + " repair " + Quote(dir + "a.wmv") + " --save-errors -o " + Quote(dir + "first.wmv")).exitCode, 0);
  ASSERT_TRUE(fs::exists(dir + "a.wmv.index"));
  const CommandResult wrong =
      RunCommand(cli + " repair " + Quote(dir + "b.wmv") + " --errors " + Quote(dir + "a.wmv.index") + " -o " + Quote(dir + "out-b.wmv"));
  EXPECT_EQ(wrong.exitCode, 1);
  EXPECT_NE(wrong.err.find("the error list is not this file's"), std::string::npos) << wrong.err;
  EXPECT_FALSE(fs::exists(dir + "out-b.wmv"));
  const CommandResult right =
      RunCommand(cli + " repair " + Quote(dir + "a.wmv") + " --errors " + Quote(dir + "a.wmv.index") + " -o " + Quote(dir + "out-a.wmv"));
  EXPECT_EQ(right.exitCode, 0) << right.err;
  ExpectSoundAsf(dir + "out-a.wmv", false);
}

// A pipe given as the source is refused at once (never waited on), and text
// from the file reaches the terminal with its control bytes shown, not acted on.
TEST(CliAnswers, APipeIsRefusedAndControlBytesAreShown) {
  const std::string fifo = TempPath("source.fifo");
  fs::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const CommandResult r = RunCommand(std::string(CORVEL_CLI) + " scan " + Quote(fifo));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;

  const std::string titled = TempPath("control-title.wmv");
  const CommandResult made = RunCommand(std::string(CORVEL_FFMPEG) +
                                        " -hide_banner -loglevel error -y -f lavfi -i sine=duration=1 -c:a wmav2 -metadata title=\"$(printf 'a\\033[31mb\\007c\\rd')\" " +
                                        Quote(titled));
  ASSERT_EQ(made.exitCode, 0) << made.err;
  const CommandResult info = RunCommand(std::string(CORVEL_CLI) + " info " + Quote(titled));
  ASSERT_EQ(info.exitCode, 0);
  EXPECT_EQ(info.out.find('\033'), std::string::npos);
  EXPECT_EQ(info.out.find('\007'), std::string::npos);
  EXPECT_EQ(info.out.find('\r'), std::string::npos);
  EXPECT_NE(info.out.find("a\\x1b[31mb\\x07c\\x0dd"), std::string::npos) << info.out;
  // JSON carries the title as it is (escaped by JSON itself).
  const json j = json::parse(RunCommand(std::string(CORVEL_CLI) + " info --json " + Quote(titled)).out);
  EXPECT_NE(j.dump().find("a\\u001b[31mb\\u0007c\\rd"), std::string::npos);
}

}  // namespace
}  // namespace corvel::test

namespace corvel::test {
namespace {

// --- One damaged header field does not cost the file ----------------------

struct FieldDamage {
  const char* name;
  // Changes the bytes of a sound file: one field, as a bad sector or a
  // careless tag writer leaves it.
  std::function<void(Bytes&, const std::vector<PlainObject>&)> damage;
};

const PlainObject& ObjectOf(const std::vector<PlainObject>& objects, const Guid& g) {
  for (const PlainObject& o : objects)
    if (o.guid == g) return o;
  throw std::runtime_error("no such object");
}

void PutQ(Bytes& b, std::uint64_t at, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void PutD(Bytes& b, std::uint64_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::vector<FieldDamage> FieldDamages() {
  using Objects = std::vector<PlainObject>;
  return {
      {"stream_properties_size_0", [](Bytes& b, const Objects& o) { PutQ(b, ObjectOf(o, guid::StreamProperties).offset + 16, 0); }},
      {"file_properties_count_1", [](Bytes& b, const Objects& o) { PutQ(b, ObjectOf(o, guid::FileProperties).offset + 56, 1); }},
      {"both_counts_1",
       [](Bytes& b, const Objects& o) {
         PutQ(b, ObjectOf(o, guid::FileProperties).offset + 56, 1);
         PutQ(b, ObjectOf(o, guid::Data).offset + 40, 1);
       }},
      {"both_counts_0",
       [](Bytes& b, const Objects& o) {
         PutQ(b, ObjectOf(o, guid::FileProperties).offset + 56, 0);
         PutQ(b, ObjectOf(o, guid::Data).offset + 40, 0);
       }},
      {"packet_size_plus_1",
       [](Bytes& b, const Objects& o) {
         const std::uint64_t f = ObjectOf(o, guid::FileProperties).offset;
         PutD(b, f + 92, 3201);
         PutD(b, f + 96, 3201);
       }},
      {"packet_size_minus_1",
       [](Bytes& b, const Objects& o) {
         const std::uint64_t f = ObjectOf(o, guid::FileProperties).offset;
         PutD(b, f + 92, 3199);
         PutD(b, f + 96, 3199);
       }},
      {"header_object_size_huge", [](Bytes& b, const Objects&) { PutQ(b, 16, 0x7fff'ffff'ffffull); }},
      {"file_properties_guid", [](Bytes& b, const Objects& o) { PutD(b, ObjectOf(o, guid::FileProperties).offset, 0x12345678); }},
      {"data_object_size_100", [](Bytes& b, const Objects& o) { PutQ(b, ObjectOf(o, guid::Data).offset + 16, 100); }},
      {"header_extension_data_size", [](Bytes& b, const Objects& o) { PutD(b, ObjectOf(o, guid::HeaderExtension).offset + 42, 0x7fff); }},
      // The first child's size (where the extension has one).
      {"header_extension_child_size",
       [](Bytes& b, const Objects& o) {
         const PlainObject& he = ObjectOf(o, guid::HeaderExtension);
         if (he.size >= 46 + 24) PutQ(b, he.offset + 46 + 16, 0xffff);
       }},
      // Two bytes of every stream's type GUID.
      {"stream_type_guid",
       [](Bytes& b, const Objects& o) {
         for (const PlainObject& s : o)
           if (s.guid == guid::StreamProperties) PutD(b, s.offset + 24, 0x12345678);
       }},
  };
}

struct FieldCase {
  std::string clip;
  FieldDamage damage;
};

void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.clip << " " << c.damage.name; }

class HeaderField : public ::testing::TestWithParam<FieldCase> {};

// The save of a file with the field damaged: exit 0, every packet of the
// source written, and ffprobe reads as many frames as from the source.
TEST_P(HeaderField, TheSaveKeepsEveryPacket) {
  const FieldCase& c = GetParam();
  const std::string dir = FreshDir("field-" + c.clip + "-" + c.damage.name);
  const std::string src = Clip(c.clip);
  Bytes bytes = ReadFile(src);
  const Layout sound = LayoutOf(bytes);
  c.damage.damage(bytes, IndependentObjects(bytes));
  const std::string damaged = dir + "damaged.wmv", out = dir + "out.wmv";
  WriteFile(damaged, bytes);
  const CommandResult r = RunCommand(std::string(CORVEL_CLI) + " save " + Quote(damaged) + " -o " + Quote(out));
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  const AsfRead a = ReadAsf(ReadFile(out));
  ExpectSoundAsf(a);
  EXPECT_EQ(a.packets.size(), sound.count) << r.out;
  EXPECT_EQ(a.declaredPackets, sound.count);
  auto frames = [](const std::string& path) {
    const CommandResult p = RunCommand(std::string(CORVEL_FFPROBE) +
                                       " -v error -count_packets -show_entries stream=nb_read_packets -of csv=p=0 " + Quote(path));
    return p.out;
  };
  EXPECT_EQ(frames(out), frames(src));
  // The AVI and the verify find the packets where the scan does.
  auto run = [&](const std::string& args) {
    const CommandResult p = RunCommand(std::string(CORVEL_CLI) + " " + args + " --json");
    return json::parse(p.out, nullptr, false);
  };
  const json aviOfSource = run("avi " + Quote(src) + " -o " + Quote(dir + "src.avi"));
  const json avi = run("avi " + Quote(damaged) + " -o " + Quote(dir + "out.avi"));
  ASSERT_TRUE(avi.is_object());
  EXPECT_TRUE(avi.value("ok", false)) << avi.dump();
  EXPECT_EQ(avi["chunks"], aviOfSource["chunks"]);
  const json verified = run("verify " + Quote(damaged));
  ASSERT_TRUE(verified.is_object());
  EXPECT_EQ(verified["media_objects_verified"], run("verify " + Quote(src))["media_objects_verified"]) << verified.dump();
}

std::vector<FieldCase> FieldCases() {
  std::vector<FieldCase> cases;
  for (const char* clip : {"audio", "av"})
    for (const FieldDamage& d : FieldDamages()) cases.push_back({clip, d});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Clips, HeaderField, ::testing::ValuesIn(FieldCases()),
                         [](const auto& info) { return info.param.clip + "_" + info.param.damage.name; });

// A part whose counts say 0 or 1 joins with every packet it holds.
TEST(HeaderField, AJoinTakesEveryPacketOfAPartWithBrokenCounts) {
  const std::string dir = FreshDir("field-join");
  const Layout one = LayoutOf(ReadFile(Clip("part1"))), two = LayoutOf(ReadFile(Clip("part2")));
  for (const std::uint64_t count : {0u, 1u}) {
    Bytes part = ReadFile(Clip("part1"));
    const auto objects = IndependentObjects(part);
    PutQ(part, ObjectOf(objects, guid::FileProperties).offset + 56, count);
    PutQ(part, ObjectOf(objects, guid::Data).offset + 40, count);
    WriteFile(dir + "part1.wmv", part);
    const std::string out = dir + "joined-" + std::to_string(count) + ".wmv";
    const CommandResult r =
        RunCommand(std::string(CORVEL_CLI) + " join -o " + Quote(out) + " " + Quote(dir + "part1.wmv") + " " + Quote(Clip("part2")));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const AsfRead a = ReadAsf(ReadFile(out));
    ExpectSoundAsf(a);
    EXPECT_EQ(a.packets.size(), one.count + two.count);
  }
}

}  // namespace
}  // namespace corvel::test
