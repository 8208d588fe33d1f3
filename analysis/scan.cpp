#include "analysis/scan.hpp"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "analysis/simple_index.hpp"
#include "asf/catalogue.hpp"
#include "asf/header_walk.hpp"
#include "join/locators.hpp"
#include "repair/repair.hpp"

namespace corvel {

namespace {

std::string num(std::uint64_t v) { return std::to_string(v); }

// Per-stream state of the checks: slot 0 the audio stream, slot 1 the video.
struct StreamState {
  std::uint8_t number = 0;
  std::uint32_t lastMO = 0;
  std::uint64_t expectedOffset = 0;
  std::uint32_t lastPTime = 0;
};

class Scanner {
 public:
  explicit Scanner(Session& s) : s_(s) {}
  bool run();

 private:
  void log(const std::string& line) { s_.tomemo(line); }
  void finding(const std::string& text) {
    log(text);
    note_ = text;
  }
  void orderCheck(std::uint8_t sn, std::uint32_t prev, std::uint32_t cur);
  void mediaObjectCheck(const TPayload& pl, std::uint64_t advance, const char* text);
  void checks(const TAsfDataPacket& p);
  void dumpLine(const TAsfDataPacket& p);
  bool acceptable(ByteView v) const;
  // Next position at or after `from` where a sound packet starts, or `end_`.
  std::uint64_t resync(std::uint64_t from);
  void showBlock(const TErrBlock& b) {
    const std::size_t r = s_.errGrid.ShowErrBlocks(b);
    if (s_.reporter) s_.reporter->gridRow(r, s_.errGrid.rows()[r]);
  }
  bool stopRequested() const { return s_.reporter && s_.reporter->stopRequested(); }
  void progress(std::uint64_t pos);

  Session& s_;
  std::uint32_t P_ = 0;
  std::uint64_t start_ = 0, end_ = 0, logicalEnd_ = 0;
  std::uint64_t limit_ = 0;  // packet count that ends the scan, 0 for none
  std::uint64_t n_ = 0;
  std::array<StreamState, 2> st_{};
  bool streamKnown_[128] = {};
  std::string note_;
  std::ofstream dump_;
  int lastPercent_ = -1;
  std::uint64_t steps_ = 0;
};

void Scanner::orderCheck(std::uint8_t sn, std::uint32_t prev, std::uint32_t cur) {
  if (static_cast<std::uint32_t>(cur - prev) == 1 || (prev == 255 && cur == 0)) return;
  log("sn=" + num(sn) + " wrong order of media object: " + num(prev) + "," + num(cur));
}

void Scanner::mediaObjectCheck(const TPayload& pl, std::uint64_t advance, const char* text) {
  for (StreamState& ss : st_) {
    if (pl.streamNumber != ss.number) continue;
    if (pl.mediaObjectNumber != ss.lastMO) {
      orderCheck(ss.number, ss.lastMO, pl.mediaObjectNumber);
      ss.lastMO = pl.mediaObjectNumber;
      ss.expectedOffset = 0;
    }
    if (pl.offsetIntoMediaObject != ss.expectedOffset)
      finding("sn=" + num(ss.number) + ",mon=" + num(ss.lastMO) + text);
    ss.expectedOffset += advance;
  }
}

void Scanner::checks(const TAsfDataPacket& p) {
  note_.clear();
  if (!p.isMultiple()) {
    const std::uint64_t advance = std::uint64_t{P_} - p.ecd.size - p.ppiSize - p.singleHeaderLength - p.paddingLength;
    mediaObjectCheck(p.payload(0), advance, " wrong offset into media object");
  } else {
    for (const TPayload& pl : p.mp.payloads) mediaObjectCheck(pl, pl.payloadDataLength, " wrong offset into media");
    const std::uint64_t fact = multiplePayloadFact(p);
    if (fact != P_) finding("payload (" + num(n_) + "). expected size = " + num(P_) + ", fact = " + num(fact));
  }
  if (minPTime(p) < p.sendTime) finding("packet nn=" + num(n_) + ". Presentation Time < Send Time");
  if (n_ > 0 && p.sendTime < s_.packets.back().sendTime)
    finding("packet nn=" + num(n_) + s_.T(". SendTime < значения в предыдущем пакете"));
  for (std::size_t k = 0; k < p.payloadCount(); ++k) {
    const TPayload pl = p.payload(k);
    static const char* const kDown[2] = {". Presentation Time звука уменьшается", ". Presentation Time видео уменьшается"};
    for (std::size_t slot = 0; slot < 2; ++slot) {
      StreamState& ss = st_[slot];
      if (pl.streamNumber != ss.number) continue;
      if (pl.presentationTime < ss.lastPTime) finding("пакет nn=" + num(n_) + s_.T(kDown[slot]));
      ss.lastPTime = pl.presentationTime;
    }
  }
}

void Scanner::dumpLine(const TAsfDataPacket& p) {
  std::string line;
  line += p.firstKeyFrame ? '+' : '-';
  auto moPart = [](const TPayload& pl) {
    return num(pl.streamNumber) + "," + num(pl.mediaObjectNumber) + "," + num(pl.offsetIntoMediaObject) + " [" +
           num(pl.mediaObjectSize) + "," + num(pl.presentationTime) + "]";
  };
  if (!p.isMultiple()) {
    line += std::string(",s") + p.compression + ",  " + moPart(p.payload(0));
  } else {
    line += std::string(",m") + p.compression + "," + num(p.mp.numberOfPayloads);
    for (const TPayload& pl : p.mp.payloads) line += ",(" + num(pl.payloadDataLength) + "," + moPart(pl) + ")";
  }
  line += "," + num(p.paddingLength);
  if (line.size() < 100) line.append(100 - line.size(), ' ');
  line += "," + num(p.sendTime) + "," + num(p.duration);
  if (!note_.empty()) line += "   <- " + note_;
  line += "\r\n";
  dump_ << line;
}

bool Scanner::acceptable(ByteView v) const {
  TAsfDataPacket p;
  if (v.size() < P_ || ParsePacket(v, p) != 0 || !payloadsFillPacket(p, P_)) return false;
  for (std::size_t k = 0; k < p.payloadCount(); ++k)
    if (!streamKnown_[p.payload(k).streamNumber & 127]) return false;
  return true;
}

std::uint64_t Scanner::resync(std::uint64_t from) {
  std::uint64_t q = from;
  while (q + 3 <= logicalEnd_ && q < end_) {
    const std::uint64_t want = std::min<std::uint64_t>(SourceFile::CacheSize, logicalEnd_ - q);
    const ByteView w = s_.file.View(q, want);
    if (w.size() < 3) break;
    const std::size_t limit = static_cast<std::size_t>(std::min<std::uint64_t>(w.size() - 2, end_ - q));
    std::size_t i = 0;
    std::uint64_t candidate = 0;
    bool found = false;
    while (i < limit) {
      const void* hit = std::memchr(w.data() + i, 0x82, limit - i);
      if (!hit) break;
      i = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - w.data());
      if (w[i + 1] == 0 && w[i + 2] == 0) {
        candidate = q + i;
        found = true;
        break;
      }
      ++i;
    }
    if (!found) {
      q += limit;
      if (stopRequested()) return end_;
      continue;
    }
    // Checking the candidate may move the cache window; the search goes on
    // from the byte after it either way.
    if (candidate + P_ <= logicalEnd_ && acceptable(s_.file.View(candidate, P_))) return candidate;
    q = candidate + 1;
  }
  return end_;
}

// Reported when the percentage moves, and every few thousand steps.
void Scanner::progress(std::uint64_t pos) {
  ++steps_;
  const std::uint64_t done = limit_ ? n_ : pos - start_, total = limit_ ? limit_ : end_ - start_;
  const int percent = total ? static_cast<int>(std::min<std::uint64_t>(100, done * 100 / total)) : 100;
  if (!s_.reporter || (percent == lastPercent_ && (steps_ & 4095) != 0)) return;
  lastPercent_ = percent;
  s_.reporter->progress(percent, num(n_) + " >> " + num(limit_));
}

bool Scanner::run() {
  if (!s_.file.isOpen()) return false;
  if (s_.DAOIndex == -1) {
    log(s_.T("• не найден поток"));
    return false;
  }
  const TAsfFilePropertiesObject& fpo = s_.rec.ASFFPO;
  if (fpo.MinimumDataPacketSize != fpo.MaximumDataPacketSize) {
    log("• DataPacketSize: min <> max");
    return false;
  }
  P_ = fpo.MinimumDataPacketSize;
  if (P_ < 8 || P_ > SourceFile::CacheSize) {
    log(s_.T("• неверный размер пакета: ") + num(P_));
    return false;
  }
  // An interrupted recording leaves these fields unset: then the scan runs to
  // the real end of the file.
  const bool unfinished = (fpo.Flags & 1) || fpo.FileSize <= 0 || fpo.DataPacketsCount <= 0;
  s_.sourceUnfinished = unfinished || fpo.PlayDuration <= 0 || fpo.SendDuration <= 0;
  logicalEnd_ = s_.file.logicalSize();
  end_ = unfinished ? logicalEnd_ : std::min<std::uint64_t>(static_cast<std::uint64_t>(fpo.FileSize), logicalEnd_);
  // Objects after a Data Object of sound size (the index) are no packets:
  // the scan ends where the data ends rather than reporting them as damage.
  const std::int64_t daoSize = s_.rec.ASFDAO.ObjectSize;
  if (daoSize >= 50 && daoSize <= s_.file.fsize - s_.DAOOffset) {
    const auto dataEnd = static_cast<std::uint64_t>(s_.DAOOffset + daoSize);
    end_ = std::min(end_, dataEnd - s_.file.cuts.bytesBelow(dataEnd));
  }
  limit_ = unfinished ? 0 : static_cast<std::uint64_t>(fpo.DataPacketsCount);
  start_ = static_cast<std::uint64_t>(s_.DAOOffset) + 50;

  st_[0].number = getStreamNumberFromStruct(s_.rec, guid::AudioMedia);
  st_[1].number = getStreamNumberFromStruct(s_.rec, guid::VideoMedia);
  for (const auto& spo : s_.rec.ASFSPO) streamKnown_[spo.Flags & 127] = true;

  s_.packets.clear();
  s_.lastScanFirstBlock = s_.errBlocks.size();
  const std::uint64_t room = start_ < logicalEnd_ ? (logicalEnd_ - start_) / P_ + 1 : 1;
  s_.packets.reserve(static_cast<std::size_t>(limit_ ? std::min(limit_, room) : room));
  s_.keyframePackets = 0;
  if (s_.options.CheckDump) {
    const std::string path = s_.options.dumpPath.empty() ? DumpFileName(s_.fileName) : s_.options.dumpPath;
    std::remove(path.c_str());
    dump_.open(path, std::ios::binary | std::ios::trunc);
  }
  if (s_.reporter) s_.reporter->progress(0, "");

  std::uint64_t pos = start_;
  bool inDamage = false;
  while (true) {
    if (!s_.options.CheckHP) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const ByteView v = pos < logicalEnd_ ? s_.file.View(pos, P_) : ByteView{};
    if (v.size() < P_) {
      log(s_.T("• неожиданный конец файла"));
      break;
    }
    TAsfDataPacket p;
    int rc = 1;
    if (v[0] == 0x82 && v[1] == 0 && v[2] == 0) {
      rc = ParsePacket(v, p);
      if (rc < 0) log(s_.T("• упала nn=") + num(n_));
    }
    if (rc == 0) {
      if (inDamage) {
        TErrBlock& b = s_.errBlocks.back();
        b.actualSize = pos - b.offset;
        b.closed = '*';
        showBlock(b);
        inDamage = false;
      }
      p.fileOffset = static_cast<std::int64_t>(pos);
      s_.keyframePackets += p.firstKeyFrame;
      checks(p);
      if (dump_.is_open()) dumpLine(p);
      s_.packets.push_back(std::move(p));
      pos += P_;
      ++n_;
      if (limit_ && n_ >= limit_) break;
    } else {
      // Damage: the stretch is taken from the start of the last sound packet
      // (the data start when there is none) and searched for the next one.
      if (!inDamage) {
        TErrBlock b;
        b.packet = static_cast<std::uint32_t>(n_);
        b.offset = s_.packets.empty() ? start_ : static_cast<std::uint64_t>(s_.packets.back().fileOffset);
        b.declaredSize = P_;
        s_.errBlocks.push_back(b);
        showBlock(b);
        inDamage = true;
      }
      pos = resync(s_.errBlocks.back().offset + 1);
    }
    progress(pos);
    if (stopRequested()) {
      log("• " + s_.T("прервано пользователем"));
      break;
    }
    if (pos >= end_) {
      log("• " + s_.T("конец файла"));
      break;
    }
  }
  dump_.close();
  // Every closed block becomes an entry of the error packet list, measured
  // for its longest repeat, so that the repairs work on what was found.
  s_.errPacks.clear();
  for (std::size_t i = s_.lastScanFirstBlock; i < s_.errBlocks.size(); ++i) {
    const TErrBlock& b = s_.errBlocks[i];
    if (!b.isClosed()) continue;
    TErrPack p;
    p.offset = b.offset;
    p.declSize = static_cast<std::int32_t>(b.declaredSize);
    p.mark = 'y';
    p.realSize = b.actualSize;
    scanpack(s_.file, p.offset, p.realSize, p);
    s_.errPacks.push_back(p);
  }
  erpacks2sg(s_.errPacks, s_.errGrid, s_.lang);
  if (s_.reporter) s_.reporter->gridChanged(s_.errGrid.rows());
  if (s_.keyframePackets <= 1) {
    log("• " + s_.T("к-во") + " keyframes = " + num(s_.keyframePackets) + s_.T(". индекс не может быть создан"));
    s_.rec.ASFSIO.present = false;
    s_.indexBuilt = false;
  } else {
    s_.setStatus(s_.T("создаю индекс"));
    s_.rec.ASFFPO.DataPacketsCount = static_cast<std::int64_t>(s_.packets.size());
    s_.scanPacketCount = s_.packets.size();
    s_.indexBuilt = CreateSimpleIndex(s_.packets, s_.rec.ASFSIO, st_[1].number);
  }
  return true;
}

}  // namespace

bool ScanDataPackets(Session& s) { return Scanner(s).run(); }

std::string DumpFileName(const std::string& input) {
  const std::size_t cut = input.find_last_of("/\\:");
  return (cut == std::string::npos ? input : input.substr(cut + 1)) + ".dump.txt";
}

bool ScanAction(Session& s) {
  if (!ReopenSource(s)) return false;
  // The cuts made by repairs since the file was opened stay: the scan sees
  // the logical file, so that a repaired file can be scanned again.
  s.file.CacheReset();
  s.setStatus(s.T("идёт проверка потока"));
  const bool ran = ScanDataPackets(s);
  const bool stopped = s.reporter && s.reporter->stopRequested();
  if (stopped) {
    s.errGrid.dropOpenRow();
    s.setStatus(s.T("прервано пользователем"));
  } else {
    s.setStatus(s.T("поиск завершен"));
  }
  s.file.Close();
  return ran;
}

}  // namespace corvel
