// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/archive/ArchiveListModel.h"

#include "core/archive/Archive.h"
#include "modem/ZarvoFields.h"

#include <algorithm>
#include <exception>

namespace zarvo::archive {

namespace {

const QString& headerText(int column)
{
    static const QString texts[ArchiveListModel::ColumnCount] = {
        QStringLiteral("Typ"),      QStringLiteral("Anrufer"),     QStringLiteral("Empfangszeit"),
        QString::fromUtf8("Größe"), QString::fromUtf8("Abgehört"), QStringLiteral("Notiz")};
    return texts[column];
}

} // namespace

ArchiveListModel::ArchiveListModel(Archive& archive, QObject* parent)
    : QAbstractTableModel(parent), m_archive(archive)
{
    query(0);
}

QString ArchiveListModel::amountText(const ArchivedMessage& m)
{
    switch (m.kind) {
    case MessageKind::Voice:
        return QStringLiteral("%1 Sekunden").arg(m.amount);
    case MessageKind::Fax:
        return QStringLiteral("%1 Seite(n)").arg(m.amount);
    case MessageKind::Data:
        return QStringLiteral("%1 Byte").arg(m.amount);
    case MessageKind::Unknown:
        break;
    }
    return QString::number(m.amount);
}

void ArchiveListModel::setFilter(const ListFilter& filter)
{
    const bool oldestFirst = m_filter.oldestFirst;
    m_filter = filter;
    m_filter.oldestFirst = oldestFirst;
    query(0);
}

void ArchiveListModel::reload()
{
    query(static_cast<int>(m_rows.size()));
}

bool ArchiveListModel::load(int limit, std::vector<ArchivedMessage>& into)
{
    try {
        ListPage page = m_archive.list(m_filter, m_next, limit);
        m_next = page.next;
        m_more = page.next.has_value();
        for (ArchivedMessage& m : page.messages)
            into.push_back(std::move(m));
        m_problem.clear();
        return true;
    }
    catch (const std::exception& e) {
        // A busy or damaged index: show what is there and say why the rest is missing.
        m_more = false;
        m_problem = QStringLiteral("Das Archiv lässt sich nicht lesen: %1").arg(QString::fromUtf8(e.what()));
        return false;
    }
}

void ArchiveListModel::query(int rows)
{
    beginResetModel();
    m_rows.clear();
    m_next.reset();
    load(std::max(rows, m_pageSize), m_rows);
    sortLoaded();
    endResetModel();
}

const ArchivedMessage* ArchiveListModel::message(int row) const
{
    return row >= 0 && row < static_cast<int>(m_rows.size()) ? &m_rows[static_cast<size_t>(row)] : nullptr;
}

int ArchiveListModel::rowOf(const QString& id) const
{
    const auto it =
        std::find_if(m_rows.begin(), m_rows.end(), [&](const ArchivedMessage& m) { return m.id == id; });
    return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

void ArchiveListModel::refreshMessage(const QString& id)
{
    const int row = rowOf(id);
    if (row < 0)
        return;
    try {
        if (auto m = m_archive.get(id)) {
            m_rows[static_cast<size_t>(row)] = std::move(*m);
            emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
        }
    }
    catch (const std::exception&) {
        // The row keeps what it showed; the next reload says what is wrong.
    }
}

int ArchiveListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ArchiveListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ArchiveListModel::data(const QModelIndex& index, int role) const
{
    const ArchivedMessage* m = message(index.row());
    if (!m || index.column() < 0 || index.column() >= ColumnCount)
        return {};
    switch (role) {
    case KindRole:
        return static_cast<int>(m->kind);
    case IdRole:
        return m->id;
    case HeardRole:
        return m->heard;
    case Qt::ToolTipRole:
        if (index.column() == HeardColumn)
            return m->heard ? QString::fromUtf8("abgehört") : QString::fromUtf8("nicht abgehört");
        if (index.column() == NoteColumn && !m->note.isEmpty())
            return m->note;
        return {};
    case SortRole:
        switch (index.column()) {
        case KindColumn:
            return static_cast<int>(m->kind);
        case ReceivedColumn:
            return m->received;
        case AmountColumn:
            return m->amount;
        case HeardColumn:
            return m->heard;
        default:
            break;
        }
        [[fallthrough]];
    case Qt::DisplayRole:
        switch (index.column()) {
        case KindColumn:
            return kindText(m->kind);
        case CallerColumn:
            return m->caller;
        case ReceivedColumn:
            // In the offset it was received in, written as the main list writes reception times.
            return ReceptionTimeText(ToTDateTime(m->received));
        case AmountColumn:
            return amountText(*m);
        case HeardColumn:
            return QString();
        case NoteColumn: {
            // A search that found the words on a fax page says which page.
            const QString note = QString(m->note).replace(u'\n', u' ');
            if (m->hitPage <= 0)
                return note;
            const QString hit = QStringLiteral("Fundstelle: Seite %1").arg(m->hitPage);
            return note.isEmpty() ? hit : note + QStringLiteral(" (") + hit + u')';
        }
        default:
            return {};
        }
    default:
        return {};
    }
}

QVariant ArchiveListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return headerText(section);
}

bool ArchiveListModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_more;
}

void ArchiveListModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || !m_more)
        return;
    std::vector<ArchivedMessage> more;
    load(m_pageSize, more);
    if (more.empty())
        return;
    const int first = static_cast<int>(m_rows.size());
    beginInsertRows({}, first, first + static_cast<int>(more.size()) - 1);
    std::move(more.begin(), more.end(), std::back_inserter(m_rows));
    endInsertRows();
}

void ArchiveListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    if (column == ReceivedColumn) {
        m_filter.oldestFirst = order == Qt::AscendingOrder;
        query(0);
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<QString> ids;
    for (const QModelIndex& i : before)
        ids.push_back(m_rows[static_cast<size_t>(i.row())].id);
    sortLoaded();
    QModelIndexList after;
    for (size_t i = 0; i < ids.size(); ++i)
        after << index(rowOf(ids[i]), before[static_cast<qsizetype>(i)].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ArchiveListModel::sortLoaded()
{
    if (m_sortColumn == ReceivedColumn)
        return; // the archive's own order
    const int column = m_sortColumn;
    const bool ascending = m_sortOrder == Qt::AscendingOrder;
    const auto key = [column](const ArchivedMessage& m) -> QString {
        switch (column) {
        case KindColumn:
            return kindText(m.kind);
        case CallerColumn:
            return m.caller;
        case NoteColumn:
            return m.note;
        default:
            return QString();
        }
    };
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const ArchivedMessage& a, const ArchivedMessage& b) {
        int c = 0;
        if (column == AmountColumn)
            c = a.amount < b.amount ? -1 : a.amount > b.amount ? 1 : 0;
        else if (column == HeardColumn)
            c = int(a.heard) - int(b.heard);
        else
            c = key(a).localeAwareCompare(key(b));
        return ascending ? c < 0 : c > 0;
    });
}

} // namespace zarvo::archive
