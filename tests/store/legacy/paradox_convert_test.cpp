// The converter on a folder of Paradox tables written with pxlib's writer: codes with a gap,
// nulls, text of two code pages, memos inside the record and in the .MB file, counters.
#include "paradox_writer.h"

#include "store/legacy/paradox_convert.h"
#include "store/schema.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

namespace fs = std::filesystem;
using namespace vexa;
using vexa::testing::writeParadoxTable;

namespace {

struct Folder {
    fs::path path = fs::temp_directory_path() / ("vexa_px_" + std::to_string(::getpid()));
    Folder() {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~Folder() { fs::remove_all(path); }
};

}  // namespace

TEST(ParadoxConvert, RowsCodesNullsTextMemosAndCounters) {
    Folder f;
    // Codes 1, 2 and 5 (a gap), a null name, "Maíz" in CP-1252.
    // The counter stands at 9: codes 6 to 9 were given to ingredients since deleted, whose
    // leftover rows elsewhere must never attach to a new ingredient.
    writeParadoxTable(f.path / "INS.DB",
                      {{"Codigo", pxfAutoInc, 4}, {"Nombre", pxfAlpha, 25}, {"ItId", pxfLong, 4}},
                      {{"1", "Maíz", "10"}, {"2", std::nullopt, "0"}, {"5", "Soya", std::nullopt}},
                      1252, 9);
    // CP-850, and a memo column: short text inside the record, long text in NUT.MB.
    const std::string longName = "Ñame y año: energía metabolizable aparente corregida";
    writeParadoxTable(
        f.path / "nut.db",
        {{"Codigo", pxfAutoInc, 4}, {"nombre", pxfMemoBLOb, 15}, {"Orden", pxfShort, 2}},
        {{"3", "Año", "-2"}, {"4", longName, "7"}}, 850);
    ASSERT_TRUE(isParadoxFolder(f.path));
    auto counts = convertParadoxFolder(f.path);
    EXPECT_FALSE(isParadoxFolder(f.path));
    EXPECT_FALSE(fs::exists(f.path / "INS.DB"));
    EXPECT_FALSE(fs::exists(f.path / "nut.MB"));
    ASSERT_EQ(counts.size(), 2u);
    EXPECT_EQ(counts[0].table, "Ins");
    EXPECT_EQ(counts[0].rows, 3);

    Database db(databaseFile(f.path), Database::Mode::ReadWrite);
    auto s = db.prepare("SELECT Codigo, Nombre, ItId FROM Ins ORDER BY Codigo");
    std::vector<std::tuple<int, std::string, std::string>> got;
    while (s.step())
        got.emplace_back(s.getInt(0), s.isNull(1) ? "<null>" : s.getText(1),
                         s.isNull(2) ? "<null>" : s.getText(2));
    const std::vector<std::tuple<int, std::string, std::string>> want{
        {1, "Maíz", "10"}, {2, "<null>", "0"}, {5, "Soya", "<null>"}};
    EXPECT_EQ(got, want);
    auto n = db.prepare("SELECT Nombre, Orden FROM Nut ORDER BY Codigo");
    ASSERT_TRUE(n.step());
    EXPECT_EQ(n.getText(0), "Año");
    EXPECT_EQ(n.getInt(1), -2);
    ASSERT_TRUE(n.step());
    EXPECT_EQ(n.getText(0), longName);
    db.exec("INSERT INTO Ins (Nombre) VALUES ('Nuevo')");
    EXPECT_EQ(db.lastInsertRowId(), 10);
    // Tables the old folder lacks exist, with their default rows.
    auto tn = db.prepare("SELECT COUNT(*) FROM TN");
    ASSERT_TRUE(tn.step());
    EXPECT_EQ(tn.getInt(0), 7);
}

// Logical fields keep their truth: a mix line whose rounding is the default one stays so.
TEST(ParadoxConvert, LogicalFieldsKeepTrueFalseAndEmpty) {
    Folder f;
    writeParadoxTable(f.path / "INS.DB", {{"Codigo", pxfAutoInc, 4}, {"Nombre", pxfAlpha, 25}},
                      {{"1", "Maíz"}});
    writeParadoxTable(f.path / "NUT.DB", {{"Codigo", pxfAutoInc, 4}, {"Nombre", pxfAlpha, 25}},
                      {{"1", "Proteína"}});
    writeParadoxTable(
        f.path / "MMI.DB",
        {{"CMM", pxfLong, 4},
         {"CIns", pxfLong, 4},
         {"Valor", pxfNumber, 8},
         {"DefRed", pxfLogical, 1}},
        {{"1", "1", "60", "1"}, {"1", "2", "40", "0"}, {"1", "3", "0", std::nullopt}});
    convertParadoxFolder(f.path);
    Database db(databaseFile(f.path), Database::Mode::ReadWrite);
    auto s = db.prepare("SELECT CIns, coalesce(DefRed, 'null') FROM MMI ORDER BY CIns");
    std::vector<std::pair<int, std::string>> got;
    while (s.step()) got.emplace_back(s.getInt(0), s.getText(1));
    EXPECT_EQ(got, (std::vector<std::pair<int, std::string>>{{1, "1"}, {2, "0"}, {3, "null"}}));
}

// A field the layout does not know (a value field named Valor_) is never dropped in silence:
// the conversion is refused naming the table and the field, and nothing is converted.
TEST(ParadoxConvert, AnUnknownFieldRefusesTheConversionNamingIt) {
    Folder f;
    writeParadoxTable(f.path / "INS.DB", {{"Codigo", pxfAutoInc, 4}, {"Nombre", pxfAlpha, 25}},
                      {{"1", "Maíz"}});
    writeParadoxTable(f.path / "NUT.DB", {{"Codigo", pxfAutoInc, 4}, {"Nombre", pxfAlpha, 25}},
                      {{"1", "Proteína"}});
    writeParadoxTable(f.path / "VAL.DB",
                      {{"Ins", pxfLong, 4}, {"Nut", pxfLong, 4}, {"Valor_", pxfNumber, 8}},
                      {{"1", "1", "8.5"}});
    try {
        convertParadoxFolder(f.path);
        ADD_FAILURE() << "converted";
    } catch (const std::exception& e) {
        const std::string what = e.what();
        EXPECT_NE(what.find("VAL.DB"), std::string::npos) << what;
        EXPECT_NE(what.find("Valor_"), std::string::npos) << what;
    }
    EXPECT_TRUE(isParadoxFolder(f.path));  // the folder as it was
    EXPECT_TRUE(fs::exists(f.path / "VAL.DB"));
}

TEST(ParadoxConvert, AFailureHalfWayLeavesTheFolderAsItWas) {
    Folder f;
    writeParadoxTable(f.path / "NUT.DB", {{"Codigo", pxfAutoInc, 4}, {"Nombre", pxfAlpha, 25}},
                      {{"1", "Proteína"}});
    // Converted after Nut, and found damaged then.
    writeParadoxTable(f.path / "RNU.DB", {{"LR", pxfLong, 4}, {"CNI", pxfLong, 4}}, {{"1", "1"}});
    fs::resize_file(f.path / "RNU.DB", 100);
    std::vector<std::string> before;
    for (const auto& e : fs::directory_iterator(f.path)) before.push_back(e.path().filename());
    try {
        convertParadoxFolder(f.path);
        ADD_FAILURE() << "converted";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("RNU.DB"), std::string::npos) << e.what();
    }
    std::vector<std::string> after;
    for (const auto& e : fs::directory_iterator(f.path)) after.push_back(e.path().filename());
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before);
    EXPECT_TRUE(isParadoxFolder(f.path));
}
