#include "catalog/number_field.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace vexa {

UserNumber readNumberField(QLineEdit* edit, int decimals) {
    UserNumber n = parseUserNumber(edit->text(), edit->locale());
    if (n.value && n.reinterpreted)
        edit->setText(formatUserNumber(*n.value, decimals, edit->locale()));
    return n;
}

void showNumberBack(QLineEdit* edit, int decimals) {
    QObject::connect(edit, &QLineEdit::editingFinished, edit,
                     [edit, decimals] { readNumberField(edit, decimals); });
}

namespace {

class KeypadDecimal : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* target, QEvent* e) override {
        if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return false;
        auto* k = static_cast<QKeyEvent*>(e);
        if (!(k->modifiers() & Qt::KeypadModifier)) return false;
        if (k->key() != Qt::Key_Period && k->key() != Qt::Key_Comma) return false;
        if (!qobject_cast<QLineEdit*>(target) && !qobject_cast<QAbstractSpinBox*>(target))
            return false;
        auto* w = static_cast<QWidget*>(target);
        const QString dec(localeDecimal(w->locale()));
        if (k->text() == dec) return false;
        const int key = dec == "," ? Qt::Key_Comma : Qt::Key_Period;
        QKeyEvent typed(k->type(), key, k->modifiers(), dec, k->isAutoRepeat(),
                        static_cast<ushort>(k->count()));
        QCoreApplication::sendEvent(target, &typed);
        return true;
    }
};

}  // namespace

void installKeypadDecimal(QCoreApplication& app) {
    app.installEventFilter(new KeypadDecimal(&app));
}

}  // namespace vexa
