#pragma once
// TfrmVals and TfrmValN without widgets: the Val rows of one selected ingredient or one
// selected nutrient, edited through the value dialog and filled with "&Insertar".
#include <string>
#include <vector>

#include "catalog/record_list.h"
#include "catalog/requests.h"
#include "catalog/value_entry.h"

namespace vexa {

class Tdm;

class ValueList : public RecordList {
public:
    ValueDialogFn valueDialog;
    ChoiceDialogFn choiceDialog;
    int selected() const { return selected_; }
    // "&Insertar": the missing items are chosen, then each new row goes through the value
    // dialog; a cancelled one is dropped. Returns the number of rows stored.
    int insertMissing();

protected:
    ValueList(Database& db, Tdm& dm, RequestSink& requests, int activationCode);
    void select(int code);
    void beforePost() override { ChequearNegativo("Valor"); }
    // Open formulas and mixes show prices and values: they read them again.
    void afterPost(bool) override { requestsSink().postApp(kAppRefreshWindow, kRefreshValues); }
    void afterDelete() override { requestsSink().postApp(kAppRefreshWindow, kRefreshValues); }
    virtual std::vector<Candidate> candidates() = 0;
    virtual ChoiceSpec choiceSpec() const = 0;
    virtual void fillNewRow(int otherCode) = 0;
    Tdm& dm_;
    int selected_ = 0;
};

class IngredientValues : public ValueList {
public:
    IngredientValues(Database& db, Tdm& dm, RequestSink& requests);
    void selectIngredient(int code) { select(code); }

protected:
    bool wEditar() override { return editValueByIngredient(*this, dm_, valueDialog); }
    std::vector<Candidate> candidates() override;
    ChoiceSpec choiceSpec() const override { return ChoiceSpec::nutrients(); }
    void fillNewRow(int nut) override;
};

class NutrientValues : public ValueList {
public:
    NutrientValues(Database& db, Tdm& dm, RequestSink& requests);
    void selectNutrient(int code) { select(code); }

protected:
    bool wEditar() override { return editValueByNutrient(*this, dm_, selected_, valueDialog); }
    std::vector<Candidate> candidates() override;
    ChoiceSpec choiceSpec() const override { return ChoiceSpec::ingredients(); }
    void fillNewRow(int ins) override;
};

struct CodeName;
std::vector<Candidate> toCandidates(const std::vector<CodeName>& rows);

// The selector lists: ingredients by name; nutrients as "name, unit" (price items only in
// price mode).
std::vector<Candidate> ingredientLookup(Database& db);
std::vector<Candidate> nutrientLookup(Database& db, bool pricesOnly);

}  // namespace vexa
