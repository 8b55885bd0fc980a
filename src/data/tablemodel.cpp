#include "data/tablemodel.h"

#include "core/errors.h"
#include "data/tableobject.h"

namespace tarvel::data {

TableModel::TableModel(TableObject* table, QObject* parent) : QAbstractTableModel(parent), m_table(table)
{
    connect(m_table, &TableObject::dataChanged, this, &TableModel::reset);
    connect(m_table, &QObject::destroyed, this, [this] {
        beginResetModel();
        m_table = nullptr;
        endResetModel();
    });
    if (m_allColumns)
        m_columns = m_table->columns();
}

void TableModel::setColumns(const QStringList& columns, const QStringList& titles)
{
    beginResetModel();
    m_allColumns = columns.isEmpty();
    m_columns = m_allColumns && m_table ? m_table->columns() : columns;
    m_titles = titles;
    endResetModel();
}

QStringList TableModel::shownColumns() const
{
    return m_columns;
}

void TableModel::reset()
{
    beginResetModel();
    if (m_allColumns && m_table)
        m_columns = m_table->columns();
    endResetModel();
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_table)
        return 0;
    return m_table->recordCount();
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_table)
        return 0;
    return int(m_columns.size());
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (!m_table || !index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    const QString& column = m_columns[index.column()];
    try {
        switch (role) {
        case Qt::DisplayRole:
            return m_table->displayTextAt(index.row(), column);
        case Qt::EditRole:
            return m_table->valueAt(index.row(), column);
        case Qt::TextAlignmentRole: {
            const int t = m_table->valueAt(index.row(), column).typeId();
            if (t == QMetaType::Double || t == QMetaType::LongLong || t == QMetaType::Int)
                return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        }
        default:
            return QVariant();
        }
    } catch (const TarvelError&) {
        // A view asks while the store is away (idle reconnect): an empty cell, not an abort.
        return QVariant();
    }
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Vertical)
        return section + 1;
    if (section < 0 || section >= m_columns.size())
        return QVariant();
    return section < m_titles.size() ? m_titles[section] : m_columns[section];
}

} // namespace tarvel::data
