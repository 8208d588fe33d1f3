#include "repair/cut_judging.hpp"

#include <algorithm>
#include <atomic>
#include <limits>
#include <memory>
#include <thread>

#include "analysis/packet.hpp"

namespace corvel {

namespace {

// One payload's piece of a media object.
struct Fragment {
  std::uint8_t stream = 0;
  std::uint32_t number = 0, offset = 0, size = 0, time = 0;
  bool key = false;
  ByteView data;
  std::size_t from = 0, to = 0;  // where the data lies in the candidate's packets
};
using Fragments = std::vector<Fragment>;

// The media objects around a block: the sound packets before it (far
// enough back for the streams' key frames, and the picture before one) and
// after it (for the objects that end there) are read and taken apart once; each candidate puts its own
// packets between.
class FrameWindow {
 public:
  FrameWindow(SourceFile& file, std::uint64_t offset, std::uint64_t blockSize, std::uint32_t packetSize)
      : size_(packetSize) {
    const std::uint64_t back = std::min<std::uint64_t>(kBack, offset / size_) * size_;
    if (back && file.readLarge(offset - back, back, before_)) before_.erase(before_.begin(), before_.begin() + soundTailStart(before_));
    const std::uint64_t end = offset + blockSize;
    const std::uint64_t ahead = std::min<std::uint64_t>(kAhead * size_, file.logicalSize() > end ? file.logicalSize() - end : 0);
    if (ahead && file.readLarge(end, ahead, after_)) after_.resize(soundHeadEnd(after_));
    collect(before_, beforeFragments_, false);
    collect(after_, afterFragments_, false);
  }
  FrameWindow(const FrameWindow&) = delete;
  FrameWindow& operator=(const FrameWindow&) = delete;

  // The media objects the cut at `q` of `candidate` (the block's packets
  // with a cut made) touches, with every fragment around them.
  struct Touched {
    Bytes candidate;  // the fragments of the candidate's packets lie in it
    Fragments all;
    std::vector<std::size_t> objects;  // in `all`: one fragment of each touched object
  };
  Touched touched(Bytes candidate, std::size_t q) const {
    Touched t;
    t.candidate = std::move(candidate);
    t.all = beforeFragments_;
    const std::size_t first = t.all.size();
    collect(t.candidate, t.all, true);
    const std::size_t last = t.all.size();
    t.all.insert(t.all.end(), afterFragments_.begin(), afterFragments_.end());
    for (std::size_t i = first; i < last; ++i) {
      const Fragment& f = t.all[i];
      const bool seen = std::any_of(t.objects.begin(), t.objects.end(), [&](std::size_t k) {
        return t.all[k].stream == f.stream && t.all[k].number == f.number;
      });
      if (f.from <= q && q <= f.to && !seen) t.objects.push_back(i);
    }
    return t;
  }

 private:
  static constexpr std::uint64_t kBack = 1024, kAhead = 256;  // packets

  // Where the run of sound packets that ends `b` starts.
  std::ptrdiff_t soundTailStart(const Bytes& b) const {
    std::size_t k = b.size() / size_;
    ParsedPacket p;
    while (k > 0 && StartsAndFills(ByteView(b).subspan((k - 1) * size_, size_), size_, p)) --k;
    return static_cast<std::ptrdiff_t>(k * size_);
  }
  // Where the run of sound packets that starts `b` ends.
  std::size_t soundHeadEnd(const Bytes& b) const {
    std::size_t k = 0;
    ParsedPacket p;
    while ((k + 1) * size_ <= b.size() && StartsAndFills(ByteView(b).subspan(k * size_, size_), size_, p)) ++k;
    return k * size_;
  }
  void collect(ByteView packets, Fragments& out, bool candidate) const {
    for (std::size_t k = 0; (k + 1) * size_ <= packets.size(); ++k) {
      const ByteView v = packets.subspan(k * size_, size_);
      ParsedPacket p;
      if (!StartsAndFills(v, size_, p) || p.compressed) continue;
      for (std::size_t i = 0; i < p.payloadCount(); ++i) {
        const Payload pl = p.payload(i);
        if (pl.replicatedDataLength < 8) continue;
        const auto [at, len] = p.payloadData(i);
        Fragment f{static_cast<std::uint8_t>(pl.streamNumber & 127), pl.mediaObjectNumber, pl.offsetIntoMediaObject,
                   pl.mediaObjectSize, pl.presentationTime, pl.keyFrame != 0, v.subspan(at, len)};
        if (candidate) f.from = k * size_ + at, f.to = f.from + len;
        out.push_back(f);
      }
    }
  }

  std::uint32_t size_;
  Bytes before_, after_;
  Fragments beforeFragments_, afterFragments_;
};

// Where the object of fragment `k` begins in `all`: its stream's fragments
// back to one of another object (media object numbers wrap, so the same
// number further back is another object).
std::size_t firstOf(const Fragments& all, std::size_t k) {
  std::size_t first = k;
  for (std::size_t i = k; i-- > 0;) {
    if (all[i].stream != all[k].stream) continue;
    if (all[i].number != all[k].number) break;
    first = i;
  }
  return first;
}

// The bytes of the object of fragment `k`, when its fragments make it whole.
std::optional<Bytes> assemble(const Fragments& all, std::size_t k) {
  // The size is the file's word: room for it only when the fragments held
  // can fill it.
  const std::size_t first = firstOf(all, k);
  std::uint64_t offered = 0;
  for (std::size_t i = first; i < all.size(); ++i) {
    if (all[i].stream != all[k].stream) continue;
    if (all[k].number != all[i].number) break;  // the next object
    offered += all[i].data.size();
  }
  if (offered < all[k].size) return std::nullopt;
  Bytes object(all[k].size);
  std::uint64_t covered = 0;
  for (std::size_t i = first; i < all.size() && covered < object.size(); ++i) {
    const Fragment& f = all[i];
    if (f.stream != all[k].stream) continue;
    if (f.number != all[k].number) break;
    if (f.size != object.size() || std::uint64_t{f.offset} + f.data.size() > object.size()) return std::nullopt;
    std::copy(f.data.begin(), f.data.end(), object.begin() + f.offset);
    covered += f.data.size();
  }
  if (object.empty() || covered != object.size()) return std::nullopt;
  return object;
}

// The stream's last key frame beginning before fragment `before`.
std::optional<std::size_t> keyBefore(const Fragments& all, std::uint8_t stream, std::size_t before) {
  for (std::size_t i = before; i-- > 0;)
    if (all[i].stream == stream && all[i].key && all[i].offset == 0) return i;
  return std::nullopt;
}

// The whole objects of fragment `k`'s stream from fragment `from` on, in
// their order, through `k`'s own (which is last).
std::vector<Bytes> objectsFrom(const Fragments& all, std::size_t from, std::size_t k) {
  std::vector<Bytes> run;
  const std::size_t start = firstOf(all, k);
  for (std::size_t i = from; i < start; ++i)
    if (all[i].stream == all[k].stream && all[i].offset == 0)
      if (auto o = assemble(all, i)) run.push_back(std::move(*o));
  if (auto o = assemble(all, k)) run.push_back(std::move(*o));
  return run;
}

std::optional<Judgement> judgeRun(DecodeJudge& judge, std::uint8_t stream, const std::vector<Bytes>& run,
                                  DecodeJudge::Measure measure) {
  std::vector<ByteView> views(run.begin(), run.end());
  return judge.judge(stream, views, measure);
}

// Calls `work(i, judge)` for every i below n, on as many threads as the
// machine has cores, each with a judge of its own (`judge` on this one).
template <typename Work>
void OnEveryCore(std::size_t n, DecodeJudge& judge, Work work) {
  const std::size_t threads = std::min<std::size_t>(n, std::max(1u, std::thread::hardware_concurrency()));
  std::atomic<std::size_t> next{0};
  auto loop = [&](DecodeJudge& j) {
    for (std::size_t i = next++; i < n; i = next++) work(i, j);
  };
  std::vector<std::unique_ptr<DecodeJudge>> judges;
  for (std::size_t t = 1; t < threads; ++t)
    if (auto j = judge.another()) judges.push_back(std::move(j));
  {
    std::vector<std::jthread> pool;
    for (const auto& j : judges) pool.emplace_back([&loop, one = j.get()] { loop(*one); });
    loop(judge);
  }
}

// What decoding says of the objects a candidate touches.
struct Verdict {
  bool judged = false;                // a decoder could say
  std::vector<DamagedFrame> damaged;  // the touched objects it rejects
};

// Each touched object decoded after its key frame (a key frame alone).
Verdict cleanTest(const FrameWindow::Touched& t, DecodeJudge& judge) {
  Verdict v;
  for (const std::size_t k : t.objects) {
    const Fragment& f = t.all[k];
    const std::optional<Bytes> object = assemble(t.all, k);
    if (!object) continue;
    std::vector<Bytes> run;
    if (!f.key)
      if (const auto key = keyBefore(t.all, f.stream, firstOf(t.all, k)))
        if (auto o = assemble(t.all, *key)) run.push_back(std::move(*o));
    run.push_back(*object);
    const std::optional<Judgement> j = judgeRun(judge, f.stream, run, DecodeJudge::Measure::cleanOnly);
    if (!j) continue;
    v.judged = true;
    if (!j->clean) v.damaged.push_back({f.stream, f.number, f.time});
  }
  return v;
}

// The stream's first key frame beginning after the object of fragment `k`.
std::optional<std::size_t> keyAfter(const Fragments& all, std::size_t k) {
  bool past = false;  // past the object's own fragments
  for (std::size_t i = k + 1; i < all.size(); ++i) {
    if (all[i].stream != all[k].stream) continue;
    past = past || all[i].number != all[k].number;
    if (past && all[i].key && all[i].offset == 0) return i;
  }
  return std::nullopt;
}

// How wrong the touched objects' pictures look. A wrong cut leaves a few
// of the inserted bytes in place of as many real ones: where the decoder
// reads them without a complaint, they still show, as blocks of noise (a
// rougher picture) or of the wrong content, which lasts, carried from
// picture to picture, until the stream's next key frame (whose picture owes
// nothing to them): a larger jump onto it. Each object is decoded from its
// key frame on (a key frame's own is the one before it); where the window
// holds no next key frame, the jump from the picture before the object
// stands in. The sum of roughness and jumps; none when no picture could be
// measured.
std::optional<double> pictureError(const FrameWindow::Touched& t, DecodeJudge& judge) {
  std::optional<double> sum;
  for (const std::size_t k : t.objects) {
    const Fragment& f = t.all[k];
    const std::optional<std::size_t> from = keyBefore(t.all, f.stream, firstOf(t.all, k));
    if (!from) continue;
    const std::optional<Judgement> own = judgeRun(judge, f.stream, objectsFrom(t.all, *from, k), DecodeJudge::Measure::pictures);
    if (!own || !own->change || !own->roughness) continue;
    std::optional<double> jump = own->change;
    const std::size_t start = firstOf(t.all, k);
    const std::size_t groupStart = f.key ? start : *from;
    if (const std::optional<std::size_t> next = keyAfter(t.all, k)) {
      const std::optional<Judgement> onto =
          judgeRun(judge, f.stream, objectsFrom(t.all, groupStart, *next), DecodeJudge::Measure::pictures);
      if (onto && onto->change) jump = onto->change;
    }
    sum = sum.value_or(0) + *own->roughness + *jump;
  }
  return sum;
}

}  // namespace

JudgedCut JudgeCut(SourceFile& file, std::uint64_t offset, ByteView block, std::uint32_t packetSize,
                   std::size_t inserted, const std::vector<std::size_t>& places, std::optional<std::size_t> preferred,
                   DecodeJudge& judge) {
  JudgedCut result;
  result.at = preferred;
  if (places.empty()) return result;
  const FrameWindow window(file, offset, block.size(), packetSize);
  auto touched = [&](std::size_t q) {
    Bytes candidate(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(q));
    candidate.insert(candidate.end(), block.begin() + static_cast<std::ptrdiff_t>(q + inserted), block.end());
    return window.touched(std::move(candidate), q);
  };
  // The structure's place first: among equals it wins.
  std::vector<std::size_t> order;
  if (preferred) order.push_back(*preferred);
  for (const std::size_t q : places)
    if (q != preferred) order.push_back(q);

  std::vector<Verdict> verdicts(order.size());
  OnEveryCore(order.size(), judge, [&](std::size_t i, DecodeJudge& j) { verdicts[i] = cleanTest(touched(order[i]), j); });
  result.tried = order.size();
  std::vector<std::size_t> clean;
  for (std::size_t i = 0; i < order.size(); ++i)
    if (verdicts[i].judged && verdicts[i].damaged.empty()) clean.push_back(order[i]);
  if (clean.empty()) {
    if (preferred && verdicts.front().judged) {
      result.decoding = CutDecoding::damaged;
      result.damaged = std::move(verdicts.front().damaged);
    }
    return result;
  }
  result.decoding = CutDecoding::confirmed;
  result.at = clean.front();  // the structure's place when it is clean
  if (clean.size() == 1) return result;
  // Bytes are inserted between payloads as often as inside one, and a
  // picture barely tells the last bytes of an object from others: a place
  // where a payload's data starts or ends is taken when its pictures look
  // no more than a thousandth more wrong than the best; among equals (the
  // bytes they differ in change no picture) the later.
  std::sort(clean.begin(), clean.end());
  struct Scored {
    std::size_t q;
    std::optional<double> error;
    bool boundary;
  };
  std::vector<Scored> scored(clean.size());
  OnEveryCore(clean.size(), judge, [&](std::size_t i, DecodeJudge& j) {
    const FrameWindow::Touched t = touched(clean[i]);
    const bool boundary = std::any_of(t.objects.begin(), t.objects.end(),
                                      [&](std::size_t k) { return t.all[k].from == clean[i] || t.all[k].to == clean[i]; });
    scored[i] = {clean[i], pictureError(t, j), boundary};
  });
  std::erase_if(scored, [](const Scored& s) { return !s.error; });
  double best = std::numeric_limits<double>::infinity();
  for (const Scored& s : scored) best = std::min(best, *s.error);
  std::optional<std::size_t> lowest, nearBoundary;
  for (const Scored& s : scored) {
    if (*s.error == best) lowest = s.q;
    if (s.boundary && *s.error <= best * 1.001) nearBoundary = s.q;
  }
  if (nearBoundary)
    result.at = nearBoundary;
  else if (lowest)
    result.at = lowest;
  return result;
}

}  // namespace corvel
