#pragma once
// A small workspace database in a temporary folder, with the data-access services on it.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <memory>

#include "catalog/catalog_context.h"
#include "scripted_dialogs.h"
#include "store/schema.h"
#include "store/tdm.h"

namespace vexa::test {

class CatalogFixture : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::path(tmp.path().toStdString());
        db = createDatabase(folder);
        dm = std::make_unique<Tdm>(db, def);
        dm->onModified = [this] { modified = true; };
        CatalogContext& ctx = catalogContext();
        ctx.db = &db;
        ctx.dm = dm.get();
        ctx.markModified = [this] { modified = true; };
        ctx.props = [this] {
            return WorkspaceProps{def.Precio, def.MS, def.EnBaseFresca, def.UsarMS};
        };
        ctx.nutrientsChanged = ctx.ingredientsChanged = ctx.sideBySide = false;
    }
    void TearDown() override {
        CatalogContext& ctx = catalogContext();
        ctx.db = nullptr;
        ctx.dm = nullptr;
        ctx.markModified = nullptr;
        ctx.props = nullptr;
    }
    // Two groups, three ingredients, two nutrients (Orden 1 and 2), every value 1.
    void seed() {
        dm->AgregarNutriente("Proteína", "%", 1, 0, 0);
        dm->AgregarNutriente("Energía", "kcal/kg", 2, 0, 0);
        for (const char* n : {"Maíz", "Soya", "Trigo"}) dm->AgregarInsumo(n, "0", 0);
        db.exec(
            "INSERT INTO Cat (Nombre) VALUES ('Pollos'); INSERT INTO Cat (Nombre) VALUES "
            "('Cerdos');");
        db.exec("INSERT INTO Val (Ins, Nut, Valor) SELECT I.Codigo, N.Codigo, 1 FROM Ins I, Nut N");
        modified = false;
    }
    int count(const std::string& sql) {
        Statement st = db.prepare(sql);
        return st.step() ? st.getInt(0) : -1;
    }

    QTemporaryDir tmp;
    std::filesystem::path folder;
    Database db;
    TDBDef def;
    std::unique_ptr<Tdm> dm;
    bool modified = false;
    ScriptedDialogs dialogs;
    DialogsScope scope{dialogs};
    RecordingSink sink;
};

}  // namespace vexa::test
