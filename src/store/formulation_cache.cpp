#include "store/formulation_cache.h"

#include "engine/mix_math.h"
#include "engine/utf8.h"
#include "store/sqlite_db.h"

#include <algorithm>

namespace vexa {

namespace {
// A bound on what is kept: a few hundred thousand values are a large workspace.
constexpr size_t kMaxEntries = 4'000'000;
}  // namespace

std::pair<int64_t, int64_t> FormulationCache::stamp() {
    // Changes by this connection, and commits by any other one.
    Statement q = db_.cached("PRAGMA data_version");
    const int64_t version = q.step() ? q.getInt64(0) : -1;
    return {db_.totalChanges(), version};
}

void FormulationCache::refresh() {
    const auto now = stamp();
    if (now == stamp_) return;
    clear();
    stamp_ = now;
}

void FormulationCache::clear() {
    values_.clear();
    types_.clear();
    groups_.clear();
    codesRead_ = false;
    ingredientCodes_.clear();
    nutrientCodes_.clear();
    entries_ = 0;
}

int32_t FormulationCache::ingredientType(int32_t ingredient) {
    auto it = types_.find(ingredient);
    if (it != types_.end()) return it->second;
    Statement s = db_.cached("Select ItId From Ins Where Codigo = :Codigo");
    s.bind("Codigo", ingredient);
    const int32_t type = s.step() ? s.getInt(0) : 0;
    ++entries_;
    return types_.emplace(ingredient, type).first->second;
}

void FormulationCache::readCodes() {
    if (codesRead_) return;
    auto read = [&](const char* sql, std::vector<int32_t>& codes) {
        codes.clear();
        Statement q = db_.cached(sql);
        while (q.step()) codes.push_back(q.getInt(0));
        std::sort(codes.begin(), codes.end());
        entries_ += codes.size();
    };
    read("Select Codigo From Ins", ingredientCodes_);
    read("Select Codigo From Nut", nutrientCodes_);
    codesRead_ = true;
}

bool FormulationCache::ingredientExists(int32_t code) {
    readCodes();
    return std::binary_search(ingredientCodes_.begin(), ingredientCodes_.end(), code);
}

bool FormulationCache::nutrientExists(int32_t code) {
    readCodes();
    return std::binary_search(nutrientCodes_.begin(), nutrientCodes_.end(), code);
}

const std::vector<ContentNutrient>& FormulationCache::groupNutrients(int32_t group) {
    auto it = groups_.find(group);
    if (it != groups_.end()) return it->second;
    std::vector<ContentNutrient> list;
    Statement q = db_.cached(
        "Select A.Codigo, A.Nombre, A.Unidad, T.Tipo From Nut A Join EN B On A.Codigo = B.CNI "
        "Left Join TN T On T.Codigo = coalesce(A.Tipo, 2) Where B.Cat = :Cat Order By A.Orden");
    q.bind("Cat", group);
    // cut once here, not at every run that lists them
    while (q.step())
        list.push_back({q.getInt(0), utf8Left(q.getText(1), 25), utf8Left(q.getText(2), 16),
                        utf8Left(q.getText(3), 12)});
    entries_ += list.size();
    return groups_.emplace(group, std::move(list)).first->second;
}

void FormulationCache::markCurrent() {
    stamp_ = stamp();
}

const FormulationCache::Values& FormulationCache::valuesOf(int32_t ingredient) {
    auto it = values_.find(ingredient);
    if (it != values_.end()) return it->second;
    if (entries_ > kMaxEntries) clear();
    Values v;
    Statement q = db_.cached("Select Nut, Valor From Val Where Ins = :Ins");
    q.bind("Ins", ingredient);
    while (q.step()) {
        if (q.isNull(1)) continue;
        v.emplace_back(q.getInt(0), toFixed4Or(q.getDouble(1), Fixed4()));
    }
    std::sort(v.begin(), v.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    entries_ += v.size();
    return values_.emplace(ingredient, std::move(v)).first->second;
}

Fixed4 FormulationCache::value(int32_t ingredient, int32_t nutrient) {
    const Values& v = valuesOf(ingredient);
    auto it = std::lower_bound(v.begin(), v.end(), nutrient,
                               [](const auto& e, int32_t n) { return e.first < n; });
    return it != v.end() && it->first == nutrient ? it->second : Fixed4();
}

}  // namespace vexa
