#include "asf/catalogue.hpp"

namespace corvel {

bool IsKnownObject(const Guid& id) {
  for (const auto& e : GUIDTable)
    if (e.guid == id) return true;
  return false;
}

bool IsStandardObject(const Guid& id) {
  for (const auto& e : StandardObjectTable)
    if (e.guid == id) return true;
  return false;
}

std::string ObjectName(const Guid& id) {
  for (const auto& e : GUIDTable)
    if (e.guid == id) return std::string(e.name);
  for (const auto& e : StandardObjectTable)
    if (e.guid == id) return std::string(e.name);
  return {};
}

std::string ObjectDisplayName(const Guid& id) {
  std::string n = ObjectName(id);
  return n.empty() ? id.text() : n;
}

std::string StreamTypeName(const Guid& id) {
  for (const auto& e : StreamTypeTable)
    if (e.guid == id) return std::string(e.name);
  return "ASF_Unknown_Media";
}

}  // namespace corvel
