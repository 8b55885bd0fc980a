#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace tarvel::reports {

// What a report walks through: rows by position. The engine looks one row ahead to find the end of a
// group, so the source must allow moving to any row.
class RecordSource
{
public:
    virtual ~RecordSource() = default;
    virtual int count() const = 0;
    virtual void moveTo(int row) = 0; // 0-based
    virtual QVariant value(const QString& column) const = 0;
    // The row to come back to once the report is prepared; -1 when there is none to keep.
    virtual int position() const { return -1; }
};

// Rows held in memory, one map of column name to value per row.
class ListSource : public RecordSource
{
public:
    ListSource() = default;
    explicit ListSource(QList<QVariantMap> rows) : m_rows(std::move(rows)) {}
    void append(const QVariantMap& row) { m_rows.append(row); }
    int count() const override { return int(m_rows.size()); }
    void moveTo(int row) override { m_row = row; }
    QVariant value(const QString& column) const override
    {
        return m_row >= 0 && m_row < m_rows.size() ? m_rows[m_row].value(column) : QVariant();
    }
    int position() const override { return m_row; }

private:
    QList<QVariantMap> m_rows;
    int m_row = -1;
};

// Any dataset with recordCount(), recNo(), moveTo(int) and value(QString), such as
// tarvel::data::TableObject (see tableobjectsource.h). Not owned; the current row is restored after
// the report is prepared.
template <class Dataset> class DatasetSource : public RecordSource
{
public:
    explicit DatasetSource(Dataset& dataset) : m_ds(dataset) {}
    int count() const override { return m_ds.recordCount(); }
    void moveTo(int row) override { m_ds.moveTo(row); }
    QVariant value(const QString& column) const override { return m_ds.value(column); }
    int position() const override { return m_ds.recNo(); }

private:
    Dataset& m_ds;
};

} // namespace tarvel::reports
