#include "shell/about_dialog.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/startup.h"

namespace vexa {

AboutDialog::AboutDialog(const QString& dbVersion, const QString& user, const QString& company,
                         QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Dialog) {
    setObjectName("AboutBox");
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto* v = new QVBoxLayout(frame);
    auto* product = new QLabel(kAppTitle, frame);
    QFont f = product->font();
    f.setPointSizeF(f.pointSizeF() * 2);
    f.setBold(true);
    product->setFont(f);
    v->addWidget(product, 0, Qt::AlignHCenter);
    v->addWidget(new QLabel("Formulación de raciones para animales al mínimo costo", frame), 0,
                 Qt::AlignHCenter);
    v->addWidget(new QLabel(QString("Revisión %1").arg(kRevision), frame));
    v->addWidget(new QLabel("Versión de la base de datos: " + dbVersion, frame));
    v->addWidget(new QLabel("Usuario: " + user, frame));
    v->addWidget(new QLabel("Razón Social: " + company, frame));
    auto* ok = new QPushButton("OK", frame);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    v->addWidget(ok, 0, Qt::AlignHCenter);
}

}  // namespace vexa
