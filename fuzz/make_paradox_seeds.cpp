// Seeds of the Paradox fuzz target: nutrient tables written with pxlib's writer, with every
// field type the converter maps, nulls, text of two code pages and memos in the record and in
// the .MB file, each seed being NUT.DB, "\nMB\n" and NUT.MB.
extern "C" {
#include <paradox.h>
}

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void seed(const fs::path& out, int rows, int codePage, int memoLength) {
    const fs::path db = out.parent_path() / "seed.DB", mb = out.parent_path() / "seed.MB";
    struct Col {
        const char* name;
        char type;
        int len;
    } cols[] = {{"Codigo", pxfAutoInc, 4},  {"Nombre", pxfMemoBLOb, memoLength},
                {"Unidad", pxfAlpha, 12},   {"ItId", pxfShort, 2},
                {"Tipo", pxfLong, 4},       {"Orden", pxfNumber, 8},
                {"Precio", pxfCurrency, 8}, {"Fecha", pxfDate, 4},
                {"Activo", pxfLogical, 1},  {"Ultima", pxfTimestamp, 8}};
    const int n = sizeof cols / sizeof cols[0];
    pxdoc_t* doc = PX_new();
    auto* fields = static_cast<pxfield_t*>(std::malloc(sizeof(pxfield_t) * n));
    for (int i = 0; i < n; ++i) fields[i] = {strdup(cols[i].name), cols[i].type, cols[i].len, 0};
    PX_create_file(doc, fields, n, db.c_str(), pxfFileTypNonIndexDB);
    PX_set_value(doc, "codepage", static_cast<float>(codePage));
    PX_create_blob_file(PX_new_blob(doc), mb.c_str());
    std::vector<char> rec(static_cast<size_t>(PX_get_recordsize(doc)));
    for (int r = 0; r < rows; ++r) {
        std::fill(rec.begin(), rec.end(), 0);
        char* at = rec.data();
        PX_put_data_long(doc, at, 4, r * 3 + 1);
        at += 4;
        std::string name =
            r % 2 ? "Ma\xa1z"
                  : "Prote\xa1na cruda de la harina de soya n\xa3mero " + std::to_string(r);
        if (r % 5 != 4)
            PX_put_data_blob(doc, at, memoLength, name.data(), static_cast<int>(name.size()));
        at += memoLength;
        char unit[] = "g/kg";
        if (r % 3) PX_put_data_alpha(doc, at, 12, unit);
        at += 12;
        PX_put_data_short(doc, at, 2, static_cast<short>(-r));
        at += 2;
        PX_put_data_long(doc, at, 4, r % 7);
        at += 4;
        PX_put_data_double(doc, at, 8, r * 1.25);
        at += 8;
        PX_put_data_double(doc, at, 8, r * 10.0001);
        at += 8;
        PX_put_data_long(doc, at, 4, 730000 + r);
        at += 4;
        PX_put_data_byte(doc, at, 1, static_cast<char>(r % 2));
        at += 1;
        PX_put_data_double(doc, at, 8, 6.3e13 + r * 1000.0);
        PX_put_record(doc, rec.data());
    }
    PX_close(doc);
    PX_delete(doc);
    std::ofstream(out, std::ios::binary) << bytesOf(db) << "\nMB\n" << bytesOf(mb);
    fs::remove(db);
    fs::remove(mb);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const fs::path dir = argv[1];
    fs::create_directories(dir);
    seed(dir / "small-850", 3, 850, 15);
    seed(dir / "rows-1252", 40, 1252, 20);
    seed(dir / "inline-memos", 6, 1252, 60);
    return 0;
}
