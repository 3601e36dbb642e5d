#include "store/legacy/paradox_convert.h"
#include "store/schema.h"

#include <gtest/gtest.h>
// pxlib's header declares its functions without C linkage.
extern "C" {
#include <paradox.h>
}

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;
using namespace vexa;

namespace {

struct Col {
    const char* name;
    char type;
    int len;
};

using Cell = std::optional<std::string>;  // text, or a number written as text; empty: null

// Writes a Paradox table with pxlib's own writer.
void writeTable(const fs::path& file, const std::vector<Col>& cols,
                const std::vector<std::vector<Cell>>& rows, int codePage) {
    PX_boot();
    pxdoc_t* doc = PX_new();
    auto* fields = static_cast<pxfield_t*>(std::malloc(sizeof(pxfield_t) * cols.size()));
    for (size_t i = 0; i < cols.size(); ++i) {
        fields[i].px_fname = strdup(cols[i].name);
        fields[i].px_ftype = cols[i].type;
        fields[i].px_flen = cols[i].len;
        fields[i].px_fdc = 0;
    }
    ASSERT_GE(PX_create_file(doc, fields, static_cast<int>(cols.size()), file.c_str(),
                             pxfFileTypNonIndexDB),
              0);
    PX_set_value(doc, "codepage", static_cast<float>(codePage));
    std::vector<char> data(static_cast<size_t>(PX_get_recordsize(doc)));
    for (const auto& row : rows) {
        std::fill(data.begin(), data.end(), 0);
        int off = 0;
        for (size_t i = 0; i < cols.size(); ++i) {
            char* at = data.data() + off;
            off += cols[i].len;
            if (!row[i]) continue;
            switch (cols[i].type) {
                case pxfAlpha:
                    PX_put_data_alpha(doc, at, cols[i].len, const_cast<char*>(row[i]->c_str()));
                    break;
                case pxfLong:
                case pxfAutoInc:
                case pxfDate:
                    PX_put_data_long(doc, at, cols[i].len, std::stoi(*row[i]));
                    break;
                default:
                    PX_put_data_double(doc, at, cols[i].len, std::stod(*row[i]));
            }
        }
        PX_put_record(doc, data.data());
    }
    PX_close(doc);
    PX_delete(doc);
}

struct Folder {
    fs::path path = fs::temp_directory_path() / ("vexa_px_" + std::to_string(::getpid()));
    Folder() {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~Folder() { fs::remove_all(path); }
};

void writeIns(const fs::path& folder) {
    // Codes 1, 2 and 5 (a gap), a null name, "Maíz" in CP-1252.
    writeTable(folder / "INS.DB",
               {{"Codigo", pxfAutoInc, 4}, {"Nombre", pxfAlpha, 25}, {"ItId", pxfLong, 4}},
               {{"1", "Ma\xEDz", "10"}, {"2", std::nullopt, "11"}, {"5", "Soya", std::nullopt}},
               1252);
}

}  // namespace

TEST(ParadoxConvert, RowsCodesNullsTextAndCounters) {
    Folder f;
    writeIns(f.path);
    // "Año" in CP-850 (ñ is 0xA4 there).
    writeTable(f.path / "nut.db", {{"Codigo", pxfAutoInc, 4}, {"Nombre", pxfAlpha, 25}},
               {{"3", "A\xA4o"}}, 850);
    ASSERT_TRUE(isParadoxFolder(f.path));
    auto counts = convertParadoxFolder(f.path);
    Database db(databaseFile(f.path), Database::Mode::ReadWrite);
    auto s = db.prepare("SELECT Codigo, Nombre, ItId FROM Ins ORDER BY Codigo");
    std::vector<std::tuple<int, std::string, bool>> got;
    while (s.step())
        got.emplace_back(s.getInt(0), s.isNull(1) ? "<null>" : s.getText(1), s.isNull(2));
    std::vector<std::tuple<int, std::string, bool>> want{
        {1, "Maíz", false}, {2, "<null>", false}, {5, "Soya", true}};
    EXPECT_EQ(got, want);
    auto n = db.prepare("SELECT Nombre FROM Nut WHERE Codigo = 3");
    ASSERT_TRUE(n.step());
    EXPECT_EQ(n.getText(0), "Año");
    db.exec("INSERT INTO Ins (Nombre) VALUES ('Nuevo')");
    EXPECT_EQ(db.lastInsertRowId(), 6);
    // Tables the old folder lacks exist, empty or with their default rows.
    EXPECT_TRUE(db.tableExists("LR"));
}

TEST(ParadoxConvert, BadTablesFailNamingTheTable) {
    struct Case {
        const char* what;
        void (*spoil)(const fs::path&);
    };
    const Case cases[] = {
        {"truncated", [](const fs::path& p) { fs::resize_file(p, 40); }},
        {"record count lies",
         [](const fs::path& p) {
             std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(6);
             const char big[4] = {'\xff', '\xff', '\xff', '\x0f'};
             f.write(big, 4);
         }},
        {"unknown field type",
         [](const fs::path& p) {
             std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(0x78);
             f.put('\x7e');
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Folder f;
        writeIns(f.path);
        c.spoil(f.path / "INS.DB");
        try {
            convertParadoxFolder(f.path);
            ADD_FAILURE() << "converted";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("Ins"), std::string::npos) << e.what();
        }
        EXPECT_FALSE(fs::exists(databaseFile(f.path)));
    }
}
