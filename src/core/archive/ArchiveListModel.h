// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/archive/ArchiveTypes.h"

#include <QAbstractTableModel>

#include <optional>
#include <vector>

namespace zarvo::archive {

class Archive;

// The archive window's rows, free of widgets: one row per archived message, newest first, loaded a
// page at a time as the view scrolls (canFetchMore/fetchMore over Archive::list with its cursor).
// A new filter or a reload asks the archive again. The kind comes as KindRole for the window's
// icons; the heard mark as HeardRole (its cell has no text).
//
// Sorting by reception time asks the archive (both ways, over the whole archive); the other columns
// sort the rows loaded so far, and rows loaded by scrolling further are added below them.
class ArchiveListModel : public QAbstractTableModel {
  public:
    enum Column {
        KindColumn,
        CallerColumn,
        ReceivedColumn,
        AmountColumn,
        HeardColumn,
        NoteColumn,
        ColumnCount
    };
    enum Role { KindRole = Qt::UserRole + 1, IdRole, HeardRole, SortRole };

    explicit ArchiveListModel(Archive& archive, QObject* parent = nullptr);

    // Rows per query. The first page is what shows first.
    void setPageSize(int rows) { m_pageSize = rows < 1 ? 1 : rows; }
    int pageSize() const { return m_pageSize; }

    const ListFilter& filter() const { return m_filter; }
    // Asks the archive again with this filter (the sort by time is kept).
    void setFilter(const ListFilter& filter);
    // Asks the archive again for as many rows as are loaded now (at least one page): after marks,
    // the trash, or messages archived by others.
    void reload();
    // The message of a row; nullptr outside.
    const ArchivedMessage* message(int row) const;
    // The row of a message id among the rows loaded; -1 when not loaded.
    int rowOf(const QString& id) const;
    // Reads one message again (after a mark) and updates its row.
    void refreshMessage(const QString& id);
    // Why the last query failed (German); empty when it worked.
    const QString& problem() const { return m_problem; }

    // "%1 Sekunden", "%1 Seite(n)", "%1 Byte" as the main list shows sizes.
    static QString amountText(const ArchivedMessage& m);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  private:
    // Replaces the rows with the first `rows` rows of the filter's list (at least one page).
    void query(int rows);
    // The next `limit` rows after the cursor; false when the archive failed.
    bool load(int limit, std::vector<ArchivedMessage>& into);
    void sortLoaded();

    Archive& m_archive;
    ListFilter m_filter;
    std::vector<ArchivedMessage> m_rows;
    std::optional<ListCursor> m_next;
    bool m_more = false;
    int m_pageSize = 100;
    int m_sortColumn = ReceivedColumn;
    Qt::SortOrder m_sortOrder = Qt::DescendingOrder;
    QString m_problem;
};

} // namespace zarvo::archive
