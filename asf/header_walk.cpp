#include "asf/header_walk.hpp"

#include <algorithm>

#include "asf/catalogue.hpp"
#include "asf/presenters.hpp"
#include "asf/readers.hpp"

namespace corvel {

void Session::tomemo(const std::string& line) {
  memo.append(line);
  if (reporter) reporter->log(line);
}

void Session::setStatus(const std::string& text) {
  statusText = text;
  if (reporter) reporter->status(text);
}

void HeaderRecords::clearPresence() {
  ASFFPO.present = ASFHEO.present = ASFCLO.present = ASFSBO.present = false;
  ASFCDO.present = ASFECD.present = ASFMAO.present = ASFMEO.present = false;
  ASFCBO.present = ASFSIO.present = false;
  ASFSPO.clear();
  // A file without video or audio must not show the previous file's.
  ASFVideoInfo = {};
  ASFAudioInfo = {};
}

namespace {

std::string where(const std::string& id, std::int64_t offset, std::int64_t size) {
  return BlockDisplayName(id) + " offset=" + std::to_string(offset) + " size=" + std::to_string(size);
}

}  // namespace

int ReadStruct(Session& s) {
  s.memo.clear();
  s.lista.clear();
  s.tree.clear();
  Bytes buf;
  if (!s.file.ReadAt(0, 30, buf) || GUIDToStr(buf, 0) != guid::Header) {
    s.tomemo(s.T("• отсутствует сигнатура файла"));
    return -1;
  }
  s.setStatus(s.T("читаю заголовок"));
  s.lista.push_back({std::string(guid::Header), -1, 0, QWordOr0(buf, 16), -1});

  const std::int64_t fsize = s.file.fsize;
  std::int64_t fptr = 30;
  bool dataSeen = false;
  while (fptr < fsize) {
    const std::int64_t remaining = fsize - fptr;
    s.file.ReadAt(static_cast<std::uint64_t>(fptr), 24, buf);
    const std::string id = GUIDToStr(buf, 0);
    const std::int64_t size = QWordOr0(buf, 16);
    if (!isBlockID(id) && !s.options.CheckUN) {
      s.tomemo(s.T("• ожидался ID следующего блока и не нашёлся. вероятно нарушение в структуре файла"));
      s.tomemo("fsize - fptr = " + std::to_string(remaining));
      break;
    }
    if (id == guid::Data) dataSeen = true;
    s.lista.push_back({id, dataSeen ? -1 : 0, fptr, size, -1});
    // A size that cannot be followed ends the walk here instead of looping
    // or running off into the void.
    if (size < 24) {
      s.tomemo(s.T("• размер блока меньше 24 байт, разбор заголовка остановлен: ") + where(id, fptr, size));
      break;
    }
    if (size > remaining) {
      s.tomemo(s.T("• блок выходит за конец файла: ") + where(id, fptr, size) +
               ", fsize - fptr = " + std::to_string(remaining));
      break;
    }
    fptr += size;
  }
  Blocks2TV(s);
  lista2struct(s);
  return 0;
}

void lista2struct(Session& s) {
  HeaderRecords& r = s.rec;
  r.clearPresence();
  s.DAOIndex = -1;
  Bytes buf;
  const bool sio = s.options.CheckSIO;
  for (std::size_t i = 0; i < s.lista.size(); ++i) {
    const TListaItem& b = s.lista[i];
    const std::string& id = b.id;
    const int node = b.node;
    // Reads the block's bytes, clipped to the file; false when it cannot be held.
    auto readBlock = [&](std::int64_t want) {
      const std::int64_t room = std::max<std::int64_t>(0, s.file.fsize - b.offset);
      const std::int64_t n = std::clamp<std::int64_t>(want, 0, room);
      if (n > kMaxParsedBlock) {
        s.tomemo(s.T("• блок слишком велик для разбора: ") + where(id, b.offset, b.size));
        return false;
      }
      return s.file.ReadLarge(static_cast<std::uint64_t>(b.offset), static_cast<std::uint64_t>(n), buf);
    };
    if (id == guid::Header) {
      if (readBlock(30)) readHDR(buf, r.ASFHDR);
      hdr2TV(s.tree, node, r.ASFHDR);
    } else if (id == guid::FileProperties) {
      if (b.size != FPOStdSize) s.tomemo(s.T("• не стандартный размер блока ASF_File_Properties_Object"));
      if (!readBlock(b.size)) continue;
      readFPO(buf, r.ASFFPO);
      if (r.ASFFPO.MinimumDataPacketSize != r.ASFFPO.MaximumDataPacketSize) s.tomemo("• DataPacketSize: min <> max");
      fpo2TV(s.tree, node, r.ASFFPO);
    } else if (id == guid::HeaderExtension) {
      if (!readBlock(b.size)) continue;
      readHEO(buf, r.ASFHEO);
      heo2TV(s.tree, node, r.ASFHEO);
    } else if (id == guid::StreamProperties) {
      r.ASFSPO.emplace_back();
      if (!readBlock(b.size)) continue;
      readSPO(buf, r.ASFSPO.back(), r.ASFVideoInfo, r.ASFAudioInfo);
      spo2TV(s.tree, node, r, r.ASFSPO.size() - 1);
    } else if (id == guid::CodecList) {
      if (!readBlock(b.size)) continue;
      readCLO(buf, r.ASFCLO);
      clo2TV(s.tree, node, r.ASFCLO);
    } else if (id == guid::StreamBitrateProperties) {
      if (!readBlock(b.size)) continue;
      readSBO(buf, r.ASFSBO);
      sbo2TV(s.tree, node, r.ASFSBO);
    } else if (id == guid::ContentDescription) {
      if (!readBlock(b.size)) continue;
      readCDO(buf, r.ASFCDO);
      cdo2TV(s.tree, node, r.ASFCDO);
    } else if (id == guid::ExtendedContentDescription) {
      if (!readBlock(b.size)) continue;
      readECD(buf, r.ASFECD);
      ecd2TV(s.tree, node, r.ASFECD);
    } else if (id == guid::Marker) {
      if (!readBlock(b.size)) continue;
      readMAO(buf, r.ASFMAO);
      mao2TV(s.tree, node, r.ASFMAO);
    } else if (id == guid::BitrateMutualExclusion) {
      if (!readBlock(b.size)) continue;
      readMEO(buf, r.ASFMEO);
      meo2TV(s.tree, node, r.ASFMEO);
    } else if (id == guid::ContentBranding) {
      if (!readBlock(b.size)) continue;
      readCBO(buf, r.ASFCBO);
      cbo2TV(s.tree, node, r.ASFCBO);
    } else if (id == guid::Data) {
      if (!readBlock(50)) continue;
      readDAO(buf, r.ASFDAO);
      dao2TV(s.tree, node, r.ASFDAO);
      s.DAOOffset = b.offset;
      s.DAOIndex = static_cast<std::int32_t>(i);
    } else if (id == guid::SimpleIndex) {
      s.setStatus(s.T("читаю индекс"));
      if (!readBlock(b.size)) continue;
      readSIO(buf, r.ASFSIO);
      sio2TV(s.tree, node, r.ASFSIO, sio);
    }
  }
}

bool ReopenSource(Session& s) {
  s.file.Close();
  if (s.file.OpenSrcFile(s.fileName)) return true;
  s.setStatus(s.T("ошибка открытия файла"));
  return false;
}

bool OpenAction(Session& s, const std::string& path) {
  s.file.Close();
  s.fileName = path;
  if (!ReopenSource(s)) return false;
  s.file.CacheReset();
  s.file.cuts.CutsClear();
  s.errBlocks.clear();
  s.errPacks.clear();
  s.lastScanFirstBlock = 0;
  s.packets.clear();
  s.options.RadioZIEnabled = true;
  s.indexBuilt = false;
  s.errGrid.reset(s.lang);
  const int walk = ReadStruct(s);
  s.setStatus(walk == 0 ? s.T("файл открыт, заголовок найден") : std::string());
  s.file.Close();
  return walk == 0;
}

}  // namespace corvel
