#include "store/schema.h"
#include "store/sqlite_db.h"
#include "tables_temp_dir.h"

#include <gtest/gtest.h>

#include <functional>

namespace vexa {
namespace {

using testing_tables::TempDir;

TEST(TablesSqliteDb, ParametersAndFieldsByNameWithoutRegardToCase) {
    TempDir dir;
    Database db = createDatabase(dir.path());
    Statement ins = db.prepare(
        "insert into RIn (LR, CNI, Min, Max, Resul) values (:LR, :Cni, :MIN, :max, :Resul)");
    ins.bind("lr", 3).bind("CNI", 9).bind("min", Fixed4::fromRaw(12345)).bindNull("Max");
    ins.bind(":resul", Fixed4::fromRaw(-987654321));
    EXPECT_EQ(ins.execute(), 1);
    EXPECT_THROW(ins.bind("nothere", 1), SqlError);

    Statement q = db.prepare("select * from rin where lr = :lr");
    q.bind("LR", 3);
    ASSERT_TRUE(q.step());
    EXPECT_EQ(q.getInt("cni"), 9);
    EXPECT_EQ(q.getFixed4("MIN"), Fixed4::fromRaw(12345));
    EXPECT_TRUE(q.isNull("max"));
    EXPECT_EQ(q.getDouble("Max", 100.0), 100.0);
    EXPECT_EQ(q.optFixed4("Max"), std::nullopt);
    EXPECT_EQ(q.getFixed4("Resul"), Fixed4::fromRaw(-987654321));
    EXPECT_EQ(q.declaredType(q.columnIndex("Resul")), "MONEY");
    EXPECT_THROW(q.getInt("Nada"), SqlError);
    EXPECT_FALSE(q.step());
}

TEST(TablesSqliteDb, DateTimesTextAndTransactions) {
    TempDir dir;
    Database db = createDatabase(dir.path());
    auto when = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    {
        Transaction tx(db);
        db.prepare("INSERT INTO LR (Nombre, Ultima) VALUES (:n, :u)")
            .bind("n", "Pollos inicio ñandú")
            .bind("u", DateTime(when))
            .execute();
        {
            Transaction inner(db);
            db.exec("INSERT INTO LR (Nombre) VALUES ('descartada')");
        }  // rolled back alone
        tx.commit();
    }
    {
        Transaction tx(db);
        db.exec("DELETE FROM LR");
    }  // not committed
    Statement s = db.prepare("SELECT * FROM LR");
    ASSERT_TRUE(s.step());
    EXPECT_EQ(s.getText("Nombre"), "Pollos inicio ñandú");
    EXPECT_EQ(s.getDateTime("Ultima"), DateTime(when));
    EXPECT_FALSE(s.step());
    EXPECT_FALSE(db.inTransaction());
    EXPECT_EQ(fromStoreDateTime("no es fecha"), std::nullopt);
}

TEST(TablesSqliteDb, ReadOnlyConnectionRefusesWrites) {
    TempDir dir;
    createDatabase(dir.path());
    Database ro(databaseFile(dir.path()), Database::Mode::ReadOnly);
    EXPECT_TRUE(ro.readOnly());
    EXPECT_THROW(ro.exec("INSERT INTO Ins (Nombre) VALUES ('x')"), SqlError);
    Statement s = ro.prepare("SELECT count(*) AS n FROM TN");
    ASSERT_TRUE(s.step());
    EXPECT_EQ(s.getInt("N"), 7);
    EXPECT_THROW(Database(dir.path() / "missing.sqlite"), SqlError);
}

// The store's refusals say the cause in Spanish first, the engine's words beside it; a
// full disk included (SQLite's own "database or disk is full" reached users as it was).
TEST(TablesSqliteDb, RefusalsSayTheCauseInSpanish) {
    TempDir dir;
    createDatabase(dir.path());
    auto message = [](const std::function<void()>& fn) {
        try {
            fn();
        } catch (const SqlError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    Database ro(databaseFile(dir.path()), Database::Mode::ReadOnly);
    EXPECT_EQ(message([&] {
                  ro.exec("INSERT INTO Ins (Nombre) VALUES ('x')");
              }).rfind("La base de datos no se puede modificar (", 0),
              0u);
    EXPECT_EQ(message([&] {
                  Database(dir.path() / "no" / "missing.sqlite");
              }).rfind("No se pudo abrir la base de datos (", 0),
              0u);
    // A database that may not grow past its pages: a full disk as SQLite sees it.
    Database db(databaseFile(dir.path()), Database::Mode::ReadWrite);
    db.exec("PRAGMA max_page_count = " + std::to_string([&] {
                Statement p = db.prepare("PRAGMA page_count");
                p.step();
                return p.getInt(0);
            }()));
    const std::string full = message(
        [&] { db.exec("INSERT INTO Ins (Nombre) SELECT printf('%.2000c', 'x') FROM TN, TN, TN"); });
    EXPECT_EQ(full.rfind("No hay espacio en el disco (", 0), 0u) << full;
}

TEST(TablesSqliteDb, CachedStatementsAreReusedAndNest) {
    TempDir dir;
    Database db = createDatabase(dir.path());
    const char* sql = "SELECT Tipo FROM TN WHERE Codigo = :c";
    sqlite3_stmt* first = nullptr;
    {
        Statement a = db.cached(sql);
        first = a.handle();
        a.bind("c", 1);
        ASSERT_TRUE(a.step());
        Statement b = db.cached(sql);  // same text while the first is busy
        EXPECT_NE(b.handle(), first);
        b.bind("c", 2);
        ASSERT_TRUE(b.step());
        EXPECT_EQ(a.getText("Tipo"), "Precio");
        EXPECT_EQ(b.getText("Tipo"), "Materia Seca");
    }
    Statement c = db.cached(sql);
    EXPECT_TRUE(c.handle() != nullptr);
    EXPECT_FALSE(c.hasParameter("x"));
    c.bind("c", 6);
    ASSERT_TRUE(c.step());
    EXPECT_EQ(c.getText(0), "Minerales");
    // A statement may outlive a moved database object.
    Database moved = std::move(db);
    c.reset();
    EXPECT_TRUE(c.step());
}

}  // namespace
}  // namespace vexa
