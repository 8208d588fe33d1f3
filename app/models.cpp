#include "app/models.hpp"

namespace corvel::app {

// The grid's row 0 is its header: the model shows the filled rows after it
// (an empty grid keeps one blank row, which is not shown).
int ErrorGridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(c_.grid().filledRows());
}

int ErrorGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 8; }

QVariant ErrorGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const auto r = static_cast<std::size_t>(index.row()) + 1;
  // The error list entry a row shows, for what acts on it.
  if (role == kBlockRole) {
    const auto block = c_.grid().blockOf(r);
    return block ? QVariant::fromValue(static_cast<qulonglong>(*block)) : QVariant();
  }
  if (role != Qt::DisplayRole) return {};
  const auto& rows = c_.grid().rows();
  if (r >= rows.size()) return {};
  return QString::fromStdString(rows[r][static_cast<std::size_t>(index.column())]);
}

// The titles follow the language in use whenever they are drawn.
QVariant ErrorGridModel::headerData(int section, Qt::Orientation o, int role) const {
  if (role != Qt::DisplayRole || o != Qt::Horizontal) return {};
  static constexpr MessageId kTitles[] = {MessageId::GridOffset, MessageId::GridDeclaredSize, MessageId::GridActualSize,
                                          MessageId::GridDelta, MessageId::GridMaxRepeat};
  if (section == 1) return QString("#");
  if (section == 2) return QString("id");
  if (section >= 3 && section <= 7) return c_.text(Message(kTitles[section - 3]));
  return QString();
}

void ErrorGridModel::refresh() {
  beginResetModel();
  endResetModel();
  emit headerDataChanged(Qt::Horizontal, 0, 7);
}

const std::vector<int>& TreeModel::children(int node) const {
  return node == StructureTree::kRoot ? tree().roots() : tree().node(node).children;
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0) return {};
  const int p = parent.isValid() ? static_cast<int>(parent.internalId()) : StructureTree::kRoot;
  const auto& kids = children(p);
  if (static_cast<std::size_t>(row) >= kids.size()) return {};
  return createIndex(row, 0, static_cast<quintptr>(kids[static_cast<std::size_t>(row)]));
}

QModelIndex TreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  const int p = tree().node(static_cast<int>(child.internalId())).parent;
  if (p == StructureTree::kRoot) return {};
  const int grand = tree().node(p).parent;
  const auto& siblings = children(grand);
  for (std::size_t i = 0; i < siblings.size(); ++i)
    if (siblings[i] == p) return createIndex(static_cast<int>(i), 0, static_cast<quintptr>(p));
  return {};
}

int TreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  const int p = parent.isValid() ? static_cast<int>(parent.internalId()) : StructureTree::kRoot;
  return static_cast<int>(children(p).size());
}

QVariant TreeModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  return QString::fromStdString(tree().node(static_cast<int>(index.internalId())).text);
}

void TreeModel::refresh() {
  beginResetModel();
  endResetModel();
}

}  // namespace corvel::app
