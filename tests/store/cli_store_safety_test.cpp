// vexa-cli on workspaces that another program wrote: names in code page 1252, a database that
// refuses the results, a schema that would run code. Run as a user would.
#include "cli_run.h"
#include "lifecycle_fixture.h"

#include "store/workspace.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace vexa {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::DocumentsFolder;
using testing::ScriptedUi;

CliRun cli(const std::string& args, const fs::path& errFile) {
    return testing::runCli(args, errFile);
}

std::string bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A one-formula workspace (ingredient names as given, bytes as they are), then `extra` SQL run
// on its database by a plain connection, as another program would.
fs::path makeWorkspace(DocumentsFolder& docs, const std::string& corn, const std::string& extra) {
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    const fs::path file = docs.vxf("Ajena.vxf");
    w.CrearVXF(file, [&](Database& db, TDBDef&) {
        db.exec(
            "INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) VALUES ('Costo', '$/Kg', 1, 1);"
            "INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) VALUES ('Proteína', '%', 4, 2);"
            "INSERT INTO Cat (Nombre, Precio) VALUES ('G', 1);"
            "INSERT INTO EN (Cat, CNI) VALUES (1, 2);"
            "INSERT INTO LR (Nombre, Cat, Cons) VALUES ('F', 1, 100)");
        Statement ins = db.prepare("INSERT INTO Ins (Nombre, ItId) VALUES (:N, 1)");
        ins.bind("N", corn).execute();
        ins.bind("N", std::string("Soya")).execute();
        db.exec(
            "INSERT INTO Val VALUES (1, 1, 0.19); INSERT INTO Val VALUES (1, 2, 9);"
            "INSERT INTO Val VALUES (2, 1, 0.39); INSERT INTO Val VALUES (2, 2, 48);"
            "INSERT INTO RIn (LR, CNI) VALUES (1, 1); INSERT INTO RIn (LR, CNI) VALUES (1, 2);"
            "INSERT INTO RNu (LR, CNI, Min) VALUES (1, 2, 20)");
        if (extra.empty()) return;
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(db.file().c_str(), &raw), SQLITE_OK);
        char* err = nullptr;
        EXPECT_EQ(sqlite3_exec(raw, extra.c_str(), nullptr, nullptr, &err), SQLITE_OK)
            << (err ? err : "");
        sqlite3_free(err);
        sqlite3_close(raw);
    });
    return file;
}

TEST(CliStoreSafety, Latin1NamesComeOutAsUtf8Json) {
    DocumentsFolder docs;
    const fs::path file = makeWorkspace(docs, "Ma\xEDz amarillo", "");
    CliRun r = cli("solve '" + file.string() + "' --formula 1 --json", docs.root / "err.txt");
    ASSERT_EQ(r.code, 0) << r.err;
    nlohmann::json j = nlohmann::json::parse(r.out);  // throws on bytes that are not UTF-8
    EXPECT_EQ(j["ingredients"][0]["name"], "Maíz amarillo");
    CliRun text = cli("solve '" + file.string() + "' --formula 1", docs.root / "err.txt");
    EXPECT_NE(text.out.find("Maíz amarillo"), std::string::npos) << text.out;
}

TEST(CliStoreSafety, RefusedResultsFailTheSaveAndNameWhatWasLost) {
    DocumentsFolder docs;
    // Marked as the current layout, but the results column is gone: every RIn update fails.
    const fs::path file = makeWorkspace(docs, "Maíz", "ALTER TABLE RIn DROP COLUMN Resul");
    const std::string before = bytesOf(file);
    CliRun r = cli("solve '" + file.string() + "' --formula 1 --save", docs.root / "err.txt");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("no se guardaron"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("RIn.Resul de la fórmula 1, insumo 1"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("RIn.Resul de la fórmula 1, insumo 2"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Resul"), std::string::npos) << r.err;
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_FALSE(fs::exists(backupPath(file)));
    // Without --save nothing was to be stored: the run is fine.
    EXPECT_EQ(cli("solve '" + file.string() + "' --formula 1", docs.root / "err.txt").code, 0);
}

TEST(CliStoreSafety, HostileSchemaIsRefusedAndTheFileKept) {
    struct Case {
        const char* sql;
        const char* message;
    };
    const Case cases[] = {
        {"CREATE TRIGGER t AFTER UPDATE ON LR BEGIN DELETE FROM Ins; DELETE FROM Val; END",
         "disparador \"t\""},
        {"CREATE VIEW v AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
         "SELECT x FROM c",
         "vista \"v\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        DocumentsFolder docs;
        const fs::path file = makeWorkspace(docs, "Maíz", c.sql);
        const std::string before = bytesOf(file);
        for (const char* verb : {"solve '%s' --formula 1 --save", "list '%s' formulas"}) {
            char args[4096];
            std::snprintf(args, sizeof args, verb, file.c_str());
            CliRun r = cli(args, docs.root / "err.txt");
            EXPECT_NE(r.code, 0) << args;
            EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
            EXPECT_NE(r.err.find("Por seguridad no se abre"), std::string::npos) << r.err;
        }
        EXPECT_EQ(bytesOf(file), before);
    }
}

}  // namespace
}  // namespace vexa
