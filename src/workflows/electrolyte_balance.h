#pragma once
// The electrolyte balance tool: every ingredient's Na + K − Cl in mEq/kg stored as the value
// of one nutrient, computed in one transaction (all of it or nothing).
#include <cstdint>
#include <functional>
#include <string>

namespace vexa {

class Tdm;

struct BalanceChoice {
    int32_t sodio = 0, potasio = 0, cloro = 0;  // 0: not chosen
    int32_t destino = 0;                        // the chooser "&Balance electrolítico"
    bool crearNuevo = true;                     // "Crear un nuevo nutriente para BE"
};

struct BalanceOutcome {
    enum class Kind { MissingSources, Declined, Failed, Done };
    Kind kind = Kind::Done;
    std::string message;  // Spanish, for the user
    int32_t destino = 0;  // the nutrient holding the balance when Done
};

// `confirm` asks the Yes/No question when neither a nutrient nor the new-nutrient option is
// chosen. The workspace is marked modified (dm.onModified) only when the run is stored.
BalanceOutcome RunElectrolyteBalance(Tdm& dm, const BalanceChoice& choice,
                                     const std::function<bool(const std::string&)>& confirm);

inline constexpr const char* kBalanceDone =
    "Proceso terminado. Se mostrarán los valores hallados...";
inline constexpr const char* kBalanceAskNew =
    "Se creará un nuevo nutriente para BALANCE ELECTROLITICO";

}  // namespace vexa
