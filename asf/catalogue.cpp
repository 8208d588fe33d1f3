#include "asf/catalogue.hpp"

namespace corvel {

bool isBlockID(std::string_view id) {
  for (const auto& e : GUIDTable)
    if (e.guid == id) return true;
  return false;
}

std::string GetBlockNaim(std::string_view id) {
  for (const auto& e : GUIDTable)
    if (e.guid == id) return std::string(e.name);
  return {};
}

std::string BlockDisplayName(std::string_view id) {
  std::string n = GetBlockNaim(id);
  return n.empty() ? std::string(id) : n;
}

std::string GetStreamName(std::string_view id) {
  for (const auto& e : StreamTypeTable)
    if (e.guid == id) return std::string(e.name);
  return "ASF_Unknown_Media";
}

}  // namespace corvel
