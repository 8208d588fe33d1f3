// A build without libavcodec: the verify says it cannot decode, and
// verifies nothing.
#include "verify/verify.hpp"

namespace corvel {

bool DecodingBuilt() { return false; }

JobResult<VerifyData> VerifyObjects(const ByteSource&, const StreamTable&, const VerifyOptions&, JobContext& ctx) {
  VerifyData d;
  d.decodingBuilt = false;
  return Finish(ctx, Outcome::failed, Message(MessageId::DecodingNotBuilt), std::move(d));
}

std::unique_ptr<DecodeJudge> MakeDecodeJudge(const StreamTable&) { return nullptr; }

}  // namespace corvel
