#pragma once
// TfrmEditVI and the choice dialogs TfrmInsNut / TfrmInsIns, without widgets: what each
// entry point shows, what it stores, and the candidate lists.
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vexa {

class RecordList;
class Tdm;

struct ValueEntry {
    std::string label = "Insumo";  // "Nutriente" from the values-by-ingredient window
    std::string itemName;
    double value = 0;
    std::string unit;
    bool showBasis = false;  // "Valor en" shown only when dry-matter values are used
    int basis = 0;           // starts at the database state
    double step = 1;         // 0.01 for prices
};

struct ValueAnswer {
    double value = 0;
    int basis = 0;
};

// Shows the value dialog; nullopt when cancelled.
using ValueDialogFn = std::function<std::optional<ValueAnswer>(const ValueEntry&)>;

// Fails with "Error: El Valor no puede ser negativo" below 0: the dialog stays open.
void checkEnteredValue(double v);

// The two list entries: the row's value is shown, the answer converted to the database
// basis and posted. False (edit cancelled) when the dialog was cancelled.
bool editValueByIngredient(RecordList& row, Tdm& dm, const ValueDialogFn& dialog);
bool editValueByNutrient(RecordList& row, Tdm& dm, int nutrient, const ValueDialogFn& dialog);
// The formula window's entries: the price is stored as entered.
bool changePrice(Tdm& dm, int ingredient, int priceNutrient, const ValueDialogFn& dialog);
bool addPrice(Tdm& dm, int ingredient, int priceNutrient, const ValueDialogFn& dialog);

struct Candidate {
    int code = 0;
    std::string name;
};

// Removes the excluded codes; empty when nothing is left; otherwise sorted by name
// (ignoring case) without empty names.
std::vector<Candidate> buildCandidates(const std::vector<Candidate>& all,
                                       const std::set<int>& excluded);

struct ChoiceSpec {
    std::string caption;    // "Insertar nutrientes" / "Insertar insumos"
    std::string textLabel;  // "&Nutriente" / "&Insumo"
    std::string listTitle;  // "Lista de nutrientes disponibles" / "Lista de insumos disponibles"
    std::string okCaption;  // "&Insertar" / "Insertar"
    static ChoiceSpec nutrients();
    static ChoiceSpec ingredients();
};

// Shows the choice dialog; the codes of the checked rows in list order.
using ChoiceDialogFn =
    std::function<std::vector<int>(const ChoiceSpec&, const std::vector<Candidate>&)>;

// Runs the choice: no dialog when no candidate is left.
std::vector<int> chooseMissing(const ChoiceSpec& spec, const std::vector<Candidate>& all,
                               const std::set<int>& excluded, const ChoiceDialogFn& dialog);

// The row of the first candidate whose name begins with the typed text (case-sensitive).
int findTyped(const std::vector<Candidate>& list, const std::string& typed);

}  // namespace vexa
