// The formula editor's ratio restrictions without widgets: only the group's ratios with both
// nutrients in the group are offered, the dialog's terms are checked, the run shows the ratio
// found and marks one not met, an unreachable ratio is relaxed through the suggestions, and the
// rows are copied from another formula and deleted.
#include "formula_fixture.h"

#include "workflows/formula_editor.h"

namespace vexa::test {

namespace {

class FormulaRatiosTest : public FormulaWorkspaceTest {
protected:
    void SetUp() override {
        // "Inicio" asks 20 % protein: 2/3 maize, protein to fibre 6 : 1. Ratio 1 is protein to
        // fibre, ratio 2 protein to price (price is not a nutrient of the group).
        createWorkspace(
            "INSERT INTO LR (Nombre, Cat, Precio) VALUES ('Inicio', 1, 1), ('Otra', 1, 1);"
            "INSERT INTO RIn (LR, CNI, Min, Max) VALUES (1, 1, 0, 100), (1, 2, 0, 100),"
            "  (2, 1, 0, 100), (2, 2, 0, 100);"
            "INSERT INTO RNu (LR, CNI, Min, Max) VALUES (1, 2, 20, NULL);"
            "INSERT INTO Rel (Nombre, Nut1, Nut2) VALUES ('Proteína : Fibra', 2, 3),"
            "  ('Proteína : Precio', 2, 1);"
            "INSERT INTO ER (Cat, Cod) VALUES (1, 1), (1, 2);");
        e = std::make_unique<FormulaEditor>(db, *dm, sink, false);
        EXPECT_TRUE(e->open(1, 0));
    }
    // Inserts ratio 1 with the given terms through the editor's dialogs.
    void insertProteinToFibre(FormulaEditor::RatioTerms terms) {
        e->choiceDialog = [&](const ChoiceSpec& spec, const std::vector<Candidate>& list) {
            offered = list;
            EXPECT_EQ(spec.caption, "Insertar relaciones");
            return std::vector<int>{1};
        };
        e->ratioDialog = [terms](const std::string& name, const std::string& n1,
                                 const std::string& n2, const FormulaEditor::RatioTerms&) {
            EXPECT_EQ(name, "Proteína : Fibra");
            EXPECT_EQ(n1, "Proteína");
            EXPECT_EQ(n2, "Fibra");
            return std::optional<FormulaEditor::RatioTerms>(terms);
        };
        e->insertRatios();
    }
    std::unique_ptr<FormulaEditor> e;
    std::vector<Candidate> offered;
};

}  // namespace

TEST_F(FormulaRatiosTest, OnlyRatiosOfTheGroupsNutrientsAreOfferedAndTheTermsAreChecked) {
    insertProteinToFibre({6.5, std::nullopt, std::nullopt, std::nullopt});
    ASSERT_EQ(offered.size(), 1u);  // protein to price is enabled, but price is not in the group
    EXPECT_EQ(offered[0].name, "Proteína : Fibra");
    ASSERT_EQ(e->ratios().size(), 1u);
    EXPECT_EQ(e->ratios()[0].minN1, Fixed4::fromDouble(6.5));
    EXPECT_FALSE(e->ratios()[0].hasMax());

    // refused: a minimum above the maximum (13 : 2 = 6.5 > 6.4), negative terms, nothing
    const struct {
        FormulaEditor::RatioTerms terms;
        const char* message;
    } refused[] = {
        {{13, 2, 6.4, 1}, "Error: Valor mínimo mayor que valor máximo"},
        {{-1, 1, std::nullopt, std::nullopt}, "Error: No se permiten valores negativos"},
        {{std::nullopt, std::nullopt, 0, std::nullopt}, "Error: No se admiten ambos valores nulos"},
    };
    for (const auto& c : refused) {
        dialogs.errors.clear();
        EXPECT_FALSE(e->postRatio(1, c.terms));
        ASSERT_EQ(dialogs.errors.size(), 1u);
        EXPECT_EQ(dialogs.errors[0], c.message);
    }
    EXPECT_EQ(e->ratios()[0].minN1, Fixed4::fromDouble(6.5));  // as it was
    // equal bounds written as different terms are accepted
    EXPECT_TRUE(e->postRatio(1, {13, 2, 6.5, std::nullopt}));
    EXPECT_EQ(e->ratios()[0].maxN1, Fixed4::fromDouble(6.5));
    EXPECT_EQ(e->ratios()[0].maxN2, Fixed4());
}

// Nothing to offer: the user is told why instead of nothing happening.
TEST_F(FormulaRatiosTest, InsertWithNothingToOfferSaysWhy) {
    bool chooserShown = false;
    e->choiceDialog = [&](const ChoiceSpec&, const std::vector<Candidate>&) {
        chooserShown = true;
        return std::vector<int>{};
    };
    struct Case {
        const char* sql;
        std::vector<const char*> says;
    } cases[] = {
        // ratio 1 no longer enabled for the group; ratio 2's price is not in the group
        {"DELETE FROM ER WHERE Cod = 1",
         {"La relación Proteína : Fibra no está habilitada para el grupo",
          "La relación Proteína : Precio necesita sus dos nutrientes"}},
        {"DELETE FROM Rel", {"No hay relaciones en el catálogo"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        db.exec(c.sql);
        dialogs.infos.clear();
        e->insertRatios();
        EXPECT_FALSE(chooserShown);
        ASSERT_EQ(dialogs.infos.size(), 1u);
        for (const char* text : c.says)
            EXPECT_NE(dialogs.infos[0].find(text), std::string::npos) << dialogs.infos[0];
    }
}

TEST_F(FormulaRatiosTest, RunShowsTheRatioFoundAndRelaxesAnUnreachableOne) {
    // at least 6.5 : 1: half maize (44 − 36a ≥ 6.5 (6 − 4a) gives a ≤ 1/2), protein 26, fibre 4
    insertProteinToFibre({6.5, 1, std::nullopt, std::nullopt});
    MemoryReportDocument doc;
    EXPECT_FALSE(e->run(doc));
    ASSERT_TRUE(e->hasResults());
    EXPECT_EQ(e->ratioResult(0), Fixed4::fromDouble(6.5));
    EXPECT_FALSE(e->ratioOutOfRange(1));
    EXPECT_EQ(e->result(true, 0), Fixed4::fromInt(50));
    EXPECT_NE(doc.Text().find("RELACIONES ENTRE NUTRIENTES"), std::string::npos);

    // 12 : 1 is out of reach (soy alone gives 7.3333): the suggestion relaxes it
    ASSERT_TRUE(e->postRatio(1, {12, 1, std::nullopt, std::nullopt}));
    std::vector<SuggestionLine> shown;
    e->suggestionsDialog = [&](const std::vector<SuggestionLine>& lines) {
        shown = lines;
        return true;
    };
    MemoryReportDocument doc2;
    EXPECT_TRUE(e->run(doc2));  // accepted: run again
    EXPECT_TRUE(e->ratioOutOfRange(1));
    bool ratioLine = false;
    for (const SuggestionLine& l : shown)
        if (l.tipo == "Rest Relación") {
            ratioLine = true;
            EXPECT_EQ(l.nombre, "Proteína : Fibra");
            EXPECT_EQ(l.minMax, "Mínimo");
        }
    EXPECT_TRUE(ratioLine);
    // relaxed to a ratio the alternative ration reaches (between what 20 % protein allows at
    // least, 6 : 1, and soy alone, 7.3333 : 1)
    EXPECT_GE(e->ratios()[0].minN1, Fixed4::fromInt(6));
    EXPECT_LE(e->ratios()[0].minN1, Fixed4::fromDouble(7.3333));
    EXPECT_EQ(e->ratios()[0].minN2, Fixed4::fromInt(1));
    MemoryReportDocument doc3;
    EXPECT_FALSE(e->run(doc3));
    EXPECT_TRUE(e->mix()->Feasible);
    EXPECT_FALSE(e->ratioOutOfRange(1));
}

TEST_F(FormulaRatiosTest, CopiedFromAnotherFormulaAndDeleted) {
    insertProteinToFibre({6.5, 1, 7, 1});
    auto other = std::make_unique<FormulaEditor>(db, *dm, sink, false);
    ASSERT_TRUE(other->open(2, 0));
    EXPECT_TRUE(other->ratios().empty());
    other->formulaChooser = [](const std::vector<FormulaChoice>& list) {
        EXPECT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0].restrictions, 1);  // "Inicio" has one ratio restriction
        return list[0].Codigo;
    };
    other->copyRatios();
    ASSERT_EQ(other->ratios().size(), 1u);
    EXPECT_EQ(other->ratios()[0].maxN1, Fixed4::fromInt(7));
    other->deleteRatio(0);
    EXPECT_TRUE(other->ratios().empty());
    e->reload();
    EXPECT_EQ(e->ratios().size(), 1u);  // the source keeps its own
}

}  // namespace vexa::test
