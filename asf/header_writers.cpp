#include "asf/header_writers.hpp"

#include "asf/catalogue.hpp"
#include "asf/field_visitors.hpp"

namespace corvel {

void WriteHeaderObject(const HeaderObject& r, Bytes& out) { WriteFields(r, guid::Header, out); }

void WriteDataObjectHeader(const DataObjectHeader& r, std::int64_t objectSize, std::uint64_t packets, Bytes& out) {
  DataObjectHeader d = r;
  d.objectSize = objectSize;
  d.packetCount = static_cast<std::int64_t>(packets);
  WriteFields(d, guid::Data, out);
}

void WriteSimpleIndex(const SimpleIndex& r, const Guid& fileId, Bytes& out) {
  SimpleIndex s = r;
  if (!s.present) s.fileId = fileId;  // built, not read: the file's
  SizeFields(s);
  WriteFields(s, guid::SimpleIndex, out);
}

}  // namespace corvel
