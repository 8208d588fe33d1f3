// An AVI read back without the writer's code, for the tests' oracles: the
// RIFF tree walked with every list and chunk size checked against what
// holds it, the stream headers, every data chunk of every movi list, and
// both indexes (idx1, and OpenDML's super and standard indexes) resolved to
// the chunks they point at. Whatever does not hold is listed in `problems`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "asf/bytes.hpp"

namespace corvel::test {

struct AviChunk {
  std::string code;  // "00dc", "01wb"
  bool key = false;  // as the index says
  Bytes data;
};

struct AviTrack {
  std::string type;          // strh fccType: "vids", "auds"
  std::uint32_t length = 0;  // strh dwLength
  std::uint32_t scale = 0, rate = 0;
  std::uint32_t blockAlign = 0, bytesPerSecond = 0;  // strf of "auds": WAVEFORMATEX
  std::vector<AviChunk> indexed;  // this track's chunks by the OpenDML indexes
};

struct AviRead {
  std::vector<std::string> problems;
  std::uint32_t mainFrames = 0;   // avih dwTotalFrames
  std::int64_t extendedFrames = -1;  // dmlh dwTotalFrames; -1 without OpenDML
  std::vector<std::uint64_t> riffSizes;  // each RIFF list's size field
  std::vector<AviTrack> tracks;
  std::vector<AviChunk> movi;  // every data chunk of every movi list, in file order (key unknown)
  std::vector<AviChunk> chunks;  // by idx1: code, key flag and the bytes it points at
  std::vector<std::string> types() const;
};

AviRead ReadAvi(const Bytes& b);

// The track an AVI chunk code names ("01wb": 1).
std::size_t TrackOf(const std::string& code);

// Asserts what every AVI the program writes must hold: no structural problem,
// each index agrees with the movi lists, the headers count what is there.
void ExpectSoundAvi(const AviRead& a);

}  // namespace corvel::test
