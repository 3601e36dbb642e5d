#include "workflows/manual_mix.h"

#include "engine/mix_math.h"
#include "engine/utf8.h"
#include "store/batch_groups.h"
#include "store/mix_object2.h"
#include "store/shared_procs.h"
#include "store/tdm.h"

#include <map>

namespace vexa {

ManualMix::ManualMix(Database& db, Tdm& dm, int32_t mixCode) : db_(db), dm_(dm), code_(mixCode) {}

bool ManualMix::load() {
    if (!ReadMixHeader(db_, code_, header_)) return false;
    nutrients_ = GroupMixNutrients(db_, header_.Cat);
    recalculate();
    return true;
}

bool ManualMix::dryBasis() const {
    return dm_.dbDef().UsarMS && header_.EnMS;
}

void ManualMix::recalculate() {
    lines_ = ReadMixLines(db_, code_, dm_.PrecioGrupo(header_.Cat));
    const bool dry = dryBasis();
    // Single precision, as the totals are kept.
    float fresco = 0, seco = 0;
    for (const MixLine& l : lines_) {
        fresco += static_cast<float>(l.Valor);
        seco += static_cast<float>(l.MS.toDouble());
    }
    totalFresco_ = fresco;
    totalSeco_ = dry ? seco : 0.0;
    totalCosto_ = Fixed4();
    Transaction tx(db_);
    for (MixLine& l : lines_) {
        if (dry && totalSeco_ != 0)
            l.Perc = Fixed4::fromDouble(l.MS.toDouble() / totalSeco_ * 100.0);
        else if (!dry && totalFresco_ != 0)
            l.Perc = Fixed4::fromDouble(l.Valor / totalFresco_ * 100.0);
        l.Costo = l.Precio * Fixed4::fromDouble(l.Valor);
        totalCosto_ += l.Costo;
        UpdateMixLine(db_, code_, l);
    }
    std::map<std::pair<int32_t, int32_t>, Fixed4> values;
    for (const IngredientValue& v : ValuesOfMixIngredients(db_, code_))
        values[{v.Ins, v.Nut}] = v.Valor;
    for (MixNutrient& n : nutrients_) {
        n.Valor = Fixed4();
        for (const MixLine& l : lines_) {
            auto it = values.find({l.CIns, n.Codigo});
            const double v = it == values.end() ? 0.0 : it->second.toDouble();
            const double add =
                dry ? l.Perc.toDouble() * v / 100.0 : SafeDivide(v * l.Valor, totalFresco_);
            n.Valor = Fixed4::fromDouble(n.Valor.toDouble() + add);
        }
    }
    tx.commit();
}

void ManualMix::prepareLine(MixLine& line) {
    line.Valor = Redondear(line.Red, line.Valor);
    if (dryBasis())
        line.MS = Fixed4::fromDouble(line.Valor * dm_.MSInsumo(line.CIns).toDouble() / 100.0);
}

std::string ManualMix::editLine(size_t index, double valor, int red) {
    if (index >= lines_.size()) return "No hay un insumo en esa línea.";
    MixLine l = lines_[index];
    l.Valor = valor;
    l.Red = red;
    prepareLine(l);
    try {
        UpdateMixLine(db_, code_, l);
    } catch (const std::exception& e) {
        return std::string("No se pudo guardar el insumo de la mezcla: ") + e.what();
    }
    if (dm_.onModified) dm_.onModified();
    recalculate();
    return {};
}

bool ManualMix::bringTo(double total, std::string* error) {
    if (total == 0 || total == totalFresco_) return false;
    const double factor =
        totalFresco_ == 0 ? 0.0 : Fixed4::fromDouble(total / totalFresco_).toDouble();
    try {
        Transaction tx(db_);
        ScaleMixLines(db_, code_, factor);
        for (MixLine l : ReadMixLines(db_, code_, 0)) {
            prepareLine(l);
            UpdateMixLine(db_, code_, l);
        }
        tx.commit();
    } catch (const std::exception& e) {
        if (error) *error = std::string("No se pudo llevar la mezcla al total: ") + e.what();
        return false;
    }
    if (dm_.onModified) dm_.onModified();
    recalculate();
    return true;
}

bool ManualMix::sendToGroup(const std::string& dietName, std::optional<int32_t> group,
                            const std::string& newGroupName, DateTime now, std::string& message) {
    const bool dry = dryBasis();
    DietToSend d;
    d.Nombre = dietName;
    d.LoteId = group;
    d.NewGroupName = newGroupName;
    d.Fecha = now;
    d.Now = now;
    d.Cant = dry ? totalSeco_ : totalFresco_;
    for (const MixLine& l : lines_) d.Lines.push_back({l.CIns, dry ? l.MS.toDouble() : l.Valor});
    try {
        SendDiet(dm_, d);
    } catch (const std::exception& e) {
        message = std::string("No se pudo enviar la dieta al lote: ") + e.what();
        return false;
    }
    message = "Se ha creado el lote \"" + utf8Left(dietName, 30) + "\"";
    return true;
}

int32_t CreateMixFromRun(TMixObject2& mix, Tdm& dm, int32_t group, std::string* error) {
    dm.clearFailedWrites();
    try {
        Transaction tx(dm.db());
        const int32_t mm = InsertMix(dm.db(), dm.NombreDe(kNameFormula, mix.FormulaCode), group,
                                     dm.GrupoEnMS(group) == 1);
        for (const TOrden& o : mix.Order) {
            const TInsumo& it = mix.Ingredients[o.Indice];
            if (it.Cantidad <= Fixed4()) continue;
            int red = -4;
            try {
                red = dm.RedondeoInsumo(it.Codigo);
            } catch (const std::invalid_argument&) {
            }
            dm.AgregarItemMezcla(mm, it.Codigo, red, true, Fixed4(), Fixed4(), it.Cantidad);
        }
        if (!dm.failedWrites().empty()) {
            if (error)
                *error = "No se pudo crear la mezcla: " + describeFailedWrites(dm.failedWrites());
            dm.clearFailedWrites();
            return 0;
        }
        tx.commit();
        if (dm.onModified) dm.onModified();
        return mm;
    } catch (const std::exception& e) {
        if (error) *error = std::string("No se pudo crear la mezcla: ") + e.what();
        dm.clearFailedWrites();
        return 0;
    }
}

}  // namespace vexa
