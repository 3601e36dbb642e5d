#pragma once
// Working folders written by the earlier program hold one Paradox table per file instead of
// a database. They are converted into a new database in that same folder.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexa {

struct LegacyTableCount {
    std::string table;
    long rows = 0;
};

// True when `folder` has Paradox tables (*.DB) and no database file.
bool isParadoxFolder(const std::filesystem::path& folder);

// Creates the database in `folder` from its Paradox tables: every table of the layout (names
// matched without regard to case), every row with its codes, AutoInc counters past the largest
// code, memos read from their .MB files, text decoded from the table's code page. Tables the
// folder lacks are created empty. The Paradox files are removed once the database is complete.
// A folder without Nut.DB, or a table that cannot be read, throws std::runtime_error naming
// the table and the cause; the folder is then left as it was, without a database file.
std::vector<LegacyTableCount> convertParadoxFolder(const std::filesystem::path& folder);

}  // namespace vexa
