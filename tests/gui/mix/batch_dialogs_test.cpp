// The batch dialog and the batch-group dialog.
#include "../../workflows/mix/mix_fixture.h"

#include "catalog/number_box.h"
#include "workflows/batch_dialogs.h"
#include "../locale_scope.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>

namespace vexa {
namespace {

class BatchDialogsTest : public test::MixFixture {};

TEST_F(BatchDialogsTest, BatchDialogReturnsItsChoicesAndTheRoundings) {
    BatchTable t;
    t.rows.resize(2);
    t.rows[0].Insumo = "Maíz";
    t.rows[0].Red = 0;
    t.rows[1].Insumo = "Soya";
    struct Case {
        const char* button;
        int result;
        int red;
    } cases[] = {{"hacer", BatchDialog::MakeBatch, 1},
                 {"enviar", BatchDialog::SendToGroup, 2},
                 {"cancelar", BatchDialog::Cancelled, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        t.rows[0].Red = 0;
        BatchDialog d(t, false, nullptr);
        EXPECT_DOUBLE_EQ(d.quantity(), 1000);
        EXPECT_EQ(d.grid()->rowCount(), 2);
        EXPECT_FALSE(d.dryBasis()->isEnabled());
        static_cast<QSpinBox*>(d.grid()->cellWidget(0, 1))->setValue(c.red);
        d.findChild<QPushButton*>(c.button)->click();
        EXPECT_EQ(d.result(), c.result);
        EXPECT_EQ(t.rows[0].Red, c.result == BatchDialog::Cancelled ? 0 : c.red);
        EXPECT_EQ(d.basis(), BatchBasis::AsFed);
    }
}

// "1.000" kg is a tonne in Spain and "1,000" in Mexico; a decimal point typed in Spain is
// shown back with the comma.
TEST_F(BatchDialogsTest, QuantityTypedWithThousandsSeparatorsIsWhatTheUserMeant) {
    BatchTable t;
    t.rows.resize(1);
    t.rows[0].Insumo = "Maíz";
    struct Case {
        const char* locale;
        const char* typed;
        double quantity;
        const char* shown;
    } cases[] = {{"es_ES", "1.000", 1000, "1000,00"},
                 {"es_ES", "2.500,5", 2500.5, "2500,50"},
                 {"es_ES", "12.5", 12.5, "12,50"},
                 {"es_MX", "1,000", 1000, "1000.00"},
                 {"C", "1,000", 1000, "1000.00"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " " + c.typed);
        test::LocaleScope scope(c.locale);
        BatchDialog d(t, false, nullptr);
        auto* box = d.findChild<NumberBox*>("cantidad");
        ASSERT_NE(box, nullptr);
        box->setValue(7);
        box->selectAll();
        QTest::keyClicks(box, c.typed);
        box->interpretText();
        EXPECT_DOUBLE_EQ(d.quantity(), c.quantity);
        EXPECT_EQ(box->text().toStdString(), c.shown);
    }
}

TEST_F(BatchDialogsTest, GroupDialogOffersOnlyANewGroupWhenThereIsNone) {
    {
        BatchGroupDialog d(db, "Inicio", nullptr);
        EXPECT_TRUE(d.newGroup()->isChecked());
        EXPECT_FALSE(d.existing()->isEnabled());
        d.newName()->setText("Semana 1");
        BatchGroupChoice c = d.choice();
        EXPECT_EQ(c.dietName, "Inicio");
        EXPECT_FALSE(c.existingGroup.has_value());
        EXPECT_EQ(c.newGroupName, "Semana 1");
    }
    db.exec("INSERT INTO LOTES (Nombre) VALUES ('Zeta'), ('Alfa')");
    BatchGroupDialog d(db, "Inicio", nullptr);
    EXPECT_TRUE(d.existing()->isChecked());
    ASSERT_EQ(d.groups()->count(), 2);
    EXPECT_EQ(d.groups()->item(0)->text(), "Alfa");  // by name
    d.groups()->setCurrentRow(1);
    d.dietName()->setText("Inicio B");
    BatchGroupChoice c = d.choice();
    EXPECT_EQ(c.dietName, "Inicio B");
    EXPECT_EQ(c.existingGroup, count("Select Codigo From LOTES Where Nombre = 'Zeta'"));
}

}  // namespace
}  // namespace vexa
