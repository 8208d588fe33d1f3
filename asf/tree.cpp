#include "asf/tree.hpp"

namespace corvel {

void StructureTree::clear() {
  nodes_.clear();
  roots_.clear();
}

std::vector<int>& StructureTree::childrenOf(int parent) {
  return parent == kRoot ? roots_ : node(parent).children;
}

int StructureTree::add(int parent, std::string text) {
  return insert(parent, childrenOf(parent).size(), std::move(text));
}

int StructureTree::insert(int parent, std::size_t pos, std::string text) {
  const int id = static_cast<int>(nodes_.size());
  nodes_.push_back(Node{std::move(text), parent, {}, -1});
  auto& kids = childrenOf(parent);
  if (pos > kids.size()) pos = kids.size();
  kids.insert(kids.begin() + static_cast<std::ptrdiff_t>(pos), id);
  return id;
}

std::string StructureTree::render() const {
  std::string out;
  // Iterative depth-first walk: deep trees must not exhaust the stack.
  std::vector<std::pair<int, int>> stack;
  for (auto it = roots_.rbegin(); it != roots_.rend(); ++it) stack.emplace_back(*it, 0);
  while (!stack.empty()) {
    const auto [id, depth] = stack.back();
    stack.pop_back();
    const Node& n = node(id);
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    out += n.text;
    out += '\n';
    for (auto it = n.children.rbegin(); it != n.children.rend(); ++it) stack.emplace_back(*it, depth + 1);
  }
  return out;
}

}  // namespace corvel
