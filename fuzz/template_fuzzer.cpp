// libFuzzer target for the filling of report definitions, which users edit and share: the
// input is a definition (a Mustache HTML template) filled over data sets shaped like the
// catalogue reports' (a list of ingredients with their details). Every refusal must be an
// error naming the definition: no crash, no hang, no unbounded output or allocation.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "store/catalog_report.h"

namespace {

vexa::ReportCell textCell(const std::string& t) {
    vexa::ReportCell c;
    c.null = false;
    c.text = t;
    return c;
}

vexa::ReportCell numberCell(double v) {
    vexa::ReportCell c;
    c.null = false;
    c.number = true;
    c.value = v;
    return c;
}

// q1: 300 ingredients; q2: 3 details of each; q3: a few nutrients.
const vexa::ReportData& data() {
    static const vexa::ReportData d = [] {
        vexa::ReportData r;
        vexa::ReportDataSet q1, q2, q3;
        q1.columns = {"Codigo", "Nombre", "Precio"};
        q2.columns = {"Codigo", "Nutriente", "Valor"};
        q3.columns = {"Codigo", "Nombre"};
        for (int i = 1; i <= 300; ++i) {
            q1.rows.push_back({numberCell(i), textCell("Insumo <" + std::to_string(i) + ">"),
                               numberCell(i * 0.0125)});
            for (int k = 0; k < 3; ++k)
                q2.rows.push_back(
                    {numberCell(i), textCell("Proteína & fibra"), numberCell(k + i / 7.0)});
        }
        for (int n = 1; n <= 12; ++n)
            q3.rows.push_back({numberCell(n), textCell("N" + std::to_string(n))});
        r.sets = {q1, q2, q3};
        r.params = {{"Usuario", "Dra. Pérez"}, {"DB", "Granja"}};
        return r;
    }();
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string templ(reinterpret_cast<const char*>(bytes), size);
    try {
        const std::string page = vexa::fillReportTemplate(templ, "Fuzz.rav", data(), ',', "hoy");
        if (page.size() > (std::size_t(64) << 20) + (1 << 20)) __builtin_trap();
    } catch (const std::runtime_error& e) {
        if (std::string(e.what()).find("Fuzz.rav") == std::string::npos) __builtin_trap();
    }
    return 0;
}
