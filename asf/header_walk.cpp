#include "asf/header_walk.hpp"

#include <algorithm>

#include "asf/field_visitors.hpp"
#include "asf/catalogue.hpp"
#include "asf/chain.hpp"
#include "asf/object_search.hpp"
#include "asf/object_table.hpp"
#include "asf/tree_text.hpp"

namespace corvel {

void HeaderRecords::clearPresence() {
  fileProperties.present = headerExtension.present = codecList.present = streamBitrates.present = false;
  contentDescription.present = extendedContentDescription.present = markers.present = mutualExclusion.present = false;
  contentBranding.present = simpleIndex.present = false;
  streams.clear();
}

namespace {

std::string where(const Guid& id, std::int64_t offset, std::int64_t size) {
  return ObjectDisplayName(id) + " offset=" + std::to_string(offset) + " size=" + std::to_string(size);
}

}  // namespace

bool WalkObjects(SourceFile& file, const WalkOptions& o, FileStructure& fs, JobContext& ctx) {
  fs.objects.clear();
  fs.tree.clear();
  Bytes buf;
  if (!file.readAt(0, static_cast<std::uint64_t>(FixedSize<HeaderObject>()), buf) || Guid::read(buf, 0) != guid::Header) {
    ctx.log(Message(MessageId::NoSignature));
    return false;
  }
  ctx.forceProgress(0, 0, phase::readingHeader);
  fs.objects.push_back({guid::Header, -1, 0, QWordOr0(buf, 16), -1});

  const auto fileSize = static_cast<std::uint64_t>(std::max<std::int64_t>(file.physicalSize(), 0));
  // The header's children lie within it, when its own size is one a file can have.
  const auto headerSize = static_cast<std::uint64_t>(std::max<std::int64_t>(fs.objects[0].size, 0));
  const bool headerPlausible = headerSize >= static_cast<std::uint64_t>(FixedSize<HeaderObject>()) && headerSize <= fileSize;
  const std::uint64_t headerEnd = headerPlausible ? headerSize : fileSize;
  auto read = [&](std::uint64_t at, std::uint64_t n) {
    file.readAt(at, n, buf);
    return buf;
  };
  bool dataSeen = false;
  for (std::uint64_t from = static_cast<std::uint64_t>(FixedSize<HeaderObject>());;) {
    ChainObject last;
    bool pastHeader = false;
    const ChainEnd end = WalkChain(
        from, fileSize, 24, read,
        [&](const ChainObject& obj) {
          if (obj.guid == guid::Data) dataSeen = true;
          const bool child = !dataSeen && obj.offset < headerEnd;
          // An object of a kind this program does not know is stepped over
          // when its size is plausible; one that is not ends the walk.
          if (!IsKnownObject(obj.guid) && !IsStandardObject(obj.guid) && !o.listUnknownObjects) {
            const std::uint64_t bound = child ? headerEnd : fileSize;
            if (obj.size < 24 || static_cast<std::uint64_t>(obj.size) > bound - obj.offset) {
              ctx.log(Message(MessageId::NextObjectMissing));
              ctx.log(Message::Plain("fsize - fptr = " + std::to_string(fileSize - obj.offset)));
              return false;
            }
          }
          fs.objects.push_back({obj.guid, dataSeen ? -1 : 0, static_cast<std::int64_t>(obj.offset), obj.size, -1});
          // A child that runs past the end of its Header Object.
          pastHeader = child && headerPlausible && obj.size >= 24 && static_cast<std::uint64_t>(obj.size) <= fileSize - obj.offset &&
                       static_cast<std::uint64_t>(obj.size) > headerEnd - obj.offset;
          return !pastHeader;
        },
        &last);
    // A size that cannot be followed ends the walk there instead of looping
    // or running off into the void.
    const auto at = static_cast<std::int64_t>(last.offset);
    if (end == ChainEnd::sizeBelow24) ctx.log(Message(MessageId::ObjectBelow24, where(last.guid, at, last.size)));
    if (end == ChainEnd::pastEnd)
      ctx.log(Message(MessageId::ObjectPastEnd,
                      where(last.guid, at, last.size) + ", fsize - fptr = " + std::to_string(fileSize - last.offset)));
    if (pastHeader) ctx.log(Message(MessageId::ObjectPastHeader, where(last.guid, at, last.size)));
    // A broken child of a sound Header Object: the walk goes on at the next
    // known object found in the rest of the header, else at the header's
    // end when a known object starts there.
    const bool broken = end != ChainEnd::endOfFile;
    if (!broken || !headerPlausible || last.offset >= headerEnd) break;
    // A known object whose size field broke: its bytes run to where the
    // next object was found (the data decides), and it is read as such.
    auto sizeFromNext = [&](std::uint64_t next) {
      if (fs.objects.empty() || fs.objects.back().offset != at || !IsKnownObject(last.guid) || next < last.offset + 24) return;
      fs.objects.back().size = static_cast<std::int64_t>(next - last.offset);
      ctx.log(Message(MessageId::ObjectSizeFromNext, where(last.guid, at, fs.objects.back().size)));
    };
    const std::uint64_t found = FindObject(file, last.offset + 16, headerEnd, CatalogueGuids(), nullptr);
    if (found + 24 <= headerEnd) {
      ctx.log(Message(MessageId::WalkResumedAt, std::to_string(found)));
      sizeFromNext(found);
      from = found;
      continue;
    }
    if (from < headerEnd && headerEnd + 24 <= fileSize && IsKnownObject(Guid::read(read(headerEnd, 16), 0))) {
      ctx.log(Message(MessageId::WalkResumed, std::to_string(headerEnd)));
      sizeFromNext(headerEnd);
      from = headerEnd;
      continue;
    }
    break;
  }
  AddObjectNodes(fs, o.listUnknownObjects);
  ParseObjects(file, o, fs, ctx);
  return true;
}

void ParseObjects(SourceFile& file, const WalkOptions& o, FileStructure& fs, JobContext& ctx) {
  HeaderRecords& r = fs.rec;
  r.clearPresence();
  fs.dataObjectIndex = -1;
  fs.declaredPackets = 0;
  Bytes buf;
  for (std::size_t i = 0; i < fs.objects.size(); ++i) {
    const ObjectEntry& b = fs.objects[i];
    const ObjectKind* kind = FindObjectKind(b.guid);
    if (!kind) continue;
    if (b.guid == guid::FileProperties && b.size != kFilePropertiesSize) ctx.log(Message(MessageId::OddFilePropertiesSize));
    if (b.guid == guid::SimpleIndex) ctx.forceProgress(0, 0, phase::readingIndex);
    // A Stream Properties record is listed even when its bytes cannot be read.
    if (b.guid == guid::StreamProperties) r.streams.emplace_back();
    // The object's bytes, clipped to the file, unless they cannot be held.
    const std::int64_t room = std::max<std::int64_t>(0, file.physicalSize() - b.offset);
    const std::int64_t n = std::clamp<std::int64_t>(kind->readBytes ? kind->readBytes : b.size, 0, room);
    if (n > kMaxParsedBlock) {
      ctx.log(Message(MessageId::ObjectTooLarge, where(b.guid, b.offset, b.size)));
      if (b.guid != guid::Header) continue;
    } else if (!file.readLarge(static_cast<std::uint64_t>(b.offset), static_cast<std::uint64_t>(n), buf)) {
      if (b.guid != guid::Header) continue;
    } else {
      if (b.guid == guid::StreamProperties) r.streams.pop_back();
      kind->read(buf, r);
    }
    kind->show(fs.tree, b.node, r, o.showIndexEntries);
    if (b.guid == guid::FileProperties) {
      fs.declaredPackets = r.fileProperties.packetCount;
      if (r.fileProperties.minimumPacketSize != r.fileProperties.maximumPacketSize) ctx.log(Message::Plain("• DataPacketSize: min <> max"));
    }
    if (b.guid == guid::Data) {
      fs.dataObjectOffset = b.offset;
      fs.dataObjectIndex = static_cast<std::int32_t>(i);
    }
  }
}

}  // namespace corvel
