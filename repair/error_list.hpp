// The error list's file form: "<input>.index", 26 bytes a record.
#pragma once

#include <string>
#include <vector>

#include "analysis/error_blocks.hpp"
#include "asf/bytes.hpp"
#include "io/output_file.hpp"

namespace corvel {

inline constexpr std::size_t kErrorListRecordBytes = 26;

// The file form: count x 26 bytes, little-endian, packed. False when an
// offset or size does not fit the file's 32-bit fields.
bool EncodeErrorList(const std::vector<ListedBlock>& packs, Bytes& out);
// False (and `packs` untouched) when the size is not a whole number of records.
bool DecodeErrorList(ByteView in, std::vector<ListedBlock>& packs);

// Whole file save and load.
bool SaveErrorList(const std::vector<ListedBlock>& packs, const std::string& path, std::string& error,
                   WriteCalls* calls = nullptr);
bool LoadErrorList(std::vector<ListedBlock>& packs, const std::string& path);

}  // namespace corvel
