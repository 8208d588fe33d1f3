// The join's list of parts as the window shows it: each part with what the
// join's checks look at, in join order, moved and removed by index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "io/job.hpp"
#include "l10n/messages.hpp"

namespace corvel {

struct JoinPart {
  std::string path;
  bool probed = false;           // its header has been read (or tried)
  bool readable = false;         // ... and held a packet size
  std::uint32_t packetSize = 0;
  std::int64_t playMs = 0;       // the play duration less the preroll: what a player shows
  bool operator==(const JoinPart&) const = default;
};

// Reads a part's packet size and play length (a few kilobytes of its
// header): for a worker thread, the file may lie on a slow disk.
JoinPart ProbeJoinPart(const std::string& path);

class JoinList {
 public:
  // A part at the end of the list, not read yet; its id finds it again
  // when its probe comes back.
  std::uint64_t append(const std::string& path);
  // A probe's result for the part of that id (gone parts are ignored).
  void probed(std::uint64_t id, const JoinPart& part);
  // Moves the part at `from` to `to`, the parts between shifting by one;
  // false when either is out of the list or they are the same.
  bool move(std::size_t from, std::size_t to);
  void remove(const std::vector<std::size_t>& rows);
  void clear() { parts_.clear(); }

  std::size_t size() const { return parts_.size(); }
  const JoinPart& at(std::size_t row) const { return parts_[row].part; }
  std::vector<std::string> paths() const;
  // A part whose packet size differs from the first part's.
  bool differs(std::size_t row) const;
  // The line shown for a part: "path    [3200 B, 4.0 s]" ("[3200 байт,
  // 4.0 с]" in Russian; "?" when it could not be read, "…" while it is
  // being read).
  std::string line(std::size_t row, Language lang = Language::eng) const;
  // Why a join of the list cannot start (an empty list, parts of different
  // packet sizes); None when it can.
  MessageId refusal() const;

 private:
  struct Entry {
    std::uint64_t id;
    JoinPart part;
  };
  std::vector<Entry> parts_;
  std::uint64_t nextId_ = 1;
};

// What the join tab says of a running join: "in progress    [ 2  >>  3 ]"
// while it copies the parts, then the phase it is in.
Message JoinProgressMessage(Phase step, Step part);

}  // namespace corvel
