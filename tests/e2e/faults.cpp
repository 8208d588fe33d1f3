// Every job that writes, meeting a disk that fails: at its first write, at
// one in the middle, at its last, and when the file is closed. The message
// names the cause and the file, nothing half-written is left behind (the
// frames export keeps the whole frames it wrote and says how many), and the
// source is untouched.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <set>

#include "io/output_file.hpp"
#include "export/avi.hpp"
#include "join/join.hpp"
#include "session/actions.hpp"
#include "support/clips.hpp"
#include "support/damage.hpp"
#include "support/open.hpp"

namespace corvel::test {
namespace {

namespace fs = std::filesystem;

// The system's calls, in small blocks (so that a small clip makes many
// writes), counted; the write numbered `failAt` fails with `error`, or the
// first close does when `failClose` is set.
class FailingCalls : public WriteCalls {
 public:
  FailingCalls(long failAt, bool failClose, int error) : failAt_(failAt), failClose_(failClose), error_(error) {}
  long write(int fd, const std::uint8_t* p, std::size_t n, std::int64_t at) override {
    if (++writes == failAt_) {
      errno = error_;
      return -1;
    }
    return WriteCalls::write(fd, p, n, at);
  }
  int close(int fd) override {
    const int rc = WriteCalls::close(fd);
    if (failClose_ && closes++ == 0) {
      errno = error_;
      return -1;
    }
    return rc;
  }
  bool direct() const override { return false; }
  std::size_t bufferBytes() const override { return 16 << 10; }
  long writes = 0;

 private:
  long failAt_;
  bool failClose_;
  int closes = 0;
  int error_;
};

// What a job said and did.
struct Said {
  Outcome outcome = Outcome::failed;
  std::string text;  // its closing message and every line it logged, in English
};

template <typename Data>
Said SaidBy(const JobResult<Data>& r) {
  Said s{r.outcome, Text(r.message)};
  for (const Message& m : r.log) s.text += "\n" + Text(m);
  return s;
}

// One job that writes. `run` works in `dir` (which holds the inputs) and
// writes `output` there.
struct Writer {
  std::string name;
  std::string output;                                 // the file it writes (a folder's frame files: "frame")
  bool framesKept = false;                            // the frame files written before the failure stay
  std::string before;                                 // content a file at `output` had before, kept on failure
  Outcome onFailure = Outcome::failed;                // a dump's failure leaves the scan's result
  std::function<Said(const std::string& dir, JobContext& ctx)> run;
};

Session Scanned(const std::string& path) {
  Session s;
  EXPECT_TRUE(OpenFile(s, path) && Scan(s)) << path;
  return s;
}

std::vector<Writer> Writers() {
  return {
      {"save", "out.wmv", false, "", Outcome::failed,
       [](const std::string& dir, JobContext& ctx) {
         Session s = Scanned(dir + "av.wmv");
         SaveJob job;
         EXPECT_TRUE(PrepareSave(s, dir + "out.wmv", job));
         return SaidBy(job.run(ctx));
       }},
      {"repair", "out.wmv", false, "", Outcome::failed,
       [](const std::string& dir, JobContext& ctx) {
         Session s = Scanned(dir + "damaged.wmv");
         EXPECT_FALSE(s.errorList.empty());
         EXPECT_TRUE(Repair(s, RepairMode::cutEqualRepeats, RepairOptions{}));
         SaveJob job;  // the cuts changed: the save scans again first
         EXPECT_TRUE(PrepareSave(s, dir + "out.wmv", job));
         return SaidBy(job.run(ctx));
       }},
      {"join", "joined.wmv", false, "", Outcome::failed,
       [](const std::string& dir, JobContext& ctx) {
         return SaidBy(JoinFiles({dir + "part1.wmv", dir + "part2.wmv"}, dir + "joined.wmv", JoinOptions{}, ctx));
       }},
      {"avi", "out.avi", false, "", Outcome::failed,
       [](const std::string& dir, JobContext& ctx) {
         const Session s = Scanned(dir + "av.wmv");
         return SaidBy(ExportAvi(SourceRef{dir + "av.wmv"}, {}, s.structure.rec, dir + "out.avi", StreamChoice::VideoAndAudio, ctx));
       }},
      {"avi OpenDML", "out.avi", false, "", Outcome::failed,
       [](const std::string& dir, JobContext& ctx) {
         const Session s = Scanned(dir + "av.wmv");
         // A small RIFF limit: several RIFF lists, each closed on its way.
         return SaidBy(ExportAvi(SourceRef{dir + "av.wmv"}, {}, s.structure.rec, dir + "out.avi", StreamChoice::VideoAndAudio, ctx, 100'000));
       }},
      {"frames", "frame", true, "", Outcome::failed,
       [](const std::string& dir, JobContext& ctx) {
         return SaidBy(ExportFrames(SourceRef{dir + "av.wmv"}, {}, 30, StreamChoice::VideoAndAudio, dir.substr(0, dir.size() - 1), ctx));
       }},
      {"error list", "damaged.wmv.index", false, "the list saved before", Outcome::failed,
       [](const std::string& dir, JobContext& ctx) {
         const Session s = Scanned(dir + "damaged.wmv");
         EXPECT_FALSE(s.errorList.empty());
         std::string error;
         const bool ok = SaveErrors(s, {}, error, ctx.writeCalls());
         return Said{ok ? Outcome::ok : Outcome::failed, error};
       }},
      {"settings", "corvel.cfg", false, "lang: eng\r\n", Outcome::failed,
       [](const std::string& dir, JobContext& ctx) {
         const std::string text(200'000, 'x');  // long enough for several writes
         std::string error;
         const bool ok = WriteWholeFile(dir + "corvel.cfg", ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                                        error, ctx.writeCalls());
         return Said{ok ? Outcome::ok : Outcome::failed, error};
       }},
      {"dump", "av.dump.txt", false, "", Outcome::warnings,
       [](const std::string& dir, JobContext& ctx) {
         Session s;
         EXPECT_TRUE(OpenFile(s, dir + "av.wmv"));
         s.options.writeDump = true;
         s.options.dumpPath = dir + "av.dump.txt";
         const ScanJob job = PrepareScan(s);
         auto r = job.run(ctx);
         // The scan itself is whole: every packet found.
         EXPECT_GT(r.data.packets.size(), 50u);
         EXPECT_TRUE(r.data.blocks.empty());
         return SaidBy(r);
       }},
  };
}

void PrintTo(const Writer& w, std::ostream* os) { *os << w.name; }

// A folder holding copies of the inputs every writer may need.
std::string FreshFolder(const std::string& name) {
  const std::string dir = TempPath("faults/" + name) + "/";
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy_file(Clip("long"), dir + "av.wmv");
  fs::copy_file(Clip("part1"), dir + "part1.wmv");
  fs::copy_file(Clip("part2"), dir + "part2.wmv");
  Bytes damaged = ReadFile(Clip("long"));
  InsertBytes(damaged, DataArea(damaged, LayoutOf(damaged), 12), 700, 0);
  WriteFile(dir + "damaged.wmv", damaged);
  return dir;
}

std::map<std::string, Bytes> Contents(const std::string& dir) {
  std::map<std::string, Bytes> files;
  for (const auto& e : fs::directory_iterator(dir)) files[e.path().filename().string()] = ReadFile(e.path().string());
  return files;
}

struct Point {
  const char* name;
  bool close;
  int error;
};

class Faults : public ::testing::TestWithParam<Writer> {};

TEST_P(Faults, FailingWriteIsSaidAndLeavesNothingHalfWritten) {
  const Writer& w = GetParam();
  // The writes the job makes when nothing fails.
  long count = 0;
  {
    const std::string dir = FreshFolder(w.name + " whole");
    FailingCalls counting(0, false, 0);
    JobContext ctx;
    ctx.setWriteCalls(&counting);
    const Said said = w.run(dir, ctx);
    ASSERT_EQ(said.outcome, Outcome::ok) << said.text;
    count = counting.writes;
    ASSERT_GE(count, 1);
  }
  // A small file is one write: its first, middle and last are one.
  std::vector<std::pair<long, Point>> points = {{1, {"first write", false, ENOSPC}}};
  if (count > 2) points.push_back({(count + 1) / 2, {"middle write", false, ENOSPC}});
  if (count > 1) points.push_back({count, {"last write", false, EDQUOT}});
  points.push_back({0, {"close", true, EIO}});
  for (const auto& [at, point] : points) {
    SCOPED_TRACE(w.name + ", " + point.name + " (" + std::to_string(at) + " of " + std::to_string(count) + ")");
    const std::string dir = FreshFolder(w.name + " " + point.name);
    if (!w.before.empty()) WriteFile(dir + w.output, Bytes(w.before.begin(), w.before.end()));
    const auto inputs = Contents(dir);
    FailingCalls failing(at, point.close, point.error);
    JobContext ctx;
    ctx.setWriteCalls(&failing);
    const Said said = w.run(dir, ctx);

    EXPECT_EQ(said.outcome, w.onFailure) << said.text;
    // The cause, as the system gave it.
    EXPECT_NE(said.text.find(std::strerror(point.error)), std::string::npos) << said.text;
    // The file, where the message is a sentence of its own (a job's), not a
    // reason for the caller to put after the path.
    if (said.text.find("file save error") != std::string::npos) {
      EXPECT_NE(said.text.find(dir + w.output), std::string::npos) << said.text;
    }

    // The inputs as they were (the sources, a file the output would have
    // replaced), and nothing else but whole frames.
    auto after = Contents(dir);
    std::size_t frames = 0;
    for (auto it = after.begin(); it != after.end();) {
      if (w.framesKept && it->first.rfind("frame", 0) == 0) {
        ++frames;
        it = after.erase(it);
      } else {
        ++it;
      }
    }
    std::set<std::string> names, expected;
    for (const auto& [name, bytes] : after) names.insert(name);
    for (const auto& [name, bytes] : inputs) expected.insert(name);
    EXPECT_EQ(names, expected);
    for (const auto& [name, bytes] : inputs) {
      EXPECT_TRUE(!after.count(name) || after[name] == bytes) << name << " changed";
    }
    if (w.framesKept) {
      std::smatch m;
      ASSERT_TRUE(std::regex_search(said.text, m, std::regex("saved frames: (\\d+)"))) << said.text;
      EXPECT_EQ(std::stoul(m[1]), frames);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, Faults, ::testing::ValuesIn(Writers()), [](const auto& info) {
  std::string name = info.param.name;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
});

// The same through the command line onto a real full disk: a small tmpfs
// mounted in a mount namespace of the test's own (where the system lets a
// test make one).
struct FullDiskCase {
  const char* name;
  std::string args;  // after the command line's path; OUT stands for the small disk
  const char* output;
};

TEST(FullDisk, CommandLineSaysSoAndLeavesNothingHalfWritten) {
  if (RunCommand("unshare -rm true").exitCode != 0) GTEST_SKIP() << "no mount namespace may be made here (unshare -rm): no real full disk";
  const std::string av = Quote(Clip("long")), p1 = Quote(Clip("part1")), p2 = Quote(Clip("part2"));
  const Bytes source = ReadFile(Clip("long"));
  const std::vector<FullDiskCase> cases = {
      {"save", "save " + av + " -o OUT/out.wmv", "out.wmv"},
      {"avi", "avi " + av + " -o OUT/out.avi", "out.avi"},
      {"join", "join " + p1 + " " + p2 + " -o OUT/joined.wmv", "joined.wmv"},
      {"frames", "frames " + av + " 200 --dir OUT", "frame"},
  };
  for (const FullDiskCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string disk = TempPath(std::string("full-") + c.name);
    fs::create_directories(disk);
    std::string args = c.args;
    for (std::size_t at; (at = args.find("OUT")) != std::string::npos;) args.replace(at, 3, Quote(disk));
    // What is on the disk after the job is listed before the disk goes away.
    const std::string script = "mount -t tmpfs -o size=256k corvel " + Quote(disk) + " && " + std::string(CORVEL_CLI) + " " + args +
                               "; rc=$?; echo; ls -A " + Quote(disk) + " | sort; exit $rc";
    const CommandResult r = RunCommand("unshare -rm sh -c " + Quote(script));
    EXPECT_NE(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE((r.out + r.err).find("No space left on device"), std::string::npos) << r.out << r.err;
    const std::string listed = r.out.substr(r.out.rfind("\n\n") == std::string::npos ? 0 : r.out.rfind("\n\n"));
    if (std::string(c.output) == "frame") {
      std::smatch m;
      const std::string all = r.out + r.err;
      ASSERT_TRUE(std::regex_search(all, m, std::regex("saved frames: (\\d+)"))) << all;
      std::size_t files = 0;
      for (std::size_t at = 0; (at = listed.find("frame", at)) != std::string::npos; ++at) ++files;
      EXPECT_EQ(files, std::stoul(m[1])) << listed;
      EXPECT_GT(files, 0u);
    } else {
      EXPECT_EQ(listed.find(c.output), std::string::npos) << listed;
    }
  }
  EXPECT_TRUE(ReadFile(Clip("long")) == source);
}

}  // namespace
}  // namespace corvel::test
