#include "cli/workspace_solve.h"

#include "cli/workspace_session.h"
#include "store/catalog_queries.h"
#include "store/formula_suggestions.h"
#include "store/mix_object2.h"
#include "store/shared_db_procs.h"
#include "store/settings.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <stdexcept>

namespace vexa::cli {

namespace fs = std::filesystem;

bool isWorkspaceFile(const fs::path& file) {
    auto ext = file.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".vxf" || ext == ".bkp";
}

namespace {

// The engine's JSON results with the formula's code and name in front.
std::string resultJson(TMixObject2& mix) {
    std::ostringstream body;
    printSolveJson(mix, body);
    std::string text = body.str();
    std::string head = "{\n  \"formula\": " + std::to_string(mix.FormulaCode) + ",\n  \"name\": " +
                       nlohmann::json(mix.ItemName(kNameFormula, mix.FormulaCode)).dump() + ",\n";
    return head + text.substr(text.find('\n') + 1);
}

}  // namespace

int solveWorkspace(const SolveRequest& request, std::ostream& out, std::ostream& err) {
    if ((request.formula > 0) == request.all || (request.all && request.group <= 0)) {
        err << "vexa-cli: indique --formula CÓDIGO, o --group CÓDIGO --all\n";
        return 2;
    }
    CliWorkspace ws(err);
    ws.setBreakLock(request.breakLock);
    if (!ws.open(request.file, request.save)) return 2;
    Tdm& dm = ws.dm();
    Database& db = ws.vxf().db();

    std::vector<int32_t> formulas;
    if (request.all) {
        if (dm.NombreDe(kNameGroup, request.group).empty() && !groupExists(db, request.group)) {
            err << "vexa-cli: no existe el grupo " << request.group << '\n';
            return 2;
        }
        formulas = formulasOfGroup(db, request.group);
    } else {
        formulas.push_back(request.formula);
    }

    const std::string dbName = NombreBD(ws.vxf().DBDef, ws.vxf().CurrentVXF);
    int code = 0;
    std::vector<std::string> results;
    std::vector<FailedWrite> unsaved;
    // One run of formula lr, printed; true when its suggestions were written and it is to run
    // again.
    auto runOnce = [&](int32_t lr) {
        MemoryReportDocument doc;
        TMixObject2 mix(doc, lr, dm);
        if (!mix.formulaFound()) {
            err << "vexa-cli: no existe la fórmula " << lr << '\n';
            code = std::max(code, 2);
            return false;
        }
        mix.DatabaseName = dbName;
        mix.Identity = ReportIdentity{SisOpc().Nombre, SisOpc().Compania, SisOpc().Granja};
        try {
            mix.Mix();
        } catch (const EngineError& e) {
            // The engine's refusals, as the desktop program shows them; nothing is stored.
            err << mix.ItemName(kNameFormula, lr) << ": " << e.what() << '\n';
            code = std::max(code, 1);
            return false;
        }
        unsaved.insert(unsaved.end(), mix.unsavedResults().begin(), mix.unsavedResults().end());
        if (request.json) {
            results.push_back(resultJson(mix));
        } else {
            printSolveReports(mix, request.reports, out);
            if (formulas.size() > 1) out << '\n';
        }
        if (!request.applySuggestions || mix.Feasible || mix.Suggestions.empty()) return false;
        // The suggestions go into the working copy; the file changes only with --save.
        try {
            const int applied = AplicarSugerencias(db, lr, mix.Suggestions);
            if (!request.json)
                out << (formulas.size() > 1 ? "" : "\n") << "Sugerencias aplicadas: " << applied
                    << "\n\n";
            return true;
        } catch (const SqlError& e) {
            err << "vexa-cli: " << mix.ItemName(kNameFormula, lr)
                << ": no se pudieron escribir las sugerencias: " << e.what() << '\n';
            code = std::max(code, 2);
            return false;
        }
    };
    for (int32_t lr : formulas)
        if (runOnce(lr)) runOnce(lr);
    if (request.json) {
        if (request.all || results.size() > 1) {
            out << "[\n";
            for (size_t i = 0; i < results.size(); ++i) {
                std::string r = results[i];
                if (!r.empty() && r.back() == '\n') r.pop_back();
                out << r << (i + 1 < results.size() ? ",\n" : "\n");
            }
            out << "]\n";
        } else if (!results.empty()) {
            out << results[0];
        }
    }
    if (request.save && !unsaved.empty()) {
        // Saving now would give the file results that are not the ones just computed.
        err << "vexa-cli: no se guardaron estos resultados; el archivo queda sin cambios:\n";
        for (const FailedWrite& f : unsaved) err << "  " << f.what << ": " << f.cause << '\n';
        return 2;
    }
    if (request.save) {
        ws.vxf().DBModified = true;
        if (!ws.vxf().GuardarVXF()) return 2;
    }
    return code;
}

}  // namespace vexa::cli
