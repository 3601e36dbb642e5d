#pragma once
// "Propiedades de la base de datos" and "Opciones del sistema".
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>

namespace vexa {

class WorkspaceService;
class Tdm;

class PropertiesDialog : public QDialog {
    Q_OBJECT
public:
    PropertiesDialog(WorkspaceService& ws, Tdm& dm, QWidget* parent = nullptr);
    void accept() override;
    void updateDryMatterControls();
    QLineEdit *title, *author, *comment;
    QComboBox *price, *dryMatter;
    QCheckBox* useDryMatter;
    QRadioButton *fresh, *dry;
    QProgressBar* progress;
    QWidget* dryMatterRow;
    QAbstractButton* okButton = nullptr;

private:
    WorkspaceService& ws_;
    Tdm& dm_;
};

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit OptionsDialog(QWidget* parent = nullptr);
    void accept() override;
    QLineEdit *user, *company, *farm, *vxfPath, *vxfFile, *repPath;
    QCheckBox* readOnly;
};

bool showSystemOptions(QWidget* parent);
void showDatabaseProperties(WorkspaceService& ws, Tdm& dm, QWidget* parent);

}  // namespace vexa
