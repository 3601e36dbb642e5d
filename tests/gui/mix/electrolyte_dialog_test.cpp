// The electrolyte balance dialog driven as a user would.
#include "../../workflows/mix/mix_fixture.h"
#include "../scripted_dialogs.h"

#include "store/request_codes.h"
#include "workflows/electrolyte_dialog.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

namespace vexa {
namespace {

class ElectrolyteDialogTest : public test::MixFixture {
protected:
    static void choose(QComboBox* box, const QString& text) {
        const int i = box->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        box->setCurrentIndex(i);
    }
    test::ScriptedDialogs dialogs;
    test::DialogsScope scope{dialogs};
    test::RecordingSink sink;
};

TEST_F(ElectrolyteDialogTest, ProceedStoresTheBalanceAndOpensItsValues) {
    ElectrolyteDialog d(db, *dm, sink);
    EXPECT_TRUE(d.createNew()->isChecked());
    EXPECT_TRUE(d.target()->isHidden());
    for (QComboBox* box : {d.sodium(), d.potassium(), d.chlorine()}) box->setCurrentIndex(0);
    d.findChild<QPushButton*>("proceder")->click();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0],
              "Nutriente SODIO no encontrado\nNutriente POTASIO no encontrado\nNutriente CLORO no "
              "encontrado");
    EXPECT_EQ(d.result(), QDialog::Rejected);

    choose(d.sodium(), "Sodio, %");
    choose(d.potassium(), "Potasio, %");
    choose(d.chlorine(), "Cloro, %");
    d.findChild<QPushButton*>("proceder")->click();
    ASSERT_EQ(dialogs.infos.size(), 1u);
    EXPECT_EQ(dialogs.infos[0], "Proceso terminado. Se mostrarán los valores hallados...");
    EXPECT_EQ(d.result(), QDialog::Accepted);
    const int nut = count("Select Codigo From Nut Where Nombre = 'Balance Electrolítico'");
    ASSERT_GT(nut, 0);
    ASSERT_EQ(sink.posted.size(), 1u);
    EXPECT_EQ(sink.posted[0].code, kAppSelectNutrient);
    EXPECT_EQ(sink.posted[0].arg, nut);
    EXPECT_TRUE(modified);
}

// The nutrients the balance needs are chosen by name when the dialog opens (accents and case
// aside), and an existing balance nutrient is the target.
TEST_F(ElectrolyteDialogTest, OpensWithTheNutrientsOfTheirNamesChosen) {
    {
        ElectrolyteDialog d(db, *dm, sink);
        EXPECT_EQ(d.sodium()->currentText(), "Sodio, %");
        EXPECT_EQ(d.potassium()->currentText(), "Potasio, %");
        EXPECT_EQ(d.chlorine()->currentText(), "Cloro, %");
        EXPECT_TRUE(d.createNew()->isChecked());
    }
    dm->AgregarNutriente("BALANCE ELECTROLITICO", "mEq/kg", 1, 0, 0);
    ElectrolyteDialog d(db, *dm, sink);
    EXPECT_TRUE(d.fromList()->isChecked());
    EXPECT_EQ(d.target()->currentText(), "BALANCE ELECTROLITICO, mEq/kg");
}

TEST_F(ElectrolyteDialogTest, ChosenFromTheListButEmptyAsksAndNoChangesNothing) {
    ElectrolyteDialog d(db, *dm, sink);
    d.fromList()->setChecked(true);
    EXPECT_FALSE(d.target()->isHidden());
    choose(d.sodium(), "Sodio, %");
    choose(d.potassium(), "Potasio, %");
    choose(d.chlorine(), "Cloro, %");
    dialogs.yesNo.push_back(false);
    d.proceed();
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0], "Se creará un nuevo nutriente para BALANCE ELECTROLITICO");
    EXPECT_EQ(count("Select Count(*) From Nut"), 5);
    EXPECT_TRUE(sink.posted.empty());
    EXPECT_FALSE(modified);
}

}  // namespace
}  // namespace vexa
