#include "verify/verify.hpp"

namespace corvel {

Message VerifySummary(const VerifyData& d) {
  Message m(MessageId::ObjectsVerified, std::to_string(d.verified));
  m.more.emplace_back(MessageId::DamagedFound, std::to_string(d.damaged.size()));
  if (d.notVerified) m.more.emplace_back(MessageId::NotVerified, std::to_string(d.notVerified));
  return m;
}

}  // namespace corvel
