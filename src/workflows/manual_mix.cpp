#include "workflows/manual_mix.h"

#include "engine/mix_math.h"
#include "engine/utf8.h"
#include "catalog/value_lists.h"
#include "engine/text_format.h"
#include "store/batch_groups.h"
#include "store/group_queries.h"
#include "store/mix_object2.h"
#include "store/shared_procs.h"
#include "store/tdm.h"

#include <algorithm>
#include <map>
#include <set>

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
    for (MixLine& l : lines_) {
        if (dry && totalSeco_ != 0)
            l.Perc = Fixed4::fromDouble(l.MS.toDouble() / totalSeco_ * 100.0);
        else if (!dry && totalFresco_ != 0)
            l.Perc = Fixed4::fromDouble(l.Valor / totalFresco_ * 100.0);
        l.Costo = l.Precio * Fixed4::fromDouble(l.Valor);
        totalCosto_ += l.Costo;
    }
    // The shares are kept with the lines; they follow from the quantities, so a refused write
    // of them loses nothing the next recalculation does not give back.
    try {
        Transaction tx(db_);
        for (const MixLine& l : lines_) UpdateMixLine(db_, code_, l);
        tx.commit();
    } catch (const SqlError&) {
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
    message = "Se ha creado el lote \"" + utf8Left(dietName, fieldWidth("DIETAS", "Nombre")) + "\"";
    return true;
}

std::string ManualMix::groupName() const {
    return dm_.NombreDe(kNameGroup, header_.Cat);
}

std::vector<std::pair<int32_t, std::string>> ManualMix::candidates() {
    std::set<int> members, taken;
    for (int c : groupMembers(db_, "EI", header_.Cat)) members.insert(c);
    for (const MixLine& l : lines_) taken.insert(l.CIns);
    std::vector<std::pair<int32_t, std::string>> out;
    for (const Candidate& c : ingredientLookup(db_))
        if (members.count(c.code) && !taken.count(c.code)) out.emplace_back(c.code, c.name);
    return out;
}

std::vector<size_t> ManualMix::insertIngredients(const std::vector<int>& codes,
                                                 std::string* error) {
    if (codes.empty()) return {};
    dm_.clearFailedWrites();
    try {
        Transaction tx(db_);
        for (int code : codes) {
            int red = -4;
            try {
                red = dm_.RedondeoInsumo(code);
            } catch (const std::invalid_argument&) {
            }
            dm_.AgregarItemMezcla(code_, code, red, true, Fixed4(), Fixed4(), Fixed4());
        }
        if (!dm_.failedWrites().empty())
            throw std::runtime_error(describeFailedWrites(dm_.failedWrites()));
        tx.commit();
    } catch (const std::exception& e) {
        dm_.clearFailedWrites();
        if (error) *error = std::string("No se pudo insertar el insumo en la mezcla: ") + e.what();
        recalculate();
        return {};
    }
    if (dm_.onModified) dm_.onModified();
    recalculate();
    std::vector<size_t> at;
    for (int code : codes)
        for (size_t i = 0; i < lines_.size(); ++i)
            if (lines_[i].CIns == code) at.push_back(i);
    return at;
}

std::string ManualMix::deleteLine(size_t index) {
    if (index >= lines_.size()) return {};
    try {
        DeleteMixLine(db_, code_, lines_[index].CIns);
    } catch (const std::exception& e) {
        return std::string("No se pudo borrar el insumo de la mezcla: ") + e.what();
    }
    if (dm_.onModified) dm_.onModified();
    recalculate();
    return {};
}

void ManualMix::loadLimits(int32_t formula) {
    std::vector<RestrNutDestino> rows;
    for (const MixNutrient& n : nutrients_) rows.push_back({n.Codigo, n.RMin, n.RMax, n.EsRestr});
    dm_.CargarRestrNut(formula, rows);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i].EsRestr) continue;
        nutrients_[i].RMin = rows[i].RMin.value_or(Fixed4());
        nutrients_[i].RMax = rows[i].RMax;
        nutrients_[i].EsRestr = true;
    }
}

void ManualMix::setLimits(size_t row, std::optional<Fixed4> min, std::optional<Fixed4> max) {
    if (row >= nutrients_.size()) return;
    MixNutrient& n = nutrients_[row];
    n.RMin = min;
    n.RMax = max;
    n.EsRestr = min.has_value() || max.has_value();
}

std::string ManualMix::setProperties(const std::string& name, bool enMS) {
    const bool basisChanged = enMS != header_.EnMS;
    const bool oldEnMS = header_.EnMS;
    try {
        Transaction tx(db_);
        UpdateMixRow(db_, code_, name, enMS);
        header_.EnMS = enMS;
        if (basisChanged)
            for (MixLine l : lines_) {
                prepareLine(l);
                UpdateMixLine(db_, code_, l);
            }
        tx.commit();
    } catch (const std::exception& e) {
        header_.EnMS = oldEnMS;
        return std::string("No se pudo guardar la mezcla: ") + e.what();
    }
    header_.Nombre = utf8Left(name, fieldWidth("MM", "Nombre"));
    if (dm_.onModified) dm_.onModified();
    recalculate();
    return {};
}

std::string ManualMix::saveAsIngredient(const std::string& name, int rounding) {
    dm_.clearFailedWrites();
    try {
        Transaction tx(db_);
        dm_.AgregarInsumo(utf8Left(name, 25), std::to_string(rounding).substr(0, 2), 0);
        if (dm_.failedWrites().empty()) {
            const int32_t code = dm_.MaxCodigo("Ins", "Codigo");
            dm_.HabilitarInsumo(header_.Cat, code);
            for (const MixNutrient& n : nutrients_) dm_.AgregarValor(code, n.Codigo, n.Valor);
        }
        if (!dm_.failedWrites().empty())
            throw std::runtime_error(describeFailedWrites(dm_.failedWrites()));
        tx.commit();
    } catch (const std::exception& e) {
        dm_.clearFailedWrites();
        return std::string("No se guardó el insumo: ") + e.what();
    }
    if (dm_.onModified) dm_.onModified();
    return {};
}

LimitState minState(const MixNutrient& n) {
    if (!n.EsRestr || !n.RMin) return LimitState::None;
    return n.Valor >= *n.RMin ? LimitState::Met : LimitState::Broken;
}

LimitState maxState(const MixNutrient& n) {
    if (!n.EsRestr || !n.RMax || n.RMax->isZero()) return LimitState::None;
    return n.Valor <= *n.RMax ? LimitState::Met : LimitState::Broken;
}

void WriteMixReport(ReportDocument& doc, ManualMix& mix, const MixReportInfo& info) {
    const bool dry = mix.dryBasis();
    const double fresco = mix.totalFresco();
    doc.BeginUpdate();
    doc.Clear();
    WriteTitleBlock(doc, info.productTitle, info.identity);
    doc.AppendLine(formatText(
        "Base de datos: %s\r\n        Grupo: %s\r\nMezcla manual: %s\r\n Fecha y hora: %s\r\n",
        {info.databaseName, mix.groupName(), mix.header().Nombre, info.dateTime}));
    doc.AppendLine(dry ? "Fórmula en BASE SECA" : "Fórmula en BASE FRESCA");
    doc.AppendLine("");
    WriteHeading(doc, "RESULTADO DE LA MEZCLA", kBlue);
    doc.AppendLine(RepeatChar(22, '='));
    doc.AppendLine("");
    doc.AppendLine("");
    doc.AppendLine("INSUMOS");
    doc.AppendLine(RepeatChar(7, '='));
    const std::vector<FormatArg> words = {std::string("Nombre"), std::string("Cantidad"),
                                          std::string("Porcentaje"), std::string("Precio"),
                                          std::string("Costo")};
    // The name-and-quantity part: the first two words over the name and the first quantity.
    const std::string lead = "%-25s   %10s";
    std::string pattern;
    if (dry) {
        doc.AppendLine(
            formatText("%44s   %24s", {std::string("BASE SECA"), std::string("BASE FRESCA")}));
        doc.AppendLine(formatText(lead + "   %10s   %1:10s   %2:10s   %-12s   %-12s", words));
        pattern = UnderlinePattern({25, 3, 10, 3, 10, 3, 10, 3, 10, 3, 12, 3, 12});
    } else {
        doc.AppendLine("");
        doc.AppendLine(formatText(lead + "   %10s   %-12s   %-12s", words));
        pattern = UnderlinePattern({25, 3, 10, 3, 10, 3, 12, 3, 12});
    }
    doc.AppendLine(pattern);
    for (const MixLine& l : mix.lines()) {
        if (dry)
            doc.AppendLine(
                formatText("%-25s   %10.4f   %9.4f%%   %10.4f   %9.4f%%   %12m   %12m",
                           {l.Nombre, l.MS, l.Perc, l.Valor,
                            fresco == 0 ? 0.0 : l.Valor / fresco * 100.0, l.Precio, l.Costo}));
        else
            doc.AppendLine(formatText("%-25s   %10.4f   %9.4f%%   %12m   %12m",
                                      {l.Nombre, l.Valor, l.Perc, l.Precio, l.Costo}));
    }
    doc.AppendLine(pattern);
    if (dry)
        doc.AppendLine(
            formatText("%-25s   %10.4f   %9.4f%%   %10.4f   %2:9.4f%%                  %4:12m",
                       {std::string("TOTAL"), mix.totalSeco(), 100.0, fresco, mix.totalCosto()}));
    else
        doc.AppendLine(formatText("%-25s   %10.4f   %9.4f%%                  %12m",
                                  {std::string("TOTAL"), fresco, 100.0, mix.totalCosto()}));
    doc.AppendLine("");
    doc.AppendLine("");
    doc.AppendLine(dry ? "CONTENIDO NUTRICIONAL EN BASE SECA" : "CONTENIDO NUTRICIONAL");
    doc.AppendLine(RepeatChar(dry ? 34 : 21, '='));
    doc.AppendLine("");
    doc.AppendLine(
        formatText("%-25s   %-10s   %10s   %-8s", {std::string("Nombre"), std::string("Unidad"),
                                                   std::string("Valor"), std::string("Al Peso")}));
    doc.AppendLine(UnderlinePattern({25, 3, 10, 3, 10, 3, 12}));
    for (const MixNutrient& n : mix.nutrients()) {
        if (n.ITipo != 0)
            doc.AppendLine(formatText("%-25s  %-10s   %9.4f", {n.Nombre, n.Unidad, n.Valor}));
        else
            doc.AppendLine(formatText(
                "%-25s  %-10s   %9.4f   %-12s",
                {n.Nombre, n.Unidad, n.Valor, FormatWeight(n.Valor.toDouble() * fresco / 100.0)}));
    }
    doc.EndUpdate();
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
