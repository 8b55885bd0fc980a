#include "receivables/komitentimodel.h"

#include <QFont>

namespace tarvel::receivables {

KomitentiModel::KomitentiModel(data::TableObject* table, QObject* parent) : data::TableModel(table, parent) {}

void KomitentiModel::setBoldSection(int section)
{
    if (section == m_bold)
        return;
    m_bold = section;
    const int last = columnCount() - 1;
    if (last < 0)
        return;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, last);
}

QVariant KomitentiModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::FontRole && orientation == Qt::Horizontal) {
        QFont f;
        f.setBold(section == m_bold);
        return f;
    }
    return data::TableModel::headerData(section, orientation, role);
}

} // namespace tarvel::receivables
