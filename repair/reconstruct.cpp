#include "repair/reconstruct.hpp"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "asf/catalogue.hpp"
#include "asf/object_search.hpp"
#include "asf/tree_text.hpp"

namespace corvel {

std::uint64_t FindKnownObject(SourceFile& file, std::uint64_t from, std::uint64_t to, JobContext& ctx) {
  return FindObject(file, from, to, CatalogueGuids(), &ctx);
}

namespace {

// One pass: from `fptr`, every known object found is listed and jumped over;
// a Data Object ends the pass (after listing it in pass 1).
void pass(SourceFile& file, std::vector<ObjectEntry>& objects, std::uint64_t fptr, std::int32_t parent, bool listData,
          JobContext& ctx) {
  const std::uint64_t fileSize = static_cast<std::uint64_t>(file.physicalSize());
  Bytes buf;
  while (fptr < fileSize) {
    fptr = FindKnownObject(file, fptr, fileSize, ctx);
    if (fptr >= fileSize) break;
    file.readAt(fptr, 30, buf);
    const Guid id = Guid::read(buf, 0);
    const std::int64_t size = QWordOr0(buf, 16);
    if (id == guid::Data && !listData) break;
    objects.push_back({id, parent, static_cast<std::int64_t>(fptr), size, -1});
    if (id == guid::Data) break;
    // The search goes on after the object; a size of 0 or less moves it one
    // byte on, one that runs past the end ends it.
    fptr = size >= 1 ? (static_cast<std::uint64_t>(size) < fileSize - fptr ? fptr + static_cast<std::uint64_t>(size) : fileSize)
                     : fptr + 1;
  }
}

// Old copies of objects (in tag data left between the header and the data,
// for one) are found as well: one Stream Properties Object is kept per
// stream number and one of every other object, the one inside the Header
// Object when there is one, else the first found.
void keepOneOfEach(SourceFile& file, std::vector<ObjectEntry>& objects, std::int32_t header) {
  Bytes buf;
  auto key = [&](const ObjectEntry& e) {
    if (e.guid != guid::StreamProperties) return e.guid.text();
    file.readAt(static_cast<std::uint64_t>(e.offset) + 72, 2, buf);
    return e.guid.text() + "#" + std::to_string(ByteOr0(buf, 0) & 127);
  };
  std::map<std::string, std::size_t> chosen;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const auto [it, first] = chosen.try_emplace(key(objects[i]), i);
    const bool inside = header >= 0 && objects[i].parent == header;
    if (!first && inside && objects[it->second].parent != header) it->second = i;
  }
  std::vector<std::int32_t> newIndex(objects.size(), -1);
  std::vector<ObjectEntry> kept;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    if (chosen.at(key(objects[i])) != i) continue;
    newIndex[i] = static_cast<std::int32_t>(kept.size());
    kept.push_back(objects[i]);
  }
  for (ObjectEntry& e : kept)
    if (e.parent >= 0) e.parent = newIndex[static_cast<std::size_t>(e.parent)];
  objects = std::move(kept);
}

}  // namespace

JobResult<FileStructure> ReconstructStructure(SourceFile& file, const WalkOptions& o, JobContext& ctx) {
  file.resetCache();
  file.cuts.clear();
  ctx.log(Message(MessageId::ReconstructingHeader));
  FileStructure fs;
  pass(file, fs.objects, 0, -1, true, ctx);
  std::int32_t header = -1;
  for (std::size_t i = 0; i < fs.objects.size(); ++i)
    if (fs.objects[i].guid == guid::Header) {
      header = static_cast<std::int32_t>(i);
      break;
    }
  if (header >= 0 && !ctx.stopRequested())
    pass(file, fs.objects, static_cast<std::uint64_t>(fs.objects[static_cast<std::size_t>(header)].offset) + 16, header,
         false, ctx);
  keepOneOfEach(file, fs.objects, header);
  AddObjectNodes(fs);
  // Also without a Header Object the objects found are parsed: that is the
  // case reconstruction exists for, and the minimal header is built from them.
  ParseObjects(file, o, fs, ctx);
  const bool stopped = ctx.stopRequested();
  return Finish(ctx, stopped ? Outcome::stopped : Outcome::ok,
                Message(stopped ? MessageId::Interrupted : MessageId::OperationComplete), std::move(fs));
}

}  // namespace corvel
