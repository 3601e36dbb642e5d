#pragma once
// The sample workspace: nutrients, ingredients with values and prices, and groups of broiler,
// layer and pig formulas, built from a seed text kept in the repository.
#include "store/db_def.h"
#include "store/sqlite_db.h"
#include "store/workspace.h"

#include <filesystem>

#include <string_view>

namespace vexa {

// The seed compiled into the program (samples/sample_workspace.json).
std::string_view sampleWorkspaceSeed();

struct SampleCounts {
    int nutrients = 0, ingredients = 0, groups = 0, formulas = 0;
};

// Fills an empty database from the seed (one transaction) and sets the workspace defaults
// (price nutrient, dry-matter nutrient, default group, name, comment) in `def`. Throws
// std::runtime_error for a seed that names something it does not define.
SampleCounts fillSampleWorkspace(Database& db, TDBDef& def,
                                 std::string_view seed = sampleWorkspaceSeed());

// Writes the sample workspace file (the desktop program's default "Vexa30.VXF" on a first
// start); an existing file is kept as its ".bkp". Does not open it. Throws on failure.
SampleCounts CrearVXFEjemplo(Tdmvxf& vxf, const std::filesystem::path& file);

}  // namespace vexa
