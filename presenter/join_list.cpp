#include "presenter/join_list.hpp"

#include <algorithm>
#include <cstdio>

#include "io/byte_source.hpp"
#include "asf/locators.hpp"
#include "join/join.hpp"

namespace corvel {

JoinPart ProbeJoinPart(const std::string& path) {
  JoinPart p{path, true};
  std::string error;
  const auto src = FileSource::open(path, &error);
  if (!src) return p;
  p.packetSize = ReadPacketSize(*src);
  p.readable = p.packetSize != 0;
  p.playMs = std::max<std::int64_t>(0, ReadPlayDuration(*src) / 10000 - std::max<std::int64_t>(ReadPreroll(*src), 0));
  return p;
}

std::uint64_t JoinList::append(const std::string& path) {
  parts_.push_back({nextId_, JoinPart{path}});
  return nextId_++;
}

void JoinList::probed(std::uint64_t id, const JoinPart& part) {
  for (Entry& e : parts_)
    if (e.id == id) {
      e.part = part;
      e.part.probed = true;
    }
}

bool JoinList::move(std::size_t from, std::size_t to) {
  if (from >= parts_.size() || to >= parts_.size() || from == to) return false;
  const auto f = parts_.begin() + static_cast<std::ptrdiff_t>(from), t = parts_.begin() + static_cast<std::ptrdiff_t>(to);
  if (from < to)
    std::rotate(f, f + 1, t + 1);
  else
    std::rotate(t, f, f + 1);
  return true;
}

void JoinList::remove(const std::vector<std::size_t>& rows) {
  std::vector<bool> gone(parts_.size());
  for (std::size_t r : rows)
    if (r < gone.size()) gone[r] = true;
  std::vector<Entry> kept;
  for (std::size_t i = 0; i < parts_.size(); ++i)
    if (!gone[i]) kept.push_back(std::move(parts_[i]));
  parts_ = std::move(kept);
}

std::vector<std::string> JoinList::paths() const {
  std::vector<std::string> out;
  for (const Entry& e : parts_) out.push_back(e.part.path);
  return out;
}

bool JoinList::differs(std::size_t row) const {
  if (row == 0 || row >= parts_.size()) return false;
  const JoinPart &first = parts_[0].part, &p = parts_[row].part;
  return first.probed && p.probed && p.packetSize != first.packetSize;
}

std::string JoinList::line(std::size_t row, Language lang) const {
  const JoinPart& p = parts_.at(row).part;
  std::string info = "?";
  if (!p.probed) {
    info = "…";
  } else if (p.readable) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(p.playMs) / 1000.0);
    info = std::to_string(p.packetSize) + TextOf(MessageId::PartBytes, lang) + seconds + TextOf(MessageId::PartSeconds, lang);
  }
  return p.path + "    [" + info + "]";
}

MessageId JoinList::refusal() const {
  if (parts_.empty()) return MessageId::NothingToJoin;
  for (std::size_t i = 1; i < parts_.size(); ++i)
    if (differs(i)) return MessageId::PacketSizesDiffer;
  return MessageId::None;
}

Message JoinProgressMessage(Phase step, Step part) {
  Message m(step.text);
  if (step == phase::joining && part.count > 0)
    m.after = "    [ " + std::to_string(part.item) + "  >>  " + std::to_string(part.count) + " ]";
  return m;
}

}  // namespace corvel
