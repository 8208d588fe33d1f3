// Item models over what the presenter shows: the error rows and the
// structure tree. Both read it on the window's thread and are reset when
// the presenter says the data changed.
#pragma once

#include <QAbstractItemModel>
#include <QAbstractTableModel>

#include "presenter/presenter.hpp"

namespace corvel::app {

class ErrorRowsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // The role under which a row gives the index of the error list entry it shows.
  static constexpr int kEntryRole = Qt::UserRole;
  explicit ErrorRowsModel(const Presenter& p, QObject* parent = nullptr) : QAbstractTableModel(parent), p_(p) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  void refresh();

 private:
  const Presenter& p_;
};

class TreeModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  explicit TreeModel(const Presenter& p, QObject* parent = nullptr) : QAbstractItemModel(parent), p_(p) {}
  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override { return parent.column() > 0 ? 0 : 1; }
  QVariant data(const QModelIndex& index, int role) const override;
  void refresh();

 private:
  const std::vector<int>& children(int node) const;
  const StructureTree& tree() const { return p_.session().structure.tree; }
  const Presenter& p_;
};

}  // namespace corvel::app
