#pragma once
// What a workspace database may hold besides its data. The schema of a file runs as code when
// it is read (triggers, views, virtual tables), so a file that carries such objects, or
// an object under the name of one of the workspace tables that is not a plain table, is
// refused before any of its tables is read. Indexes and extra plain tables are inert and
// allowed (older releases and the engine's own statistics leave some).
#include "store/sqlite_db.h"

#include <string>
#include <vector>

namespace vexa {

struct SchemaProblem {
    std::string type;  // as sqlite_master says: "trigger", "view", "table", ...
    std::string name;
    std::string reason;  // Spanish, for the user
};

// Every object of the file that a workspace must not have (empty: the schema is sound).
std::vector<SchemaProblem> findSchemaProblems(Database& db);

// Throws SqlError with a Spanish message naming the first problem (and how many more) when
// findSchemaProblems finds any. Run by every Database when it opens a file.
void checkWorkspaceSchema(Database& db);

}  // namespace vexa
