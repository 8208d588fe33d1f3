#include "join/join.hpp"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <thread>

#include "analysis/simple_index.hpp"
#include "asf/byte_source.hpp"
#include "asf/catalogue.hpp"
#include "asf/source_file.hpp"
#include "join/locators.hpp"
#include "repair/header_writers.hpp"
#include "repair/output_file.hpp"

namespace corvel {

bool minSPTime(const TAsfDataPacket& p, std::uint8_t stream, std::uint32_t& pt) {
  bool found = false;
  for (std::size_t k = 0; k < p.payloadCount(); ++k) {
    const TPayload pl = p.payload(k);
    if (pl.streamNumber != stream) continue;
    if (!found || pl.presentationTime < pt) pt = pl.presentationTime;
    found = true;
  }
  return found;
}

std::uint32_t EvenSpread(std::span<TAsfDataPacket> packets, std::uint32_t end) {
  const std::uint32_t T = end > 10000 ? end - 6000 : end / 2;
  if (packets.empty()) return T;
  const auto step = static_cast<std::uint16_t>(T / packets.size());
  std::uint32_t S = 0;
  for (TAsfDataPacket& p : packets) {
    p.sendTime = S;
    p.duration = step;
    S += step;
  }
  return T;
}

std::uint32_t Approximate(std::span<TAsfDataPacket> packets, std::uint32_t lead) {
  const std::size_t n = packets.size();
  if (n == 0) return 0;
  // Anchors whose times increase: an earlier anchor not below a later one goes.
  std::vector<std::pair<std::size_t, std::uint32_t>> anchors;
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint32_t t = minPTime(packets[k]);
    while (!anchors.empty() && t <= anchors.back().second) anchors.pop_back();
    anchors.emplace_back(k, t);
  }
  std::uint32_t S = 0;
  std::size_t j = 0;
  auto spread = [&](std::size_t upto, std::uint32_t target) {
    const auto diff = static_cast<std::int32_t>(target - S);
    const auto step = static_cast<std::uint16_t>(static_cast<std::int16_t>(diff / static_cast<std::int32_t>(upto - j)));
    for (; j < upto; ++j) {
      packets[j].sendTime = S;
      packets[j].duration = step;
      S += step;
    }
  };
  for (std::size_t a = anchors.front().first == 0 ? 1 : 0; a < anchors.size(); ++a) {
    const auto [k, t] = anchors[a];
    if (k <= j) continue;
    const std::uint64_t twoL = 2ull * lead;
    spread(k, t < twoL ? t / 2 : t - lead);
  }
  if (j < n) spread(n, minPTime(packets[n - 1]));
  return S;
}

std::uint32_t VideoTime(std::span<TAsfDataPacket> packets, std::uint8_t video, std::uint32_t preroll) {
  if (packets.empty()) return 0;
  packets[0].sendTime = 0;
  for (std::size_t k = 1; k < packets.size(); ++k) {
    std::uint32_t t = 0;
    if (minSPTime(packets[k], video, t)) {
      packets[k].sendTime = t - preroll;
      packets[k - 1].duration = static_cast<std::uint16_t>(packets[k].sendTime - packets[k - 1].sendTime);
    } else {
      packets[k - 1].duration = 1;
      packets[k].sendTime = packets[k - 1].sendTime + 1;
    }
  }
  packets.back().duration = 1;
  // The span of send times: the last packet's send time and its duration.
  return packets.back().sendTime + packets.back().duration;
}

void WriteBack(const TAsfDataPacket& rec, std::span<std::uint8_t> bytes) {
  const std::uint64_t wMON = static_cast<std::uint64_t>(LenTypeSize(rec.mediaObjectNumberLengthType));
  const std::uint64_t wOFF = static_cast<std::uint64_t>(LenTypeSize(rec.offsetIntoMediaObjectLengthType));
  const std::uint64_t wREP = static_cast<std::uint64_t>(LenTypeSize(rec.replicatedDataLengthType));
  const std::uint64_t q = rec.payloadStart;
  if (rec.isMultiple()) {
    std::uint64_t at = q;
    for (const TPayload& pl : rec.mp.payloads) {
      setValue(pl.mediaObjectNumber, rec.mediaObjectNumberLengthType, at + 2, bytes);
      // Compressed payloads carry no presentation time field.
      if (pl.replicatedDataLength >= 8) PutDWord(pl.presentationTime, bytes, at + 2 + wMON + wOFF + wREP + 4);
      at += pl.totalLength;
    }
  } else {
    setValue(rec.singleMediaObjectNumber, rec.mediaObjectNumberLengthType, q + 1, bytes);
    if (rec.singleReplicatedDataLength >= 8) PutDWord(rec.singlePresentationTime, bytes, q + 1 + wMON + wOFF + wREP + 4);
  }
  if (q >= 6) {
    PutDWord(rec.sendTime, bytes, q - 6);
    PutWord(rec.duration, bytes, q - 2);
  }
}

std::string JoinOutputName(const std::string& first) {
  const std::filesystem::path p(first);
  std::string dir = p.parent_path().string();
  if (!dir.empty() && dir.back() != '/') dir += '/';
  std::string name = p.filename().string();
  std::string ext;
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) {
    ext = name.substr(dot);
    name = name.substr(0, dot);
  }
  return dir + name + ".joined" + ext;
}

bool MoveLine(std::vector<std::string>& list, std::size_t from, std::size_t to) {
  if (from >= list.size() || to >= list.size() || from == to) return false;
  std::string t = std::move(list[from]);
  if (from < to)
    std::move(list.begin() + static_cast<std::ptrdiff_t>(from) + 1, list.begin() + static_cast<std::ptrdiff_t>(to) + 1,
              list.begin() + static_cast<std::ptrdiff_t>(from));
  else
    std::move_backward(list.begin() + static_cast<std::ptrdiff_t>(to), list.begin() + static_cast<std::ptrdiff_t>(from),
                       list.begin() + static_cast<std::ptrdiff_t>(from) + 1);
  list[to] = std::move(t);
  return true;
}

namespace {

// The number in an option's text; the text becomes "5000" (and the value
// 5000) when it is not a number that fits.
std::int64_t OptionNumber(std::string& text) {
  std::int64_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (!IsNumber(text) || ec != std::errc() || end != text.data() + text.size()) {
    text = "5000";
    v = 5000;
  }
  return v;
}

// Reads the packets of one file a large block at a time.
class PacketReader {
 public:
  PacketReader(const ByteSource& f, std::uint64_t start, std::uint32_t size) : f_(f), pos_(start), size_(size) {}
  // The next packet, or an empty view when the file ends short of it.
  ByteView next() {
    if (at_ + size_ > len_) {
      const std::size_t want = std::max<std::size_t>(size_, kBlock - kBlock % size_);
      buf_.resize(want);
      const std::int64_t got = f_.readAt(pos_, buf_);
      len_ = got > 0 ? static_cast<std::size_t>(got) : 0;
      pos_ += len_;
      at_ = 0;
      if (len_ < size_) return {};
    }
    const ByteView v(buf_.data() + at_, size_);
    at_ += size_;
    return v;
  }

 private:
  static constexpr std::size_t kBlock = 4 << 20;
  const ByteSource& f_;
  std::uint64_t pos_;
  std::uint32_t size_;
  Bytes buf_;
  std::size_t len_ = 0, at_ = 0;
};

struct StreamState {
  std::uint8_t number = 0;
  std::uint32_t newPT = 0;
  std::uint32_t delta = 0;
  std::uint32_t lastPT = 0;
  std::uint8_t lastNumber = 0;
  std::uint8_t newNumber = 0;
  bool firstInFile = false;

  // Gives a payload of this stream its output number and time.
  void renumber(std::uint32_t& mon, std::uint32_t& pt, bool hasTime) {
    const std::uint32_t M = mon, T = pt;
    if (firstInFile) {
      firstInFile = false;
      lastNumber = static_cast<std::uint8_t>(M);
      if (hasTime) lastPT = T;
    }
    // Numbers are compared on their low 8 bits: a wider field would
    // otherwise start a new media object at every fragment.
    if (static_cast<std::uint8_t>(M) != lastNumber) {
      lastNumber = static_cast<std::uint8_t>(M);
      ++newNumber;
      if (hasTime) {
        delta = T - lastPT;
        lastPT = T;
        newPT += delta;
      }
    }
    mon = newNumber;
    if (hasTime) pt = newPT;
  }
};

class Joiner {
 public:
  Joiner(const std::vector<std::string>& in, const std::string& out, JoinOptions& o, Language lang, Reporter* rep)
      : in_(in), outName_(out), o_(o), lang_(lang), rep_(rep) {}
  JoinResult run();

 private:
  std::string T(std::string_view rus) const { return Translate(rus, lang_); }
  JoinResult& fail(const std::string& message) {
    say(message);
    r_.code = -1;
    return r_;
  }
  JoinResult& stopped() {
    say(T("прервано пользователем"));
    r_.code = -2;
    return r_;
  }
  // The failure message, for the steps that answer true or false.
  bool refuse(const std::string& message) {
    fail(message);
    return false;
  }
  void say(const std::string& message) {
    r_.message = message;
    if (rep_) rep_->status(message);
  }
  bool stop() const { return rep_ && rep_->stopRequested(); }
  void pause() const {
    if (!o_.CheckHP) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  void progress(std::size_t file, std::uint64_t n, std::uint64_t total) {
    if (!rep_) return;
    const int percent = total ? static_cast<int>(n * 100 / total) : 100;
    if (percent == lastPercent_ && n != total) return;
    lastPercent_ = percent;
    rep_->progress(percent, T("идёт работа") + "    [ " + std::to_string(file + 1) + "  >>  " + std::to_string(in_.size()) + " ]");
  }
  // Checks one input in the order of the engine and returns where its
  // packets start and how many there are; false after a failure message.
  bool openInput(std::size_t i, std::unique_ptr<FileSource>& f, std::uint64_t& start, std::uint64_t& count);
  bool readPackets(std::size_t i);
  bool writePackets(std::size_t i, std::size_t& record);

  const std::vector<std::string>& in_;
  std::string outName_;
  JoinOptions& o_;
  Language lang_;
  Reporter* rep_;
  JoinResult r_;
  std::unique_ptr<OutputFile> out_;
  std::uint32_t packetSize_ = 0;
  std::int64_t preroll_ = 0;
  StreamState audio_, video_;
  std::vector<TAsfDataPacket> records_;
  std::uint64_t dataStart_ = 0;  // output offset of the first packet
  int lastPercent_ = -1;
};

bool Joiner::openInput(std::size_t i, std::unique_ptr<FileSource>& f, std::uint64_t& start, std::uint64_t& count) {
  const std::string& name = in_[i];
  std::string error;
  f = FileSource::open(name, &error);
  if (!f) return refuse(T("ошибка открытия файла") + " " + name);
  if (i == 0 && packetSize_ == 0) {
    const std::int64_t h = getHeaderObjectSize(*f);
    if (h < 30 || static_cast<std::uint64_t>(h) + 50 > f->size()) return refuse(T("ошибка чтения Header Object Size в файле ") + name);
    if (findDAOoffset(*f) < 0) return refuse(T("ошибка чтения ASFDAO в файле ") + name);
    // The first file's header and the fixed part of its Data Object, as they are.
    out_->write(ReadPadded(*f, 0, static_cast<std::uint64_t>(h) + 50));
    dataStart_ = static_cast<std::uint64_t>(h) + 50;
    if (o_.CheckPR1) {
      preroll_ = getPreroll(*f);
      if (preroll_ < 0) return refuse(T("ошибка чтения Preroll в файле ") + name);
      audio_.newPT = video_.newPT = static_cast<std::uint32_t>(preroll_);
    }
    packetSize_ = getDataPacketSize(*f);
    if (packetSize_ == 0) return refuse(T("не найден FPO в файле ") + name);
    // A packet size no file could hold is damage, not something to allocate.
    if (packetSize_ > SourceFile::CacheSize || packetSize_ > f->size()) return refuse(T("ошибка в структуре файла ") + name);
    audio_.number = getStreamNumber(*f, guid::AudioMedia);
    video_.number = getStreamNumber(*f, guid::VideoMedia);
  }
  const std::uint32_t size = getDataPacketSize(*f);
  if (size == 0) return refuse(T("не найден FPO в файле ") + name);
  if (size != packetSize_) return refuse(T("у файлов разные Data Packet Size"));
  if (getPlayDuration(*f) < 0) return refuse(T("ошибка чтения Play Duration в файле ") + name);
  if (getPreroll(*f) < 0) return refuse(T("ошибка чтения Preroll в файле ") + name);
  const std::int64_t h = getHeaderObjectSize(*f);
  const Bytes dao = h >= 0 ? ReadPadded(*f, static_cast<std::uint64_t>(h), 50) : Bytes(50, 0);
  if (h < 0 || GUIDToStr(dao, 0) != guid::Data) return refuse(T("ошибка в структуре файла ") + name);
  start = static_cast<std::uint64_t>(h) + 50;
  const auto declared = static_cast<std::uint64_t>(QWordOr0(dao, 40));
  // More packets than the file can hold is a structure error, found when
  // the reading runs short; the list is never sized beyond the file.
  count = declared;
  return true;
}

bool Joiner::readPackets(std::size_t i) {
  std::unique_ptr<FileSource> f;
  std::uint64_t start = 0, count = 0;
  if (!openInput(i, f, start, count)) return false;
  audio_.newNumber++;
  video_.newNumber++;
  audio_.firstInFile = video_.firstInFile = true;
  audio_.newPT += audio_.delta;
  video_.newPT += video_.delta;
  const std::uint64_t room = f->size() > start ? (f->size() - start) / packetSize_ : 0;
  records_.reserve(records_.size() + static_cast<std::size_t>(std::min(count, room)));
  PacketReader reader(*f, start, packetSize_);
  for (std::uint64_t n = 0; n < count; ++n) {
    pause();
    const ByteView v = reader.next();
    if (v.empty()) return refuse(T("ошибка в структуре файла ") + in_[i]);
    TAsfDataPacket p;
    ParsePacket(v, p);
    r_.keyframePackets += p.firstKeyFrame;
    auto step = [&](std::uint8_t s, std::uint32_t& mon, std::uint32_t& pt, bool hasTime) {
      if (s != 0 && s == audio_.number) audio_.renumber(mon, pt, hasTime);
      if (s != 0 && s == video_.number) video_.renumber(mon, pt, hasTime);
    };
    if (p.isMultiple()) {
      for (TPayload& pl : p.mp.payloads) step(pl.streamNumber, pl.mediaObjectNumber, pl.presentationTime, pl.replicatedDataLength >= 8);
    } else {
      step(p.singleStream, p.singleMediaObjectNumber, p.singlePresentationTime, p.singleReplicatedDataLength >= 8);
    }
    p.fileOffset = static_cast<std::int64_t>(dataStart_ + records_.size() * std::uint64_t{packetSize_});
    p.packetLength = packetSize_;
    records_.push_back(std::move(p));
    progress(i, n + 1, count);
    if (stop()) return false;
    pause();
  }
  return true;
}

bool Joiner::writePackets(std::size_t i, std::size_t& record) {
  std::unique_ptr<FileSource> f;
  std::string error;
  f = FileSource::open(in_[i], &error);
  if (!f) return refuse(T("ошибка открытия файла") + " " + in_[i]);
  const std::int64_t h = getHeaderObjectSize(*f);
  const std::uint64_t count = static_cast<std::uint64_t>(QWordOr0(ReadPadded(*f, static_cast<std::uint64_t>(h), 50), 40));
  PacketReader reader(*f, static_cast<std::uint64_t>(h) + 50, packetSize_);
  for (std::uint64_t n = 0; n < count && record < records_.size(); ++n, ++record) {
    const ByteView v = reader.next();
    const std::span<std::uint8_t> dst = out_->reserve(packetSize_);
    if (v.empty() || dst.size() != packetSize_) return refuse(T("ошибка в структуре файла ") + in_[i]);
    std::copy(v.begin(), v.end(), dst.begin());
    WriteBack(records_[record], dst);
    out_->commit(packetSize_);
    if (stop()) return false;
  }
  return true;
}

JoinResult Joiner::run() {
  if (in_.empty()) return fail(T("нечего клеить. добавьте файлы в список"));
  if (outName_.empty()) return fail(T("куда складывать?"));
  for (const std::string& name : in_)
    if (SameFile(outName_, name)) return fail(T("• выходной файл совпадает с исходным: ") + outName_);
  std::string error;
  out_ = OutputFile::create(outName_, error);
  if (!out_) return fail(T("ошибка создания выходного файла") + ": " + outName_ + ": " + error);
  std::uint64_t total = 0;
  for (const std::string& name : in_) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(name, ec);
    total += ec ? 0 : size;
  }
  out_->preallocate(total);
  if (o_.CheckPR) preroll_ = OptionNumber(o_.EditPR);
  audio_.newPT = video_.newPT = static_cast<std::uint32_t>(preroll_);

  // First pass: every packet is parsed and renumbered; the send times need
  // them all. The second pass writes them.
  for (std::size_t i = 0; i < in_.size(); ++i) {
    if (!readPackets(i)) {
      return stop() ? stopped() : r_;
    }
  }
  if (records_.empty()) return fail(T("• в файлах нет пакетов данных"));
  audio_.newPT += audio_.delta;
  video_.newPT += video_.delta;
  r_.end = std::max(audio_.newPT, video_.newPT);
  say(T("пересчёт SendTime"));
  std::uint32_t sd;
  if (o_.CheckAST) {
    std::uint32_t lead = static_cast<std::uint32_t>(preroll_);
    if (!o_.RadioOP1) lead = static_cast<std::uint32_t>(OptionNumber(o_.EditOP2));
    sd = Approximate(records_, lead);
  } else if (o_.CheckPTP) {
    sd = VideoTime(records_, video_.number, static_cast<std::uint32_t>(preroll_));
  } else {
    sd = EvenSpread(records_, r_.end);
  }
  r_.sendDuration = sd;
  std::size_t record = 0;
  for (std::size_t i = 0; i < in_.size(); ++i) {
    if (!writePackets(i, record)) {
      return stop() ? stopped() : r_;
    }
    progress(i, 1, 1);
  }
  if (!out_->flush()) return fail(T("ошибка сохранения файла") + ": " + out_->error());

  // Header fields, found again in the output.
  const auto written = FileSource::open(outName_, &error);
  const std::int64_t fpo = written ? findFPOoffset(*written) : -1;
  const std::int64_t dao = written ? findDAOoffset(*written) : -1;
  if (fpo < 0 || dao < 0) return fail(T("ошибка сохранения файла"));
  const std::uint64_t count = records_.size();
  r_.packets = count;
  auto patch = [&](std::int64_t at, std::uint64_t v) {
    Bytes b(8);
    PutQWord(v, b, 0);
    out_->writeAt(static_cast<std::uint64_t>(at), b);
  };
  patch(fpo + 56, count);
  patch(fpo + 64, std::uint64_t{r_.end} * 10000);
  patch(fpo + 72, std::uint64_t{sd} * 10000);
  patch(fpo + 80, static_cast<std::uint64_t>(preroll_));
  patch(dao + 40, count);
  patch(dao + 16, count * packetSize_ + 50);
  say(T("создаю индекс"));
  if (r_.keyframePackets > 1) {
    TAsfSimpleIndexObject sio;
    sio.present = true;
    sio.ObjectID = guid::SimpleIndex;
    sio.FileID = GUIDToStr(ReadPadded(*written, static_cast<std::uint64_t>(fpo) + 24, 16), 0);
    if (CreateSimpleIndex(records_, sio, video_.number)) {
      say("сохраняю индекс");
      Bytes b;
      writeASFSIO(sio, sio.FileID, b);
      out_->write(b);
      r_.indexEntries = static_cast<std::uint32_t>(sio.IndexEntries.size());
    }
  }
  if (!out_->flush()) return fail(T("ошибка сохранения файла") + ": " + out_->error());
  patch(fpo + 40, out_->size());
  if (!out_->close()) return fail(T("ошибка сохранения файла") + ": " + out_->error());
  say(T("операция завершена"));
  r_.code = 0;
  return r_;
}

}  // namespace

JoinResult doJOIN(const std::vector<std::string>& inputs, const std::string& output, JoinOptions& o, Language lang,
                  Reporter* rep) {
  return Joiner(inputs, output, o, lang, rep).run();
}

}  // namespace corvel
