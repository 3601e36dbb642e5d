#pragma once
// Batch groups (LOTES) and the diets sent to them (DIETAS with their lines in DETDIE), the
// tables the external batch utility reads.
#include "store/sqlite_db.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexa {

class Tdm;

struct BatchGroup {
    int32_t Codigo = 0;
    std::string Nombre;
};

// Every batch group, by name.
std::vector<BatchGroup> ListBatchGroups(Database& db);

struct DietLine {
    int32_t Ins = 0;
    double Valor = 0.0;  // kg as fed, 4 decimals
};

struct DietToSend {
    std::string Nombre;             // cut to 30 characters
    std::optional<int32_t> LoteId;  // an existing group, or
    std::string NewGroupName;       // a new group created with this name (30 characters)
    DateTime Fecha{};               // the moment of the run
    double Cant = 0.0;              // the batch's weight in kg
    std::vector<DietLine> Lines;
    DateTime Now{};  // the new group's date
};

// Writes the new group (if any), the diet and its lines in one transaction and returns the
// diet's code; marks the workspace modified through dm.onModified. A refused write throws
// SqlError and leaves the tables as they were.
int32_t SendDiet(Tdm& dm, const DietToSend& diet);

}  // namespace vexa
