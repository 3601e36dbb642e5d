#pragma once
// A small workspace for the batch and balance workflows: group "Aves" with its price item,
// dry matter, sodium, potassium and chlorine; ingredients Maíz (0.25, 80 % DM) and Soya
// (0.5, 50 % DM); formula "Inicio" fixing Maíz at 60 % (or 50 % of the dry matter).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QTemporaryDir>
#include <filesystem>
#include <memory>
#include <string>

#include "store/schema.h"
#include "store/tdm.h"

namespace vexa::test {

class MixFixture : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::path(tmp.path().toStdString());
        db = createDatabase(folder);
        db.exec(
            "DELETE FROM LOTES;"  // a new workspace starts with one batch group
            "INSERT INTO Cat (Nombre, Precio) VALUES ('Aves', 1);"
            "INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) VALUES ('Precio', '$', 1, 1);"
            "INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) VALUES ('Materia seca', '%', 0, 2);"
            "INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) VALUES ('Sodio', '%', 0, 3);"
            "INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) VALUES ('Potasio', '%', 0, 4);"
            "INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) VALUES ('Cloro', '%', 0, 5);"
            "INSERT INTO Ins (Nombre, Redondeo) VALUES ('Maíz', '0');"
            "INSERT INTO Ins (Nombre, Redondeo) VALUES ('Soya', '');"
            "INSERT INTO Val (Ins, Nut, Valor) VALUES (1, 1, 0.25), (1, 2, 80), (2, 1, 0.5), "
            "  (2, 2, 50), (1, 3, 0.23), (1, 4, 0.391), (1, 5, 0.355), (2, 3, 0.046), "
            "  (2, 4, 0.782);"
            "INSERT INTO EI (Cat, CNI) VALUES (1, 1), (1, 2);"
            "INSERT INTO EN (Cat, CNI) VALUES (1, 2), (1, 3);"
            "INSERT INTO LR (Nombre, Cat, MS, Precio) VALUES ('Inicio', 1, 2, 1);");
        def.Precio = 1;
        def.MS = 2;
        dm = std::make_unique<Tdm>(db, def);
        dm->onModified = [this] { modified = true; };
    }
    // Maíz fixed at `share` %, Soya free.
    void restrictCorn(int share) {
        db.exec("DELETE FROM RIn; INSERT INTO RIn (LR, CNI, Min, Max) VALUES (1, 1, " +
                std::to_string(share) + ", " + std::to_string(share) + "), (1, 2, 0, 100);");
    }
    int count(const std::string& sql) {
        Statement st = db.prepare(sql);
        return st.step() ? st.getInt(0) : -1;
    }
    double number(const std::string& sql) {
        Statement st = db.prepare(sql);
        return st.step() ? st.getDouble(0) : -1;
    }

    QTemporaryDir tmp;
    std::filesystem::path folder;
    Database db;
    TDBDef def;
    std::unique_ptr<Tdm> dm;
    bool modified = false;
};

}  // namespace vexa::test
