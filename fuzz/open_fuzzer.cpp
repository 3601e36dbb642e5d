// libFuzzer target for the whole open path of a workspace: the container is unpacked, its
// database connected (bounds, schema check), upgraded from the layout DB.def names, and the
// first queries of the program run on it (lookup lists, names, a least-cost run of the first
// formulas with its results stored). The first byte picks the input's use:
//   0: the rest is the database file itself; it is packed with a DB.def into a sound
//      workspace file first, so mutations reach the database behind the container;
//   1: the rest is a workspace file as it stands.
// Bits 2-3 of the first byte pick the layout version written in DB.def (mode 0).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/memory_mix_object.h"
#include "store/container/container.h"
#include "store/mix_object2.h"
#include "store/schema.h"
#include "store/tdm.h"
#include "store/workspace.h"

namespace fs = std::filesystem;

namespace {

struct Place {
    fs::path base, input, build, work, tmp;
    Place() {
        fs::path top = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::path("/tmp");
        base = top / ("vexa-open-fuzz-" + std::to_string(getpid()));
        input = base / "in.vxf";
        build = base / "build";
        work = base / "work";
        tmp = base / "tmp";
        fs::create_directories(tmp);
        setenv("TMPDIR", tmp.c_str(), 1);
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(fs::path(std::getenv("TMPDIR")).parent_path(), ec);
        });
    }
};

// Every question answered No; errors are expected and ignored.
class QuietUi : public vexa::WorkspaceUi {};

void write(const fs::path& file, const std::uint8_t* data, std::size_t size) {
    std::ofstream o(file, std::ios::binary | std::ios::trunc);
    o.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

// What the program does first with an open workspace.
void firstQueries(vexa::Tdmvxf& vxf) {
    vexa::Tdm dm(vxf.database(), vxf.DBDef);
    dm.AbrirTablas();
    vexa::Database& db = vxf.db();
    for (const char* sql : {vexa::tdm_sql::qCat, vexa::tdm_sql::qNut, vexa::tdm_sql::qIns,
                            vexa::tdm_sql::qFor, vexa::tdm_sql::qNutUni, vexa::tdm_sql::qNutxIns,
                            vexa::tdm_sql::qlbTI, vexa::tdm_sql::qlbTN, vexa::tdm_sql::qlbIns}) {
        try {
            vexa::Statement s = db.prepare(sql);
            for (int rows = 0; rows < 1000 && s.step(); ++rows)
                for (int i = 0; i < s.columnCount(); ++i) (void)s.value(i);
        } catch (const vexa::SqlError&) {
        }
    }
    std::vector<int32_t> formulas;
    try {
        vexa::Statement s = db.prepare("Select Codigo From LR Order By Codigo Limit 3");
        while (s.step()) formulas.push_back(s.getInt(0));
    } catch (const vexa::SqlError&) {
    }
    for (int32_t lr : formulas) {
        try {
            (void)dm.NombreDe(vexa::kNameFormula, lr);
            vexa::MemoryReportDocument doc;
            vexa::TMixObject2 mix(doc, lr, dm);
            if (!mix.formulaFound()) continue;
            mix.Mix();
            (void)vexa::describeFailedWrites(mix.unsavedResults());
            mix.WriteFullReport();
        } catch (const std::exception&) {
            // Refusals of the engine (EngineError) and of the store (SqlError) are answers.
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Place place;
    if (size == 0) return 0;
    std::error_code ec;
    if ((data[0] & 1) == 0) {
        static const int kVersions[] = {103004, 103003, 103002, 103001};
        fs::remove_all(place.build, ec);
        fs::create_directories(place.build);
        write(place.build / vexa::kDatabaseFileName, data + 1, size - 1);
        vexa::TDBDef def;
        def.Ver = vexa::Fixed4::fromRaw(int64_t{kVersions[(data[0] >> 2) & 3]} * 100);
        def.Nombre = "Fuzz";
        vexa::writeDBDef(place.build, def);
        try {
            vexa::packFolder(place.build, place.input);
        } catch (const std::exception&) {
            return 0;
        }
    } else {
        write(place.input, data + 1, size - 1);
    }

    vexa::WorkspaceSettings settings;
    settings.workRoot = place.work;
    settings.privateFolder = place.tmp / "private";
    settings.documents = place.base;
    settings.vxfPath = place.base;
    QuietUi ui;
    {
        vexa::Tdmvxf vxf(settings, ui);
        vxf.AbrirVXF(place.input);
        if (vxf.OpenStage == vexa::kStageOk && vxf.isOpen()) {
            firstQueries(vxf);
            vxf.DBModified = false;
        }
        vxf.CerrarVXF();
    }
    fs::remove_all(place.work, ec);
    fs::remove_all(place.tmp / "private", ec);
    return 0;
}
