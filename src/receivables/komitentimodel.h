#pragma once

#include "data/tablemodel.h"

namespace tarvel::receivables {

// The register's grid over the party table object; the title of the sort column is bold.
class KomitentiModel : public data::TableModel
{
    Q_OBJECT
public:
    explicit KomitentiModel(data::TableObject* table, QObject* parent = nullptr);

    void setBoldSection(int section); // -1: none
    int boldSection() const { return m_bold; }

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    int m_bold = -1;
};

} // namespace tarvel::receivables
