#pragma once

#include <QAbstractTableModel>
#include <QStringList>

namespace tarvel::data {

class TableObject;

// A grid's view of a table object: one row per row of the table object in its order, the chosen
// columns with their display formats. Values are fetched as the view asks for them.
class TableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TableModel(TableObject* table, QObject* parent = nullptr);

    // The columns shown and their titles; all columns of the table object when never set.
    void setColumns(const QStringList& columns, const QStringList& titles = {});
    QStringList shownColumns() const;
    TableObject* table() const { return m_table; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void reset();
    TableObject* m_table;
    QStringList m_columns;
    QStringList m_titles;
    bool m_allColumns = true;
};

} // namespace tarvel::data
