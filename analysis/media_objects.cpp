#include "analysis/media_objects.hpp"

#include "asf/catalogue.hpp"
#include "asf/source_file.hpp"
#include "asf/locators.hpp"

namespace corvel {

bool PayloadWalker::readPacket(std::uint64_t offset) {
  // A packet must lie wholly in the file: a damaged size never allocates
  // more than the file holds.
  if (iterPacketSize == 0 || iterPacketSize > SourceFile::CacheSize || offset > f_.size() ||
      iterPacketSize > f_.size() - offset)
    return false;
  if (offset < windowStart_ || offset + iterPacketSize > windowStart_ + window_.size()) {
    // The media object walk goes back to where the last object began: the
    // window keeps some of what lies before the packet asked for.
    constexpr std::uint64_t kWindow = 4 << 20, kLookBack = 256 << 10;
    const std::uint64_t start = offset > kLookBack ? offset - kLookBack : 0;
    const std::uint64_t want = std::min<std::uint64_t>(std::max<std::uint64_t>(kWindow, offset - start + iterPacketSize), f_.size() - start);
    window_.resize(static_cast<std::size_t>(want));
    const std::int64_t got = f_.readAt(start, window_);
    window_.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    windowStart_ = start;
    if (window_.size() < offset - start + iterPacketSize) return false;
  }
  const auto at = static_cast<std::ptrdiff_t>(offset - windowStart_);
  blockBuf = ByteView(window_).subspan(static_cast<std::size_t>(at), iterPacketSize);
  curPacket = TAsfDataPacket{};
  ParsePacket(blockBuf, curPacket);  // damaged packets are walked as they parse
  curPacket.fileOffset = static_cast<std::int64_t>(offset);
  loadPayload(curPacket.isMultiple() ? 0 : -1);
  return true;
}

void PayloadWalker::loadPayload(std::int32_t index) {
  curPayload = index;
  const auto [at, len] = curPacket.payloadData(index < 0 ? 0 : static_cast<std::size_t>(index));
  payloadBuf = SubView(blockBuf, at, len);
}

bool PayloadWalker::getFirstPayload() {
  iterDAOOffset = FindDataObject(f_);
  iterPacketSize = ReadPacketSize(f_);
  if (iterDAOOffset < 0) return false;
  return readPacket(static_cast<std::uint64_t>(iterDAOOffset) + 50);
}

bool PayloadWalker::getNextPayload() {
  if (curPacket.isMultiple() && static_cast<std::size_t>(curPayload + 1) < curPacket.mp.payloads.size()) {
    loadPayload(curPayload + 1);
    return true;
  }
  return readPacket(static_cast<std::uint64_t>(curPacket.fileOffset) + iterPacketSize);
}

bool PayloadWalker::getDataPacketAtPtr(std::uint64_t offset) { return readPacket(offset); }

namespace {
TPayload cur(const TAsfDataPacket& p, std::int32_t curPayload) {
  return p.payload(curPayload < 0 ? 0 : static_cast<std::size_t>(curPayload));
}
}  // namespace

std::uint32_t PayloadObjectSize(const TAsfDataPacket& p, std::int32_t curPayload) { return cur(p, curPayload).mediaObjectSize; }
std::uint8_t PayloadStream(const TAsfDataPacket& p, std::int32_t curPayload) { return cur(p, curPayload).streamNumber; }
std::uint8_t PayloadObjectNumber(const TAsfDataPacket& p, std::int32_t curPayload) {
  return static_cast<std::uint8_t>(cur(p, curPayload).mediaObjectNumber);
}
void PayloadStreamAndObject(const TAsfDataPacket& p, std::int32_t curPayload, std::uint8_t& sn, std::uint8_t& mn) {
  sn = PayloadStream(p, curPayload);
  mn = PayloadObjectNumber(p, curPayload);
}

void MediaObjectIterator::begin() {
  if (sink_) {
    moStart_ = sink_->size();
    sink_->insert(sink_->end(), w_.payloadBuf.begin(), w_.payloadBuf.end());
  } else {
    moBuf.assign(w_.payloadBuf.begin(), w_.payloadBuf.end());
  }
}

MediaObjectIterator::Assembly MediaObjectIterator::assemble(std::uint8_t s, std::uint8_t m, std::uint32_t size, bool exact) {
  // An object whose first fragment is not its beginning lost that.
  const TPayload first = cur(w_.curPacket, w_.curPayload);
  if (first.replicatedDataLength >= 8 && first.offsetIntoMediaObject != 0) return Assembly::incomplete;
  while (exact ? moLength() != size : moLength() < size) {
    if (exact && moLength() > size) return Assembly::incomplete;
    if (!w_.getNextPayload()) return Assembly::endOfFile;
    std::uint8_t s2, m2;
    current(s2, m2);
    if (s2 != s) continue;
    // The stream's next object begins: this one lost a fragment.
    if (m2 != m) return Assembly::incomplete;
    // A fragment must continue where the bytes so far end.
    const TPayload pl = cur(w_.curPacket, w_.curPayload);
    if (pl.replicatedDataLength >= 8 && pl.offsetIntoMediaObject != moLength()) return Assembly::incomplete;
    target().insert(target().end(), w_.payloadBuf.begin(), w_.payloadBuf.end());
    moPacketPos = static_cast<std::uint64_t>(w_.curPacket.fileOffset);
  }
  return Assembly::whole;
}

void MediaObjectIterator::countIncomplete(std::uint8_t stream) {
  if (sink_) sink_->resize(moStart_);  // nothing of it stays in the caller's block
  if (stream == moVideo && moVideo != 0)
    ++incompleteVideo;
  else if (stream == moAudio && moAudio != 0)
    ++incompleteAudio;
  else
    ++incompleteOther;
}

bool MediaObjectIterator::getFirstMediaObject() {
  moAudio = ReadStreamNumber(f_, guid::AudioMedia);
  moVideo = ReadStreamNumber(f_, guid::VideoMedia);
  if (!w_.getFirstPayload()) return false;
  moPacketPos = audioStartPos = videoStartPos = static_cast<std::uint64_t>(w_.curPacket.fileOffset);
  lastAudioMO = lastVideoMO = 0;
  audioSeen = videoSeen = false;
  std::uint8_t s, m;
  current(s, m);
  moStream = s;
  moNumber = m;
  moKey = cur(w_.curPacket, w_.curPayload).keyFrame;
  moTime = cur(w_.curPacket, w_.curPayload).presentationTime;
  if (s == moVideo) {
    lastVideoMO = m;
    videoSeen = true;
  }
  if (s == moAudio) {
    lastAudioMO = m;
    audioSeen = true;
  }
  moSelect = s;
  begin();
  switch (assemble(s, m, PayloadObjectSize(w_.curPacket, w_.curPayload), true)) {
    case Assembly::whole: return true;
    case Assembly::endOfFile: return false;
    case Assembly::incomplete: break;
  }
  countIncomplete(s);
  return getNextMediaObject();
}

bool MediaObjectIterator::getNextMediaObject() {
  while (selectNext()) {
    switch (assemble(moStream, moNumber, PayloadObjectSize(w_.curPacket, w_.curPayload), false)) {
      case Assembly::whole: return true;
      case Assembly::endOfFile: return false;
      case Assembly::incomplete: countIncomplete(moStream); break;
    }
  }
  return false;
}

bool MediaObjectIterator::selectNext() {
  moPacketPos = moSelect == moVideo ? videoStartPos : audioStartPos;
  if (!w_.getDataPacketAtPtr(moPacketPos)) return false;
  std::uint8_t s, m;
  current(s, m);
  if (w_.curPacket.isMultiple()) {
    // Back to the start of the media object returned last.
    while (!(s == moSelect && ((s == moVideo && m == lastVideoMO) || (s == moAudio && m == lastAudioMO)))) {
      if (!w_.getNextPayload()) return false;
      current(s, m);
    }
  }
  std::uint8_t s2, m2;
  while (true) {
    if (!w_.getNextPayload()) return false;
    current(s2, m2);
    if (s2 == s && m2 != m) break;
    if (s2 == s) continue;
    if (s2 == moVideo && (!videoSeen || m2 != lastVideoMO)) break;
    if (s2 == moAudio && (!audioSeen || m2 != lastAudioMO)) break;
  }
  moSelect = s2;
  const auto at = static_cast<std::uint64_t>(w_.curPacket.fileOffset);
  if (s2 == moVideo) {
    videoStartPos = at;
    lastVideoMO = m2;
    videoSeen = true;
  } else {
    audioStartPos = at;
    lastAudioMO = m2;
    audioSeen = true;
  }
  moStream = s2;
  moNumber = m2;
  moKey = cur(w_.curPacket, w_.curPayload).keyFrame;
  moTime = cur(w_.curPacket, w_.curPayload).presentationTime;
  begin();
  return true;
}

}  // namespace corvel
