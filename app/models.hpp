// Item models over what the session holds: the error grid and the
// structure tree. Both read the session only on the window's thread, when
// no job runs, and are reset when the controller says the data changed.
#pragma once

#include <QAbstractItemModel>
#include <QAbstractTableModel>

#include "app/controller.hpp"

namespace corvel::app {

class ErrorGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // The role under which a row gives the index of the error list entry it shows.
  static constexpr int kBlockRole = Qt::UserRole;
  explicit ErrorGridModel(const Controller& c, QObject* parent = nullptr) : QAbstractTableModel(parent), c_(c) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  void refresh();

 private:
  const Controller& c_;
};

class TreeModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  explicit TreeModel(const Controller& c, QObject* parent = nullptr) : QAbstractItemModel(parent), c_(c) {}
  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override { return parent.column() > 0 ? 0 : 1; }
  QVariant data(const QModelIndex& index, int role) const override;
  void refresh();

 private:
  const std::vector<int>& children(int node) const;
  const StructureTree& tree() const { return c_.session().structure.tree; }
  const Controller& c_;
};

}  // namespace corvel::app
