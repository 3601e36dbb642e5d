#pragma once
// A batch: the ration of the last run scaled to a quantity of feed in kilograms, each
// ingredient rounded to its practical step, with its cost and its share of the batch.
//
// Usage:
//     BatchTable t = FillBatchTable(mix, nameOf, roundingOf);  // after a run
//     t.rows[0].Red = 1;                                        // the user's choice
//     if (std::string err = ScaleBatch(t, 1000.0, BatchBasis::AsFed); !err.empty()) ...;
//     WriteBatchTable(doc, t, "1000", BatchBasis::AsFed, "$");
#include "engine/fixed4.h"
#include "engine/report_document.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vexa {

class TMixObject;

enum class BatchBasis { AsFed, DryMatter };

struct BatchRow {
    std::string Insumo;
    int Red = -4;           // the quantity is rounded to a multiple of 10^Red kg
    double ValorRed = 0.0;  // before scaling: amount per unit of ration; after: kg as fed
    int32_t Codigo = 0;
    Fixed4 Precio;
    Fixed4 Costo;
    Fixed4 MS;
    Fixed4 BS;         // dry basis only: before scaling the dry share, after it the dry kg
    double BFP = 0.0;  // share of the rounded as-fed total, %
};

struct BatchTable {
    std::vector<BatchRow> rows;
    bool dryMatter = false;  // the mix worked on a dry-matter basis
    double scaleSum = 0.0;
    Fixed4 drySum;
    // After scaling.
    Fixed4 totalDry, totalAsFed, totalCost;
};

// The ration's ingredients (the order list, largest share first).
BatchTable FillBatchTable(const TMixObject& mix, const std::function<std::string(int32_t)>& nameOf,
                          const std::function<int(int32_t)>& roundingOf);

// x rounded to a multiple of 10^red, halves away from zero (12.5 -> 13, -12.5 -> -13).
double RoundToStep(double x, int red);

// Scales the table to `quantity` kg. A scale sum (or dry sum) of 0, or a rounded as-fed total
// of 0, would divide by zero: the table is left as it was and a Spanish message is returned.
// Empty on success.
std::string ScaleBatch(BatchTable& table, double quantity, BatchBasis basis);

// The batch part of the report: heading, the quantity line, the table and its total.
// `quantityText` is the quantity as the user's field shows it; `priceUnit` the unit of the
// formula's price nutrient.
void WriteBatchTable(ReportDocument& doc, const BatchTable& table, const std::string& quantityText,
                     BatchBasis basis, const std::string& priceUnit);

}  // namespace vexa
