// The electrolyte balance tool: sources, target nutrient, one transaction.
#include "mix_fixture.h"
#include "../../store/write_faults.h"

#include "workflows/electrolyte_balance.h"

namespace vexa {
namespace {

class ElectrolyteBalanceTest : public test::MixFixture {
protected:
    double balanceOf(int ins, int nut) {
        return number("Select Valor From Val Where Ins = " + std::to_string(ins) +
                      " And Nut = " + std::to_string(nut));
    }
};

TEST_F(ElectrolyteBalanceTest, NewNutrientThenRerunOverwritesIt) {
    BalanceChoice c{3, 4, 5, 0, true};
    BalanceOutcome r = RunElectrolyteBalance(*dm, c, nullptr);
    ASSERT_EQ(r.kind, BalanceOutcome::Kind::Done) << r.message;
    EXPECT_EQ(r.message, "Proceso terminado. Se mostrarán los valores hallados...");
    EXPECT_TRUE(modified);
    EXPECT_EQ(count("Select Count(*) From Nut Where Nombre = 'Balance Electrolítico'"), 1);
    // 0.23 / 0.0023 + 0.391 / 0.00391 − 0.355 / 0.00355
    EXPECT_DOUBLE_EQ(balanceOf(1, r.destino), 100.0);
    // No chlorine value: Na + K = 20 + 200.
    EXPECT_DOUBLE_EQ(balanceOf(2, r.destino), 220.0);
    EXPECT_EQ(count("Select Count(*) From EN Where CNI = " + std::to_string(r.destino)), 1);

    // Soya gains chlorine; running again on the chosen nutrient overwrites, adds nothing.
    db.exec("INSERT INTO Val (Ins, Nut, Valor) VALUES (2, 5, 0.071)");
    const int nuts = count("Select Count(*) From Nut");
    BalanceOutcome again = RunElectrolyteBalance(*dm, {3, 4, 5, r.destino, false}, nullptr);
    ASSERT_EQ(again.kind, BalanceOutcome::Kind::Done);
    EXPECT_EQ(again.destino, r.destino);
    EXPECT_EQ(count("Select Count(*) From Nut"), nuts);
    EXPECT_DOUBLE_EQ(balanceOf(2, r.destino), 200.0);
}

TEST_F(ElectrolyteBalanceTest, MissingSourcesAndDeclinedQuestionChangeNothing) {
    struct Case {
        BalanceChoice choice;
        BalanceOutcome::Kind kind;
        const char* message;
    } cases[] = {
        {{0, 0, 0, 0, true},
         BalanceOutcome::Kind::MissingSources,
         "Nutriente SODIO no encontrado\nNutriente POTASIO no encontrado\nNutriente CLORO no "
         "encontrado"},
        {{3, 4, 0, 0, true}, BalanceOutcome::Kind::MissingSources, "Nutriente CLORO no encontrado"},
        {{0, 4, 5, 0, true}, BalanceOutcome::Kind::MissingSources, "Nutriente SODIO no encontrado"},
        {{3, 4, 5, 0, false}, BalanceOutcome::Kind::Declined, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        modified = false;
        std::string asked;
        BalanceOutcome r = RunElectrolyteBalance(*dm, c.choice, [&](const std::string& q) {
            asked = q;
            return false;
        });
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.message, c.message);
        if (c.kind == BalanceOutcome::Kind::Declined) {
            EXPECT_EQ(asked, "Se creará un nuevo nutriente para BALANCE ELECTROLITICO");
        }
        EXPECT_FALSE(modified);
        EXPECT_EQ(count("Select Count(*) From Nut"), 5);
    }
}

TEST_F(ElectrolyteBalanceTest, RefusedWriteIsReportedAndRolledBack) {
    test::WriteFaults faults(db, {"Nut", "Val", "EN"});
    for (int n = 1; n <= 6; ++n) {
        SCOPED_TRACE(n);
        faults.failAt(n);
        modified = false;
        BalanceOutcome r = RunElectrolyteBalance(*dm, {3, 4, 5, 0, true}, nullptr);
        EXPECT_TRUE(faults.fired());
        EXPECT_EQ(r.kind, BalanceOutcome::Kind::Failed);
        EXPECT_EQ(r.message.find("Proceso terminado"), std::string::npos);
        EXPECT_NE(r.message.find("No se pudo guardar el balance electrolítico"), std::string::npos);
        EXPECT_FALSE(modified);
        EXPECT_EQ(count("Select Count(*) From Nut"), 5);
        EXPECT_EQ(count("Select Count(*) From Val"), 9);
        EXPECT_EQ(count("Select Count(*) From EN"), 2);
    }
}

}  // namespace
}  // namespace vexa
