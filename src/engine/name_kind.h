#pragma once
// What a name is asked for: a mix object's ItemName and the store's NombreDe take the same
// kinds, since the mix object on the database hands its kind straight to the store.
#include <cstdint>

namespace vexa {

enum NameKind : int32_t {
    kNameGroup = 0,
    kNameIngredient = 1,
    kNameNutrient = 2,
    kNameFormula = 3,
    kNameManualMix = 5,
    kNameRatio = 6
};

}  // namespace vexa
