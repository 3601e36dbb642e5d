// A write the store refuses, in SQLite's manner: for every operation of the grids the n-th
// row written fails, n = 1, 2, ..., until the operation goes through. Each time the database
// is as it was, the grid shows what the database holds, the workspace is not marked
// modified and the user was told why.
#include <functional>

#include "../store/write_faults.h"
#include "catalog/ingredients_window.h"
#include "catalog/nutrients_window.h"
#include "catalog/value_windows.h"
#include "gui_fixture.h"
#include "shell/settings_dialogs.h"
#include "shell/workspace_service.h"

namespace vexa::test {

namespace {

// Every cell the grid shows, row by row.
std::string gridText(ListWindow& w) {
    std::string out;
    for (int r = 0; r < w.model()->rowCount(); ++r) {
        for (int c = 0; c < w.model()->columnCount(); ++c)
            out += w.model()->displayText(r, c).toStdString() + "|";
        out += "\n";
    }
    return out;
}

}  // namespace

class GridFaults : public CatalogFixture {
protected:
    using MakeWindow = std::function<std::unique_ptr<ListWindow>()>;
    struct Operation {
        const char* name;
        MakeWindow open;
        std::function<void(ListWindow&)> run;
        int writes;  // rows the operation writes when nothing fails
    };

    std::unique_ptr<ListWindow> nutrients() {
        auto w = std::make_unique<NutrientsWindow>(db, *dm, sink);
        w->nutrients().editDialog = [](NutrientList& l) {
            l.applyEdit({"Calcio", "%", 0});
            return !l.lastWriteRefused();
        };
        return w;
    }
    std::unique_ptr<ListWindow> ingredients() {
        auto w = std::make_unique<IngredientsWindow>(db, *dm, sink);
        w->ingredients().editDialog = [](IngredientList& l) {
            l.applyEdit({"Harina de pescado", 0});
            return !l.lastWriteRefused();
        };
        return w;
    }
    std::unique_ptr<ListWindow> ingredientValues() {
        auto w = std::make_unique<IngredientValuesWindow>(db, *dm, sink);
        w->values().selectIngredient(1);
        w->values().valueDialog = [](const ValueEntry&) {
            return std::optional<ValueAnswer>({2.5, 0});
        };
        return w;
    }
    std::unique_ptr<ListWindow> nutrientValues() {
        auto w = std::make_unique<NutrientValuesWindow>(db, *dm, sink);
        w->values().selectNutrient(1);
        return w;
    }
};

TEST_F(GridFaults, EveryRefusedWriteLeavesTheDatabaseAndTheGridAsTheyWere) {
    seed();
    db.exec("INSERT INTO EI (Cat, CNI) VALUES (1, 1); INSERT INTO RIn (LR, CNI) VALUES (1, 1);");
    WriteFaults faults(db, {"Nut", "Ins", "Val", "EN", "EI", "RIn", "RNu", "MMI"});
    auto trigger = [](const char* action) {
        return [action](ListWindow& w) { w.action(action)->trigger(); };
    };
    const Operation operations[] = {
        // post of an edited row: one update
        {"editar valor", [this] { return ingredientValues(); }, trigger("DataSetEdit1"), 1},
        // post of a new row, its zero values for 3 ingredients and its 2 groups
        {"nuevo nutriente", [this] { return nutrients(); }, trigger("DataSetInsert1"), 6},
        // two rows exchange their places
        {"bajar nutriente", [this] { return nutrients(); }, trigger("acOrdenB"), 2},
        // delete: 3 values, 1 group, 1 restriction, then the row
        {"borrar insumo", [this] { return ingredients(); },
         [this](ListWindow& w) {
             dialogs.yesNo = {true};
             w.action("DataSetDelete1")->trigger();
         },
         6},
        {"borrar valor", [this] { return nutrientValues(); }, trigger("DataSetDelete1"), 1},
        // the new row, its zero values for 3 nutrients and its 2 groups
        {"nuevo insumo", [this] { return ingredients(); }, trigger("DataSetInsert1"), 6},
    };
    for (const Operation& op : operations) {
        for (int n = 1;; ++n) {
            SCOPED_TRACE(std::string(op.name) + ", write " + std::to_string(n));
            const std::string before = dumpTables(db);
            const size_t told = dialogs.errors.size();
            std::unique_ptr<ListWindow> w = op.open();
            modified = false;
            faults.failAt(n);
            op.run(*w);
            if (!faults.fired()) {
                EXPECT_EQ(n, op.writes + 1);
                EXPECT_NE(dumpTables(db), before);
                EXPECT_TRUE(modified);
                EXPECT_EQ(dialogs.errors.size(), told);
                break;
            }
            EXPECT_EQ(dumpTables(db), before);
            EXPECT_FALSE(modified);
            ASSERT_EQ(dialogs.errors.size(), told + 1);
            EXPECT_EQ(dialogs.errors.back().rfind("No se pudo ", 0), 0u) << dialogs.errors.back();
            EXPECT_NE(dialogs.errors.back().find("fallo provocado"), std::string::npos);
            faults.failAt(0);
            std::unique_ptr<ListWindow> fresh = op.open();
            EXPECT_EQ(gridText(*w), gridText(*fresh));
            EXPECT_FALSE(w->list().editing());
            w->close();
            fresh->close();
            if (n > 20) FAIL() << "the operation never went through";
        }
    }
}

// The properties of a workspace held in memory over the fixture's database.
class MemoryWorkspace : public WorkspaceService {
public:
    MemoryWorkspace(Database& db, TDBDef& def, bool& modified)
        : db_(db), def_(def), modified_(modified) {}
    bool open(const std::string&) override { return true; }
    bool openWithDialog() override { return true; }
    bool createWithDialog() override { return true; }
    void save() override {}
    void saveAs() override {}
    bool close() override { return true; }
    bool connected() const override { return true; }
    Database* database() override { return &db_; }
    std::string currentFile() const override { return "/tmp/Granja.vxf"; }
    std::string title() const override { return title_; }
    std::string author() const override { return {}; }
    std::string comment() const override { return {}; }
    double version() const override { return 1030.04; }
    WorkspaceProps props() const override {
        return {def_.Precio, def_.MS, def_.EnBaseFresca, def_.UsarMS};
    }
    void setDescription(const std::string& t, const std::string&, const std::string&) override {
        title_ = t;
    }
    void setProps(const WorkspaceProps& p) override {
        def_.Precio = p.Precio;
        def_.MS = p.MS;
        def_.EnBaseFresca = p.EnBaseFresca;
        def_.UsarMS = p.UsarMS;
    }
    bool modified() const override { return modified_; }
    void setModified() override { modified_ = true; }

private:
    Database& db_;
    TDBDef& def_;
    bool& modified_;
    std::string title_ = "Granja";
};

// "Propiedades de la base de datos", a change of basis accepted: a refused write at any point
// leaves every value and the stated basis as they were, and says so instead of "Conversión
// terminada.".
TEST_F(GridFaults, ARefusedBasisConversionChangesNothingAndSaysSo) {
    dm->AgregarNutriente("Materia seca", "%", 1, 2, 0);
    dm->AgregarNutriente("Proteína", "%", 2, 0, 0);
    dm->AgregarNutriente("Energía", "kcal/kg", 3, 0, 0);
    for (const char* n : {"Maíz", "Soya"}) dm->AgregarInsumo(n, "0", 0);
    db.exec(
        "INSERT INTO Val VALUES (1, 1, 88), (1, 2, 8), (1, 3, 3300), (2, 1, 90), (2, 2, 44),"
        " (2, 3, 2400)");
    def.MS = 1;
    def.UsarMS = true;
    MemoryWorkspace ws(db, def, modified);
    WriteFaults faults(db, {"Val"});
    for (int n = 1;; ++n) {
        SCOPED_TRACE("write " + std::to_string(n));
        const std::string before = dumpTables(db);
        modified = false;
        dialogs.infos.clear();
        dialogs.errors.clear();
        dialogs.yesNo = {true};
        faults.failAt(n);
        PropertiesDialog d(ws, *dm);
        d.dry->setChecked(true);
        d.accept();
        if (!faults.fired()) {
            EXPECT_EQ(n, 5);  // four values converted
            EXPECT_EQ(dialogs.infos, (std::vector<std::string>{"Conversión terminada."}));
            EXPECT_TRUE(def.EnBaseFresca);
            EXPECT_TRUE(modified);
            break;
        }
        EXPECT_EQ(dumpTables(db), before);
        EXPECT_FALSE(def.EnBaseFresca);  // still declared on the fresh basis
        EXPECT_FALSE(modified);
        EXPECT_TRUE(dialogs.infos.empty());
        ASSERT_EQ(dialogs.errors.size(), 1u);
        EXPECT_EQ(dialogs.errors[0].rfind("No se pudo convertir la base de datos: ", 0), 0u);
        EXPECT_EQ(d.result(), QDialog::Rejected);  // still open: nothing was accepted
        EXPECT_EQ(d.progress->value(), 0);
        if (n > 10) FAIL() << "the conversion never went through";
    }
}

}  // namespace vexa::test
