#include "repair/save.hpp"

#include <algorithm>
#include <filesystem>

#include "asf/catalogue.hpp"
#include "join/locators.hpp"
#include "repair/header_writers.hpp"
#include "repair/output_file.hpp"

namespace corvel {

namespace fs = std::filesystem;

namespace {

bool endsWithCounter(const std::string& name) {
  if (name.size() <= 4) return false;
  const std::size_t n = name.size();
  return name[n - 4] == '.' && std::isdigit(static_cast<unsigned char>(name[n - 3])) &&
         std::isdigit(static_cast<unsigned char>(name[n - 2])) && std::isdigit(static_cast<unsigned char>(name[n - 1]));
}

// Adds 1 to the number in the last three characters, zero-padded to three.
void bumpCounter(std::string& name) {
  const long n = std::stol(name.substr(name.size() - 3)) + 1;
  std::string digits = std::to_string(n);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  name.replace(name.size() - 3, 3, digits);
}

}  // namespace

std::string makeOutFN(const std::string& input) {
  const fs::path in(input);
  std::string folder = in.parent_path().string();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  std::string name = in.stem().string();
  const std::string ext = in.extension().string();
  if (endsWithCounter(name))
    bumpCounter(name);
  else
    name += ".001";
  std::error_code ec;
  while (fs::exists(folder + name + ext, ec)) {
    // A counter past 999 has four digits: the last three are counted on.
    if (!endsWithCounter(name)) name += ".001";
    else bumpCounter(name);
  }
  return folder + name + ext;
}

void Renumbering::apply(const TAsfDataPacket& p, std::span<std::uint8_t> buf) {
  std::uint64_t base = p.ecd.size + (p.ppiPresent ? p.ppiSize : 0);
  auto step = [&](const TPayload& pl, std::uint64_t at) {
    auto one = [&](std::uint8_t stream, std::uint8_t& counter, std::uint32_t& last) {
      if (pl.streamNumber != stream) return;
      if (pl.mediaObjectNumber != last) {
        last = pl.mediaObjectNumber;
        ++counter;
      }
      if (at < buf.size()) buf[at] = counter;
    };
    one(audio, audioMO, lastAudio);
    one(video, videoMO, lastVideo);
  };
  if (p.isMultiple()) {
    for (const TPayload& pl : p.mp.payloads) {
      step(pl, base + 2);
      base += pl.totalLength;
    }
  } else {
    step(p.payload(0), base + 1);
  }
}

namespace {

// Durations of what is written, for a source that never had them filled in:
// play = the latest presentation time plus one frame step, send = the latest
// send time plus that packet's duration (milliseconds, into 100-ns units).
void fillDurations(const std::vector<TAsfDataPacket>& packets, TAsfFilePropertiesObject& fpo) {
  std::uint32_t top = 0, below = 0, lastSend = 0, lastDur = 0;
  for (const auto& p : packets) {
    for (std::size_t k = 0; k < p.payloadCount(); ++k) {
      const std::uint32_t t = p.payload(k).presentationTime;
      if (t > top) {
        below = top;
        top = t;
      } else if (t < top && t > below) {
        below = t;
      }
    }
    if (p.sendTime >= lastSend) {
      lastSend = p.sendTime;
      lastDur = p.duration;
    }
  }
  const std::uint32_t step = below ? top - below : 0;
  fpo.PlayDuration = (std::int64_t{top} + step) * 10000;
  fpo.SendDuration = (std::int64_t{lastSend} + lastDur) * 10000;
}

}  // namespace

bool SaveOutFile(Session& s, const std::string& output) {
  const SessionOptions& o = s.options;
  if (SameFile(output, s.fileName)) {
    s.tomemo(s.T("• выходной файл совпадает с исходным: ") + output);
    return false;
  }
  std::string error;
  auto out = OutputFile::create(output, error);
  if (!out) {
    s.tomemo("• " + s.T("ошибка создания выходного файла") + ": " + output + ": " + error);
    return false;
  }
  s.file.Close();
  if (!s.file.OpenSrcFile(s.fileName)) {
    s.tomemo("• " + s.T("ошибка открытия исходного файла") + ": " + s.fileName + ": " + s.file.lastError);
    return false;
  }
  s.file.CacheReset();
  out->preallocate(s.file.logicalSize());
  if (s.reporter) s.reporter->progress(0, "");
  s.setStatus(s.T("сохраняю заголовок"));

  // The header is built from a copy of the records: the session keeps the
  // source's values.
  HeaderRecords r = s.rec;
  const std::size_t count = s.packets.size();
  const bool index = s.indexBuilt && !o.CheckNOsio;
  setObjectSizeASFFPO(r.ASFFPO);
  r.ASFFPO.DataPacketsCount = static_cast<std::int64_t>(count);
  r.ASFFPO.FileSize = 0;
  if (s.sourceUnfinished) {
    fillDurations(s.packets, r.ASFFPO);
    r.ASFFPO.Flags &= ~1u;               // no longer a broadcast
    if (index) r.ASFFPO.Flags |= 2u;     // seekable
  }
  const bool full = !o.RadioZM;
  std::int64_t total = FPOStdSize;
  std::uint32_t objects = 1;
  setObjectSize4Streams(r.ASFSPO);
  for (const auto& spo : r.ASFSPO) {
    total += spo.ObjectSize;
    ++objects;
  }
  auto add = [&](bool present, auto& rec, auto sizeFn) {
    if (!present) return false;
    sizeFn(rec);
    total += rec.ObjectSize;
    ++objects;
    return true;
  };
  const bool clo = add(r.ASFCLO.present, r.ASFCLO, setObjectSizeASFCLO);
  const bool heo = add(full && r.ASFHEO.present, r.ASFHEO, setObjectSizeASFHEO);
  const bool sbo = add(full && r.ASFSBO.present, r.ASFSBO, setObjectSizeASFSBO);
  const bool cdo = add(full && r.ASFCDO.present, r.ASFCDO, setObjectSizeASFCDO);
  const bool ecd = add(full && r.ASFECD.present, r.ASFECD, setObjectSizeASFECD);
  const bool mao = add(full && r.ASFMAO.present, r.ASFMAO, setObjectSizeASFMAO);
  r.ASFHDR.NumberOfHeaderObjects = objects;
  r.ASFHDR.ObjectSize = total + 30;
  if (r.ASFHDR.ObjectID.empty()) r.ASFHDR.Reserved1 = 1, r.ASFHDR.Reserved2 = 2;  // a rebuilt header

  Bytes head;
  writeASFHDR(r.ASFHDR, head);
  writeASFFPO(r.ASFFPO, head);
  for (const auto& spo : r.ASFSPO) writeASFSPO(spo, head);
  if (clo) writeASFCLO(r.ASFCLO, head);
  if (heo) writeASFHEO(r.ASFHEO, head);
  if (sbo) writeASFSBO(r.ASFSBO, head);
  if (cdo) writeASFCDO(r.ASFCDO, head);
  if (ecd) writeASFECD(r.ASFECD, head);
  if (mao) writeASFMAO(r.ASFMAO, head);
  const std::uint32_t P = count ? static_cast<std::uint32_t>(s.packets[0].packetLength) : 0;
  writeASFDAOHeader(r.ASFDAO, std::int64_t{P} * static_cast<std::int64_t>(count) + 50, count, head);
  out->write(head);

  Renumbering ren;
  ren.audio = getStreamNumberFromStruct(s.rec, guid::AudioMedia);
  ren.video = getStreamNumberFromStruct(s.rec, guid::VideoMedia);
  s.setStatus(s.T("сохраняю поток"));
  bool stopped = false, readFailed = false;
  bool direct = !o.CheckPere;  // copy runs of packets file to file
  int lastPercent = -1;
  // Runs are kept short enough for the progress and a stop to stay prompt.
  constexpr std::size_t kRunPackets = 128;
  for (std::size_t i = 0; i < count && !out->failed() && !stopped && !readFailed;) {
    // A run of packets that lie one after another in the logical file.
    const auto size = static_cast<std::size_t>(s.packets[i].packetLength);
    const auto start = static_cast<std::uint64_t>(s.packets[i].fileOffset);
    std::size_t j = i + 1;
    std::uint64_t len = size;
    while (direct && j < count && j - i < kRunPackets && s.packets[j].packetLength == s.packets[i].packetLength &&
           static_cast<std::uint64_t>(s.packets[j].fileOffset) == start + len) {
      len += size;
      ++j;
    }
    if (direct && !out->appendDirect(len, [&](int fd, std::uint64_t at) { return s.file.CopyTo(start, len, fd, at); })) {
      direct = false;  // not here: through memory from now on
      j = i + 1;
    }
    if (!direct) {
      const TAsfDataPacket& p = s.packets[i];
      const ByteView v = s.file.View(static_cast<std::uint64_t>(p.fileOffset), size);
      const std::span<std::uint8_t> dst = out->reserve(size);
      if (v.size() != size || dst.size() != size) {
        readFailed = v.size() != size;
        break;
      }
      std::copy(v.begin(), v.end(), dst.begin());
      if (o.CheckPere) ren.apply(p, dst);
      out->commit(size);
    }
    i = j;
    const int percent = static_cast<int>(i * 100 / count);
    if (s.reporter && percent != lastPercent) {
      lastPercent = percent;
      s.reporter->progress(percent, std::to_string(i) + " >> " + std::to_string(count));
    }
    if (s.reporter && s.reporter->stopRequested()) {
      s.tomemo("• " + s.T("прервано пользователем"));
      stopped = true;
    }
  }
  if (!stopped && !readFailed && index) {
    Bytes sio;
    writeASFSIO(r.ASFSIO, r.ASFFPO.FileID, sio);
    out->write(sio);
  }
  // The real length goes into the File Size field, also after a stop.
  Bytes size(8);
  PutQWord(out->size(), size, 0);
  out->writeAt(70, size);
  const bool written = out->close();
  s.file.Close();
  if (readFailed) s.tomemo("• " + s.T("ошибка чтения исходного файла"));
  if (!written) s.tomemo("• " + s.T("ошибка сохранения файла") + ": " + output + ": " + out->error());
  return written && !stopped && !readFailed;
}

bool SaveAction(Session& s, const std::string& output) {
  if (s.packets.empty()) {
    s.tomemo(s.T("• проведите проверку потока"));
    return false;
  }
  s.setStatus(s.T("идёт сохранение"));
  const bool ok = SaveOutFile(s, output);
  s.setStatus(s.T(ok ? "файл сохранён" : "ошибка сохранения файла"));
  return ok;
}

}  // namespace corvel
