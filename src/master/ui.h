#pragma once

#include "data/tablemodel.h"

#include <QHash>
#include <QObject>
#include <functional>

class QAbstractItemView;
class QKeyEvent;
class QTableView;
class QWidget;

namespace tarvel::master {

// A grid's model over a table object with the screen's alignment for some columns.
class GridModel : public data::TableModel
{
    Q_OBJECT
public:
    using data::TableModel::TableModel;
    void setAlignment(const QString& column, Qt::Alignment alignment);
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    QHash<QString, Qt::Alignment> m_align;
};

// Keeps the grid's current row and the table object's current row the same, both ways.
void povezi(QTableView* view, GridModel* model);

// Routes the key presses of every control under `root` through `handler` first (true: consumed).
class KeyRouter : public QObject
{
public:
    using Handler = std::function<bool(QObject* target, QKeyEvent* event)>;
    KeyRouter(QWidget* root, Handler handler);
    void watch(QWidget* root); // controls added later
protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Handler m_handler;
};

bool isEnter(const QKeyEvent* e);
// Runs a handler, showing a failure through the central error handler instead of letting it out.
void guarded(QWidget* owner, const std::function<void()>& fn);

} // namespace tarvel::master
