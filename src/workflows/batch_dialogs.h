#pragma once
// "Preparar un batch o lote" (quantity, basis, per-ingredient rounding) and "Enviar dieta a
// un lote..." (the batch group a diet goes to).
#include "engine/batch_preparation.h"
#include "store/batch_groups.h"
#include "workflows/batch_session.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QTableWidget;

namespace vexa {

class NumberBox;

class BatchDialog : public QDialog {
    Q_OBJECT
public:
    // Results of exec().
    enum { MakeBatch = 1, Cancelled = 2, SendToGroup = 6 };
    // `table` is the batch table; the grid's roundings are written back into it on closing.
    // `workspaceDryMatter`: the workspace's dry-matter option.
    BatchDialog(BatchTable& table, bool workspaceDryMatter, QWidget* parent = nullptr);

    double quantity() const;
    QString quantityText() const;
    BatchBasis basis() const;
    bool includeContent() const;
    NumberBox* quantityBox() const { return quantity_; }
    QTableWidget* grid() const { return grid_; }
    QRadioButton* dryBasis() const { return dry_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finish(int result);
    BatchTable& table_;
    NumberBox* quantity_;
    QRadioButton *asFed_, *dry_;
    QCheckBox* content_;
    QTableWidget* grid_;
};

class BatchGroupDialog : public QDialog {
    Q_OBJECT
public:
    BatchGroupDialog(Database& db, const std::string& dietName, QWidget* parent = nullptr);
    // What the user chose; meaningful after Accepted.
    BatchGroupChoice choice() const;

    QLineEdit* dietName() const { return name_; }
    QRadioButton* existing() const { return existing_; }
    QRadioButton* newGroup() const { return new_; }
    QListWidget* groups() const { return list_; }
    QLineEdit* newName() const { return newName_; }

private:
    QLineEdit* name_;
    QRadioButton *existing_, *new_;
    QListWidget* list_;
    QLineEdit* newName_;
};

}  // namespace vexa

namespace vexa {

// "Preparar &batch" on the mix object of the last run: the batch dialog, then the report into
// the mix object's document ("&Hacer lote") or the diet sent to a batch group. Messages go
// through dialogs(). True when something was written.
bool PrepareBatch(TMixObject2& mix, Tdm& dm, QWidget* parent = nullptr);

}  // namespace vexa
