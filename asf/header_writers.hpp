// The objects the save writes around the header: the Header Object, the
// Data Object's 50-byte header and the Simple Index Object (the header's own
// objects are written through the object table).
#pragma once

#include "asf/bytes.hpp"
#include "asf/records.hpp"

namespace corvel {

void WriteHeaderObject(const HeaderObject& r, Bytes& out);
void WriteDataObjectHeader(const DataObjectHeader& r, std::int64_t objectSize, std::uint64_t packets, Bytes& out);
// The index's File ID is the file's when the record was not read from one.
void WriteSimpleIndex(const SimpleIndex& r, const Guid& fileId, Bytes& out);

}  // namespace corvel
