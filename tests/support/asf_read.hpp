// A saved or joined ASF file read back without the program's own parser,
// for the tests' oracles: the header's objects and counts, every data packet
// parsed field by field (both payload forms, compressed payloads included)
// and the Simple Index. Whatever does not hold is listed in `problems`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "asf/bytes.hpp"

namespace corvel::test {

struct AsfPayload {
  int stream = 0;
  bool key = false;
  std::uint32_t object = 0;  // media object number
  std::uint32_t offset = 0;  // into the media object
  std::uint32_t objectSize = 0;
  std::uint32_t time = 0;  // presentation time, ms
  std::uint32_t length = 0;
  std::uint64_t at = 0;  // where its data lies in the file (not kept for a compressed payload)
};

struct AsfPacket {
  std::uint32_t sendTime = 0;
  std::vector<AsfPayload> payloads;
};

struct AsfRead {
  std::vector<std::string> problems;
  std::vector<std::string> headerObjects;  // each object's GUID, as text
  int videoStream = 0;  // the first Stream Properties Object of video's number
  std::uint32_t packetSize = 0;
  std::uint64_t declaredPackets = 0;  // File Properties
  std::uint64_t dataPackets = 0;      // Data Object
  std::vector<AsfPacket> packets;
  bool hasIndex = false;
  std::uint64_t indexInterval = 0;  // 100-ns units
  std::vector<std::pair<std::uint32_t, std::uint16_t>> index;  // packet number, packet count
};

AsfRead ReadAsf(const Bytes& b);

// Asserts what every file the program writes must hold: no problem while
// reading; a fragment carries its media object's number, and (unless the
// save kept a damaged source's numbers) each new object the next one; send times never
// go back; each Simple Index entry names the packets of a key frame of the
// video stream no later than its time, with no key frame before that time
// in a later packet.
void ExpectSoundAsf(const AsfRead& a, bool numbersGoOn = true);

// Reads a written file back and asserts it sound.
void ExpectSoundAsf(const std::string& path, bool numbersGoOn = true);

}  // namespace corvel::test
