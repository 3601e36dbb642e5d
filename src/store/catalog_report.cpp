#include "store/catalog_report.h"

#include "engine/utf8.h"

#include "store/report_templates.h"
#include "store/sqlite_db.h"

#include <kainjow/mustache.hpp>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unordered_map>

namespace vexa {

namespace {

namespace fs = std::filesystem;

const char* const kNutriente = "Nutriente.rav";
const char* const kInsumo = "Insumo.rav";
const char* const kInsVal = "InsVal.rav";
const char* const kNutVal = "NutVal.rav";
const char* const kGrupo = "Grupo.rav";
const char* const kGrupoDet = "GrupoDet.rav";
const char* const kForDet = "ForDet.rav";

// The data sets of each definition; ":Code" is the chosen item.
std::vector<const char*> queriesFor(const ReportCommand& cmd) {
    const std::string def = cmd.definition;
    const bool one = cmd.item != ReportItem::All;
    if (def == kNutriente)
        return {
            "Select A.Nombre, A.Unidad, B.Tipo From Nut A, TN B Where A.Tipo=B.Codigo "
            "Order by Nombre COLLATE NOMBRES"};
    if (def == kInsumo) return {"Select Nombre, Redondeo From Ins Order by Nombre COLLATE NOMBRES"};
    if (def == kInsVal) {
        if (!one)
            return {"Select Codigo, Nombre, Redondeo From Ins Order by Nombre COLLATE NOMBRES",
                    "Select B.Ins, A.Nombre, A.Unidad, B.Valor From Nut A, Val B "
                    "Where A.Codigo = B.Nut"};
        return {"Select Codigo, Nombre, Redondeo From Ins Where Codigo =:Code",
                "Select B.Ins, A.Nombre, A.Unidad, B.Valor From Nut A, Val B "
                "Where (A.Codigo = B.Nut) and (B.Ins = :Code)"};
    }
    if (def == kNutVal) {
        if (!one)
            return {"Select Codigo, Nombre, Unidad From Nut Order by Nombre COLLATE NOMBRES",
                    "Select B.Nut, A.Nombre, B.Valor From Ins A, Val B Where A.Codigo = B.Ins"};
        return {"Select Codigo, Nombre, Unidad From Nut Where Codigo =:Code",
                "Select B.Nut, A.Nombre, B.Valor From Ins A, Val B "
                "Where (A.Codigo = B.Ins) and (B.Nut = :Code)"};
    }
    if (def == kGrupo)
        return {
            "Select A.Codigo, A.Nombre, B.Nombre as Precio, C.Nombre as MS, TCO "
            "From Cat A, Nut B, Nut C Where (A.Precio = B.Codigo) and (A.MS = C.Codigo) "
            "Order by A.Nombre COLLATE NOMBRES",
            "Select Cat, Count (Codigo) as QLR From LR Group By Cat",
            "Select Cat, Count (Codigo) as QMM From MM Group By Cat",
            "Select Cat, Count (CNI) as QEI From EI Group By Cat",
            "Select Cat, Count (CNI) as QEN From EN Group By Cat"};
    if (def == kGrupoDet)
        return {
            "Select A.Codigo, A.Nombre, B.Nombre as Precio, C.Nombre as MS, TCO "
            "From Cat A, Nut B, Nut C Where (A.Precio = B.Codigo) and (A.MS = C.Codigo) "
            "and (A.Codigo =:Code)",
            "Select A.Cat, A.Nombre, B.Nombre as Precio, C.Nombre as MS, TCO, Cons "
            "From LR A, Nut B, Nut C Where (A.Precio = B.Codigo) and (A.MS = C.Codigo) "
            "and (A.Cat =:Code)",
            "Select A.Cat, A.Nombre, B.Nombre as MS, EnMS From MM A, Nut B "
            "Where (A.MS = B.Codigo) and (A.Cat =:Code)",
            "Select A.Cat, B.Nombre as Ins From EI A, Ins B "
            "Where (A.CNI = B.Codigo) and (A.Cat =:Code)",
            "Select A.Cat, B.Nombre as Nut From EN A, Nut B "
            "Where (A.CNI = B.Codigo) and (A.Cat =:Code)"};
    // ForDet; beside the restrictions of ingredients and nutrients, the last run's date and
    // cost per kg (q1) and the ratio restrictions (q4).
    return {
        "Select A.Codigo, A.Nombre, B.Nombre as Precio, C.Nombre as MS, Cons, TCO, DefCon, "
        "A.Ultima, A.Valor "
        "From LR A, Nut B, Nut C Where (A.Precio = B.Codigo) and (A.MS = C.Codigo) "
        "and (A.Codigo =:Code)",
        "Select A.*, B.Nombre From RIn A, Ins B Where (A.CNI = B.Codigo) and (A.LR =:Code)",
        "Select A.*, B.Nombre, B.Unidad From RNu A, Nut B "
        "Where (A.CNI = B.Codigo) and (A.LR =:Code)",
        "Select B.Nombre, A.MinN1, iif(coalesce(A.MinN2, 0) = 0, 1, A.MinN2) as MinN2, "
        "nullif(A.MaxN1, 0) as MaxN1, iif(coalesce(A.MaxN1, 0) = 0, '', ' : ') as Sep, "
        "iif(coalesce(A.MaxN1, 0) = 0, NULL, iif(coalesce(A.MaxN2, 0) = 0, 1, A.MaxN2)) as MaxN2 "
        "From RRN A, Rel B Where (A.Codigo = B.Codigo) and (A.LR =:Code) Order By A.rowid"};
}

std::string lower(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return r;
}

ReportDataSet runQuery(Database& db, const char* sql, int32_t code) {
    Statement st = db.prepare(sql);
    if (st.hasParameter(":Code")) st.bind(":Code", code);
    ReportDataSet set;
    const int n = st.columnCount();
    for (int i = 0; i < n; ++i) set.columns.push_back(st.columnName(i));
    while (st.step()) {
        std::vector<ReportCell> row(n);
        for (int i = 0; i < n; ++i) {
            const SqlValue v = st.value(i);
            ReportCell& c = row[i];
            if (std::holds_alternative<std::monostate>(v)) continue;
            c.null = false;
            if (const auto* iv = std::get_if<int64_t>(&v)) {
                c.number = true;
                c.value = double(*iv);
            } else if (const auto* dv = std::get_if<double>(&v)) {
                c.number = true;
                c.value = *dv;
            } else {
                c.text = st.getText(i);
            }
        }
        set.rows.push_back(std::move(row));
    }
    return set;
}

// Decimals a value needs (0 to 4).
int decimalsOf(double v) {
    for (int d = 0; d < 4; ++d) {
        const double s = v * std::pow(10.0, d);
        if (std::fabs(s - std::round(s)) < 1e-6) return d;
    }
    return 4;
}

std::string formatNumber(double v, int decimals, char point) {
    std::ostringstream os;
    os.imbue(std::locale::classic());
    os.setf(std::ios::fixed);
    os.precision(decimals);
    os << v;
    std::string s = os.str();
    if (s == "-0" || s.rfind("-0.", 0) == 0) {
        if (s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    }
    if (point != '.')
        for (char& c : s)
            if (c == '.') c = point;
    return s;
}

using kainjow::mustache::data;
using kainjow::mustache::list;
using kainjow::mustache::object;

// Each data set's columns formatted for the page; numbers of one column share their decimals.
std::vector<std::vector<object>> formatSets(const ReportData& d, char point) {
    std::vector<std::vector<object>> out;
    for (const ReportDataSet& set : d.sets) {
        std::vector<int> dec(set.columns.size(), 0);
        for (const auto& row : set.rows)
            for (size_t i = 0; i < row.size(); ++i)
                if (row[i].number) dec[i] = std::max(dec[i], decimalsOf(row[i].value));
        std::vector<object> rows;
        for (const auto& row : set.rows) {
            object o;
            for (size_t i = 0; i < row.size(); ++i) {
                const ReportCell& c = row[i];
                o[set.columns[i]] = c.null     ? std::string()
                                    : c.number ? formatNumber(c.value, dec[i], point)
                                               : c.text;
            }
            rows.push_back(std::move(o));
        }
        out.push_back(std::move(rows));
    }
    return out;
}

std::string readFile(const fs::path& file) {
    std::error_code ec;
    std::ifstream in(file, std::ios::binary);
    if (!in || !fs::is_regular_file(file, ec))
        throw std::runtime_error("No se pudo leer la definición del reporte " + file.string());
    std::ostringstream os;
    os << in.rdbuf();
    if (in.bad())
        throw std::runtime_error("No se pudo leer la definición del reporte " + file.string());
    return os.str();
}

}  // namespace

const std::vector<ReportCommand>& reportCommands() {
    static const std::vector<ReportCommand> k = {
        {"acRepNut", "Listado de nutrientes", 0, kNutriente, ReportItem::All},
        {"acRepIns", "Listado de insumos", 1, kInsumo, ReportItem::All},
        {"acRepInsVal", "De todos los insumos", 2, kInsVal, ReportItem::All},
        {"acRepGr", "Listado de grupos", 3, kGrupo, ReportItem::All},
        {"acRepForx1", "Listado de una fórmula", 4, kForDet, ReportItem::Formula},
        {"acRepPx", "Listado de precios", 5, kNutVal, ReportItem::Price},
        {"acRepMS", "Listado de materia seca", 6, kNutVal, ReportItem::DryMatter},
        {"acRepInsValx1", "Por insumo...", 7, kInsVal, ReportItem::Ingredient},
        {"acRepNutVal", "De todos los nutrientes", 8, kNutVal, ReportItem::All},
        {"acRepNutValx1", "Por nutriente...", 9, kNutVal, ReportItem::Nutrient},
        {"acRepGrx1", "Listado de un grupo...", 10, kGrupoDet, ReportItem::Group},
    };
    return k;
}

const ReportCommand* reportCommandByTag(int tag) {
    for (const ReportCommand& c : reportCommands())
        if (c.tag == tag) return &c;
    return nullptr;
}

namespace {
const std::vector<std::pair<const char*, int>>& commandNames() {
    static const std::vector<std::pair<const char*, int>> k = {
        {"nutrientes", 0},   {"insumos", 1}, {"insumos-valores", 2},
        {"grupos", 3},       {"formula", 4}, {"precios", 5},
        {"materia-seca", 6}, {"insumo", 7},  {"nutrientes-valores", 8},
        {"nutriente", 9},    {"grupo", 10}};
    return k;
}
}  // namespace

const ReportCommand* reportCommandByName(std::string_view name) {
    const std::string n = lower(name);
    for (const auto& [word, tag] : commandNames())
        if (n == word) return reportCommandByTag(tag);
    if (!n.empty() && n.find_first_not_of("0123456789") == std::string::npos && n.size() < 4)
        return reportCommandByTag(std::stoi(n));
    return nullptr;
}

std::string reportCommandNames() {
    std::string s;
    for (const auto& [word, tag] : commandNames()) {
        if (!s.empty()) s += ", ";
        s += word;
    }
    return s;
}

int ReportDataSet::column(std::string_view name) const {
    const std::string n = lower(name);
    for (size_t i = 0; i < columns.size(); ++i)
        if (lower(columns[i]) == n) return int(i);
    return -1;
}

ReportData loadReportData(Database& db, const TDBDef& def, const ReportCommand& cmd, int32_t code,
                          const std::string& user, const std::string& groupName) {
    ReportData d;
    d.command = &cmd;
    if (cmd.item == ReportItem::Price) code = def.Precio;
    if (cmd.item == ReportItem::DryMatter) code = def.MS;
    const bool unset =
        (cmd.item == ReportItem::Price || cmd.item == ReportItem::DryMatter) && code == 0;
    for (const char* sql : queriesFor(cmd)) {
        d.sets.push_back(runQuery(db, sql, code));
        if (unset) d.sets.back().rows.clear();
    }
    d.params["Usuario"] = user;
    d.params["DB"] = def.Nombre;
    if (cmd.item == ReportItem::Formula) d.params["Grupo"] = groupName;
    return d;
}

std::vector<ReportChoice> reportChoices(Database& db, ReportItem kind, int32_t group) {
    const char* sql = kind == ReportItem::Ingredient
                          ? "Select Codigo, Nombre From Ins Order by Nombre COLLATE NOMBRES"
                      : kind == ReportItem::Nutrient
                          ? "Select Codigo, Nombre From Nut Order by Nombre COLLATE NOMBRES"
                      : kind == ReportItem::Group
                          ? "Select Codigo, Nombre From Cat Order by Nombre COLLATE NOMBRES"
                          : "Select Codigo, Nombre From LR "
                            "Where (Cat =:Cat) Order by Nombre COLLATE NOMBRES";
    Statement st = db.prepare(sql);
    if (kind == ReportItem::Formula) st.bind(":Cat", group);
    std::vector<ReportChoice> out;
    while (st.step()) out.push_back({st.getInt(0), st.getText(1)});
    return out;
}

std::string groupNameOf(Database& db, int32_t group) {
    Statement st = db.prepare("Select Nombre From Cat Where Codigo = :Cat");
    st.bind(":Cat", group);
    return st.step() ? st.getText(0) : std::string();
}

int32_t formulaGroupOf(Database& db, int32_t formula) {
    Statement st = db.prepare("Select Cat From LR Where Codigo = :For");
    st.bind(":For", formula);
    return st.step() ? st.getInt(0) : 0;
}

const std::map<std::string, std::string_view>& defaultReportTemplates() {
    static const std::map<std::string, std::string_view> k = {
        {kNutriente, reportTemplateNutriente()}, {kInsumo, reportTemplateInsumo()},
        {kInsVal, reportTemplateInsVal()},       {kNutVal, reportTemplateNutVal()},
        {kGrupo, reportTemplateGrupo()},         {kGrupoDet, reportTemplateGrupoDet()},
        {kForDet, reportTemplateForDet()}};
    return k;
}

std::vector<std::string> writeMissingReportTemplates(const fs::path& folder) {
    std::vector<std::string> written;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        throw std::runtime_error("No se pudo crear la carpeta de reportes " + folder.string() +
                                 ": " + ec.message());
    for (const auto& [name, text] : defaultReportTemplates()) {
        const fs::path file = folder / name;
        if (fs::exists(file, ec)) continue;
        const fs::path tmp = folder / (name + ".tmp");
        {
            std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
            out.write(text.data(), std::streamsize(text.size()));
            out.close();
            if (!out) {
                fs::remove(tmp, ec);
                throw std::runtime_error("No se pudo escribir la definición del reporte " +
                                         file.string());
            }
        }
        fs::rename(tmp, file, ec);
        if (ec)
            throw std::runtime_error("No se pudo escribir la definición del reporte " +
                                     file.string() + ": " + ec.message());
        written.push_back(name);
    }
    return written;
}

namespace {
// No definition of ours nests sections deeper than 3 (a data set, its details, a flag).
constexpr int kMaxSectionDepth = 4;

// The bounds of filling one definition.
struct TooMuch {
    std::string why;
};
// The bounds grow with the data: a sound definition writes a few lines per row, while
// sections nested over the data sets multiply it.
struct FillBudget {
    explicit FillBudget(size_t rows)
        : maxOutput((size_t(64) << 20) + rows * 1024),
          maxSteps(100000000 + rows * 200),
          maxTime(std::chrono::seconds(20) + std::chrono::microseconds(rows * 20)) {}
    // 64 MB, 100 million steps and 20 seconds, far above what a definition of ours needs,
    // and for each row of the data 1 KB, 200 steps and 20 microseconds more (a list of the
    // values of 10,000 ingredients by 300 nutrients takes about 70 steps per value).
    const size_t maxOutput;
    const unsigned long maxSteps;
    const std::chrono::microseconds maxTime;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    unsigned long steps = 0;
    // Called at every row and name the filler looks up; the clock is read now and then.
    void step() {
        if (++steps % 4096 != 0) return;
        if (steps > maxSteps) throw TooMuch{"repite sus secciones demasiadas veces"};
        if (std::chrono::steady_clock::now() - start > maxTime)
            throw TooMuch{"tarda más de " +
                          std::to_string(std::chrono::ceil<std::chrono::seconds>(maxTime).count()) +
                          " segundos"};
    }
};
// The filler's view of the data, counting its steps.
class BoundedContext : public kainjow::mustache::context<std::string> {
public:
    BoundedContext(const data* root, FillBudget& budget)
        : kainjow::mustache::context<std::string>(root), budget_(budget) {}
    void push(const data* item) override {
        budget_.step();
        kainjow::mustache::context<std::string>::push(item);
    }
    const data* get(const std::string& name) const override {
        budget_.step();
        return kainjow::mustache::context<std::string>::get(name);
    }

private:
    FillBudget& budget_;
};
// Where the filled text goes, up to its bound.
struct BoundedOutput {
    std::string& out;
    FillBudget& budget;
    BoundedOutput& operator<<(const std::string& part) {
        out += part;
        if (out.size() > budget.maxOutput)
            throw TooMuch{"da más de " + std::to_string(budget.maxOutput >> 20) + " MB de texto"};
        budget.step();
        return *this;
    }
};

// "q1".."q5": the name of data set `index` in a template.
std::string setName(size_t index) {
    std::string name = "q";
    name += std::to_string(index + 1);
    return name;
}
}  // namespace

std::string fillReportTemplate(const std::string& templ, const std::string& fileName,
                               const ReportData& d, char point, const std::string& date) {
    // Sections nested deeper than any definition needs (each level repeats the one inside
    // for every row) are refused before anything is filled. Tags are read as the filler
    // reads them: spaces after the opening braces do not count.
    int depth = 0, deepest = 0;
    for (size_t at = templ.find("{{"); at != std::string::npos; at = templ.find("{{", at + 2)) {
        size_t k = at + 2;
        while (k < templ.size() && std::isspace(static_cast<unsigned char>(templ[k]))) ++k;
        const char kind = k < templ.size() ? templ[k] : ' ';
        if (kind == '#' || kind == '^') deepest = std::max(deepest, ++depth);
        if (kind == '/') --depth;
        // Other delimiters would hide the sections from this count.
        if (kind == '=')
            throw std::runtime_error("La definición del reporte " + fileName +
                                     " cambia los delimitadores de sus etiquetas ({{=...=}}), "
                                     "lo que no se admite.");
    }
    if (deepest > kMaxSectionDepth)
        throw std::runtime_error("La definición del reporte " + fileName + " anida secciones " +
                                 std::to_string(deepest) + " niveles; se admiten " +
                                 std::to_string(kMaxSectionDepth) + ".");
    kainjow::mustache::mustache m(templ);
    if (!m.is_valid())
        throw std::runtime_error("La definición del reporte " + fileName +
                                 " no es válida: " + m.error_message());
    data ctx = object{};
    for (const auto& [k, v] : d.params) ctx.set(k, v);
    if (!d.params.count("Grupo")) ctx.set("Grupo", std::string());
    ctx.set("Fecha", date);
    ctx.set("Encabezado", d.fileHeader);
    ctx.set("Titulo", std::string(d.command ? d.command->caption : ""));
    const auto sets = formatSets(d, point);
    // A detail set's first column names its master row of q1 (its Codigo): the rows of each
    // detail set by that key, in their order.
    std::vector<std::unordered_map<double, std::vector<size_t>>> byKey(sets.size());
    for (size_t k = 1; k < sets.size(); ++k)
        for (size_t j = 0; j < sets[k].size(); ++j)
            if (const ReportCell& c = d.sets[k].rows[j][0]; c.number)
                byKey[k][c.value].push_back(j);
    for (size_t s = 0; s < sets.size(); ++s) {
        list rows;
        for (size_t r = 0; r < sets[s].size(); ++r) {
            object row = sets[s][r];
            if (s == 0 && !d.sets[0].columns.empty() && d.sets[0].rows[r][0].number) {
                const double key = d.sets[0].rows[r][0].value;
                for (size_t k = 1; k < sets.size(); ++k) {
                    list detail;
                    if (auto it = byKey[k].find(key); it != byKey[k].end())
                        for (size_t j : it->second) detail.push_back(sets[k][j]);
                    row[setName(k)] = detail;
                }
            }
            rows.push_back(row);
        }
        ctx.set(setName(s), rows);
    }
    // Definitions are editable and shared: one with sections nested over the data sets can
    // multiply its output beyond any disk, or its work beyond any patience even when it writes
    // nothing. Filling stops at a bound of size, and of time, which is looked at as the
    // sections step through their rows, not only when text comes out.
    size_t rows = 0;
    for (const ReportDataSet& set : d.sets) rows += set.rows.size();
    FillBudget budget(rows);
    std::string out;
    try {
        BoundedContext context(&ctx, budget);
        BoundedOutput sink{out, budget};
        m.render(context, sink);
    } catch (const TooMuch& t) {
        throw std::runtime_error("La definición del reporte " + fileName + " " + t.why +
                                 ": revise sus secciones anidadas.");
    }
    if (!m.is_valid())
        throw std::runtime_error("La definición del reporte " + fileName +
                                 " no es válida: " + m.error_message());
    return out;
}

std::string fillReport(const fs::path& folder, const ReportData& d, char point,
                       const std::string& date) {
    const std::string name = d.command->definition;
    const fs::path file = folder / name;
    std::error_code ec;
    std::string templ;
    if (!folder.empty() && fs::exists(file, ec))
        templ = readFile(file);  // a definition that cannot be read stops the report
    else
        templ = std::string(defaultReportTemplates().at(name));
    return fillReportTemplate(templ, file.string(), d, point, date);
}

namespace {

std::string decodeEntities(const std::string& s) {
    std::string r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            r += s[i];
            continue;
        }
        const size_t semi = s.find(';', i);
        if (semi == std::string::npos || semi - i > 8) {
            r += s[i];
            continue;
        }
        const std::string e = s.substr(i + 1, semi - i - 1);
        if (e == "amp")
            r += '&';
        else if (e == "lt")
            r += '<';
        else if (e == "gt")
            r += '>';
        else if (e == "quot")
            r += '"';
        else if (e == "#39" || e == "apos")
            r += '\'';
        else if (e == "nbsp")
            r += ' ';
        else if (e.size() > 1 && e[0] == '#' &&
                 e.find_first_not_of("0123456789", 1) == std::string::npos) {
            const unsigned long cp = std::stoul(e.substr(1));
            if (cp < 0x80) {
                r += char(cp);
            } else if (cp < 0x800) {
                r += char(0xC0 | (cp >> 6));
                r += char(0x80 | (cp & 0x3F));
            } else {
                r += char(0xE0 | ((cp >> 12) & 0x0F));
                r += char(0x80 | ((cp >> 6) & 0x3F));
                r += char(0x80 | (cp & 0x3F));
            }
        } else
            r += s.substr(i, semi - i + 1);
        i = semi;
    }
    return r;
}

std::string collapse(const std::string& s) {
    std::string r;
    bool space = false;
    for (char c : s) {
        if (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
            space = !r.empty();
            continue;
        }
        if (space) r += ' ';
        space = false;
        r += c;
    }
    return r;
}

size_t width(const std::string& s) {  // characters, not bytes
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace

std::string reportHtmlToText(const std::string& html) {
    struct Cell {
        std::string text;
        bool right = false;
    };
    struct Line {
        bool row = false;
        std::string text;
        std::vector<Cell> cells;
        int table = -1;
    };
    std::vector<Line> lines;
    std::string pending;  // text outside cells
    Cell cell;
    bool inCell = false, skip = false;
    int table = -1, tables = 0;
    auto flush = [&] {
        const std::string t = collapse(decodeEntities(pending));
        if (!t.empty()) lines.push_back({false, t, {}, -1});
        pending.clear();
    };
    size_t i = 0;
    while (i < html.size()) {
        if (html[i] != '<') {
            const size_t next = html.find('<', i);
            const std::string chunk = html.substr(i, next == std::string::npos ? next : next - i);
            if (!skip) (inCell ? cell.text : pending) += chunk;
            i = next == std::string::npos ? html.size() : next;
            continue;
        }
        const size_t end = html.find('>', i);
        if (end == std::string::npos) break;
        const std::string tag = lower(html.substr(i + 1, end - i - 1));
        i = end + 1;
        const bool closing = !tag.empty() && tag[0] == '/';
        std::string name = tag.substr(closing ? 1 : 0);
        name = name.substr(0, name.find_first_of(" \t\n/"));
        if (name == "style" || name == "title" || name == "script") {
            skip = !closing;
        } else if (name == "table") {
            flush();
            table = closing ? -1 : tables++;
        } else if (name == "tr") {
            if (!closing) {
                flush();
                lines.push_back({true, {}, {}, table});
            }
        } else if (name == "td" || name == "th") {
            if (!closing) {
                inCell = true;
                cell = {};
                cell.right = tag.find("right") != std::string::npos;
            } else if (inCell) {
                inCell = false;
                cell.text = collapse(decodeEntities(cell.text));
                if (!lines.empty() && lines.back().row) lines.back().cells.push_back(cell);
            }
        } else if (name == "br" || name == "p" || name == "div" || name == "h1" || name == "h2" ||
                   name == "h3" || name == "h4") {
            if (!inCell) flush();
        }
    }
    flush();
    // Column widths per table.
    std::map<int, std::vector<size_t>> widths;
    for (const Line& l : lines)
        if (l.row)
            for (size_t c = 0; c < l.cells.size(); ++c) {
                auto& w = widths[l.table];
                if (w.size() <= c) w.resize(c + 1, 0);
                w[c] = std::max(w[c], width(l.cells[c].text));
            }
    std::string out;
    for (const Line& l : lines) {
        if (!l.row) {
            out += l.text + "\n";
            continue;
        }
        std::string s;
        for (size_t c = 0; c < l.cells.size(); ++c) {
            const size_t w = widths[l.table][c];
            const std::string pad(w - width(l.cells[c].text), ' ');
            if (c) s += "  ";
            s += l.cells[c].right ? pad + l.cells[c].text : l.cells[c].text + pad;
        }
        while (!s.empty() && s.back() == ' ') s.pop_back();
        out += s + "\n";
    }
    return withoutControlCharacters(std::move(out));
}

}  // namespace vexa

namespace vexa {

namespace {
std::vector<ReportChoice> codeNameList(Database& db, const char* sql) {
    Statement st = db.prepare(sql);
    std::vector<ReportChoice> out;
    while (st.step()) out.push_back({st.getInt(0), st.getText(1)});
    return out;
}
}  // namespace

std::vector<ReportChoice> listIngredientsForListing(Database& db) {
    return codeNameList(db, "SELECT CODIGO, NOMBRE FROM INS ORDER BY NOMBRE COLLATE NOMBRES");
}

std::vector<ReportChoice> listNutrientsForListing(Database& db) {
    return codeNameList(db, "SELECT CODIGO, NOMBRE FROM NUT ORDER BY NOMBRE COLLATE NOMBRES");
}

IngredientNutrientTable ingredientNutrientTable(Database& db,
                                                const std::vector<ReportChoice>& ingredients,
                                                const std::vector<ReportChoice>& nutrients) {
    IngredientNutrientTable t;
    t.columns = {"Nutrientes", "Unidad"};
    for (const ReportChoice& i : ingredients) t.columns.push_back(i.name);
    Statement st = db.prepare(
        "SELECT INS, VALOR, UNIDAD FROM NUT, VAL WHERE (NUT = CODIGO) AND (NUT = :Nut) "
        "ORDER BY INS");
    for (const ReportChoice& n : nutrients) {
        IngredientNutrientRow row;
        row.nutrient = n.name;
        row.values.assign(ingredients.size(), std::nullopt);
        st.reset();
        st.bind(":Nut", n.code);
        bool first = true;
        while (st.step()) {
            if (first) row.unit = st.getText(2);
            first = false;
            const int32_t ins = st.getInt(0);
            for (size_t k = 0; k < ingredients.size(); ++k)
                if (ingredients[k].code == ins) {
                    if (!st.isNull(1)) row.values[k] = st.getDouble(1);
                    break;
                }
        }
        t.rows.push_back(std::move(row));
    }
    return t;
}

}  // namespace vexa
