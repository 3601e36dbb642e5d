#pragma once
// vexa-cli solve on a workspace (.vxf): one stored formula, or every formula of a group,
// solved through TMixObject2. Results are stored (and the workspace saved with its backup)
// only with --save; otherwise the file is never touched.
#include "cli/solve_cmd.h"

#include <filesystem>
#include <ostream>

namespace vexa::cli {

bool isWorkspaceFile(const std::filesystem::path& file);

// Exit codes as runSolve: 0 every run completed (feasible or not), 1 the engine refused a
// formula, 2 the workspace, the formula or the group cannot be used or the save failed
// (with --save, a result the database refused fails the save: the file is left unchanged
// and each result not stored is named).
int solveWorkspace(const SolveRequest& request, std::ostream& out, std::ostream& err);

}  // namespace vexa::cli
