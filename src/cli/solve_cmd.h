#pragma once
// vexa-cli solve: one least-cost run and its results, as text reports or as JSON. The output
// functions take any mix object, so a formula read from a workspace prints the same way as
// one read from a formula file.
#include "engine/mix_object.h"

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace vexa::cli {

struct SolveRequest {
    std::filesystem::path file;
    bool json = false;
    std::vector<std::string> reports;  // "solution", "contribution", "sensitivity", "content"...
    // Workspaces (.vxf) only: which stored formula, or every formula of a group; --save
    // stores the results and saves the workspace.
    int32_t formula = 0;
    int32_t group = 0;
    bool all = false;
    bool save = false;
    // An infeasible formula gets its suggestions written into its bounds (the formula file, or
    // the workspace formula, stored with --save) and is solved again once.
    bool applySuggestions = false;
    // --break-lock: with --save, a lock left by another host (no program here holds it) is
    // taken over.
    bool breakLock = false;
};

// Solves the formula the request names and prints the results; returns the exit code
// (0 a completed run, feasible or not; 1 a formula the engine refuses; 2 a file that
// cannot be used). Dispatches on the kind of file.
int runSolve(const SolveRequest& request, std::ostream& out, std::ostream& err);

// A JSON formula file (the format of samples/broiler_starter.json).
int solveFormulaFile(const SolveRequest& request, std::ostream& out, std::ostream& err);

// The results of a finished run: every quantity with its 4 decimals.
void printSolveJson(TMixObject& mix, std::ostream& out);
// The header and the chosen reports (the solution when none is chosen), as fixed-pitch text;
// content and summary only for a formula of a workspace.
void printSolveReports(TMixObject& mix, const std::vector<std::string>& reports, std::ostream& out);

}  // namespace vexa::cli
