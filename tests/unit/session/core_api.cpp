// The core's shared pieces: the media object number writer at every field
// width, the cut span at its boundary, the payload bound, job progress and
// messages, the object table, and the session applying job results.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "asf/catalogue.hpp"
#include "asf/object_table.hpp"
#include "join/join.hpp"
#include "repair/save.hpp"
#include "session/actions.hpp"
#include "session/worker.hpp"
#include "support/asf_builder.hpp"
#include "support/open.hpp"
#include "analysis/simple_index.hpp"

using namespace corvel;
using namespace corvel::test;

namespace {

PayloadSpec Pay(int stream, std::uint32_t mo, std::uint32_t len = 40) { return {stream, false, mo, 0, 1000, 100, len}; }

// Every byte that differs between two packets.
std::vector<std::size_t> Differences(const Bytes& a, const Bytes& b) {
  std::vector<std::size_t> d;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) d.push_back(i);
  return d;
}

}  // namespace

class NumberWidth : public ::testing::TestWithParam<int> {};

// The save's renumbering writes each payload's new number at the width of
// the packet's number field and touches nothing else: a one-byte write
// would leave the high bytes of a wider field, or overwrite the offset
// field when there is no number field at all.
TEST_P(NumberWidth, RenumberingWritesTheWholeFieldAndNothingElse) {
  const int width = GetParam();
  const std::uint32_t P = 400;
  for (const bool multiple : {true, false}) {
    PacketSpec spec{0, 0, multiple, {Pay(1, 0x01020304), Pay(2, 0x0A0B0C0D)}};
    if (!multiple) spec.payloads.pop_back();
    spec.numberWidth = width;
    const Bytes before = DataPacket(spec, P);
    ParsedPacket p;
    ASSERT_EQ(ParsePacket(before, p), 0);
    Bytes after = before;
    Renumbering ren(VideoAndAudioStreams());
    ren.apply(p, after);
    ParsedPacket q;
    ASSERT_EQ(ParsePacket(after, q), 0);
    ASSERT_EQ(q.payloadCount(), p.payloadCount());
    for (std::size_t k = 0; k < q.payloadCount(); ++k) {
      EXPECT_EQ(q.payload(k).offsetIntoMediaObject, p.payload(k).offsetIntoMediaObject);
      EXPECT_EQ(q.payload(k).presentationTime, p.payload(k).presentationTime);
      // The first object of each stream becomes number 1; no field keeps nothing.
      EXPECT_EQ(q.payload(k).mediaObjectNumber, width ? 1u : 0u) << "payload " << k;
    }
    for (std::size_t at : Differences(before, after)) {
      bool inField = false;
      for (std::size_t k = 0; k < p.payloadCount(); ++k) {
        const std::uint64_t field = p.payloadHeader(k) + 1;
        inField |= at >= field && at < field + static_cast<std::size_t>(width);
      }
      EXPECT_TRUE(inField) << "byte " << at << " changed outside a number field";
    }
    if (width == 0) {
      EXPECT_EQ(after, before);
    }
  }
}

// The join writes numbers and times back through the same field writers.
TEST_P(NumberWidth, JoinWriteBackKeepsTheOtherFields) {
  const std::uint32_t P = 400;
  PacketSpec spec{40, 7, true, {Pay(1, 5), Pay(2, 9)}};
  spec.numberWidth = GetParam();
  const Bytes before = DataPacket(spec, P);
  ParsedPacket p;
  ASSERT_EQ(ParsePacket(before, p), 0);
  p.multiple.payloads[0].mediaObjectNumber = GetParam() ? 3 : 0;
  p.multiple.payloads[1].presentationTime = 12345;
  Bytes after = before;
  WriteBack(p, after);
  ParsedPacket q;
  ASSERT_EQ(ParsePacket(after, q), 0);
  EXPECT_EQ(q.multiple.payloads[0].mediaObjectNumber, p.multiple.payloads[0].mediaObjectNumber);
  EXPECT_EQ(q.multiple.payloads[1].mediaObjectNumber, GetParam() ? 9u : 0u);
  EXPECT_EQ(q.multiple.payloads[1].presentationTime, 12345u);
  EXPECT_EQ(q.multiple.payloads[0].offsetIntoMediaObject, 0u);
  EXPECT_EQ(q.sendTime, 40u);
}

INSTANTIATE_TEST_SUITE_P(Widths, NumberWidth, ::testing::Values(0, 1, 2, 4));

TEST(CutSpan, ACutRightAfterTheSpanIsSpannedTheOneBeforeIsNot) {
  CutList cuts;
  cuts.add(100, 10);
  // The 50 logical bytes from 50 end right where the cut begins: the next
  // logical byte lies after the cut, so the span covers it.
  EXPECT_EQ(cuts.span(50, 50), 60u);
  EXPECT_EQ(cuts.span(50, 49), 49u);
  EXPECT_EQ(cuts.span(100, 5), 5u);  // starting on the cut: not ahead of it
  cuts.add(200, 20);
  EXPECT_EQ(cuts.span(0, 150), 160u);
  EXPECT_EQ(cuts.span(0, 190), 220u);  // the second cut comes into reach
  // The logical file reads around the cuts, every piece in order.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> pieces;
  cuts.forEachPiece(95, 120, [&](std::uint64_t phys, std::uint64_t n) {
    pieces.emplace_back(phys, n);
    return true;
  });
  EXPECT_EQ(pieces, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{95, 5}, {110, 90}, {220, 25}}));
}

// A repair that cuts a repeat starting right where an earlier cut ended
// removes the bytes it measured, not the ones before them.
TEST(CutSpan, RepairCutsTheMeasuredBytesNextToAnEarlierCut) {
  Bytes data(4000, 0x11);
  std::fill_n(data.begin() + 1000, 99, 0);   // cut first
  data[1099] = 0x22;                          // keeps the two runs apart
  std::fill_n(data.begin() + 1100, 300, 0);  // measured in the logical file after the cut
  Session s;
  ASSERT_EQ(OpenBytes(s, data), -1);  // not ASF: only the bytes matter here
  s.file.cuts.add(1000, 99);
  ListedBlock b;
  b.offset = 900;  // logical
  b.declaredSize = 100;
  b.actualSize = 401;
  b.mark = BlockMark::listed;
  SourceFile f;
  ASSERT_TRUE(f.open(s.source, s.file.cuts));
  ASSERT_TRUE(MeasureLongestRepeat(f, b.offset, b.actualSize, b));
  EXPECT_EQ(b.repLen, 300u);
  EXPECT_EQ(b.offset + b.repOffset, 1100u - 99);  // the logical place of physical 1100
  RepairOptions o;
  o.onlyLongerBlocks = false;
  JobContext ctx;
  const auto r = RepairBlocks(f, {b}, RepairMode::cutAndRemeasure, o, ctx);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.data.cuts.ranges(), (std::vector<CutRange>{{1000, 99}, {1100, 300}}));
}

// A payload that claims more bytes than are left after the ones before it
// is damage, even when it alone would fit the packet.
TEST(PayloadBound, ALengthPastThePacketEndIsRejected) {
  const std::uint32_t P = 300;
  PacketSpec spec{0, 0, true, {Pay(1, 1, 100), Pay(2, 1, 100)}};
  Bytes b = DataPacket(spec, P);
  ParsedPacket p;
  ASSERT_EQ(ParsePacket(b, p), 0);
  // The second payload's length field: 200 bytes where 100 are left.
  const std::uint64_t lengthAt = p.payloadHeader(1) + 15;
  ASSERT_EQ(WordOr0(b, lengthAt), 100);
  PutWord(200, b, lengthAt);
  EXPECT_EQ(ParsePacket(b, p), -1);
  // Within what is left, it parses.
  PutWord(100, b, lengthAt);
  EXPECT_EQ(ParsePacket(b, p), 0);
}

TEST(JobProgress, ReportsWhenThePercentOrThePhaseMoves) {
  struct Heard : JobEvents {
    std::vector<Progress> got;
    void progress(const Progress& p) override { got.push_back(p); }
  } heard;
  JobContext ctx({}, &heard);
  for (std::uint64_t i = 0; i <= 1000; ++i) ctx.progress(i, 1000, phase::scanning);
  EXPECT_EQ(heard.got.size(), 101u);  // 0 % to 100 %
  ctx.progress(1000, 1000, phase::buildingIndex);
  EXPECT_EQ(heard.got.back().phase, phase::buildingIndex);
  EXPECT_EQ(heard.got.back().percent(), 100);
  EXPECT_FALSE(ctx.stopRequested());
  ctx.log(Message(MessageId::EndOfFile));
  EXPECT_EQ(ctx.takeLog(), std::vector<Message>{Message(MessageId::EndOfFile)});
}

TEST(Messages, EveryIdHasBothLanguages) {
  std::set<std::string_view> seen;
  for (int i = 1; i < static_cast<int>(MessageId::Count); ++i) {
    const auto id = static_cast<MessageId>(i);
    const std::string_view rus = RussianText(id);
    ASSERT_FALSE(rus.empty()) << i;
    const bool cyrillic = rus.find("\xD0") != std::string_view::npos || rus.find("\xD1") != std::string_view::npos;
    if (cyrillic) {
      EXPECT_NE(TextOf(id, Language::eng), rus) << rus;
    }
    EXPECT_EQ(TextOf(id, Language::rus), rus);
  }
  Message m("• ", MessageId::AmountOf, " keyframes = 1");
  m.tail = MessageId::IndexImpossible;
  EXPECT_EQ(Render(m, Language::eng), "• amount of keyframes = 1. unable to create index");
  EXPECT_EQ(Render(m, Language::rus), "• к-во keyframes = 1. индекс не может быть создан");
  EXPECT_EQ(Render(Message::Plain("as is"), Language::rus), "as is");
}

TEST(SessionJobs, ResultsAreAppliedOnlyWhenTheSessionTakesThem) {
  Session s;
  s.lang = Language::eng;
  ASSERT_EQ(OpenBytes(s, MinimalFile(4)), 0);
  // Saving before a scan is refused with its message.
  SaveJob save;
  EXPECT_FALSE(PrepareSave(s, "/nonexistent/out.wmv", save));
  EXPECT_EQ(s.logLines.lines().back().id, MessageId::ScanFirst);
  // A scan job works on its own copy: the session sees nothing until applied.
  const ScanJob job = PrepareScan(s);
  JobContext ctx;
  auto r = job.run(ctx);
  ASSERT_EQ(r.outcome, Outcome::ok);
  EXPECT_EQ(r.data.packets.size(), 4u);
  EXPECT_TRUE(s.packets.empty());
  ASSERT_TRUE(ApplyScan(s, std::move(r)));
  EXPECT_EQ(s.packets.size(), 4u);
  EXPECT_EQ(s.status.id, MessageId::SearchFinished);
  // A repair's cuts reach the session with its result.
  s.errorList = {ListedBlock{0, 100, 50, BlockMark::listed, 60, 0, 10, 20}};
  const RepairJob repair = PrepareRepair(s, RepairMode::cutEqualRepeats, RepairOptions{});
  auto rr = repair.run(ctx);
  EXPECT_TRUE(s.file.cuts.empty());
  ASSERT_TRUE(ApplyRepair(s, std::move(rr)));
  EXPECT_EQ(s.file.cuts.ranges().size(), 1u);
  EXPECT_EQ(s.errorList[0].mark, BlockMark::none);
}

// The window's road, on the session's thread and a worker: the scan runs on
// the worker, hears a stop, and hands back its result, which the session
// applies; meanwhile the session's thread reads the session freely. Built
// with ThreadSanitizer (make test), a job that wrote the session would show.
TEST(SessionJobs, WorkerScansWhileTheSessionIsReadAndStopsOnRequest) {
  Session s;
  s.lang = Language::eng;
  ASSERT_EQ(OpenBytes(s, MinimalFile(2000)), 0);
  s.options.highPriority = false;  // in the background, and 5 ms a packet: long enough to stop midway
  struct Heard : ScanEvents {
    std::atomic<int> progress_{0};
    void progress(const Progress&) override { ++progress_; }
  } heard;
  const ScanJob job = PrepareScan(s);
  JobResult<ScanData> result;
  Worker worker;
  ASSERT_TRUE(worker.start([&](std::stop_token stop) {
    JobContext ctx(stop, &heard);
    ctx.setStepPause(std::chrono::milliseconds(5));
    result = job.run(ctx);
  }));
  EXPECT_TRUE(worker.running());
  EXPECT_FALSE(worker.start([](std::stop_token) {}));  // one job at a time
  for (int i = 0; i < 5; ++i) {
    EXPECT_TRUE(s.packets.empty());
    EXPECT_EQ(s.statusText(), "file opened, header found");
    (void)s.structure.tree.render();
    std::this_thread::sleep_for(std::chrono::milliseconds(4));
  }
  worker.requestStop();
  EXPECT_TRUE(worker.waitFor(std::chrono::seconds(5)));
  EXPECT_EQ(result.outcome, Outcome::stopped);
  EXPECT_GT(heard.progress_.load(), 0);
  ASSERT_TRUE(ApplyScan(s, std::move(result)));
  EXPECT_EQ(s.status.id, MessageId::Interrupted);
  EXPECT_GT(s.packets.size(), 0u);
  EXPECT_LT(s.packets.size(), 2000u);
  // The worker takes the next job once the last one ended.
  EXPECT_TRUE(worker.start([](std::stop_token) {}));
  worker.wait();
}

// Opening a file after a reconstruction builds the header from the source's
// objects again.
TEST(SessionJobs, OpeningAfterAReconstructionUsesTheSourceHeaderAgain) {
  Session s;
  ASSERT_EQ(OpenBytes(s, MinimalFile(3)), 0);
  ASSERT_TRUE(Reconstruct(s));
  EXPECT_EQ(s.options.save.header, HeaderMode::minimal);
  EXPECT_FALSE(s.options.sourceHeaderUsable);
  ASSERT_EQ(OpenBytes(s, MinimalFile(3)), 0);
  EXPECT_EQ(s.options.save.header, HeaderMode::fromSource);
  EXPECT_TRUE(s.options.sourceHeaderUsable);
}

// "High priority" off: the job's thread drops to the idle CPU class (nice
// 19 where the idle class is refused) and pauses half of each block's time,
// at most 10 ms; on, it changes nothing. The pace's clock is the test's own,
// so nothing here depends on how busy the machine is.
TEST(SessionJobs, BackgroundPaceLowersTheThreadAndPausesHalfABlock) {
  using namespace std::chrono_literals;
  // The thread's scheduling class and nice value, where the test can read them.
  auto priority = [] {
#ifdef _WIN32
    return std::pair(0, 0);
#else
    int policy = -1;
    sched_param p{};
    pthread_getschedparam(pthread_self(), &policy, &p);
    return std::pair(policy, getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))));
#endif
  };
  struct FakeTime {
    BackgroundPace::Clock::time_point t{};
    std::vector<BackgroundPace::Clock::duration> pauses;
  };
  auto observe = [&](bool on, std::vector<std::chrono::milliseconds> blocks) {
    std::pair<int, int> seen;
    FakeTime time;
    BackgroundPace::Timing timing;
    timing.self = &time;
    timing.now = [](void* self) { return static_cast<FakeTime*>(self)->t; };
    timing.pause = [](void* self, BackgroundPace::Clock::duration d) {
      auto* f = static_cast<FakeTime*>(self);
      f->pauses.push_back(d);
      f->t += d;
    };
    std::thread([&] {
      BackgroundPace pace(on, timing);
      seen = priority();
      for (auto block : blocks) {
        time.t += block;  // a block of work
        pace.blockDone();
      }
    }).join();
    return std::pair(seen, time.pauses);
  };
  const auto [lowered, pauses] = observe(true, {8ms, 30ms, 0ms, 19ms});
  const std::vector<BackgroundPace::Clock::duration> expected{4ms, 10ms, 0ms, 9500us};
  EXPECT_EQ(pauses, expected);
  const auto [unchanged, none] = observe(false, {8ms, 30ms});
  EXPECT_TRUE(none.empty());
#ifndef _WIN32
  EXPECT_TRUE(lowered.first == SCHED_IDLE || lowered.second == 19) << lowered.first << " " << lowered.second;
  EXPECT_EQ(unchanged.first, SCHED_OTHER);
  EXPECT_EQ(unchanged.second, getpriority(PRIO_PROCESS, 0));
#endif
}
