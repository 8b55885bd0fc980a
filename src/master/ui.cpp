#include "master/ui.h"

#include "core/errors.h"
#include "data/tableobject.h"
#include "master/poruke.h"

#include <QApplication>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>

namespace tarvel::master {

void GridModel::setAlignment(const QString& column, Qt::Alignment alignment)
{
    m_align.insert(column.toUpper(), alignment);
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::TextAlignmentRole && index.isValid() && index.column() < shownColumns().size()) {
        const auto it = m_align.constFind(shownColumns().at(index.column()).toUpper());
        if (it != m_align.constEnd())
            return QVariant(*it | Qt::AlignVCenter);
    }
    return data::TableModel::data(index, role);
}

void povezi(QTableView* view, GridModel* model)
{
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setHighlightSections(false);
    auto follow = [view, model] {
        data::TableObject* t = model->table();
        if (!t)
            return;
        const int row = t->active() ? t->recNo() : -1;
        const QModelIndex cur = view->currentIndex();
        if (row < 0 || row >= model->rowCount()) {
            view->clearSelection();
            return;
        }
        if (cur.row() != row) {
            const QModelIndex i = model->index(row, cur.isValid() ? cur.column() : 0);
            view->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
            view->scrollTo(i);
        }
    };
    data::TableObject* t = model->table();
    QObject::connect(t, &data::TableObject::currentChanged, view, follow);
    QObject::connect(model, &QAbstractItemModel::modelReset, view, follow);
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, view,
                     [view, model](const QModelIndex& current) {
                         data::TableObject* t = model->table();
                         if (!t || !t->active() || !current.isValid() || t->recNo() == current.row())
                             return;
                         guarded(view, [&] { t->moveTo(current.row()); });
                     });
    follow();
}

KeyRouter::KeyRouter(QWidget* root, Handler handler) : QObject(root), m_handler(std::move(handler))
{
    watch(root);
}

void KeyRouter::watch(QWidget* root)
{
    root->installEventFilter(this);
    for (QWidget* w : root->findChildren<QWidget*>())
        w->installEventFilter(this);
}

bool KeyRouter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        // A child sees the key first; its parent, watched too, must not act on it a second time.
        auto* e = static_cast<QKeyEvent*>(event);
        if (static_cast<QWidget*>(watched) != QWidget::keyboardGrabber() && watched != qApp->focusObject() &&
            qApp->focusObject() && qApp->focusObject()->isWidgetType() &&
            static_cast<QWidget*>(watched)->isAncestorOf(static_cast<QWidget*>(qApp->focusObject())))
            return false;
        return m_handler(watched, e);
    }
    return false;
}

bool isEnter(const QKeyEvent* e)
{
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

void guarded(QWidget* owner, const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const TarvelError& e) {
        prikaziGresku(owner, e);
    }
}

} // namespace tarvel::master
