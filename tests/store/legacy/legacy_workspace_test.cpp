// Workspaces of the earlier program opened as the user opens them: the sample workspace
// written out as Paradox tables with pxlib's writer, packed with our container, converted on
// open, compared field by field with the database it came from, solved, saved and reopened.
#include "../cli_run.h"
#include "../lifecycle_fixture.h"
#include "../sample_fixture.h"
#include "paradox_writer.h"

#include "engine/report_document.h"
#include "store/container/container.h"
#include "store/mix_object2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace vexa {
namespace {

namespace fs = std::filesystem;
using testing::DocumentsFolder;
using testing::PxCol;
using testing::SampleDatabase;

class NoticeUi : public testing::ScriptedUi {
public:
    std::vector<std::string> notices;
    void showNotice(const std::string& m) override { notices.push_back(m); }
};

// Every row of every table as text, in a fixed order, each field read by its type.
std::map<std::string, std::vector<std::string>> contents(Database& db) {
    std::map<std::string, std::vector<std::string>> all;
    for (const TableDef& t : schemaTables()) {
        auto s = db.prepare("SELECT * FROM \"" + t.name + "\"");
        auto& rows = all[t.name];
        while (s.step()) {
            std::string row;
            for (size_t i = 0; i < t.fields.size(); ++i) {
                const int c = s.columnIndex(t.fields[i].name);
                row += t.fields[i].name + "=";
                if (c < 0 || s.isNull(c))
                    row += "<null>";
                else if (t.fields[i].type == FieldType::Money)
                    row += std::to_string(s.getFixed4(c).raw());
                else if (t.fields[i].type == FieldType::Float)
                    row += testing::paradoxCell(s, c, t.fields[i]).value();
                else
                    row += s.getText(c);
                row += "|";
            }
            rows.push_back(row);
        }
        std::sort(rows.begin(), rows.end());
    }
    return all;
}

struct Ration {
    bool feasible = false;
    Fixed4 cost;
    std::vector<std::pair<int32_t, Fixed4>> shares;
    bool operator==(const Ration&) const = default;
};

Ration solve(Tdm& dm, int32_t lr) {
    MemoryReportDocument doc;
    TMixObject2 mix(doc, lr, dm);
    mix.Now = [] {
        return std::chrono::system_clock::time_point(
            std::chrono::sys_days{std::chrono::year{2026} / 3 / 14});
    };
    mix.Mix();
    Ration r{mix.Feasible, mix.CostPerKg, {}};
    for (const auto& g : mix.Ingredients) r.shares.emplace_back(g.Codigo, g.Cantidad);
    return r;
}

// The sample workspace, with what the earlier program's files hold beside it: results of a
// formulation (money, date-times), a code gap, nulls, accented names, a diet with a date.
void prepareSample(SampleDatabase& s) {
    auto all = s.db.prepare("SELECT Codigo FROM LR ORDER BY Codigo");
    std::vector<int32_t> formulas;
    while (all.step()) formulas.push_back(all.getInt(0));
    for (int32_t lr : formulas) solve(*s.dm, lr);
    auto ins = s.db.prepare("SELECT MIN(Codigo), MAX(Codigo) FROM Ins");
    ASSERT_TRUE(ins.step());
    const int32_t first = ins.getInt(0), last = ins.getInt(1);
    // Rows deleted in the earlier program leave their codes unused.
    for (const char* sql : {"DELETE FROM Ins WHERE Codigo = :C", "DELETE FROM Val WHERE Ins = :C",
                            "DELETE FROM RIn WHERE CNI = :C", "DELETE FROM EI WHERE CNI = :C",
                            "DELETE FROM MMI WHERE CIns = :C"})
        s.db.prepare(sql).bind("C", first + 1).execute();
    s.db.prepare("UPDATE Ins SET Nombre = 'Harina de maíz', Redondeo = NULL WHERE Codigo = :C")
        .bind("C", first)
        .execute();
    s.db.prepare("UPDATE Ins SET Nombre = 'Ñame pelado' WHERE Codigo = :C")
        .bind("C", last)
        .execute();
    s.db.exec(
        "UPDATE Nut SET Nombre = 'Proteína cruda', Unidad = NULL WHERE Codigo = "
        "(SELECT MIN(Codigo) FROM Nut WHERE Tipo = 0)");
    s.db.exec(
        "UPDATE LR SET Nombre = 'Engorde cerdos 60-90 kg, maíz y soya' WHERE Codigo = "
        "(SELECT MIN(Codigo) FROM LR)");
    s.db.exec(
        "INSERT INTO DIETAS (Nombre, Fecha, Cant, LoteId) VALUES ('Dieta año', "
        "'1999-12-31', 1500.5, 1)");
}

struct LegacyFile {
    fs::path vxf;
    std::string bytes;
};

// The sample written as the earlier program's workspace: Ins in CP-850, the rest in CP-1252,
// formula names as memos (long ones in LR.MB).
LegacyFile writeLegacy(SampleDatabase& s, const DocumentsFolder& docs, const std::string& name,
                       testing::PxOptions o = {}) {
    const fs::path folder = docs.root / ("legacy-" + name);
    fs::create_directories(folder);
    o.codePages["Ins"] = 850;
    o.columns["LR"] = {PxCol{"Nombre", pxfMemoBLOb, 20}};
    testing::writeParadoxDatabase(s.db, folder, o);
    TDBDef def = s.def;
    def.Ver = kCurrentVer;
    writeDBDef(folder, def);
    LegacyFile f{docs.vxf(name), {}};
    packFolder(folder, f.vxf);
    fs::remove_all(folder);
    f.bytes = testing::bytesOf(f.vxf);
    return f;
}

int32_t maxCode(Database& db, const std::string& table) {
    auto q = db.prepare("SELECT MAX(Codigo) FROM " + table);
    q.step();
    return q.getInt(0);
}

TEST(LegacyWorkspace, OpensConvertedSolvesSavesAndReopens) {
    SampleDatabase s;
    prepareSample(s);
    DocumentsFolder docs;
    LegacyFile legacy = writeLegacy(s, docs, "Antigua.vxf");

    NoticeUi ui;
    Tdmvxf w(docs.settings(), ui);
    w.AbrirVXF(legacy.vxf);
    ASSERT_EQ(w.OpenStage, kStageOk) << w.lastError();
    ASSERT_TRUE(w.lastOpenConverted());
    EXPECT_EQ(ui.notices, std::vector<std::string>{legacyNotice(legacy.vxf)});
    EXPECT_TRUE(w.DBModified);
    // Nothing of the earlier program's files stays in the working folder.
    for (const auto& e : fs::directory_iterator(w.WorkDir))
        EXPECT_NE(e.path().extension(), ".DB") << e.path();

    // Every table, row and field as the database the files were written from.
    const auto want = contents(s.db);
    EXPECT_EQ(contents(w.db()), want);
    long rows = 0;
    for (const auto& c : w.lastConversion()) rows += c.rows;
    long wantRows = 0;
    for (const auto& [t, r] : want) wantRows += static_cast<long>(r.size());
    EXPECT_EQ(rows, wantRows);
    EXPECT_EQ(w.lastConversion().size(), schemaTables().size());

    // Every formula gives the ration it gives in the database of our own.
    Tdm dm(w.db(), w.DBDef);
    auto formulas = s.db.prepare("SELECT Codigo FROM LR ORDER BY Codigo");
    int solved = 0;
    while (formulas.step()) {
        const int32_t lr = formulas.getInt(0);
        EXPECT_EQ(solve(dm, lr), solve(*s.dm, lr)) << "LR " << lr;
        ++solved;
    }
    EXPECT_GT(solved, 0);

    // New rows take codes past every old one.
    const int32_t oldMax = maxCode(w.db(), "Ins");
    testing::addIngredient(w, "Nuevo insumo");
    EXPECT_GT(maxCode(w.db(), "Ins"), oldMax);
    auto newCode = w.db().prepare("SELECT Codigo FROM Ins WHERE Nombre = 'Nuevo insumo'");
    ASSERT_TRUE(newCode.step());
    EXPECT_EQ(newCode.getInt(0), oldMax + 1);

    // The first save writes the current format and keeps the earlier program's file.
    ASSERT_TRUE(w.GuardarVXF()) << w.lastError();
    fs::path backup = legacy.vxf;
    backup.replace_extension(".bkp");
    EXPECT_EQ(testing::bytesOf(backup), legacy.bytes);

    w.AbrirVXF(legacy.vxf);
    ASSERT_EQ(w.OpenStage, kStageOk) << w.lastError();
    EXPECT_FALSE(w.lastOpenConverted());
    EXPECT_EQ(ui.notices.size(), 1u);
    EXPECT_FALSE(w.DBModified);
    EXPECT_EQ(maxCode(w.db(), "Ins"), oldMax + 1);
    Tdm again(w.db(), w.DBDef);
    formulas.reset();
    ASSERT_TRUE(formulas.step());
    EXPECT_EQ(solve(again, formulas.getInt(0)), solve(*s.dm, formulas.getInt(0)));
}

// A small workspace of the earlier program, spoiled one way per case.
struct BadCase {
    const char* what;
    const char* table;  // named in the message
    const char* cause;  // part of the message
    void (*spoil)(const fs::path& folder);
};

void patch(const fs::path& file, std::streamoff at, std::initializer_list<unsigned char> bytes) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(at);
    for (unsigned char b : bytes) f.put(static_cast<char>(b));
}

TEST(LegacyWorkspace, UnreadableTablesAreRefusedAndTheFileKept) {
    const BadCase cases[] = {
        {"truncated", "INS.DB", "truncado",
         [](const fs::path& d) { fs::resize_file(d / "INS.DB", 40); }},
        {"record count lies", "INS.DB", "registros",
         [](const fs::path& d) {
             patch(d / "INS.DB", 6, {0xff, 0xff, 0xff, 0x0f});
         }},
        {"record size lies", "INS.DB", "tamaño de registro",
         [](const fs::path& d) {
             patch(d / "INS.DB", 0, {0x07, 0x00});
         }},
        {"data blocks in a loop", "INS.DB", "bloques",
         [](const fs::path& d) {
             const std::string head = testing::bytesOf(d / "INS.DB");
             const auto headerSize =
                 static_cast<unsigned char>(head[2]) | static_cast<unsigned char>(head[3]) << 8;
             patch(d / "INS.DB", headerSize, {0x01, 0x00});  // the first block follows itself
         }},
        {"unknown field type", "INS.DB", "tipo desconocido",
         [](const fs::path& d) { patch(d / "INS.DB", 0x78, {0x7e}); }},
        {"encrypted", "INS.DB", "cifrada",
         [](const fs::path& d) {
             patch(d / "INS.DB", 0x25, {0x12, 0x34, 0x56, 0x78});
         }},
        {"no Nut.DB", "Nut.DB", "falta", [](const fs::path& d) { fs::remove(d / "NUT.DB"); }},
        {"memo past its file", "LR.DB", "memo",
         [](const fs::path& d) { fs::resize_file(d / "LR.MB", 4096); }},
        {"memo file missing", "LR.DB", ".MB", [](const fs::path& d) { fs::remove(d / "LR.MB"); }},
    };
    SampleDatabase s;
    prepareSample(s);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DocumentsFolder docs;
        const fs::path folder = docs.root / "legacy";
        fs::create_directories(folder);
        testing::PxOptions o;
        o.columns["LR"] = {PxCol{"Nombre", pxfMemoBLOb, 12}};
        testing::writeParadoxDatabase(s.db, folder, o);
        TDBDef def = s.def;
        def.Ver = kCurrentVer;
        writeDBDef(folder, def);
        c.spoil(folder);
        const fs::path file = docs.vxf("Mala.vxf");
        packFolder(folder, file);
        const std::string before = testing::bytesOf(file);

        NoticeUi ui;
        Tdmvxf w(docs.settings(), ui);
        w.AbrirVXF(file);
        EXPECT_NE(w.OpenStage, kStageOk);
        EXPECT_FALSE(w.isOpen());
        EXPECT_TRUE(ui.notices.empty());
        ASSERT_EQ(ui.errors.size(), 1u);
        EXPECT_NE(ui.errors[0].find(c.table), std::string::npos) << ui.errors[0];
        EXPECT_NE(ui.errors[0].find(c.cause), std::string::npos) << ui.errors[0];
        EXPECT_EQ(testing::bytesOf(file), before);
        // No working folder is left behind, half converted or not.
        std::error_code ec;
        EXPECT_TRUE(!fs::exists(docs.root / "Devov") || fs::is_empty(docs.root / "Devov", ec));
    }
}

TEST(LegacyWorkspace, CliConvertWritesTheCurrentFormatAndSaysWhat) {
    SampleDatabase s;
    prepareSample(s);
    DocumentsFolder docs;
    LegacyFile legacy = writeLegacy(s, docs, "Vieja.vxf");
    const fs::path converted = docs.vxf("Nueva.vxf");
    auto run =
        testing::runCli("convert " + testing::quoted(legacy.vxf) + " " + testing::quoted(converted),
                        docs.root / "err.txt");
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("Ins: "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("20 tablas"), std::string::npos) << run.out;
    EXPECT_EQ(testing::bytesOf(legacy.vxf), legacy.bytes);

    NoticeUi ui;
    Tdmvxf w(docs.settings(), ui);
    w.AbrirVXF(converted);
    ASSERT_EQ(w.OpenStage, kStageOk) << w.lastError();
    EXPECT_FALSE(w.lastOpenConverted());
    EXPECT_EQ(contents(w.db()), contents(s.db));
    w.DBModified = false;
    w.CerrarVXF();

    // An ordinary workspace has nothing to convert, and a failed conversion writes nothing.
    auto again = testing::runCli(
        "convert " + testing::quoted(converted) + " " + testing::quoted(docs.vxf("Otra.vxf")),
        docs.root / "err2.txt");
    EXPECT_EQ(again.code, 1);
    EXPECT_NE(again.err.find("no fue escrito por el programa anterior"), std::string::npos);
    EXPECT_FALSE(fs::exists(docs.vxf("Otra.vxf")));
}

}  // namespace
}  // namespace vexa

namespace vexa {
namespace {

TEST(LegacyWorkspace, OlderLayoutGetsTheTablesItLacksAndItsUpgrades) {
    DocumentsFolder docs;
    const fs::path folder = docs.root / "legacy";
    fs::create_directories(folder);
    testing::writeParadoxTable(folder / "Nut.db",
                               {{"CODIGO", pxfAutoInc, 4}, {"NOMBRE", pxfAlpha, 25}},
                               {{"3", "Fósforo"}});
    // An older LR: no Ultima, no Valor.
    testing::writeParadoxTable(
        folder / "lr.DB",
        {{"Codigo", pxfAutoInc, 4}, {"Nombre", pxfAlpha, 40}, {"Cat", pxfLong, 4}},
        {{"9", "Inicio", "1"}});
    TDBDef def;
    def.Ver = Fixed4::fromRaw(10300100);  // 1030.01
    writeDBDef(folder, def);
    const fs::path file = docs.vxf("Vieja.vxf");
    packFolder(folder, file);

    NoticeUi ui;
    Tdmvxf w(docs.settings(), ui);
    w.AbrirVXF(file);
    ASSERT_EQ(w.OpenStage, kStageOk) << w.lastError();
    EXPECT_EQ(w.lastUpgradeSteps(), "ABC");
    EXPECT_EQ(w.DBDef.Ver, kCurrentVer);
    auto lr = w.db().prepare("SELECT Codigo, Nombre, Ultima, Valor FROM LR");
    ASSERT_TRUE(lr.step());
    EXPECT_EQ(lr.getInt(0), 9);
    EXPECT_EQ(lr.getText(1), "Inicio");
    EXPECT_TRUE(lr.isNull(2) && lr.isNull(3));
    auto lotes = w.db().prepare("SELECT Nombre FROM LOTES");
    ASSERT_TRUE(lotes.step());
    EXPECT_EQ(lotes.getText(0), "Genérico");
    auto tn = w.db().prepare("SELECT COUNT(*) FROM TN");
    ASSERT_TRUE(tn.step());
    EXPECT_EQ(tn.getInt(0), 7);
}

}  // namespace
}  // namespace vexa
