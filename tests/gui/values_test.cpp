// The value windows' logic, the value dialog's entry points and the choice dialogs' lists.
#include "catalog/value_entry.h"
#include "catalog/value_lists.h"
#include "gui_fixture.h"

namespace vexa::test {

namespace {

ValueDialogFn answer(double v, int basis) {
    return [v, basis](const ValueEntry&) { return std::optional<ValueAnswer>({v, basis}); };
}

}  // namespace

class ValuesFixture : public CatalogFixture {
protected:
    // Nutrients: 1 dry matter (type 2), 2 protein, 3 price (type 1); Maíz has 88 % DM.
    void SetUp() override {
        CatalogFixture::SetUp();
        dm->AgregarNutriente("Materia seca", "%", 1, 2, 0);
        dm->AgregarNutriente("Proteína", "%", 2, 0, 0);
        dm->AgregarNutriente("Precio", "$/kg", 3, 1, 0);
        dm->AgregarInsumo("Maíz", "0", 0);
        dm->AgregarInsumo("Sin materia seca", "0", 0);
        db.exec(
            "INSERT INTO Val VALUES (1, 1, 88); INSERT INTO Val VALUES (1, 2, 8);"
            "INSERT INTO Val VALUES (2, 2, 5);");
        def.MS = 1;
        def.Precio = 3;
        def.UsarMS = true;
    }
    double val(int ins, int nut) {
        Statement st = db.prepare("SELECT Valor FROM Val WHERE Ins = :I AND Nut = :N");
        st.bind("I", ins).bind("N", nut);
        return st.step() ? st.getDouble(0) : -1;
    }
    // Edits the protein row of an ingredient through the by-ingredient entry.
    double editProtein(int ins, double entered, int basis) {
        IngredientValues l(db, *dm, sink);
        l.valueDialog = answer(entered, basis);
        l.selectIngredient(ins);
        EXPECT_TRUE(l.locate("Nut", int64_t{2}));
        EXPECT_TRUE(l.edit());
        return val(ins, 2);
    }
};

TEST_F(ValuesFixture, BasisConversionOfAnEnteredValue) {
    struct Case {
        bool dryDatabase;
        int ins;
        double entered;
        int basis;
        double stored;
    } cases[] = {
        {false, 1, 20, 1, 17.6},    // dry value into a fresh-basis database
        {true, 1, 20, 0, 22.7273},  // fresh value into a dry-basis database
        {false, 1, 20, 0, 20},      // same basis: as typed
        {false, 2, 20, 1, 0},       // no dry matter: 0
    };
    for (const Case& c : cases) {
        def.EnBaseFresca = c.dryDatabase;
        EXPECT_DOUBLE_EQ(editProtein(c.ins, c.entered, c.basis), c.stored)
            << c.entered << " basis " << c.basis;
    }
    def.UsarMS = false;  // without dry-matter values every value is stored as typed
    def.EnBaseFresca = false;
    EXPECT_DOUBLE_EQ(editProtein(1, 20, 1), 20);
}

TEST_F(ValuesFixture, TheDialogShowsTheRowAndRefusesNegatives) {
    ValueEntry seen;
    IngredientValues l(db, *dm, sink);
    l.valueDialog = [&](const ValueEntry& e) {
        seen = e;
        return std::optional<ValueAnswer>({-1, 0});
    };
    l.selectIngredient(1);
    l.locate("Nut", int64_t{2});
    try {
        l.edit();
        FAIL() << "a negative value was accepted";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Error: El Valor no puede ser negativo");
    }
    EXPECT_EQ(seen.label, "Nutriente");
    EXPECT_EQ(seen.itemName, "Proteína");
    EXPECT_EQ(seen.unit, "%");
    EXPECT_DOUBLE_EQ(seen.value, 8);
    EXPECT_TRUE(seen.showBasis);
    EXPECT_DOUBLE_EQ(val(1, 2), 8);
}

TEST_F(ValuesFixture, PriceEntriesStoreAsEntered) {
    def.EnBaseFresca = true;
    EXPECT_TRUE(addPrice(*dm, 1, 3, answer(2.5, 0)));
    EXPECT_DOUBLE_EQ(val(1, 3), 2.5);
    ValueEntry seen;
    EXPECT_TRUE(changePrice(*dm, 1, 3, [&](const ValueEntry& e) {
        seen = e;
        return std::optional<ValueAnswer>({3.25, 1});
    }));
    EXPECT_DOUBLE_EQ(val(1, 3), 3.25);
    EXPECT_DOUBLE_EQ(seen.value, 2.5);
    EXPECT_DOUBLE_EQ(seen.step, 0.01);
    EXPECT_EQ(seen.unit, "$/kg");
    EXPECT_FALSE(changePrice(*dm, 1, 3, [](const ValueEntry&) { return std::nullopt; }));
}

TEST_F(ValuesFixture, InsertListsExactlyTheMissingItems) {
    IngredientValues l(db, *dm, sink);
    std::vector<Candidate> offered;
    l.choiceDialog = [&](const ChoiceSpec& s, const std::vector<Candidate>& list) {
        EXPECT_EQ(s.caption, "Insertar nutrientes");
        offered = list;
        return std::vector<int>{3};
    };
    int shown = 0;
    l.valueDialog = [&](const ValueEntry&) {
        ++shown;
        return std::optional<ValueAnswer>({1.5, 0});
    };
    l.selectIngredient(2);  // has only protein
    EXPECT_EQ(l.insertMissing(), 1);
    ASSERT_EQ(offered.size(), 2u);
    EXPECT_EQ(offered[0].name, "Materia seca");
    EXPECT_EQ(offered[1].name, "Precio");
    EXPECT_DOUBLE_EQ(val(2, 3), 1.5);
    // Cancelling a value drops that row.
    l.choiceDialog = [](const ChoiceSpec&, const std::vector<Candidate>&) {
        return std::vector<int>{1};
    };
    l.valueDialog = [](const ValueEntry&) { return std::nullopt; };
    EXPECT_EQ(l.insertMissing(), 0);
    EXPECT_EQ(val(2, 1), -1);
    // Nothing missing: no dialog at all.
    l.selectIngredient(1);
    db.exec("INSERT INTO Val VALUES (1, 3, 2)");
    l.selectIngredient(1);
    bool asked = false;
    l.choiceDialog = [&](const ChoiceSpec&, const std::vector<Candidate>&) {
        asked = true;
        return std::vector<int>{};
    };
    EXPECT_EQ(l.insertMissing(), 0);
    EXPECT_FALSE(asked);
}

TEST_F(ValuesFixture, ByNutrientListsIngredientsAndDeletesWithoutAsking) {
    NutrientValues l(db, *dm, sink);
    l.selectNutrient(2);
    ASSERT_EQ(l.rowCount(), 2);
    EXPECT_EQ(l.text("Nombre"), "Maíz");
    EXPECT_TRUE(l.remove());
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_EQ(val(1, 2), -1);
    std::vector<Candidate> offered;
    l.choiceDialog = [&](const ChoiceSpec& s, const std::vector<Candidate>& list) {
        EXPECT_EQ(s.okCaption, "Insertar");
        offered = list;
        return std::vector<int>{};
    };
    l.insertMissing();
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0].code, 1);
}

TEST(Candidates, FilteredSortedWithoutEmptyNames) {
    std::vector<Candidate> all = {{1, "trigo"}, {2, "Avena"}, {3, ""}, {4, "Maíz"}, {5, "cebada"}};
    auto l = buildCandidates(all, {4});
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[0].name, "Avena");
    EXPECT_EQ(l[1].name, "cebada");
    EXPECT_EQ(l[2].name, "trigo");
    EXPECT_TRUE(buildCandidates(all, {1, 2, 3, 4, 5}).empty());
    EXPECT_EQ(findTyped(l, "ceb"), 1);
    EXPECT_EQ(findTyped(l, "Ceb"), -1);  // case-sensitive
}

TEST_F(ValuesFixture, PriceModeListsOnlyPriceItems) {
    auto prices = nutrientLookup(db, true);
    ASSERT_EQ(prices.size(), 1u);
    EXPECT_EQ(prices[0].name, "Precio, $/kg");
    EXPECT_EQ(nutrientLookup(db, false).size(), 3u);
}

}  // namespace vexa::test
