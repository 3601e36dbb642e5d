#pragma once
// The default catalogue report definitions, compiled in from resources/reports.
#include <string_view>

namespace vexa {

std::string_view reportTemplateNutriente();
std::string_view reportTemplateInsumo();
std::string_view reportTemplateInsVal();
std::string_view reportTemplateNutVal();
std::string_view reportTemplateGrupo();
std::string_view reportTemplateGrupoDet();
std::string_view reportTemplateForDet();

}  // namespace vexa
