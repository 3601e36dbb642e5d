#include "store/batch_groups.h"

#include "engine/utf8.h"
#include "store/tdm.h"

namespace vexa {

std::vector<BatchGroup> ListBatchGroups(Database& db) {
    std::vector<BatchGroup> out;
    Statement q = db.prepare("Select Codigo, Nombre From Lotes Order By Nombre COLLATE NOMBRES");
    while (q.step()) out.push_back({q.getInt("Codigo"), q.getText("Nombre")});
    return out;
}

int32_t SendDiet(Tdm& dm, const DietToSend& diet) {
    Database& db = dm.db();
    Transaction tx(db);
    int32_t lote = diet.LoteId.value_or(0);
    if (!diet.LoteId) {
        Statement s =
            db.prepare("INSERT INTO LOTES (NOMBRE, PRECIO, FECHA) VALUES (:_N, :_P, :_F)");
        s.bind("_N", utf8Left(diet.NewGroupName, 30)).bind("_P", int32_t{0}).bind("_F", diet.Now);
        s.step();
        lote = static_cast<int32_t>(db.lastInsertRowId());
    }
    Statement d = db.prepare(
        "INSERT INTO DIETAS (Nombre, Fecha, Cant, LoteId) VALUES (:Nombre, :Fecha, :Cant, "
        ":LoteId)");
    d.bind("Nombre", utf8Left(diet.Nombre, 30))
        .bind("Fecha", diet.Fecha)
        .bind("Cant", diet.Cant)
        .bind("LoteId", lote);
    d.step();
    const auto die = static_cast<int32_t>(db.lastInsertRowId());
    Statement l = db.prepare("INSERT INTO DETDIE (Die, Ins, Valor) VALUES (:Die, :Ins, :Valor)");
    for (const DietLine& line : diet.Lines) {
        l.reset();
        l.bind("Die", die)
            .bind("Ins", line.Ins)
            .bind("Valor", Fixed4::fromDouble(line.Valor).toDouble());
        l.step();
    }
    tx.commit();
    if (dm.onModified) dm.onModified();
    return die;
}

}  // namespace vexa
