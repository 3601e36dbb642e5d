#include "workflows/electrolyte_balance.h"

#include "store/sqlite_db.h"
#include "store/tdm.h"

namespace vexa {

BalanceOutcome RunElectrolyteBalance(Tdm& dm, const BalanceChoice& choice,
                                     const std::function<bool(const std::string&)>& confirm) {
    BalanceOutcome out;
    std::string missing;
    if (!choice.sodio) missing += "Nutriente SODIO no encontrado\n";
    if (!choice.potasio) missing += "Nutriente POTASIO no encontrado\n";
    if (!choice.cloro) missing += "Nutriente CLORO no encontrado";
    if (!missing.empty()) {
        if (missing.back() == '\n') missing.pop_back();
        out.kind = BalanceOutcome::Kind::MissingSources;
        out.message = missing;
        return out;
    }
    int32_t destino = choice.destino;
    if (!destino && !choice.crearNuevo && !(confirm && confirm(kBalanceAskNew))) {
        out.kind = BalanceOutcome::Kind::Declined;
        return out;
    }
    // The services mark the workspace as they write; here only a stored run counts.
    std::function<void()> marker = std::move(dm.onModified);
    bool wrote = false;
    dm.onModified = [&wrote] { wrote = true; };
    dm.clearFailedWrites();
    std::string cause;
    try {
        Transaction tx(dm.db());
        destino = dm.BalanceElectrolitico(choice.sodio, choice.potasio, destino, choice.cloro);
        if (!dm.failedWrites().empty())
            cause = describeFailedWrites(dm.failedWrites());
        else if (!destino)
            cause = "no se pudo crear el nutriente del balance.";
        else
            tx.commit();
    } catch (const std::exception& e) {
        cause = e.what();
    }
    dm.clearFailedWrites();
    dm.onModified = std::move(marker);
    if (!cause.empty()) {
        out.kind = BalanceOutcome::Kind::Failed;
        out.message =
            "No se pudo guardar el balance electrolítico; la base de datos no ha "
            "cambiado.\n" +
            cause;
        return out;
    }
    if (wrote && dm.onModified) dm.onModified();
    out.kind = BalanceOutcome::Kind::Done;
    out.destino = destino;
    out.message = kBalanceDone;
    return out;
}

}  // namespace vexa
