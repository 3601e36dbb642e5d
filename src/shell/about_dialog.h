#pragma once
// "Acerca de Vexa": borderless, centred, on top; closes with OK.
#include <QDialog>

namespace vexa {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(const QString& dbVersion, const QString& user, const QString& company,
                QWidget* parent = nullptr);
};

}  // namespace vexa
