#pragma once
// The workspace the formula editor's tests start from: group "Pollos" (price nutrient 1) with
// Maíz (8 % protein, 2 % fibre, at 3) and Soya (44 % protein, 6 % fibre, at 8), both enabled,
// and the nutrients Proteína and Fibra. Each test file adds its own formulas.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <memory>
#include <string>

#include "../../gui/scripted_dialogs.h"
#include "store/schema.h"
#include "store/tdm.h"

namespace vexa::test {

class FormulaWorkspaceTest : public ::testing::Test {
protected:
    // The catalogue, then `formulas` (the file's own rows).
    void createWorkspace(const std::string& formulas) {
        folder = std::filesystem::path(tmp.path().toStdString());
        db = createDatabase(folder);
        def.Precio = 1;
        def.Categoria = 1;
        dm = std::make_unique<Tdm>(db, def);
        db.exec(
            "INSERT INTO Cat (Nombre, Precio) VALUES ('Pollos', 1);"
            "INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) VALUES ('Precio', '$', 1, 1),"
            "  ('Proteína', '%', 0, 2), ('Fibra', '%', 0, 3);"
            "INSERT INTO Ins (Nombre, Redondeo) VALUES ('Maíz', '0'), ('Soya', '0');"
            "INSERT INTO EI (Cat, CNI) VALUES (1, 1), (1, 2);"
            "INSERT INTO EN (Cat, CNI) VALUES (1, 2), (1, 3);"
            "INSERT INTO Val (Ins, Nut, Valor) VALUES (1, 1, 3), (2, 1, 8), (1, 2, 8), (2, 2, 44),"
            "  (1, 3, 2), (2, 3, 6);" +
            formulas);
    }
    QTemporaryDir tmp;
    std::filesystem::path folder;
    Database db;
    TDBDef def;
    std::unique_ptr<Tdm> dm;
    ScriptedDialogs dialogs;
    DialogsScope scope{dialogs};
    RecordingSink sink;
};

}  // namespace vexa::test
