#pragma once
// "Balance electrolítico para monogástricos": chooses the sodium, potassium and chlorine
// nutrients and where the balance goes, then runs the tool (electrolyte_balance.h).
#include <QDialog>

class QComboBox;
class QRadioButton;
class QLabel;

namespace vexa {

class Database;
class Tdm;
class RequestSink;

class ElectrolyteDialog : public QDialog {
    Q_OBJECT
public:
    ElectrolyteDialog(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent = nullptr);

    QComboBox* sodium() const { return sodium_; }
    QComboBox* potassium() const { return potassium_; }
    QComboBox* chlorine() const { return chlorine_; }
    QComboBox* target() const { return target_; }
    QRadioButton* createNew() const { return createNew_; }
    QRadioButton* fromList() const { return fromList_; }
    // "P&roceder": runs, and closes with Accepted after a stored run.
    void proceed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* chooser(bool withBlank);
    // Chooses the item of `box` whose nutrient is named `name`; false when there is none.
    bool preselect(QComboBox* box, const std::string& name);
    Database& db_;
    Tdm& dm_;
    RequestSink& requests_;
    QComboBox *sodium_, *potassium_, *chlorine_, *target_;
    QLabel* targetLabel_;
    QRadioButton *createNew_, *fromList_;
};

}  // namespace vexa
