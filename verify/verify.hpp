// Verifying a file by decoding it: every whole media object of every audio
// and video stream whose codec the decoder library knows is decoded, and
// the objects it rejects or reports damage in are listed. Damage the packet
// structure cannot show (bytes overwritten inside a payload) shows here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/media_objects.hpp"
#include "io/byte_source.hpp"
#include "io/job.hpp"
#include "asf/streams.hpp"

namespace corvel {

namespace phase {
inline constexpr Phase verifying{MessageId::Verifying};
}  // namespace phase

struct StreamVerify {
  std::uint8_t number = 0;
  StreamKind kind = StreamKind::other;
  std::string codec;          // the decoder's name; empty when none knows the stream's codec
  std::uint64_t objects = 0;  // whole media objects of the stream
  std::uint64_t damaged = 0;  // of them, those the decoder rejected or reported damage in
  std::uint64_t unsupported = 0;  // of them, those using what the decoder cannot decode (not verified)
  bool verified() const { return !codec.empty(); }
};

struct VerifyData {
  std::vector<DamagedObject> damaged;  // in the order they lie in the file
  std::vector<StreamVerify> streams;   // one per stream of the table, in its order
  std::uint64_t verified = 0;          // media objects decoded
  std::uint64_t notVerified = 0;       // of streams no decoder knows (and of streams neither audio nor
                                       // video), and those using what their decoder cannot decode
  KindCounts incomplete;               // not whole (a fragment was lost): not decoded, the scan shows them
  bool decodingBuilt = true;
};

// Whether this build can decode (it was built with libavcodec).
bool DecodingBuilt();

struct VerifyOptions {
  // The header declares the content encrypted (DRM): what decodes is
  // ciphertext, no verdict on damage. Nothing is decoded; every media
  // object counts as not verified (as one its decoder cannot decode).
  bool encrypted = false;
  // Decoders running at once: 0 for one per core of the machine. Each
  // stretch of video from a key frame on gets a decoder of its own; the
  // result is the one a single decoder per stream gives.
  unsigned threads = 0;
};

// Decodes the media objects of `f` (a whole file, or the logical file of a
// repair) whose streams `streams` lists. Ok when nothing is damaged,
// warnings when something is, stopped with what was found so far.
JobResult<VerifyData> VerifyObjects(const ByteSource& f, const StreamTable& streams, const VerifyOptions& o,
                                    JobContext& ctx);

// A judge that decodes with the streams' decoders; null when this build
// cannot decode.
std::unique_ptr<DecodeJudge> MakeDecodeJudge(const StreamTable& streams);

// The closing word of a verify: objects decoded, damaged, not verified.
Message VerifySummary(const VerifyData& d);

}  // namespace corvel
