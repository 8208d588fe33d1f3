// The presenter driven as the window drives it, without Qt: its jobs run on
// the worker and come back through a queue the test turns; questions are
// answered by script, and what the view hears is recorded.
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>

#include "asf/catalogue.hpp"
#include "presenter/presenter.hpp"
#include "session/output_name.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"
#include "support/damage.hpp"
#include "analysis/simple_index.hpp"
#include "join/join.hpp"
#include "repair/save.hpp"
#include "analysis/scan.hpp"

namespace corvel::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class QueueDispatcher : public Dispatcher {
 public:
  void post(std::function<void()> f) override {
    const std::lock_guard lock(m_);
    q_.push_back(std::move(f));
    cv_.notify_one();
  }
  // Runs what was posted until `done` holds (false after a minute).
  bool runUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (!done()) {
      std::unique_lock lock(m_);
      if (!cv_.wait_until(lock, end, [&] { return !q_.empty(); })) return false;
      auto f = std::move(q_.front());
      q_.pop_front();
      lock.unlock();
      f();
    }
    return true;
  }

 private:
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::function<void()>> q_;
};

class ScriptedQuestions : public Questions {
 public:
  bool answer = true;
  std::vector<MessageId> asked;
  std::function<void()> whileAsking;  // what happens while the user reads
  bool ask(MessageId q) override {
    asked.push_back(q);
    if (whileAsking) whileAsking();
    return answer;
  }
};

class RecordingView : public PresenterView {
 public:
  std::vector<JobProgress> progress;
  std::vector<std::pair<JobKind, Outcome>> ended;
  int logReplacedCount = 0;
  std::vector<Message> lines;
  void progressed(const JobProgress& p) override { progress.push_back(p); }
  void jobEnded(JobKind k, Outcome o) override { ended.emplace_back(k, o); }
  void logReplaced() override { ++logReplacedCount; }
  void logged(const Message& m) override { lines.push_back(m); }
};

struct Harness {
  QueueDispatcher d;
  ScriptedQuestions q;
  RecordingView v;
  Presenter p{d, q, v};
  Harness() { p.setLanguage(Language::eng); }
  bool wait() { return d.runUntil([&] { return !p.busy(); }); }
  // Waits for the running job's first progress, then asks it to stop.
  bool stopMidway() {
    const std::size_t before = v.progress.size();
    if (!d.runUntil([&] { return v.progress.size() > before || !p.busy(); })) return false;
    p.requestStop();
    return wait();
  }
  std::string status() const { return p.text(p.status()); }
  std::string lastLine() const { return p.log().lines().empty() ? std::string() : p.text(p.log().lines().back()); }
};

// A damaged copy of the long clip: 500 zero bytes pushed into packet 20.
std::string Damaged() {
  static const std::string path = [] {
    Bytes b = ReadFile(Clip("long"));
    InsertBytes(b, DataArea(b, LayoutOf(b), 20), 500, 0);
    const std::string p = TempPath("presenter-damaged.wmv");
    WriteFile(p, b);
    return p;
  }();
  return path;
}

bool Scanned(Harness& h, const std::string& file) {
  if (!h.p.open(file)) return false;
  h.p.scanOrStop();
  return h.wait();
}

TEST(PresenterCommands, FollowTheState) {
  Harness h;
  Commands c = h.p.commands();
  EXPECT_TRUE(c.scan && c.join && c.exportFile);
  EXPECT_FALSE(c.stop || c.saveErrors || c.loadErrors || c.timeline || c.dump || c.stopJoin || c.stopExport);
  ASSERT_TRUE(h.p.open(Damaged()));
  c = h.p.commands();
  EXPECT_TRUE(c.saveErrors && c.loadErrors && c.timeline && c.dump);
  // While a scan runs: only its stop (and nothing that reads the session).
  h.p.setStepPause(2ms);
  h.p.scanOrStop();
  c = h.p.commands();
  EXPECT_TRUE(c.stop);
  EXPECT_FALSE(c.scan || c.saveErrors || c.loadErrors || c.timeline || c.dump || c.join || c.exportFile);
  h.p.setStepPause({});
  h.p.requestStop();
  ASSERT_TRUE(h.wait());
  ASSERT_TRUE(h.p.open(Damaged()));
  h.p.scanOrStop();
  ASSERT_TRUE(h.wait());
  ASSERT_EQ(h.p.errorRows().size(), 1u);
  EXPECT_TRUE(h.p.commands().saveErrors);
  // A repair moves the offsets after its cuts: the list is not saved then.
  h.p.repair(RepairMode::cutEqualRepeats, {});
  ASSERT_TRUE(h.wait());
  EXPECT_EQ(h.p.pendingCuts(), 1u);
  EXPECT_FALSE(h.p.commands().saveErrors);
  EXPECT_TRUE(h.p.commands().loadErrors);
}

// Each job stopped midway ends "stopped", says so, and leaves on disk what
// its result says: the packets a save wrote, the frames written, no
// half-made AVI or joined file.
struct StopCase {
  const char* name;
  JobKind kind;
  std::function<void(Harness&, const std::string& out)> start;
  std::function<void(Harness&, const std::string& out)> check;
};
void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class PresenterStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(PresenterStop, LeavesWhatTheResultSays) {
  const StopCase& c = GetParam();
  Harness h;
  ASSERT_TRUE(Scanned(h, Clip("long")));
  const std::string out = TempPath(std::string("presenter-stopped-") + c.name);
  fs::remove_all(out);
  h.p.setStepPause(3ms);
  h.v.progress.clear();
  c.start(h, out);
  ASSERT_EQ(h.p.running(), c.kind);
  ASSERT_TRUE(h.stopMidway());
  ASSERT_FALSE(h.v.ended.empty());
  EXPECT_EQ(h.v.ended.back(), std::make_pair(c.kind, Outcome::stopped));
  // Every progress event named this run and its kind.
  ASSERT_FALSE(h.v.progress.empty());
  for (const JobProgress& p : h.v.progress) {
    EXPECT_EQ(p.kind, c.kind);
    EXPECT_EQ(p.job, h.v.progress.front().job);
  }
  EXPECT_FALSE(h.p.busy());
  EXPECT_TRUE(h.p.commands().scan);
  c.check(h, out);
}

const StopCase kStops[] = {
    {"scan", JobKind::scan, [](Harness& h, const std::string&) { h.p.scanOrStop(); },
     [](Harness& h, const std::string&) {
       EXPECT_EQ(h.status(), "interrupted by user");
       // The packets found up to the stop, fewer than the file holds.
       EXPECT_GT(h.p.session().packets.size(), 0u);
       EXPECT_LT(h.p.session().packets.size(), LayoutOf(ReadFile(Clip("long"))).count);
     }},
    {"save", JobKind::save,
     [](Harness& h, const std::string& out) {
       h.p.setOutputName(out);
       h.p.save();
     },
     [](Harness& h, const std::string& out) {
       // "packets written: W of N", and the file holds W whole packets.
       const std::string said = h.status();
       ASSERT_EQ(said.rfind("interrupted by user\npackets written: ", 0), 0u) << said;
       const std::uint64_t written = std::stoull(said.substr(said.find(": ") + 2));
       Session back;
       ASSERT_TRUE(OpenFile(back, out));
       ASSERT_TRUE(Scan(back));
       EXPECT_EQ(back.packets.size(), written);
       EXPECT_TRUE(back.errorList.empty());
     }},
    {"reconstruct", JobKind::reconstruct,
     [](Harness& h, const std::string& out) {
       // A header wiped in front of 40 MB: the search runs through it all.
       Bytes b(40 << 20, 0);
       const Bytes clip = ReadFile(Clip("av"));
       std::copy(clip.begin() + 16, clip.end(), b.end() - static_cast<std::ptrdiff_t>(clip.size() - 16));
       WriteFile(out, b);
       h.p.setInputName(out);
       h.p.reconstructOrStop();
     },
     [](Harness& h, const std::string&) {
       // The objects found up to the stop (none, in the zeros), and the status says it stopped.
       EXPECT_EQ(h.status(), "interrupted by user");
       EXPECT_TRUE(h.p.session().structure.objects.empty());
     }},
    {"avi", JobKind::avi,
     [](Harness& h, const std::string& out) { h.p.exportOrStop({true, out + ".avi", "", StreamChoice::VideoAndAudio}); },
     [](Harness& h, const std::string& out) {
       EXPECT_EQ(h.p.text(h.p.exportMessage()), "interrupted by user");
       EXPECT_FALSE(fs::exists(out + ".avi"));
     }},
    {"verify", JobKind::verify, [](Harness& h, const std::string&) { h.p.verify(); },
     [](Harness& h, const std::string&) {
       // What was decoded up to the stop is kept, fewer than the clip's
       // frames, and the status counts it.
       EXPECT_EQ(h.status(), "interrupted by user\nmedia objects verified by decoding: " +
                                 std::to_string(h.p.session().verify.verified) + "; damaged: 0");
       EXPECT_TRUE(h.p.session().verified);
       EXPECT_GT(h.p.session().verify.verified, 0u);
       EXPECT_LT(h.p.session().verify.verified, 559u);
     }},
    {"join", JobKind::join,
     [](Harness& h, const std::string& out) {
       for (const char* part : {"part1", "part2"}) h.p.joinList().append(Clip(part));
       h.p.join(out);
     },
     [](Harness& h, const std::string& out) {
       EXPECT_EQ(h.p.text(h.p.joinMessage()), "interrupted by user");
       EXPECT_FALSE(fs::exists(out));
     }},
};

INSTANTIATE_TEST_SUITE_P(EachJob, PresenterStop, ::testing::ValuesIn(kStops),
                         [](const auto& info) { return std::string(info.param.name); });

// A stop is asked first: "no" leaves the job running.
TEST(PresenterStopQuestion, NoLeavesTheJobRunning) {
  Harness h;
  ASSERT_TRUE(h.p.open(Clip("long")));
  h.p.setStepPause(3ms);
  h.p.scanOrStop();
  h.q.answer = false;
  h.p.scanOrStop();
  EXPECT_EQ(h.q.asked.back(), MessageId::StopQuestion);
  EXPECT_TRUE(h.p.busy());
  h.q.answer = true;
  h.p.scanOrStop();
  ASSERT_TRUE(h.wait());
  EXPECT_EQ(h.v.ended.back().second, Outcome::stopped);
}

TEST(PresenterQuestions, OverwriteAnsweredNoKeepsTheFile) {
  Harness h;
  ASSERT_TRUE(Scanned(h, Clip("av")));
  const std::string out = TempPath("presenter-kept.wmv");
  WriteFile(out, Bytes{1, 2, 3});
  h.q.answer = false;
  h.p.setOutputName(out);
  h.p.save();
  EXPECT_EQ(h.q.asked.back(), MessageId::OverwriteQuestion);
  EXPECT_FALSE(h.p.busy());
  EXPECT_EQ(ReadFile(out), (Bytes{1, 2, 3}));
  h.q.answer = true;
  h.p.save();
  ASSERT_TRUE(h.wait());
  EXPECT_GT(ReadFile(out).size(), 3u);
}

// An empty name asks for one on the status line (the field stays empty:
// the window shows the words as its placeholder), and starts nothing.
TEST(PresenterNames, EmptyNameAsksForOne) {
  for (const auto command : {&Presenter::scanOrStop, &Presenter::reconstructOrStop, &Presenter::loadErrors}) {
    Harness h;
    (h.p.*command)();
    EXPECT_EQ(h.p.inputName(), "");
    EXPECT_EQ(h.status(), "put filename here");
    EXPECT_FALSE(h.p.busy());
  }
  Harness h;
  EXPECT_FALSE(h.p.open());
  EXPECT_EQ(h.p.inputName(), "");
  EXPECT_EQ(h.status(), "put filename here");
}

// After a save the output field proposes the next free name, so that a
// second save does not ask to overwrite the first.
TEST(PresenterNames, TheOutputNameMovesOnAfterASave) {
  Harness h;
  const std::string in = TempPath("presenter-names.wmv"), first = TempPath("presenter-names.001.wmv");
  WriteFile(in, ReadFile(Clip("av")));
  fs::remove(first);
  fs::remove(TempPath("presenter-names.002.wmv"));
  ASSERT_TRUE(Scanned(h, in));
  EXPECT_EQ(h.p.outputName(), first);
  h.p.save();
  ASSERT_TRUE(h.wait());
  EXPECT_TRUE(fs::exists(first));
  EXPECT_EQ(h.p.outputName(), TempPath("presenter-names.002.wmv"));
}

// A join is refused with the reason, in order: nothing to join, no output
// name, parts of different packet sizes.
TEST(PresenterJoin, RefusalsInOrder) {
  Harness h;
  h.p.join("");
  EXPECT_EQ(h.p.text(h.p.joinMessage()), "nothing to join. add files to list");
  std::string name;
  h.p.proposeJoinName(name);
  EXPECT_EQ(name, "");
  EXPECT_EQ(h.p.text(h.p.joinMessage()).rfind("click right mouse button", 0), 0u);
  h.p.joinList().append("/v/a.wmv");
  h.p.proposeJoinName(name);
  EXPECT_EQ(name, "/v/a.joined.wmv");
  h.p.join("");
  EXPECT_EQ(h.p.text(h.p.joinMessage()), "where to put?");
  EXPECT_FALSE(h.p.busy());
}

// A tree node's dump over 100000 bytes asks first; "no" dumps nothing.
TEST(PresenterDump, LargeObjectsAskFirst) {
  for (const std::size_t size : {std::size_t{100000}, std::size_t{100001}}) {
    const std::string path = TempPath("presenter-big-" + std::to_string(size) + ".wmv");
    WriteFile(path, AsfFile({FilePropertiesObject({}), Padding(size - 24)}, {DataObject(1, 256)}));
    Harness h;
    ASSERT_TRUE(h.p.open(path));
    int node = -1;
    for (const ObjectEntry& e : h.p.session().structure.objects)
      if (e.guid == guid::Padding) node = e.node;
    ASSERT_GE(node, 0);
    h.q.answer = false;
    const auto dump = h.p.dumpNode(node);
    EXPECT_EQ(!h.q.asked.empty(), size > 100000);
    EXPECT_EQ(dump.has_value(), size <= 100000);
    if (dump) {
      EXPECT_EQ(dump->bytes.size(), size);
    }
  }
}

// The log keeps messages: a language switch says every line again.
TEST(PresenterLog, SaidAgainInTheOtherLanguage) {
  Harness h;
  ASSERT_TRUE(Scanned(h, Damaged()));
  ASSERT_FALSE(h.p.log().lines().empty());
  const int replaced = h.v.logReplacedCount;
  h.p.setLanguage(Language::rus);
  EXPECT_EQ(h.v.logReplacedCount, replaced + 1);
  std::string rus, eng;
  for (const Message& m : h.p.log().lines()) {
    rus += Render(m, Language::rus) + "\n";
    eng += Render(m, Language::eng) + "\n";
  }
  EXPECT_NE(rus, eng);
  EXPECT_EQ(h.status(), "поиск завершен: пакетов: 157; с ключевыми кадрами: 45; блоков ошибок: 1; записей индекса: 16");
  // The scan's lines came as it ran, and the session keeps the same lines.
  EXPECT_EQ(h.p.log().lines().size(), h.p.session().logLines.lines().size());
}

// The scan's rows come as it finds the blocks, each row's entry (once the
// scan ends) the error list entry it shows, and its dump the entry's bytes.
TEST(PresenterRows, ComeAsFoundAndDumpTheirEntry) {
  Harness h;
  ASSERT_TRUE(h.p.open(Damaged()));
  h.p.scanOrStop();
  ASSERT_TRUE(h.d.runUntil([&] { return h.p.errorRows().size() == 1 || !h.p.busy(); }));
  EXPECT_TRUE(h.p.busy());
  EXPECT_EQ(h.p.errorRows().rows()[0].entry, std::nullopt);  // found, not listed yet
  ASSERT_TRUE(h.wait());
  ASSERT_EQ(h.p.errorRows().size(), 1u);
  const auto entry = h.p.errorRows().rows()[0].entry;
  ASSERT_TRUE(entry);
  const auto dump = h.p.dumpEntry(*entry);
  ASSERT_TRUE(dump);
  const Bytes file = ReadFile(Damaged());
  EXPECT_EQ(dump->offset, h.p.session().errorList[*entry].offset);
  ASSERT_LE(dump->offset + dump->bytes.size(), file.size());
  EXPECT_TRUE(std::equal(dump->bytes.begin(), dump->bytes.end(), file.begin() + static_cast<std::ptrdiff_t>(dump->offset)));
}

// The verify's damaged media objects are rows of their own after the
// blocks' (no error list entry: nothing repairs them); a save with the
// form's box leaves them out; a new scan shows its blocks alone.
TEST(PresenterRows, DamagedMediaObjectsAfterTheBlocks) {
  Bytes b = ReadFile(Clip("long"));
  const Layout l = LayoutOf(b);
  const std::uint64_t at = DataArea(b, l, l.count / 2);
  for (std::size_t i = 0; i < 40; ++i) b[at + i] = static_cast<std::uint8_t>(i * 37 + 11);
  InsertBytes(b, DataArea(b, l, 20), 500, 0);
  const std::string file = TempPath("presenter-verify.wmv");
  WriteFile(file, b);
  Harness h;
  EXPECT_FALSE(h.p.commands().verify);
  ASSERT_TRUE(Scanned(h, file));
  EXPECT_TRUE(h.p.commands().verify);
  h.p.verify();
  EXPECT_TRUE(h.p.commands().stop);
  ASSERT_TRUE(h.wait());
  const auto& rows = h.p.errorRows().rows();
  const auto& damaged = h.p.session().verify.damaged;
  ASSERT_FALSE(damaged.empty());
  ASSERT_EQ(rows.size(), 1 + damaged.size());
  EXPECT_EQ(rows[0].kind, RowKind::errorBlock);
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    EXPECT_EQ(rows[1 + i].kind, RowKind::damagedObject);
    EXPECT_EQ(rows[1 + i].entry, std::nullopt);
    EXPECT_EQ(rows[1 + i].offset, damaged[i].object.firstOffset);
    EXPECT_NE(rows[1 + i].repeat.find(damaged[i].message), std::string::npos);
  }
  // The save with the box set verifies the logical file again and leaves them out.
  FormOptions form;
  form.dropDamaged = true;
  h.p.setFormOptions(form);
  const std::string out = TempPath("presenter-verify-saved.wmv");
  fs::remove(out);
  h.p.setOutputName(out);
  h.p.save();
  ASSERT_TRUE(h.wait());
  EXPECT_GE(h.p.session().lastSave.damagedLeftOut.total(), damaged.size());
  EXPECT_NE(h.status().find("up to the next key frame left out"), std::string::npos) << h.status();
  h.p.scanOrStop();
  ASSERT_TRUE(h.wait());
  EXPECT_EQ(h.p.errorRows().size(), 1u);
}

// What the window says after each thing a user does with the output name:
// the field's proposal, the status, the questions asked.
struct NameCase {
  const char* name;
  // Given the source and a second folder; returns nothing, acts on the presenter.
  std::function<void(Harness&, const std::string& source, const std::string& other)> act;
  std::function<std::string(const std::string& source, const std::string& other)> output;  // the field after
  std::function<std::string(const std::string& source, const std::string& other)> status;  // the status after
  std::size_t questions;
};
void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class PresenterOutputName : public ::testing::TestWithParam<NameCase> {};

TEST_P(PresenterOutputName, FieldAndMessageAfter) {
  const NameCase& c = GetParam();
  const std::string folder = TempPath(std::string("names-") + c.name);
  fs::remove_all(folder);
  fs::create_directories(folder + "/other");
  const std::string source = folder + "/movie.wmv", other = folder + "/other";
  WriteFile(source, ReadFile(Clip("av")));
  const Bytes before = ReadFile(source);
  Harness h;
  ASSERT_TRUE(Scanned(h, source));
  EXPECT_EQ(h.p.outputName(), folder + "/movie.001.wmv");
  h.q.asked.clear();
  c.act(h, source, other);
  ASSERT_TRUE(h.wait());
  EXPECT_EQ(h.p.outputName(), c.output(source, other));
  EXPECT_EQ(h.status(), c.status(source, other));
  EXPECT_EQ(h.q.asked.size(), c.questions);
  EXPECT_EQ(ReadFile(source), before);  // never written over
}

std::string Beside(const std::string& path, const std::string& name) { return fs::path(path).parent_path().string() + "/" + name; }

const NameCase kNameCases[] = {
    {"open-another", [](Harness& h, const std::string& s, const std::string&) {
       WriteFile(Beside(s, "notes.wmv"), Bytes{'h', 'e', 'l', 'l', 'o'});
       EXPECT_FALSE(h.p.open(Beside(s, "notes.wmv")));
     },
     [](const std::string& s, const std::string&) { return Beside(s, "notes.001.wmv"); },
     [](const std::string&, const std::string&) { return std::string(); }, 0},
    {"failed-save", [](Harness& h, const std::string& s, const std::string&) {
       h.p.setOutputName(Beside(s, "no-such-folder/out.wmv"));
       h.p.save();
     },
     [](const std::string& s, const std::string&) { return Beside(s, "no-such-folder/out.wmv"); },
     [](const std::string&, const std::string&) { return std::string("file save error"); }, 0},
    {"saved-elsewhere", [](Harness& h, const std::string&, const std::string& o) {
       h.p.setOutputName(o + "/kept.wmv");
       h.p.save();
     },
     [](const std::string&, const std::string& o) { return o + "/kept.001.wmv"; },
     [](const std::string&, const std::string& o) { return "file saved: " + o + "/kept.wmv"; }, 0},
    {"empty-name", [](Harness& h, const std::string&, const std::string&) {
       h.p.setOutputName("");
       h.p.save();
       EXPECT_FALSE(h.p.busy());
       EXPECT_EQ(h.lastLine(), "• no output file name given");
     },
     [](const std::string&, const std::string&) { return std::string(); },
     [](const std::string&, const std::string&) { return std::string("file save error"); }, 0},
    {"name-is-source", [](Harness& h, const std::string& s, const std::string&) {
       h.p.setOutputName(s);
       h.p.save();
       EXPECT_FALSE(h.p.busy());
       EXPECT_EQ(h.lastLine(), "• the output file is the source file: " + s);
     },
     [](const std::string& s, const std::string&) { return s; },
     [](const std::string&, const std::string&) { return std::string("file save error"); }, 0},
    {"directory", [](Harness& h, const std::string&, const std::string& o) {
       h.p.setOutputName(o);
       h.p.save();
     },
     [](const std::string&, const std::string& o) { return o; },
     [](const std::string&, const std::string&) { return std::string("file save error"); }, 1},
};

INSTANTIATE_TEST_SUITE_P(Situations, PresenterOutputName, ::testing::ValuesIn(kNameCases),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           std::replace(n.begin(), n.end(), '-', '_');
                           return n;
                         });

// A file that cannot be opened says why on the status line (and in the
// log), and nothing of the file open before stays.
struct OpenCase {
  const char* name;
  std::function<std::string()> make;  // the path to open
  const char* status;
  const char* line;  // the log's last line starts so
};
void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }

class PresenterOpenFailure : public ::testing::TestWithParam<OpenCase> {};

TEST_P(PresenterOpenFailure, SaysWhyAndForgetsTheLastFile) {
  Harness h;
  ASSERT_TRUE(Scanned(h, Damaged()));
  ASSERT_FALSE(h.p.errorRows().rows().empty());
  const std::string path = GetParam().make();
  EXPECT_FALSE(h.p.open(path));
  EXPECT_EQ(h.status(), GetParam().status);
  EXPECT_EQ(h.lastLine().rfind(GetParam().line, 0), 0u) << h.lastLine();
  EXPECT_TRUE(h.p.session().packets.empty());
  EXPECT_TRUE(h.p.errorRows().rows().empty());
  EXPECT_TRUE(h.p.session().structure.objects.empty());
  EXPECT_FALSE(h.p.commands().verify);
}

const OpenCase kOpenCases[] = {
    {"directory", [] { return TempPath(""); }, "file open error: is a directory", "• file open error: "},
    {"missing", [] { return TempPath("no-such-file.wmv"); }, "file open error: No such file or directory",
     "• file open error: "},
    {"empty", [] {
       WriteFile(TempPath("empty.wmv"), Bytes{});
       return TempPath("empty.wmv");
     },
     "the file is empty", "• the file is empty: "},
    {"text", [] {
       WriteFile(TempPath("text.wmv"), Bytes(300, 'a'));
       return TempPath("text.wmv");
     },
     "", "• file signature not found"},
};

INSTANTIATE_TEST_SUITE_P(Reasons, PresenterOpenFailure, ::testing::ValuesIn(kOpenCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Every job's progress is a part done between 0 and 1 that reaches past
// the half, and its last word counts what it did.
struct ProgressCase {
  const char* name;
  JobKind kind;
  std::function<void(Harness&, const std::string& out)> start;
  std::function<std::string(Harness&)> said;  // the finishing message
  const char* starts;                           // ... starts so
};
void PrintTo(const ProgressCase& c, std::ostream* os) { *os << c.name; }

class PresenterProgress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(PresenterProgress, FractionsAndTheCountsAtTheEnd) {
  const ProgressCase& c = GetParam();
  Harness h;
  ASSERT_TRUE(Scanned(h, Clip("long")));
  const std::string out = TempPath(std::string("progress-") + c.name);
  fs::remove_all(out);
  fs::create_directories(out);
  h.v.progress.clear();
  c.start(h, out + "/out.wmv");
  ASSERT_EQ(h.p.running(), c.kind);
  ASSERT_TRUE(h.wait());
  ASSERT_FALSE(h.v.progress.empty());
  double most = 0;
  for (const JobProgress& p : h.v.progress) {
    EXPECT_EQ(p.kind, c.kind);
    EXPECT_GE(p.fraction, 0.0);
    EXPECT_LE(p.fraction, 1.0);
    most = std::max(most, p.fraction);
  }
  EXPECT_GT(most, 0.5);
  EXPECT_EQ(c.said(h).rfind(c.starts, 0), 0u) << c.said(h);
}

const ProgressCase kProgressCases[] = {
    {"scan", JobKind::scan, [](Harness& h, const std::string&) { h.p.scanOrStop(); },
     [](Harness& h) { return h.status(); }, "search finished: packets: "},
    {"save", JobKind::save,
     [](Harness& h, const std::string& out) {
       h.p.setOutputName(out);
       h.p.save();
     },
     [](Harness& h) { return h.status(); }, "file saved: /"},
    {"verify", JobKind::verify, [](Harness& h, const std::string&) { h.p.verify(); },
     [](Harness& h) { return h.status(); }, "media objects verified by decoding: "},
    {"avi", JobKind::avi,
     [](Harness& h, const std::string& out) { h.p.exportOrStop({true, out + ".avi", "", StreamChoice::VideoAndAudio}); },
     [](Harness& h) { return h.p.text(h.p.exportMessage()); }, "operation complete\nmedia objects written: "},
    {"frames", JobKind::frames,
     [](Harness& h, const std::string&) { h.p.exportOrStop({false, "", "3", StreamChoice::VideoAndAudio}); },
     [](Harness& h) { return h.p.text(h.p.exportMessage()); },
     "operation complete\nmedia objects looked at: 4; files written: 4"},
    {"join", JobKind::join,
     [](Harness& h, const std::string& out) {
       for (const char* part : {"part1", "part2"}) h.p.joinList().append(Clip(part));
       h.p.join(out);
     },
     [](Harness& h) { return h.p.text(h.p.joinMessage()); }, "operation complete\npackets written: "},
};

INSTANTIATE_TEST_SUITE_P(EachJob, PresenterProgress, ::testing::ValuesIn(kProgressCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The part done, the time left and their words.
TEST(PresenterProgressText, PartDoneTimeLeftAndWords) {
  using namespace std::chrono;
  EXPECT_EQ(FractionDone(Progress{5, 0, phase::scanning, {}}), 0.0);  // total unknown
  EXPECT_EQ(FractionDone(Progress{50, 200, phase::scanning, {}}), 0.25);
  EXPECT_EQ(FractionDone(Progress{300, 200, phase::scanning, {}}), 1.0);
  EXPECT_EQ(FractionDone(Progress{50, 100, phase::joining, {2, 4}}), 0.375);  // part 2 of 4, half done
  EXPECT_EQ(FractionDone(Progress{50, 100, phase::joining, {9, 4}}), 0.875);  // past the last part: the last
  EXPECT_EQ(SecondsLeft(0.009, seconds(100)), std::nullopt);
  EXPECT_EQ(SecondsLeft(0.5, milliseconds(1999)), std::nullopt);
  EXPECT_EQ(SecondsLeft(0.5, seconds(10)), 10);
  EXPECT_EQ(SecondsLeft(0.25, seconds(10)), 30);
  EXPECT_EQ(SecondsLeft(1.0, seconds(10)), 0);
  JobProgress p;
  p.fraction = 0.428;
  EXPECT_EQ(Render(ProgressText(p), Language::eng), "42 %");
  p.secondsLeft = 65;
  EXPECT_EQ(Render(ProgressText(p), Language::eng), "42 %, left 1:05");
  p.secondsLeft = 3600 + 5;
  EXPECT_EQ(Render(ProgressText(p), Language::rus), "42 %, осталось 60:05");
}

// "yes" to the stop question after the job ended: nothing to stop, and
// the log says the job had already finished.
TEST(PresenterStopQuestion, AnsweredAfterTheJobEnded) {
  Harness h;
  ASSERT_TRUE(h.p.open(Clip("av")));
  h.p.scanOrStop();
  h.q.whileAsking = [&] { ASSERT_TRUE(h.wait()); };
  h.p.scanOrStop();
  ASSERT_EQ(h.q.asked.back(), MessageId::StopQuestion);
  EXPECT_EQ(h.v.ended.back(), std::make_pair(JobKind::scan, Outcome::ok));
  EXPECT_EQ(h.lastLine(), "the job had already finished");
  EXPECT_FALSE(h.p.busy());
}

// The scan asks "continue or new start" only while a repair's cuts wait:
// not after a new start, not for a list without cuts.
TEST(PresenterQuestions, ContinueOnlyWhileCutsWait) {
  Harness h;
  ASSERT_TRUE(Scanned(h, Damaged()));
  ASSERT_EQ(h.p.errorRows().size(), 1u);
  h.p.scanOrStop();
  ASSERT_TRUE(h.wait());
  EXPECT_TRUE(h.q.asked.empty());
  h.p.repair(RepairMode::cutEqualRepeats, {});
  ASSERT_TRUE(h.wait());
  ASSERT_EQ(h.p.pendingCuts(), 1u);
  h.q.answer = false;  // new start
  h.p.scanOrStop();
  ASSERT_TRUE(h.wait());
  EXPECT_EQ(h.q.asked, std::vector<MessageId>{MessageId::ContinueQuestion});
  EXPECT_EQ(h.p.pendingCuts(), 0u);
  h.p.scanOrStop();
  ASSERT_TRUE(h.wait());
  EXPECT_EQ(h.q.asked.size(), 1u);
}

// The reconstruction's own command stops it (after the question); a
// stopped one leaves the header choice as it was.
TEST(PresenterReconstruct, ItsCommandStopsItAndTheHeaderChoiceStays) {
  Bytes b(40 << 20, 0);
  const Bytes clip = ReadFile(Clip("av"));
  std::copy(clip.begin() + 16, clip.end(), b.end() - static_cast<std::ptrdiff_t>(clip.size() - 16));
  const std::string path = TempPath("presenter-reconstruct-stop.wmv");
  WriteFile(path, b);
  Harness h;
  h.p.setInputName(path);
  h.p.setStepPause(3ms);
  h.p.reconstructOrStop();
  ASSERT_EQ(h.p.running(), JobKind::reconstruct);
  EXPECT_EQ(h.status(), "• reconstructing header");
  h.q.answer = false;
  h.p.reconstructOrStop();
  EXPECT_EQ(h.q.asked.back(), MessageId::StopQuestion);
  EXPECT_TRUE(h.p.busy());
  h.q.answer = true;
  h.p.reconstructOrStop();
  ASSERT_TRUE(h.wait());
  EXPECT_EQ(h.v.ended.back(), std::make_pair(JobKind::reconstruct, Outcome::stopped));
  EXPECT_FALSE(h.p.commands().minimalHeaderOnly);
  // Run to its end it finds the streams, and then only the minimal header is sound.
  h.p.setStepPause({});
  h.p.reconstructOrStop();
  ASSERT_TRUE(h.wait());
  EXPECT_EQ(h.v.ended.back(), std::make_pair(JobKind::reconstruct, Outcome::ok));
  EXPECT_TRUE(h.p.commands().minimalHeaderOnly);
}

// What the tabs and the log say of the smaller commands: the error list
// saved (where), the dump written (where), a refused join without the last
// join's folder link, the error list loaded from the name field.
TEST(PresenterSays, WhereTheErrorListAndTheDumpWent) {
  const std::string path = TempPath("presenter-says.wmv");
  WriteFile(path, ReadFile(Damaged()));
  fs::remove(path + ".index");
  const std::string dump = fs::absolute("presenter-says.wmv.dump.txt").string();
  fs::remove(dump);
  Harness h;
  FormOptions form;
  form.writeDump = true;
  h.p.setFormOptions(form);
  ASSERT_TRUE(Scanned(h, path));
  ASSERT_TRUE(fs::exists(dump));
  bool named = false;
  for (const Message& m : h.p.log().lines()) named = named || h.p.text(m) == "• dump written: " + dump;
  EXPECT_TRUE(named);
  fs::remove(dump);
  h.p.saveErrors();
  ASSERT_TRUE(fs::exists(path + ".index"));
  EXPECT_EQ(h.status(), "error list saved: " + path + ".index");
  EXPECT_EQ(h.lastLine(), h.status());
  // A fresh window with the name typed in: the list loads, the file opens first.
  Harness again;
  EXPECT_FALSE(again.p.commands().loadErrors);
  again.p.setInputName(path);
  EXPECT_TRUE(again.p.commands().loadErrors);
  again.p.loadErrors();
  EXPECT_EQ(again.p.session().fileName, path);
  EXPECT_EQ(again.p.errorRows().size(), 1u);
}

TEST(PresenterSays, ARefusedJoinDropsTheLastFolderLink) {
  Harness h;
  for (const char* part : {"part1", "part2"}) h.p.joinList().append(Clip(part));
  const std::string out = TempPath("presenter-join-link.wmv");
  fs::remove(out);
  h.p.join(out);
  ASSERT_TRUE(h.wait());
  EXPECT_EQ(h.p.outputFolder(), fs::path(out).parent_path().string());
  h.p.join("");
  EXPECT_EQ(h.p.text(h.p.joinMessage()), "where to put?");
  EXPECT_EQ(h.p.outputFolder(), "");
}

// The grid's "#" is the packet a block begins in, as the scan found it and
// after, when the rows show the error list.
TEST(PresenterRows, NumberedByTheirFirstPacket) {
  Harness h;
  ASSERT_TRUE(h.p.open(Damaged()));
  h.p.scanOrStop();
  ASSERT_TRUE(h.d.runUntil([&] { return h.p.errorRows().size() == 1 || !h.p.busy(); }));
  const std::uint64_t found = h.p.errorRows().rows()[0].number;
  ASSERT_TRUE(h.wait());
  ASSERT_EQ(h.p.errorRows().size(), 1u);
  EXPECT_EQ(found, 20u);  // the zeros went into packet 20
  EXPECT_EQ(h.p.errorRows().rows()[0].number, 20u);
  EXPECT_EQ(CellsOf(h.p.errorRows().rows()[0], 1, Language::eng)[1], "20");
}

// The window's reference: a file that lost its header opens with the
// reference's, scans and saves as one file; a file with its own stream
// table ignores it.
TEST(PresenterReference, AHeaderlessFileOpensWithTheReferences) {
  const Bytes clip = ReadFile(Clip("long"));
  const Layout l = LayoutOf(clip);
  const std::string carved = TempPath("presenter-carved.wmv");
  WriteFile(carved, Bytes(clip.begin() + static_cast<std::ptrdiff_t>(l.at(0)), clip.end()));
  Harness h;
  EXPECT_FALSE(h.p.open(carved));
  h.p.setReferenceName(Clip("reference-wmv2"));
  ASSERT_TRUE(Scanned(h, carved));
  EXPECT_TRUE(h.p.session().headerBorrowed);
  EXPECT_EQ(h.p.session().packets.size(), l.count);
  ASSERT_TRUE(h.p.open(Clip("long")));
  EXPECT_FALSE(h.p.session().headerBorrowed);
}

}  // namespace
}  // namespace corvel::test
