#include "catalog/dialog_keys.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialog>
#include <QKeyEvent>

namespace vexa {

namespace {
class EnterAsTab : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter) return false;
        if (qobject_cast<QAbstractButton*>(o)) return false;
        auto* w = qobject_cast<QWidget*>(o);
        if (!w) return false;
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &tab);
        return true;
    }
};
}  // namespace

void enterMovesFocus(QDialog* dialog) {
    auto* filter = new EnterAsTab(dialog);
    for (QWidget* w : dialog->findChildren<QWidget*>())
        if (!qobject_cast<QAbstractButton*>(w)) w->installEventFilter(filter);
}

}  // namespace vexa
