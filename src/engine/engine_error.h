#pragma once
// The engine's refusal of a formula it cannot mix (no ingredients, maxima below 100 %).
// what() is the Spanish message the user is shown; an infeasible formula is not a refusal.
#include <stdexcept>

namespace vexa {

class EngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace vexa
