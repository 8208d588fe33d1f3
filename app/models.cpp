#include "app/models.hpp"

#include <QColor>

namespace corvel::app {

int ErrorRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(p_.errorRows().size());
}

int ErrorRowsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(kErrorColumns); }

QVariant ErrorRowsModel::data(const QModelIndex& index, int role) const {
  const auto r = static_cast<std::size_t>(index.row());
  if (!index.isValid() || r >= p_.errorRows().size()) return {};
  const ErrorRow& row = p_.errorRows().rows()[r];
  // The error list entry a row shows, for what acts on it.
  if (role == kEntryRole) return row.entry ? QVariant::fromValue(static_cast<qulonglong>(*row.entry)) : QVariant();
  // A media object the decoder found damaged: a row of its own colour.
  if (role == Qt::BackgroundRole && row.kind == RowKind::damagedObject) return QColor(255, 228, 181);
  // A block over bytes the disk would not give: grey, as bytes lost.
  if (role == Qt::BackgroundRole && row.unreadable) return QColor(211, 211, 211);
  // The last cell may hold the decoder's words, longer than the column: whole in the tip.
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  return QString::fromStdString(CellsOf(row, r + 1, p_.language())[static_cast<std::size_t>(index.column())]);
}

// The titles follow the language in use whenever they are drawn.
QVariant ErrorRowsModel::headerData(int section, Qt::Orientation o, int role) const {
  if (role != Qt::DisplayRole || o != Qt::Horizontal || section < 0 || section >= static_cast<int>(kErrorColumns)) return {};
  return QString::fromStdString(ErrorColumnTitles(p_.language())[static_cast<std::size_t>(section)]);
}

void ErrorRowsModel::refresh() {
  beginResetModel();
  endResetModel();
  emit headerDataChanged(Qt::Horizontal, 0, static_cast<int>(kErrorColumns) - 1);
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
