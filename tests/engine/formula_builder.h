#pragma once
// Small formulas built in code for the engine tests.
#include "engine/memory_mix_object.h"
#include "engine/report_document.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vexa::test {

inline Fixed4 fx(double v) {
    return Fixed4::fromDouble(v);
}

class FormulaBuilder {
public:
    explicit FormulaBuilder(std::string name = "Prueba") { f_.name = std::move(name); }
    // values: (nutrient code, value) pairs
    FormulaBuilder& ing(int32_t code, std::string name, double min, double max, double price,
                        std::vector<std::pair<int32_t, double>> values = {}, double dm = 0) {
        FormulaIngredient i;
        i.code = code;
        i.name = std::move(name);
        i.min = fx(min);
        i.max = fx(max);
        i.price = fx(price);
        i.dryMatter = fx(dm);
        for (auto [c, v] : values) i.values[c] = fx(v);
        f_.ingredients.push_back(std::move(i));
        return *this;
    }
    FormulaBuilder& nut(int32_t code, std::string name, std::string unit, double min, double max) {
        FormulaNutrient n;
        n.code = code;
        n.name = std::move(name);
        n.unit = std::move(unit);
        n.min = fx(min);
        n.max = fx(max);
        f_.nutrients.push_back(std::move(n));
        return *this;
    }
    // level(nut1) / level(nut2) between min1 : min2 and max1 : max2 (max1 0: none)
    FormulaBuilder& ratio(int32_t code, std::string name, int32_t nut1, int32_t nut2, double min1,
                          double min2, double max1 = 0, double max2 = 0) {
        FormulaRatio r;
        r.code = code;
        r.name = std::move(name);
        r.nut1 = nut1;
        r.nut2 = nut2;
        r.minN1 = fx(min1);
        r.minN2 = fx(min2);
        r.maxN1 = fx(max1);
        r.maxN2 = fx(max2);
        f_.ratios.push_back(std::move(r));
        return *this;
    }
    FormulaBuilder& dryMatter(bool on = true) {
        f_.useDryMatter = on;
        return *this;
    }
    FormulaBuilder& asFed(bool on = true) {
        f_.asFed = on;
        return *this;
    }
    FormulaBuilder& feedWeight(double kg) {
        f_.feedWeight = fx(kg);
        return *this;
    }
    Formula build() const { return f_; }

private:
    Formula f_;
};

// A mix object with its own document, mixed on request.
struct MixRun {
    MemoryReportDocument doc;
    std::unique_ptr<MemoryMixObject> mix;
    explicit MixRun(const Formula& f) : mix(std::make_unique<MemoryMixObject>(doc, f)) {}
    MixRun& go() {
        mix->Mix();
        return *this;
    }
    MemoryMixObject* operator->() { return mix.get(); }
    const TInsumo& ing(int32_t code) const {
        for (const auto& i : mix->Ingredients)
            if (i.Codigo == code) return i;
        throw std::out_of_range("no ingredient");
    }
    const TNutriente& nut(int32_t code) const {
        for (const auto& n : mix->Nutrients)
            if (n.Codigo == code) return n;
        throw std::out_of_range("no nutrient");
    }
    const TRelacion& rel(int32_t code) const {
        for (const auto& r : mix->Ratios)
            if (r.Codigo == code) return r;
        throw std::out_of_range("no ratio");
    }
};

// Runs the steps of Mix up to the construction of the programme, so tests can look at the
// programme (or pivot it step by step) before the simplex runs.
class BuildOnly : public MemoryMixObject {
public:
    using MemoryMixObject::MemoryMixObject;
    void build() {
        OpenValues();
        ValidateIngredients();
        LoadIngredients();
        CountNutrientRows();
        CountRatioRows();
        ++ArtificialCount;
        ++RowCount;
        AllocateProgramme();
        ProgrammeCounters c;
        ResetProgramme(c);
        AddTotalRow(c);
        AddIngredientRows(c);
        AddNutrientRows(c);
        AddRatioRows(c);
        built = c;
    }
    ProgrammeCounters built;
};

}  // namespace vexa::test
