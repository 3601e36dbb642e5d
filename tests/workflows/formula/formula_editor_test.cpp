// The formula editor without widgets: the run and what it stores, the read-only run, the
// restriction checks, the suggestions loop, the properties and the copy of restrictions.
#include <sqlite3.h>

#include "catalog/catalog_context.h"
#include "formula_fixture.h"
#include "engine/text_format.h"
#include "workflows/batch_session.h"
#include "workflows/formula_editor.h"

namespace vexa::test {

namespace {

class FormulaEditorTest : public FormulaWorkspaceTest {
protected:
    void SetUp() override {
        // "Inicio" asks 20 % protein (feasible); "Alta" asks 50 % (no ration reaches it).
        createWorkspace(
            "INSERT INTO LR (Nombre, Cat, Precio) VALUES ('Inicio', 1, 1), ('Alta', 1, 1);"
            "INSERT INTO RIn (LR, CNI, Min, Max) VALUES (1, 1, 0, 100), (1, 2, 0, 100),"
            "  (2, 1, 0, 100), (2, 2, 0, 100);"
            "INSERT INTO RNu (LR, CNI, Min, Max) VALUES (1, 2, 20, NULL), (1, 3, 0, 5),"
            "  (2, 2, 50, NULL);");
    }
    std::unique_ptr<FormulaEditor> editor(int formula, bool readOnly = false) {
        auto e = std::make_unique<FormulaEditor>(db, *dm, sink, readOnly);
        EXPECT_TRUE(e->open(formula, 0));
        return e;
    }
    std::string text(const std::string& sql) {
        Statement st = db.prepare("SELECT group_concat(x, '|') FROM (" + sql + ")");
        return st.step() ? st.getText(0) : std::string();
    }
};

}  // namespace

TEST_F(FormulaEditorTest, RunStoresResultsAndWritesTheSolutionReport) {
    auto e = editor(1);
    EXPECT_EQ(e->caption(), "Fórmula : Inicio -- Grupo Pollos");
    EXPECT_FALSE(e->resultColumnsShown());
    MemoryReportDocument doc;
    EXPECT_FALSE(e->run(doc));
    ASSERT_TRUE(e->hasResults());
    EXPECT_TRUE(e->resultColumnsShown());
    EXPECT_EQ(e->runStatus(), "");
    EXPECT_NE(doc.Text().find("SOLUCIÓN ÓPTIMA AL MÍNIMO COSTO"), std::string::npos);
    // 8a + 44(1-a) = 20: a = 2/3 maize.
    EXPECT_EQ(text("SELECT printf('%.4f', Resul) AS x FROM RIn WHERE LR = 1 ORDER BY CNI"),
              "66.6667|33.3333");
    EXPECT_EQ(e->result(true, 0), Fixed4::fromDouble(66.6667));
    EXPECT_NE(text("SELECT Ultima AS x FROM LR WHERE Codigo = 1"), "");
    EXPECT_EQ(text("SELECT printf('%.4f', Valor) AS x FROM LR WHERE Codigo = 1"), "4.6667");
    EXPECT_NE(text("SELECT Resul AS x FROM RNu WHERE LR = 1 AND CNI = 2"), "");
}

TEST_F(FormulaEditorTest, ResultsThatCouldNotBeStoredAreNotShownAsStored) {
    ASSERT_EQ(sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 1, nullptr),
              SQLITE_OK);
    db.exec(
        "CREATE TRIGGER full BEFORE UPDATE OF Resul ON RIn "
        "BEGIN SELECT RAISE(ABORT, 'disco lleno'); END;");
    auto e = editor(1);
    MemoryReportDocument doc;
    e->run(doc);
    ASSERT_TRUE(e->hasResults());  // the run and its report stand
    EXPECT_NE(doc.Text().find("SOLUCIÓN ÓPTIMA"), std::string::npos);
    EXPECT_EQ(e->runStatus(), "Los resultados no se guardaron.");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors[0].find("disco lleno"), std::string::npos);
    EXPECT_EQ(text("SELECT coalesce(Resul, 'null') AS x FROM RIn WHERE LR = 1"), "null|null");
}

TEST_F(FormulaEditorTest, ReadOnlyRunShowsResultsButWritesNothing) {
    auto e = editor(1, true);
    MemoryReportDocument doc;
    e->run(doc);
    ASSERT_TRUE(e->hasResults());
    EXPECT_NE(doc.Text().find("SOLUCIÓN ÓPTIMA"), std::string::npos);
    EXPECT_EQ(text("SELECT coalesce(Resul, 'null') AS x FROM RIn WHERE LR = 1"), "null|null");
    EXPECT_EQ(text("SELECT coalesce(Resul, 'null') AS x FROM RNu WHERE LR = 1"), "null|null");
    EXPECT_EQ(text("SELECT coalesce(Ultima, '') || coalesce(Valor, '') AS x FROM LR "
                   "WHERE Codigo = 1"),
              "");
    EXPECT_EQ(e->runStatus(), "Modo de sólo lectura: los resultados no se guardaron.");
    // The grid shows the run's own results all the same; no edit reaches the table.
    EXPECT_EQ(e->result(true, 0), Fixed4::fromDouble(66.6667));
    EXPECT_FALSE(e->canEdit());
    EXPECT_FALSE(e->postNutrient(2, 10.0, std::nullopt));
    EXPECT_FALSE(e->rename("Otro"));
    EXPECT_EQ(text("SELECT Nombre || \"Min\" AS x FROM LR, RNu WHERE Codigo = 1 AND LR = 1 "
                   "AND CNI = 2"),
              "Inicio20.0");
}

TEST_F(FormulaEditorTest, RestrictionChecks) {
    struct Case {
        std::optional<double> min, max;
        bool nutrient;
        const char* error;  // "" when stored
        const char* stored;
    } cases[] = {
        {20, 10, false, "Error: Valor mínimo mayor que valor máximo", "0.0000/100.0000"},
        {-1, 10, false, "Error: No se permiten valores negativos", "0.0000/100.0000"},
        {10, 101, false, "Error: No se permiten valores mayores a 100.0000", "0.0000/100.0000"},
        {10, 30, false, "", "10.0000/30.0000"},
        {10, 100, false, "", "10.0000/100.0000"},  // a maximum of exactly 100
        {25, 25, false, "", "25.0000/25.0000"},    // a fixed ingredient
        {5, 0, true, "", "5.0000/null"},           // a maximum of 0 is no maximum
        {5, 3, true, "Error: Valor mínimo mayor que valor máximo", "20.0000/null"},
        {5, std::nullopt, true, "", "5.0000/null"},
        {std::nullopt, 0, true, "Error: No se admiten ambos valores nulos", "20.0000/null"},
        {7, 9, true, "", "7.0000/9.0000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.nutrient ? "nutrient " : "ingredient ") +
                     std::to_string(c.min.value_or(-99)) + "/" +
                     std::to_string(c.max.value_or(-99)));
        db.exec(
            "UPDATE RIn SET \"Min\" = 0, \"Max\" = 100 WHERE LR = 1;"
            "UPDATE RNu SET \"Min\" = 20, \"Max\" = NULL WHERE LR = 1 AND CNI = 2;");
        auto e = editor(1);
        dialogs.errors.clear();
        bool ok = c.nutrient ? e->postNutrient(2, c.min, c.max)
                             : e->postIngredient(1, c.min.value(), c.max.value());
        EXPECT_EQ(ok, std::string(c.error).empty());
        EXPECT_EQ(dialogs.errors.empty() ? "" : dialogs.errors.front(), c.error);
        const char* table = c.nutrient ? "RNu" : "RIn";
        int cni = c.nutrient ? 2 : 1;
        EXPECT_EQ(
            text(std::string("SELECT printf('%.4f', \"Min\") || '/' || "
                             "iif(\"Max\" IS NULL, 'null', printf('%.4f', \"Max\")) AS x FROM ") +
                 table + " WHERE LR = 1 AND CNI = " + std::to_string(cni)),
            c.stored);
    }
}

TEST_F(FormulaEditorTest, EditingInKilogramsStoresPercents) {
    db.exec("UPDATE LR SET DefCon = 1, Cons = 40 WHERE Codigo = 1");
    auto e = editor(1);
    EXPECT_EQ(e->ingredientUnit(), "Kg.");
    EXPECT_DOUBLE_EQ(e->upperLimit(), 40.0);
    e->ingredientDialog = [](const std::string& name, double min, double max, double limit) {
        EXPECT_EQ(name, "Maíz");
        EXPECT_DOUBLE_EQ(min, 0);
        EXPECT_DOUBLE_EQ(max, 40);
        EXPECT_DOUBLE_EQ(limit, 40);
        return std::optional<std::pair<double, double>>({10.0, 20.0});
    };
    EXPECT_TRUE(e->editIngredient(0));
    EXPECT_EQ(text("SELECT printf('%.4f/%.4f', \"Min\", \"Max\") AS x FROM RIn WHERE LR = 1 "
                   "AND CNI = 1"),
              "25.0000/50.0000");
}

TEST_F(FormulaEditorTest, SuggestionsAcceptedWriteTheBoundsAndAskForAnotherRun) {
    auto e = editor(2);
    int asked = 0;
    std::vector<SuggestionLine> shown;
    e->suggestionsDialog = [&](const std::vector<SuggestionLine>& lines) {
        ++asked;
        shown = lines;
        return true;
    };
    MemoryReportDocument doc;
    EXPECT_TRUE(e->run(doc));  // the caller posts the second run
    EXPECT_EQ(asked, 1);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].tipo, "Rest Nutriente");
    EXPECT_EQ(shown[0].minMax, "Mínimo");
    EXPECT_EQ(shown[0].nombre, "Proteína");
    EXPECT_EQ(shown[0].actual, "   50.0000");
    EXPECT_EQ(shown[0].sugerido, "   44.0000");
    EXPECT_EQ(text("SELECT printf('%.4f', \"Min\") || '/' || coalesce(\"Max\", 'null') AS x "
                   "FROM RNu WHERE LR = 2"),
              "44.0000/null");
    // The second run is feasible: no more questions.
    EXPECT_FALSE(e->run(doc));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(e->mix()->Feasible);

    // "&Dejar igual" leaves the restrictions as they were.
    db.exec("UPDATE RNu SET \"Min\" = 50 WHERE LR = 2");
    auto f = editor(2);
    f->suggestionsDialog = [&](const std::vector<SuggestionLine>&) {
        ++asked;
        return false;
    };
    EXPECT_FALSE(f->run(doc));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(text("SELECT printf('%.4f', \"Min\") AS x FROM RNu WHERE LR = 2"), "50.0000");
    EXPECT_TRUE(f->outOfRange(false, 2));
    EXPECT_FALSE(f->outOfRange(false, 3));

    // An equality out of reach: the accepted suggestion writes both bounds.
    db.exec("UPDATE RNu SET \"Min\" = 50, \"Max\" = 50 WHERE LR = 2");
    auto g = editor(2);
    g->suggestionsDialog = [&](const std::vector<SuggestionLine>& lines) {
        shown = lines;
        return true;
    };
    EXPECT_TRUE(g->run(doc));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].minMax, "Igualdad");
    EXPECT_EQ(text("SELECT printf('%.4f/%.4f', \"Min\", \"Max\") AS x FROM RNu WHERE LR = 2"),
              "44.0000/44.0000");
    EXPECT_FALSE(g->run(doc));
    EXPECT_TRUE(g->mix()->Feasible);
}

TEST_F(FormulaEditorTest, RenameKeepsTheLastRunOfAnotherEditor) {
    auto older = editor(1);
    auto other = editor(1);
    MemoryReportDocument doc;
    other->run(doc);
    std::string ultima = text("SELECT Ultima AS x FROM LR WHERE Codigo = 1");
    ASSERT_NE(ultima, "");
    EXPECT_TRUE(older->rename("Inicio 2"));
    EXPECT_EQ(text("SELECT Nombre || '|' || Ultima || '|' || printf('%.4f', Valor) AS x FROM LR "
                   "WHERE Codigo = 1"),
              "Inicio 2|" + ultima + "|4.6667");
}

TEST_F(FormulaEditorTest, CopyFromItselfChangesNothingAndFromAnotherReplaces) {
    auto e = editor(1);
    int choose = 1;
    std::vector<FormulaChoice> offered;
    e->formulaChooser = [&](const std::vector<FormulaChoice>& list) {
        offered = list;
        return choose;
    };
    const std::string before = text("SELECT CNI || ':' || \"Min\" AS x FROM RNu WHERE LR = 1");
    e->copyRestrictions(false);
    ASSERT_EQ(offered.size(), 2u);
    std::map<int, int> counts;
    for (const FormulaChoice& f : offered) counts[f.Codigo] = f.restrictions;
    EXPECT_EQ(counts, (std::map<int, int>{{1, 2}, {2, 1}}));  // nutrient rows, not ingredient
    EXPECT_EQ(text("SELECT CNI || ':' || \"Min\" AS x FROM RNu WHERE LR = 1"), before);
    choose = 2;
    e->copyRestrictions(false);
    EXPECT_EQ(text("SELECT CNI || ':' || \"Min\" AS x FROM RNu WHERE LR = 1"), "2:50.0");
    ASSERT_EQ(e->nutrients().size(), 1u);
}

TEST_F(FormulaEditorTest, SortingByMaxUsesTheStoredMaximum) {
    db.exec("UPDATE RIn SET \"Max\" = 30 WHERE LR = 1 AND CNI = 2");
    auto e = editor(1);
    e->sort(true, RestrictionSort::Max);
    ASSERT_EQ(e->ingredients().size(), 2u);
    EXPECT_EQ(e->ingredients()[0].CNI, 2);
    e->sort(false, RestrictionSort::Max);  // an empty maximum first
    EXPECT_EQ(e->nutrients()[0].CNI, 2);
}

TEST_F(FormulaEditorTest, FactoringScalesTheOtherLimitsByTheEditedProportions) {
    struct Case {
        const char* oldMinMax;  // the edited row (Proteína) before: Min, Max
        std::optional<double> newMin, newMax;
        const char* others;  // Fibra and Energía after
    } cases[] = {
        // min 20 → 15 (×0.75), max 40 → 20 (×0.5)
        {"20, 40", 15, 20, "3:1.5000/2.5000|4:75.0000/null"},
        // old minimum empty (0): the minima stay; max 40 → 80 (×2)
        {"0, 40", 10, 80, "3:2.0000/10.0000|4:100.0000/null"},
        // maximum emptied: the maxima stay
        {"20, 40", 10, std::nullopt, "3:1.0000/5.0000|4:50.0000/null"},
        // minimum set to 0: the other minima stay, they are not zeroed
        {"20, 40", 0, 20, "3:2.0000/2.5000|4:100.0000/null"},
    };
    db.exec("INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) VALUES ('Energía', 'kcal', 0, 4)");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.oldMinMax);
        db.exec(
            "DELETE FROM RNu WHERE LR = 1;"
            "INSERT INTO RNu (LR, CNI, Min, Max) VALUES (1, 2, " +
            std::string(c.oldMinMax) + "), (1, 3, 2, 5), (1, 4, 100, NULL);");
        auto e = editor(1);
        e->nutrientDialog = [&](const std::string&, std::optional<double>, std::optional<double>) {
            return std::optional<std::pair<std::optional<double>, std::optional<double>>>(
                {c.newMin, c.newMax});
        };
        e->factor(0);
        EXPECT_EQ(text("SELECT CNI || ':' || printf('%.4f', \"Min\") || '/' || "
                       "iif(\"Max\" IS NULL, 'null', printf('%.4f', \"Max\")) AS x FROM RNu "
                       "WHERE LR = 1 AND CNI <> 2 ORDER BY CNI"),
                  c.others);
    }
}

TEST_F(FormulaEditorTest, SavedAsIngredientCarriesTheRationContent) {
    auto e = editor(1);
    MemoryReportDocument doc;
    e->run(doc);
    e->saveIngredientDialog = [](const std::string& name, int rounding) {
        EXPECT_EQ(name, "Inicio");
        EXPECT_EQ(rounding, 0);
        return std::optional<std::pair<std::string, int>>({"Inicio molido", 1});
    };
    ASSERT_TRUE(e->saveAsIngredient());
    EXPECT_EQ(text("SELECT Codigo || ':' || Nombre || ':' || Redondeo AS x FROM Ins "
                   "WHERE Codigo = 3"),
              "3:Inicio molido:1");
    EXPECT_EQ(text("SELECT CNI AS x FROM EI WHERE Cat = 1 AND CNI = 3"), "3");
    // Protein of the ration is 20 %; fibre 2·2/3 + 6·1/3.
    EXPECT_EQ(text("SELECT Nut || '=' || printf('%.4f', Valor) AS x FROM Val WHERE Ins = 3 "
                   "ORDER BY Nut"),
              "1=0.0000|2=20.0000|3=3.3333");

    // After a batch with its content, the new ingredient is the batch as it will be mixed: a
    // 10 kg batch of whole kilograms is not the ration's exact two thirds.
    {
        BatchSession batch(*e->mix(), *dm);
        for (BatchRow& r : batch.table().rows) r.Red = 0;
        ASSERT_EQ(batch.writeReport(10, "10", BatchBasis::AsFed, true), "");
    }
    ASSERT_TRUE(e->mix()->LastBatch());
    e->saveIngredientDialog = [](const std::string&, int) {
        return std::optional<std::pair<std::string, int>>({"Lote molido", 0});
    };
    ASSERT_TRUE(e->saveAsIngredient());
    const std::string code = text("SELECT Codigo AS x FROM Ins WHERE Nombre = 'Lote molido'");
    double protein = -1;
    for (const ContentRecord& r : e->mix()->LastBatch()->table)
        if (r.Codigo == 2) protein = r.Valor;
    EXPECT_NE(protein, 20.0);  // the batch's, not the ration's
    EXPECT_EQ(text("SELECT printf('%.4f', Valor) AS x FROM Val WHERE Nut = 2 AND Ins = " + code),
              formatText("%.4f", {protein}));
}

TEST_F(FormulaEditorTest, InsertingOffersTheGroupsUnrestrictedItemsAndOpensTheirDialogs) {
    db.exec(
        "INSERT INTO Ins (Nombre, Redondeo) VALUES ('Trigo', '0'), ('Avena', '0');"
        "INSERT INTO EI (Cat, CNI) VALUES (1, 3);"  // Avena is not in the group
        "DELETE FROM RNu WHERE LR = 1 AND CNI = 3;");
    auto e = editor(1);
    std::vector<int> offered;
    e->choiceDialog = [&](const ChoiceSpec&, const std::vector<Candidate>& list) {
        offered.clear();
        for (const Candidate& c : list) offered.push_back(c.code);
        return offered;
    };
    std::vector<std::string> edited;
    e->ingredientDialog = [&](const std::string& name, double min, double max, double) {
        edited.push_back(name);
        EXPECT_EQ(min, 0);
        EXPECT_EQ(max, 100);
        return std::optional<std::pair<double, double>>({5.0, 15.0});
    };
    e->insertIngredients();
    EXPECT_EQ(offered, std::vector<int>{3});
    EXPECT_EQ(edited, std::vector<std::string>{"Trigo"});
    EXPECT_EQ(text("SELECT printf('%.4f/%.4f', \"Min\", \"Max\") AS x FROM RIn WHERE LR = 1 "
                   "AND CNI = 3"),
              "5.0000/15.0000");
    // A new nutrient row has no maximum; the dialog cancelled keeps it so.
    e->nutrientDialog = [](const std::string&, std::optional<double>, std::optional<double> max) {
        EXPECT_FALSE(max);
        return std::optional<std::pair<std::optional<double>, std::optional<double>>>();
    };
    e->insertNutrients();
    EXPECT_EQ(offered, std::vector<int>{3});
    EXPECT_EQ(text("SELECT iif(\"Max\" IS NULL, 'null', \"Max\") AS x FROM RNu WHERE LR = 1 "
                   "AND CNI = 3"),
              "null");
    e->deleteRow(false, 1);
    EXPECT_EQ(text("SELECT CNI AS x FROM RNu WHERE LR = 1"), "2");
}

TEST_F(FormulaEditorTest, ChangingAPriceInsertsOrUpdatesTheValue) {
    db.exec("DELETE FROM Val WHERE Ins = 2 AND Nut = 1");
    auto e = editor(1);
    std::vector<double> started;
    e->valueDialog = [&](const ValueEntry& v) {
        started.push_back(v.value);
        return std::optional<ValueAnswer>(ValueAnswer{4.5, 0});
    };
    e->changePrice(1);  // Soya: no price yet
    e->changePrice(0);  // Maíz: 3
    EXPECT_EQ(started, (std::vector<double>{0.0, 3.0}));
    EXPECT_EQ(text("SELECT Ins || '=' || Valor AS x FROM Val WHERE Nut = 1 ORDER BY Ins"),
              "1=4.5|2=4.5");
    EXPECT_EQ(e->price(2), Fixed4::fromDouble(4.5));
}

TEST_F(FormulaEditorTest, ClosingTellsTheFormulasList) {
    auto e = editor(1);
    e->notifyLists();
    ASSERT_EQ(sink.posted.size(), 1u);
    EXPECT_EQ(sink.posted[0], (RecordingSink::Request{17, 4}));
}

}  // namespace vexa::test
