#include "asf/catalogue.hpp"

namespace corvel {

bool IsKnownObject(std::string_view id) {
  for (const auto& e : GUIDTable)
    if (e.guid == id) return true;
  return false;
}

bool IsStandardObject(std::string_view id) {
  for (const auto& e : StandardObjectTable)
    if (e.guid == id) return true;
  return false;
}

std::string ObjectName(std::string_view id) {
  for (const auto& e : GUIDTable)
    if (e.guid == id) return std::string(e.name);
  for (const auto& e : StandardObjectTable)
    if (e.guid == id) return std::string(e.name);
  return {};
}

std::string ObjectDisplayName(std::string_view id) {
  std::string n = ObjectName(id);
  return n.empty() ? std::string(id) : n;
}

std::string StreamTypeName(std::string_view id) {
  for (const auto& e : StreamTypeTable)
    if (e.guid == id) return std::string(e.name);
  return "ASF_Unknown_Media";
}

}  // namespace corvel
