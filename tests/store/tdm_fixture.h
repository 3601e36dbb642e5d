#pragma once
// A new database in a temp folder with a Tdm on it, and small helpers to fill and count rows.
#include "store/schema.h"
#include "store/tdm.h"
#include "tables_temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace vexa::testing_tables {

class TdmTest : public ::testing::Test {
protected:
    TdmTest() : db(createDatabase(dir.path())), dm(db, def) {
        dm.onModified = [this] { ++modifications; };
        db.exec("PRAGMA synchronous=OFF");  // the fixtures insert row by row
    }

    int64_t count(const std::string& sql) {
        Statement s = db.prepare(sql);
        s.step();
        return s.getInt64(0);
    }
    int64_t rows(const std::string& table) { return count("SELECT count(*) FROM " + table); }
    std::map<std::string, int64_t> allCounts() {
        std::map<std::string, int64_t> out;
        for (const TableDef& t : schemaTables()) out[t.name] = rows(t.name);
        return out;
    }
    int32_t insert(const std::string& sql) {
        db.exec(sql);
        return static_cast<int32_t>(db.lastInsertRowId());
    }
    int32_t nutrient(const std::string& name, int tipo = 0, int orden = 1) {
        return insert("INSERT INTO Nut (Nombre, Unidad, Tipo, Orden, ItId) VALUES ('" + name +
                      "', '%', " + std::to_string(tipo) + ", " + std::to_string(orden) + ", 0)");
    }
    int32_t ingredient(const std::string& name) {
        return insert("INSERT INTO Ins (Nombre, Redondeo, ItId) VALUES ('" + name + "', '1', 3)");
    }
    void value(int32_t ins, int32_t nut, double v) {
        db.exec("INSERT INTO Val (Ins, Nut, Valor) VALUES (" + std::to_string(ins) + ", " +
                std::to_string(nut) + ", " + std::to_string(v) + ")");
    }

    TempDir dir;
    Database db;
    TDBDef def;
    Tdm dm;
    int modifications = 0;
};

}  // namespace vexa::testing_tables
