#include "verify/verify.hpp"

namespace corvel {

Message VerifySummary(const VerifyData& d) {
  Message m(MessageId::ObjectsVerified, std::to_string(d.verified));
  m.more.emplace_back(MessageId::DamagedFound, std::to_string(d.damaged.size()));
  if (d.notVerified) m.more.emplace_back(MessageId::NotVerified, std::to_string(d.notVerified));
  // Objects that lost a fragment are not decoded: how many.
  if (d.incomplete.total())
    m.more.emplace_back(MessageId::IncompleteLeftOut,
                        std::to_string(d.incomplete.video) + ", " + std::to_string(d.incomplete.audio + d.incomplete.other));
  return m;
}

}  // namespace corvel
