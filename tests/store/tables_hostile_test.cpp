// A workspace database is a file from anywhere: its schema must not run as our code, and no
// statement may hang or take the machine's memory.
#include "store/schema.h"
#include "store/schema_check.h"
#include "tables_temp_dir.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <fstream>
#include <sstream>

namespace vexa {
namespace {

using testing_tables::TempDir;

// Runs SQL on the file with a plain connection, as another program would.
void rawExec(const std::filesystem::path& file, const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* err = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
    EXPECT_EQ(rc, SQLITE_OK) << (err ? err : "") << "\n" << sql;
    sqlite3_free(err);
    sqlite3_close(db);
}

std::string bytesOf(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(TablesHostile, ForeignSchemaObjectsRefuseTheFile) {
    struct Case {
        const char* name;
        const char* sql;
        const char* message;
    };
    const Case cases[] = {
        {"trigger deleting the ingredients on save",
         "CREATE TRIGGER t_borra AFTER UPDATE ON LR BEGIN DELETE FROM Ins; DELETE FROM Val; END",
         "contiene el disparador \"t_borra\""},
        {"infinitely recursive view",
         "CREATE VIEW v_eterna AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM "
         "c) SELECT x FROM c",
         "contiene la vista \"v_eterna\""},
        {"view returning a huge blob", "CREATE VIEW v_grande AS SELECT zeroblob(900000000) AS b",
         "contiene la vista \"v_grande\""},
        {"view in place of a table",
         "DROP TABLE Nut; CREATE VIEW Nut AS SELECT 1 AS Codigo, zeroblob(900000000) AS Nombre",
         "contiene la vista \"Nut\""},
        {"index in place of a table", "DROP TABLE TI; CREATE INDEX TI ON Ins (Nombre)",
         "tiene \"TI\" (index) en lugar de la tabla"},
        {"foreign object: a virtual table", "CREATE VIRTUAL TABLE ajena USING rtree(id, a, b)",
         "contiene la tabla virtual \"ajena\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        createDatabase(dir.path()).close();
        const auto file = databaseFile(dir.path());
        rawExec(file,
                "INSERT INTO Ins (Nombre) VALUES ('Maíz'); INSERT INTO LR (Nombre) "
                "VALUES ('F'); " +
                    std::string(c.sql));
        const std::string before = bytesOf(file);
        for (auto mode : {Database::Mode::ReadWrite, Database::Mode::ReadOnly}) {
            try {
                Database db(file, mode);
                ADD_FAILURE() << "opened";
            } catch (const SqlError& e) {
                const std::string what = e.what();
                EXPECT_NE(what.find(c.message), std::string::npos) << what;
                EXPECT_NE(what.find("Por seguridad no se abre"), std::string::npos) << what;
            }
        }
        EXPECT_EQ(bytesOf(file), before);  // refused untouched
    }
    // The workspace's own objects (indexes, the AutoInc counters, statistics) are fine.
    TempDir dir;
    createDatabase(dir.path()).close();
    rawExec(databaseFile(dir.path()), "CREATE TABLE Extra (x); ANALYZE");
    Database db(databaseFile(dir.path()));
    EXPECT_TRUE(findSchemaProblems(db).empty());
}

// Even with such an object in the file, the connection neither fires triggers nor reads views.
TEST(TablesHostile, TriggersAndViewsNeverRun) {
    TempDir dir;
    Database db = createDatabase(dir.path());
    db.exec("INSERT INTO Ins (Nombre) VALUES ('Maíz'); INSERT INTO LR (Nombre) VALUES ('F')");
    rawExec(databaseFile(dir.path()),
            "CREATE TRIGGER t_borra AFTER UPDATE ON LR BEGIN DELETE FROM Ins; END;"
            "CREATE VIEW v AS SELECT * FROM Ins");
    db.exec("UPDATE LR SET Valor = 1");
    Statement s = db.prepare("SELECT count(*) FROM Ins");
    s.step();
    EXPECT_EQ(s.getInt(0), 1);
    EXPECT_THROW(db.prepare("SELECT * FROM v"), SqlError);
    EXPECT_THROW(db.exec("ATTACH DATABASE ':memory:' AS otra"), SqlError);
    EXPECT_THROW(db.exec("PRAGMA writable_schema = ON; DELETE FROM sqlite_master"), SqlError);
}

// The bounds themselves: each of these would run for ever or take gigabytes without them.
TEST(TablesHostile, EveryStatementIsBoundedInTimeAndMemory) {
    TempDir dir;
    Database db = createDatabase(dir.path());
    struct Case {
        const char* sql;
        const char* message;
        std::chrono::milliseconds timeLimit;  // the size cases get time enough to reach it
    };
    using std::chrono::milliseconds;
    const Case cases[] = {
        {"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c",
         "superó el tiempo máximo", milliseconds(200)},
        {"SELECT length(zeroblob(900000000))", "excede el tamaño permitido", milliseconds(30000)},
        {"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c LIMIT 2000) "
         "SELECT length(group_concat(hex(zeroblob(100000)))) FROM c",
         "excede el tamaño permitido", milliseconds(30000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        db.setStepTimeLimit(c.timeLimit);
        try {
            Statement s = db.prepare(c.sql);
            s.step();
            ADD_FAILURE() << "ran";
        } catch (const SqlError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(sqlite3_hard_heap_limit64(-1), kHeapLimitBytes);
    // The connection goes on working afterwards.
    Statement s = db.prepare("SELECT count(*) FROM TN");
    ASSERT_TRUE(s.step());
    EXPECT_EQ(s.getInt(0), 7);
}

// A transaction the engine rolled back says why, not that a savepoint is missing.
TEST(TablesHostile, RolledBackTransactionReportsItsCause) {
    TempDir dir;
    Database db = createDatabase(dir.path());
    db.exec("INSERT INTO LR (Nombre) VALUES ('F')");
    ASSERT_EQ(sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 1, nullptr),
              SQLITE_OK);
    db.exec(
        "CREATE TRIGGER t_no BEFORE UPDATE ON LR BEGIN SELECT RAISE(ROLLBACK, 'cambio "
        "rechazado'); END");
    for (bool nested : {false, true}) {
        SCOPED_TRACE(nested ? "nested" : "outermost");
        Transaction outer(db);
        std::optional<Transaction> inner;
        if (nested) inner.emplace(db);
        Transaction& tx = nested ? *inner : outer;
        EXPECT_THROW(db.exec("UPDATE LR SET Valor = 2"), SqlError);  // a caller that goes on
        EXPECT_FALSE(tx.active());
        try {
            tx.commit();
            ADD_FAILURE() << "committed";
        } catch (const SqlError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("cambio rechazado"), std::string::npos) << what;
            EXPECT_EQ(what.find("savepoint"), std::string::npos) << what;
        }
    }
    // Later transactions are unaffected.
    db.exec("DROP TRIGGER t_no");
    Transaction tx(db);
    db.exec("UPDATE LR SET Valor = 3");
    tx.commit();
}

// Names written by another system in code page 1252 come out as UTF-8.
TEST(TablesHostile, TextThatIsNotUtf8IsReadAsCodePage1252) {
    TempDir dir;
    Database db = createDatabase(dir.path());
    struct Case {
        std::string stored, read;
    };
    const Case cases[] = {
        {"Ma\xEDz", "Maíz"},
        {"Ma\xC3\xADz", "Maíz"},  // already UTF-8: unchanged
        {"\x80 Pre\xE7o \x93x\x94", "€ Preço “x”"},
        {"Soja\xC3", "SojaÃ"},           // a cut UTF-8 sequence
        {"\xED\xA0\x80", "í\xC2\xA0€"},  // an encoded surrogate is not UTF-8
    };
    Statement ins = db.prepare("INSERT INTO Ins (Nombre) VALUES (:N)");
    for (const Case& c : cases) {
        ins.bind("N", c.stored);
        ins.execute();
    }
    Statement s = db.prepare("SELECT Nombre FROM Ins ORDER BY Codigo");
    for (const Case& c : cases) {
        ASSERT_TRUE(s.step());
        EXPECT_EQ(s.getText(0), c.read);
        EXPECT_EQ(std::get<std::string>(s.value(0)), c.read);
    }
}

}  // namespace
}  // namespace vexa
