// The structure tree: text nodes, each object node linked to its block-list
// entry. The desktop window shows this model; the CLI prints it.
#pragma once

#include <string>
#include <vector>

namespace corvel {

class StructureTree {
 public:
  static constexpr int kRoot = -1;

  struct Node {
    std::string text;
    int parent = kRoot;
    std::vector<int> children;
    int object = -1;  // index of the object this node shows, -1 for field lines
  };

  void clear();
  // Appends a node as the last child of `parent` (kRoot for the top level).
  int add(int parent, std::string text);
  // Inserts a node as child number `pos` of `parent`.
  int insert(int parent, std::size_t pos, std::string text);

  const std::vector<int>& roots() const { return roots_; }
  const Node& node(int id) const { return nodes_.at(static_cast<std::size_t>(id)); }
  Node& node(int id) { return nodes_.at(static_cast<std::size_t>(id)); }
  std::size_t size() const { return nodes_.size(); }

  // Every node on its own line, two blanks of indent per level.
  std::string render() const;

 private:
  std::vector<int>& childrenOf(int parent);
  std::vector<Node> nodes_;
  std::vector<int> roots_;
};

}  // namespace corvel
