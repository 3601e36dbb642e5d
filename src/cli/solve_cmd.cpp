#include "cli/solve_cmd.h"

#include "cli/verbs.h"
#include "store/file_target.h"
#include "cli/workspace_solve.h"
#include "engine/memory_mix_object.h"
#include "engine/suggestions.h"
#include "store/mix_object2.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <locale>
#include <sstream>
#include <iostream>
#include <memory>
#include <stdexcept>

namespace vexa::cli {

namespace {

// nlohmann would print 12.5 as 12.5; the results are Fixed4, so they are written as text with
// all 4 decimals.
std::string num(Fixed4 v) {
    return v.toString();
}
std::string num(double v) {
    return Fixed4::fromDouble(v).toString();
}
// A shadow price at full precision: an energy dual is a few 1e-5 $/kg per kcal. Fixed
// notation (no exponent), 15 significant digits, at least 4 decimals.
std::string exact(double v) {
    if (!std::isfinite(v)) return "null";
    if (std::fabs(v) < 1e-300) return "0.0000";
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(v))));
    std::ostringstream os;
    os.imbue(std::locale::classic());
    os << std::fixed << std::setprecision(std::clamp(14 - magnitude, 4, 40)) << v;
    std::string t = os.str();
    const size_t dot = t.find('.');
    while (t.size() > dot + 5 && t.back() == '0') t.pop_back();
    return t;
}
std::string str(const std::string& s) {
    return nlohmann::json(s).dump();
}
std::string boolean(bool b) {
    return b ? "true" : "false";
}

// One JSON object on one line, fields in the order added.
class Fields {
public:
    Fields& add(const char* key, const std::string& jsonValue) {
        text_ += text_.empty() ? "{" : ", ";
        text_ += str(key) + ": " + jsonValue;
        return *this;
    }
    Fields& add(const char* key, int32_t v) { return add(key, std::to_string(v)); }
    std::string done() const { return text_.empty() ? "{}" : text_ + "}"; }

private:
    std::string text_;
};

void printList(std::ostream& out, const char* key, const std::vector<std::string>& items,
               bool last) {
    out << "  " << str(key) << ": [";
    for (size_t i = 0; i < items.size(); ++i) out << (i ? ",\n    " : "\n    ") << items[i];
    out << (items.empty() ? "]" : "\n  ]") << (last ? "\n" : ",\n");
}

// The bounds of `formula` written over those of the same codes in the formula file, through
// a temporary file beside it, so that a failed write leaves the file as it was. Everything
// else in the file stays as the user wrote it.
bool writeBoundsIntoFile(const std::filesystem::path& path, const Formula& before,
                         const Formula& formula, std::ostream& err) {
    nlohmann::json doc;
    {
        std::ifstream in(path);
        doc = nlohmann::json::parse(in, nullptr, false);
    }
    if (doc.is_discarded() || !doc.is_object()) {
        err << "vexa-cli: no se pudo leer de nuevo " << path.string() << '\n';
        return false;
    }
    auto number = [](Fixed4 v) { return nlohmann::json(v.toDouble()); };
    auto patch = [&](const char* list, auto&& setBounds) {
        auto it = doc.find(list);
        if (it == doc.end() || !it->is_array()) return;
        for (auto& item : *it)
            if (item.is_object() && item.contains("code") && item["code"].is_number_integer())
                setBounds(item, item["code"].get<int32_t>());
    };
    patch("ingredients", [&](nlohmann::json& item, int32_t code) {
        for (size_t i = 0; i < formula.ingredients.size(); ++i) {
            const FormulaIngredient& g = formula.ingredients[i];
            const FormulaIngredient& was = before.ingredients[i];
            if (g.code == code && (g.min != was.min || g.max != was.max)) {
                item["min"] = g.min.isZero() ? nlohmann::json(nullptr) : number(g.min);
                item["max"] = number(g.max);
            }
        }
    });
    patch("nutrients", [&](nlohmann::json& item, int32_t code) {
        for (size_t i = 0; i < formula.nutrients.size(); ++i) {
            const FormulaNutrient& n = formula.nutrients[i];
            const FormulaNutrient& was = before.nutrients[i];
            if (n.code == code && (n.min != was.min || n.max != was.max)) {
                item["min"] = n.min.isZero() ? nlohmann::json(nullptr) : number(n.min);
                item["max"] = n.max.isZero() ? nlohmann::json(nullptr) : number(n.max);
            }
        }
    });
    patch("ratios", [&](nlohmann::json& item, int32_t code) {
        for (size_t i = 0; i < formula.ratios.size(); ++i) {
            const FormulaRatio& r = formula.ratios[i];
            const FormulaRatio& was = before.ratios[i];
            if (r.code != code) continue;
            if (r.minN1 != was.minN1 || r.minN2 != was.minN2)
                item["min"] = nlohmann::json::array({number(r.minN1), number(r.minN2)});
            if (r.maxN1 != was.maxN1 || r.maxN2 != was.maxN2)
                item["max"] = r.hasMax() ? nlohmann::json::array({number(r.maxN1), number(r.maxN2)})
                                         : nlohmann::json(nullptr);
        }
    });
    const std::string failed = writeWholeFile(path, doc.dump(2) + "\n");
    if (!failed.empty()) {
        err << "vexa-cli: no se pudo escribir " << path.string() << ": " << failed << '\n';
        return false;
    }
    return true;
}

void printRun(TMixObject& mix, const SolveRequest& request, std::ostream& out) {
    if (request.json)
        printSolveJson(mix, out);
    else
        printSolveReports(mix, request.reports, out);
}

}  // namespace

void printSolveJson(TMixObject& mix, std::ostream& out) {
    std::vector<std::string> ingredients, nutrients, suggestions, asFed;
    for (const TInsumo& g : mix.Ingredients)
        ingredients.push_back(Fields()
                                  .add("code", g.Codigo)
                                  .add("name", str(mix.ItemName(kNameIngredient, g.Codigo)))
                                  .add("share", num(g.Cantidad))
                                  .add("min", num(g.Min))
                                  .add("max", num(g.Max))
                                  .add("price", num(g.Precio))
                                  .add("price_min", g.NoPriceFloor ? "null" : num(g.PrecioMin))
                                  .add("price_max", g.NoPriceCeiling ? "null" : num(g.PrecioMax))
                                  .add("sensitivity", exact(g.SensibExact))
                                  .add("out_of_bounds", boolean(g.Fuera))
                                  .done());
    for (const TNutriente& n : mix.Nutrients)
        nutrients.push_back(Fields()
                                .add("code", n.Codigo)
                                .add("name", str(mix.ItemName(kNameNutrient, n.Codigo)))
                                .add("unit", str(mix.NutrientUnit(n.Codigo)))
                                .add("level", num(n.Cantidad))
                                .add("min", num(n.Min))
                                .add("max", n.Max > Fixed4() ? num(n.Max) : "null")
                                .add("sensitivity", exact(n.SensibExact))
                                .add("out_of_bounds", boolean(n.Fuera))
                                .done());
    std::vector<std::string> ratios;
    auto pair = [](Fixed4 a, Fixed4 b) { return "[" + num(a) + ", " + num(b) + "]"; };
    for (const TRelacion& r : mix.Ratios)
        ratios.push_back(Fields()
                             .add("code", r.Codigo)
                             .add("name", str(mix.ItemName(kNameRatio, r.Codigo)))
                             .add("nut1", r.Bounds.nut1)
                             .add("nut2", r.Bounds.nut2)
                             .add("level", r.SinValor ? "null" : num(r.Cantidad))
                             .add("min", pair(r.Bounds.minN1, r.Bounds.minN2))
                             .add("max", r.ConMax ? pair(r.Bounds.maxN1, r.Bounds.maxN2) : "null")
                             .add("sensitivity", exact(r.SensibExact))
                             .add("out_of_bounds", boolean(r.Fuera))
                             .done());
    for (const TRecom& s : mix.Suggestions) {
        Fields f;
        f.add("class", s.Clase)
            .add("type", s.Tipo)
            .add("code", s.Indice)
            .add("shortfall", num(s.Faltante))
            .add("suggested", num(s.Sugerido));
        // A ratio's bound is suggested as the first term over the user's second term.
        if (s.Clase == kClaseRelacion)
            f.add("suggested_n2", num(s.SugeridoN2.isZero() ? Fixed4::fromInt(1) : s.SugeridoN2));
        suggestions.push_back(f.done());
    }
    const bool withAsFed = mix.UseDryMatter || mix.AsFedFormula;
    if (withAsFed)
        for (const TInsumo& a : mix.AsFed)
            asFed.push_back(Fields().add("code", a.Codigo).add("share", num(a.Cantidad)).done());

    out << "{\n";
    out << "  \"feasible\": " << boolean(mix.Feasible) << ",\n";
    out << "  \"cost_per_kg\": " << num(mix.CostPerKg) << ",\n";
    printList(out, "ingredients", ingredients, false);
    printList(out, "nutrients", nutrients, false);
    if (!ratios.empty()) printList(out, "ratios", ratios, false);
    printList(out, "suggestions", suggestions, !withAsFed);
    if (withAsFed) {
        printList(out, "as_fed", asFed, false);
        out << "  \"as_fed_total\": " << num(mix.AsFedTotal) << "\n";
    }
    out << "}\n";
}

void printSolveReports(TMixObject& mix, const std::vector<std::string>& reports,
                       std::ostream& out) {
    // content and summary read the workspace; solveFormulaFile refuses them for a formula file
    auto* stored = dynamic_cast<TMixObject2*>(&mix);
    MemoryReportDocument doc;
    ReportDocument* previous = mix.Report;
    mix.Report = &doc;
    mix.WriteHeader();
    for (const std::string& r : reports.empty() ? std::vector<std::string>{"solution"} : reports) {
        if (r == "solution") {
            mix.WriteSolution();
        } else if (r == "content" && stored) {
            stored->WriteNutrientContent(mix.FeedWeight > Fixed4());
        } else if (r == "contribution") {
            mix.WriteNutrientContribution(mix.FeedWeight > Fixed4());
        } else if (r == "sensitivity") {
            mix.WriteIngredientSensitivity();
            mix.WriteNutrientSensitivity();
            mix.WritePriceSensitivity();
        } else if (r == "summary" && stored) {
            stored->WriteFullReport();
        }
    }
    mix.Report = previous;
    out << doc.Text();
}

int solveFormulaFile(const SolveRequest& request, std::ostream& out, std::ostream& err) {
    // What only a workspace has is refused rather than silently ignored.
    const bool workspaceReport =
        std::any_of(request.reports.begin(), request.reports.end(),
                    [](const std::string& r) { return r == "content" || r == "summary"; });
    if (request.formula > 0 || request.group > 0 || request.all || request.save ||
        workspaceReport) {
        err << "vexa-cli: " << request.file.filename().string()
            << ": --formula, --group, --all, --save y los reportes content y summary sólo "
               "valen para un espacio de trabajo (.vxf)\n";
        return 2;
    }
    Formula formula;
    try {
        formula = loadFormulaFile(request.file);
    } catch (const FormulaFileError& e) {
        err << "vexa-cli: " << e.what() << '\n';
        return 2;
    }
    MemoryReportDocument doc;
    MemoryMixObject mix(doc, formula);
    mix.DatabaseName = request.file.stem().string();
    try {
        mix.Mix();
    } catch (const EngineError& e) {
        // The engine's refusals ("Error: ..."), as the desktop program shows them.
        err << e.what() << '\n';
        return 1;
    }
    const bool reRun = request.applySuggestions && !mix.Feasible && !mix.Suggestions.empty();
    if (!reRun) {
        printRun(mix, request, out);
        return 0;
    }
    // Both runs: as a JSON array of the two results, or the two reports one after the other.
    if (request.json) out << "[\n";
    printRun(mix, request, out);
    const Formula before = formula;
    const int applied = applySuggestions(mix.Suggestions, formula);
    if (!writeBoundsIntoFile(request.file, before, formula, err)) return 2;
    if (request.json)
        out << ",\n";
    else
        out << "\nSugerencias aplicadas: " << applied << "\n\n";
    MemoryReportDocument doc2;
    MemoryMixObject again(doc2, std::move(formula));
    again.DatabaseName = mix.DatabaseName;
    try {
        again.Mix();
    } catch (const EngineError& e) {
        err << e.what() << '\n';
        return 1;
    }
    printRun(again, request, out);
    if (request.json) out << "]\n";
    return 0;
}

int runSolve(const SolveRequest& request, std::ostream& out, std::ostream& err) {
    // Formula files are JSON; other kinds of file (workspaces) branch off here on their
    // extension.
    if (isWorkspaceFile(request.file)) return solveWorkspace(request, out, err);
    return solveFormulaFile(request, out, err);
}

namespace {

const VerbRegistrar solveVerb([](CLI::App& app) {
    auto request = std::make_shared<SolveRequest>();
    CLI::App* sub = app.add_subcommand(
        "solve", "Resuelve una fórmula al mínimo costo e imprime sus reportes o resultados");
    sub->add_option("formula", request->file,
                    "Archivo de la fórmula (JSON) o espacio de trabajo (.vxf)")
        ->required();
    CLI::Option* json = sub->add_flag("--json", request->json, "Imprime los resultados en JSON");
    sub->add_option("--report", request->reports,
                    "Reportes separados por comas: solution, contribution, sensitivity; en un "
                    "espacio de trabajo también content y summary")
        ->delimiter(',')
        ->check(CLI::IsMember({"solution", "contribution", "sensitivity", "content", "summary"}))
        ->excludes(json);
    sub->add_option("--formula", request->formula, "Código de la fórmula (espacio de trabajo)");
    sub->add_option("--group", request->group, "Código del grupo (espacio de trabajo)");
    sub->add_flag("--all", request->all, "Todas las fórmulas del grupo");
    sub->add_flag("--save", request->save, "Guarda los resultados en el espacio de trabajo");
    sub->add_flag("--break-lock", request->breakLock,
                  "Con --save, toma el bloqueo que otro equipo dejó en el archivo si ningún "
                  "programa de este equipo lo tiene abierto");
    sub->add_flag("--apply-suggestions", request->applySuggestions,
                  "Si la fórmula no tiene solución, escribe las sugerencias en sus restricciones "
                  "(en un espacio de trabajo, guardadas sólo con --save) y la resuelve otra vez; "
                  "con --json imprime una lista con los dos resultados");
    sub->callback([request] { exitCode() = runSolve(*request, std::cout, std::cerr); });
});

}  // namespace

}  // namespace vexa::cli
