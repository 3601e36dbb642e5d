#include "store/schema.h"
#include "tables_temp_dir.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <set>

namespace vexa {
namespace {

using testing_tables::TempDir;

int64_t count(Database& db, const std::string& table) {
    Statement s = db.prepare("SELECT count(*) FROM " + table);
    s.step();
    return s.getInt64(0);
}

std::set<std::string> indexNames(Database& db) {
    std::set<std::string> out;
    Statement s = db.prepare(
        "SELECT name FROM sqlite_master WHERE type='index' AND name NOT LIKE 'sqlite_%'");
    while (s.step()) out.insert(s.getText(0));
    return out;
}

TEST(TablesSchema, NewDatabaseHasTheTwentyTablesAndDefaultRows) {
    TempDir dir;
    Database db = createDatabase(dir.path());
    const std::vector<std::string> expected{"Val", "Ins", "Nut", "LR",     "Cat",    "RRN",  "RIn",
                                            "RNu", "Rel", "EN",  "MM",     "MMI",    "EI",   "TN",
                                            "TI",  "RCI", "ER",  "DETDIE", "DIETAS", "LOTES"};
    EXPECT_EQ(db.tableNames(), expected);

    Statement tn = db.prepare("SELECT Codigo, Tipo FROM TN ORDER BY Codigo");
    std::vector<std::pair<int, std::string>> types;
    while (tn.step()) types.emplace_back(tn.getInt("codigo"), tn.getText("TIPO"));
    const std::vector<std::pair<int, std::string>> expectedTypes{
        {0, "Nutriente"}, {1, "Precio"},    {2, "Materia Seca"}, {3, "Energía"},
        {4, "Proteína"},  {5, "Vitaminas"}, {6, "Minerales"}};
    EXPECT_EQ(types, expectedTypes);

    Statement ti = db.prepare("SELECT Codigo, Nombre FROM TI ORDER BY Codigo");
    std::vector<std::pair<int, std::string>> kinds;
    while (ti.step()) kinds.emplace_back(ti.getInt("Codigo"), ti.getText("Nombre"));
    const std::vector<std::pair<int, std::string>> expectedKinds{
        {1, "Forraje"}, {2, "Proteico"},       {3, "Energético"},
        {4, "Graso"},   {5, "Vit y Mineral."}, {6, "Otros"}};
    EXPECT_EQ(kinds, expectedKinds);

    Statement lot = db.prepare("SELECT * FROM Lotes");
    ASSERT_TRUE(lot.step());
    EXPECT_EQ(lot.getText("Nombre"), "Genérico");
    EXPECT_TRUE(lot.isNull("Precio"));
    EXPECT_EQ(lot.getText("Fecha"), toStoreDate(std::chrono::system_clock::now()));
    EXPECT_FALSE(lot.step());

    for (const std::string& t : expected) {
        if (t != "TN" && t != "TI" && t != "LOTES") {
            EXPECT_EQ(count(db, t), 0) << t;
        }
    }

    // One plain file in the folder: nothing else to pack.
    std::vector<std::string> files;
    for (auto& e : std::filesystem::directory_iterator(dir.path()))
        files.push_back(e.path().filename().string());
    EXPECT_EQ(files, std::vector<std::string>{"vexa.sqlite"});

    EXPECT_THROW(createDatabase(dir.path()), SqlError);
}

TEST(TablesSchema, PrimaryKeysRefuseDuplicatesEnablingTablesDoNot) {
    TempDir dir;
    Database db = createDatabase(dir.path());
    db.exec("INSERT INTO RIn (LR, CNI, Min) VALUES (1, 2, 0)");
    EXPECT_THROW(db.exec("INSERT INTO rin (lr, cni, max) VALUES (1, 2, 5)"), SqlError);
    EXPECT_EQ(count(db, "RIN"), 1);
    for (const char* t : {"EI", "EN"}) {
        db.exec(std::string("INSERT INTO ") + t + " (Cat, CNI) VALUES (1, 2)");
        db.exec(std::string("INSERT INTO ") + t + " (Cat, CNI) VALUES (1, 2)");
        EXPECT_EQ(count(db, t), 2) << t;
    }
    EXPECT_THROW(db.exec("INSERT INTO Val (Ins, Nut, Valor) VALUES (1, 1, 2)"
                         ";INSERT INTO VAL (Ins, Nut, Valor) VALUES (1, 1, 3)"),
                 SqlError);
    // Required fields are required.
    EXPECT_THROW(db.exec("INSERT INTO RRN (LR, Codigo) VALUES (1, 1)"), SqlError);
}

TEST(TablesSchema, CodesAreNeverReusedAfterDelete) {
    TempDir dir;
    Database db = createDatabase(dir.path());
    for (int i = 0; i < 3; ++i) db.exec("INSERT INTO Ins (Nombre) VALUES ('x')");
    db.exec("DELETE FROM Ins WHERE Codigo = 3");
    db.exec("INSERT INTO Ins (Nombre) VALUES ('y')");
    EXPECT_EQ(db.lastInsertRowId(), 4);
    db.exec("DELETE FROM Ins");
    db = Database();  // codes survive closing and reopening the file
    Database again(databaseFile(dir.path()));
    again.exec("INSERT INTO Ins (Nombre) VALUES ('z')");
    EXPECT_EQ(again.lastInsertRowId(), 5);
}

TEST(TablesSchema, NamesAndIndexesOfTheDefinitions) {
    EXPECT_EQ(schemaTables().size(), 20u);
    ASSERT_NE(findTable("lr.DB"), nullptr);
    EXPECT_EQ(findTable("LR.db")->name, "LR");
    EXPECT_EQ(findTable("nope"), nullptr);
    const FieldDef* resul = findTable("RNU")->field("RESUL");
    ASSERT_NE(resul, nullptr);
    EXPECT_EQ(resul->type, FieldType::Money);
    EXPECT_EQ(findTable("Nut")->field("Unidad")->size, 12);

    TempDir dir;
    Database db = createDatabase(dir.path());
    const std::set<std::string> expected{
        "Val_Nut",      "Ins_Nombre", "Nut_Nombre",    "Nut_Orden",     "LR_Cat",      "LR_Nombre",
        "LR_CatNom",    "Cat_Nombre", "Rel_Nombre",    "MM_PorCat",     "MM_Nombre",   "MM_CatNom",
        "MMI_PorValor", "TI_Nombre",  "DIETAS_Nombre", "DIETAS_LoteId", "LOTES_Nombre"};
    EXPECT_EQ(indexNames(db), expected);
    // Names sort and match without regard to case.
    db.exec(
        "INSERT INTO Ins (Nombre) VALUES ('maíz'); INSERT INTO Ins (Nombre) VALUES ('Avena');"
        "INSERT INTO Ins (Nombre) VALUES ('arroz')");
    Statement s = db.prepare("SELECT Nombre FROM INS ORDER BY nombre");
    std::vector<std::string> names;
    while (s.step()) names.push_back(s.getText("NOMBRE"));
    EXPECT_EQ(names, (std::vector<std::string>{"arroz", "Avena", "maíz"}));
}

struct UpgradeCase {
    int version;
    std::string steps;
};

class TablesUpgrade : public ::testing::TestWithParam<UpgradeCase> {};

TEST_P(TablesUpgrade, OldLayoutReachesTheCurrentOne) {
    const UpgradeCase& c = GetParam();
    EXPECT_EQ(upgradeSteps(c.version), c.steps);
    TempDir dir;
    Database current = createDatabase(dir.path());
    std::filesystem::create_directories(dir.path() / "old");
    Database old(databaseFile(dir.path() / "old"), Database::Mode::Create);
    createTables(old, c.version);
    auto has = [&](const char* t, const char* f) {
        auto cols = old.columnNames(t);
        return std::find(cols.begin(), cols.end(), f) != cols.end();
    };
    EXPECT_EQ(has("RIn", "Resul"), c.steps.find('A') == std::string::npos);
    EXPECT_EQ(has("LR", "Ultima"), c.steps.find('C') == std::string::npos);
    EXPECT_EQ(indexNames(old).count("LR_CatNom"), c.steps.find('B') == std::string::npos ? 1u : 0u);
    // Old data stays where it was.
    old.exec("INSERT INTO RIn (LR, CNI, Min, Max) VALUES (7, 3, 1.5, 20)");

    upgradeDatabase(old, c.version);
    for (const TableDef& t : schemaTables())
        EXPECT_EQ(old.columnNames(t.name), current.columnNames(t.name)) << t.name;
    EXPECT_EQ(indexNames(old), indexNames(current));
    Statement s = old.prepare("SELECT * FROM RIn");
    ASSERT_TRUE(s.step());
    EXPECT_EQ(s.getFixed4("Max"), Fixed4::fromInt(20));
    EXPECT_TRUE(s.isNull("Resul"));
}

INSTANTIATE_TEST_SUITE_P(Versions, TablesUpgrade,
                         ::testing::Values(UpgradeCase{103001, "ABC"}, UpgradeCase{103002, "AB"},
                                           UpgradeCase{103003, "A"}, UpgradeCase{103004, ""}));

TEST(TablesSchema, UnknownVersionRunsNoStatement) {
    TempDir dir;
    Database db(databaseFile(dir.path()), Database::Mode::Create);
    createTables(db, 103001);
    EXPECT_FALSE(isKnownLayoutVersion(103005));
    EXPECT_FALSE(isKnownLayoutVersion(103000));
    EXPECT_THROW(upgradeDatabase(db, 103005), std::invalid_argument);
    auto cols = db.columnNames("RIn");
    EXPECT_EQ(std::find(cols.begin(), cols.end(), "Resul"), cols.end());
    EXPECT_EQ(layoutVersionFromNumber(1030.04), 103004);
    EXPECT_EQ(layoutVersionFromNumber(1030.01), 103001);
}

// Everything an upgrade could change: the schema and the rows.
std::string snapshot(Database& db) {
    std::string out;
    Statement s = db.prepare("SELECT type, name, sql FROM sqlite_master ORDER BY name");
    while (s.step()) out += s.getText(0) + " " + s.getText(1) + " " + s.getText(2) + "\n";
    for (const char* t : {"RIn", "MMI", "LR"}) {
        Statement r = db.prepare(std::string("SELECT * FROM ") + t);
        while (r.step())
            for (int i = 0; i < r.columnCount(); ++i) out += r.getText(i, "null") + ";";
    }
    return out;
}

TEST(TablesSchema, HalfUpgradedFileIsCompleted) {
    TempDir dir;
    Database current = createDatabase(dir.path());
    std::filesystem::create_directories(dir.path() / "old");
    Database db(databaseFile(dir.path() / "old"), Database::Mode::Create);
    createTables(db, 103001);
    // An earlier release stopped after these, and wrote no new version.
    db.exec(
        "ALTER TABLE MMI ADD Perc MONEY; ALTER TABLE RNu ADD Resul MONEY;"
        "CREATE INDEX MM_CatNom ON MM (Cat, Nombre)");
    upgradeDatabase(db, 103001);
    for (const TableDef& t : schemaTables())
        EXPECT_EQ(db.columnNames(t.name), current.columnNames(t.name)) << t.name;
    EXPECT_EQ(indexNames(db), indexNames(current));
}

// Fails the n-th statement of the upgrade for n = 1, 2, ... until none is left to fail: each
// failure is reported with its cause and leaves the database exactly as it was.
TEST(TablesSchema, FailedUpgradeLeavesTheDatabaseAsItWas) {
    struct Deny {
        int n = 0, seen = 0;
    };
    auto authorize = [](void* arg, int action, const char*, const char*, const char*, const char*) {
        auto* d = static_cast<Deny*>(arg);
        if (action != SQLITE_ALTER_TABLE && action != SQLITE_CREATE_INDEX) return SQLITE_OK;
        return ++d->seen == d->n ? SQLITE_DENY : SQLITE_OK;
    };
    int failures = 0;
    for (int n = 1;; ++n) {
        SCOPED_TRACE("statement " + std::to_string(n));
        TempDir dir;
        Database db(databaseFile(dir.path()), Database::Mode::Create);
        createTables(db, 103001);
        db.exec(
            "INSERT INTO RIn (LR, CNI, Min) VALUES (1, 2, 3.5);"
            "INSERT INTO MMI (CMM, CIns, Valor) VALUES (1, 2, 50)");
        const std::string before = snapshot(db);
        Deny deny{n, 0};
        sqlite3_set_authorizer(db.handle(), +authorize, &deny);
        try {
            upgradeDatabase(db, 103001);
            sqlite3_set_authorizer(db.handle(), nullptr, nullptr);
            EXPECT_EQ(failures, deny.seen);  // each statement of steps A, B and C was failed
            EXPECT_NE(snapshot(db), before);
            break;
        } catch (const SqlError& e) {
            sqlite3_set_authorizer(db.handle(), nullptr, nullptr);
            ++failures;
            const std::string what = e.what();
            EXPECT_NE(what.find("No se pudo actualizar la base de datos"), std::string::npos);
            EXPECT_NE(what.find("not authorized"), std::string::npos) << what;
            EXPECT_FALSE(db.inTransaction());
            EXPECT_EQ(snapshot(db), before);
        }
        ASSERT_LT(n, 20);
    }
    EXPECT_GE(failures, 7);
}

}  // namespace
}  // namespace vexa
