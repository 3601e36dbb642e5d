#pragma once
// Batch preparation on the mix object of the last run: the table the batch dialog shows, the
// batch report ("&Hacer lote") and the diet sent to a batch group ("&Enviar a Lotexa").
//
// Usage:
//     BatchSession s(mix, dm);                 // after mix.Mix()
//     s.table().rows[i].Red = 1;               // the dialog's grid
//     std::string err = s.writeReport(1000, "1000", BatchBasis::AsFed, true);
//     DietRequest r = s.dietRequest();        // name for the batch-group dialog
//     err = s.send(1000, BatchBasis::AsFed, choice, &dietCode);
#include "engine/batch_preparation.h"
#include "store/batch_groups.h"
#include "store/mix_object2.h"

#include <optional>
#include <string>

namespace vexa {

// What the batch-group dialog returns when confirmed.
struct BatchGroupChoice {
    std::string dietName;
    std::optional<int32_t> existingGroup;  // else a new group named newGroupName
    std::string newGroupName;
};

class BatchSession {
public:
    BatchSession(TMixObject2& mix, Tdm& dm);

    BatchTable& table() { return table_; }
    bool dryMatter() const { return table_.dryMatter; }
    // The diet name the batch-group dialog starts with: the formula's name, 30 characters.
    std::string dietName();

    // Scales a copy of the table and writes the header, the batch table and (when asked) the
    // nutrient content of the batch into the mix object's report. An empty result on success;
    // otherwise the Spanish message, and nothing written.
    std::string writeReport(double quantity, const std::string& quantityText, BatchBasis basis,
                            bool includeContent);
    // Stores the scaled batch as a diet; dietCode receives the new diet. Empty on success,
    // else the message (nothing stored).
    std::string send(double quantity, BatchBasis basis, const BatchGroupChoice& choice,
                     int32_t* dietCode = nullptr);
    // The scaled table of the last writeReport or send.
    const BatchTable& scaled() const { return scaled_; }

    std::function<DateTime()> now = [] { return std::chrono::system_clock::now(); };

private:
    TMixObject2& mix_;
    Tdm& dm_;
    BatchTable table_;
    BatchTable scaled_;
};

}  // namespace vexa
