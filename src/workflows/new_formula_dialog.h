#pragma once
// TfrmEdForm ("Insertar fórmula"): the name of a new formula.
#include <QDialog>
#include <QLineEdit>
#include <optional>
#include <string>

namespace vexa {

class NewFormulaDialog : public QDialog {
    Q_OBJECT
public:
    explicit NewFormulaDialog(const std::string& preset, QWidget* parent = nullptr);
    QLineEdit* name;
    // The name accepted with "&Aceptar", nothing with "&Cancelar".
    static std::optional<std::string> ask(const std::string& preset, QWidget* parent);
};

}  // namespace vexa
