#pragma once
// A small workspace for the formula and group lists: two groups with members, formulas with
// restrictions, a manual mix with lines, and the services on it.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QTemporaryDir>
#include <filesystem>
#include <memory>
#include <string>

#include "../../gui/scripted_dialogs.h"
#include "../../store/write_faults.h"
#include "catalog/catalog_context.h"
#include "store/schema.h"
#include "store/tdm.h"

namespace vexa::test {

class ListsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::path(tmp.path().toStdString());
        db = createDatabase(folder);
        def.Precio = 0;
        dm = std::make_unique<Tdm>(db, def);
        dm->onModified = [this] { modified = true; };
        CatalogContext& ctx = catalogContext();
        ctx.db = &db;
        ctx.dm = dm.get();
        ctx.markModified = [this] { modified = true; };
        ctx.props = [this] {
            return WorkspaceProps{def.Precio, def.MS, def.EnBaseFresca, def.UsarMS};
        };
    }
    void TearDown() override {
        CatalogContext& ctx = catalogContext();
        ctx.db = nullptr;
        ctx.dm = nullptr;
        ctx.markModified = nullptr;
        ctx.props = nullptr;
    }
    int64_t insert(const std::string& sql) {
        db.exec(sql);
        return db.lastInsertRowId();
    }
    // Groups "Pollos" (1) and "Cerdos" (2); nutrients Precio (price item, 1), Proteína (2),
    // Materia seca (3); ingredients Soya (1), Maíz (2), Trigo (3). Pollos has formulas
    // "Inicio" (2 ingredient and 3 nutrient restrictions) and "Final" (none) and a mix with
    // two lines; Cerdos one formula "Engorde" with one restriction of each kind and a mix.
    void seed() {
        db.exec(
            "INSERT INTO Cat (Nombre, Precio) VALUES ('Pollos', 1);"
            "INSERT INTO Cat (Nombre, Precio) VALUES ('Cerdos', 1);"
            "INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) VALUES ('Precio', '$', 1, 1);"
            "INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) VALUES ('Proteína', '%', 0, 2);"
            "INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) VALUES ('Materia seca', '%', 0, 3);"
            "INSERT INTO Ins (Nombre, Redondeo) VALUES ('Soya', '0');"
            "INSERT INTO Ins (Nombre, Redondeo) VALUES ('Maíz', '0');"
            "INSERT INTO Ins (Nombre, Redondeo) VALUES ('Trigo', '0');"
            "INSERT INTO EI (Cat, CNI) VALUES (1, 1), (1, 2), (2, 3);"
            "INSERT INTO EN (Cat, CNI) VALUES (1, 2), (2, 2), (2, 3);"
            "INSERT INTO LR (Nombre, Cat, MS, Precio, Ultima, Valor) "
            "  VALUES ('Inicio', 1, 3, 1, '2026-11-02 10:30:00', 245.5);"
            "INSERT INTO LR (Nombre, Cat, MS, Precio) VALUES ('Final', 1, 3, 1);"
            "INSERT INTO LR (Nombre, Cat, MS, Precio) VALUES ('Engorde', 2, 3, 1);"
            "INSERT INTO RIn (LR, CNI, Min, Max) VALUES (1, 1, 10, 30), (1, 2, 0, 60), (3, 3, 0, "
            "50);"
            "INSERT INTO RNu (LR, CNI, Min, Max) VALUES (1, 1, 0, 0), (1, 2, 20, 24), "
            "  (1, 3, 88, 0), (3, 2, 16, 0);"
            "INSERT INTO MM (Nombre, Cat) VALUES ('Mezcla pollos', 1);"
            "INSERT INTO MM (Nombre, Cat) VALUES ('Mezcla cerdos', 2);"
            "INSERT INTO MMI (CMM, CIns, Valor) VALUES (1, 1, 40), (1, 2, 60), (2, 3, 100);");
        def.Precio = 1;
        def.MS = 3;
        modified = false;
    }
    int count(const std::string& sql) {
        Statement st = db.prepare(sql);
        return st.step() ? st.getInt(0) : -1;
    }
    void enableTriggers() {
        ASSERT_EQ(sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 1, nullptr),
                  SQLITE_OK);
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
