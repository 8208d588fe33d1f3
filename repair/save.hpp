// Saving the repaired file: a header rebuilt from the records, the packets of
// the last scan read through the cut list, and the new Simple Index.
#pragma once

#include <string>

#include "asf/session.hpp"

namespace corvel {

// The output name for an input: "movie.wmv" gives "movie.001.wmv", or the
// next free counter; a name already ending in a counter gets the next one.
std::string makeOutFN(const std::string& input);

// Renumbers the media objects of one packet in place (the counters carry
// over from packet to packet).
struct Renumbering {
  std::uint8_t audio = 0, video = 0;  // stream numbers
  std::uint8_t audioMO = 0, videoMO = 0;
  std::uint32_t lastAudio = 0, lastVideo = 0;
  void apply(const TAsfDataPacket& p, std::span<std::uint8_t> buf);
};

// Writes the output file. True only when it was written completely.
bool SaveOutFile(Session& s, const std::string& output);

// The save action: refuses to run without a scan, sets the status texts and
// reports "file saved" or "file save error".
bool SaveAction(Session& s, const std::string& output);

}  // namespace corvel
