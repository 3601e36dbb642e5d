// Tdm: opening, single-value lookups and the basis conversion.
#include "store/shared_procs.h"
#include "store/tdm.h"

#include <cctype>
#include <stdexcept>

namespace vexa {

namespace {

bool isIdentifier(std::string_view s) {
    if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
    for (char c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

}  // namespace

Tdm::Tdm(Database& db, TDBDef& def) : db_(db), def_(def) {}

void Tdm::modified() {
    if (onModified) onModified();
}

int Tdm::run(Statement& s) {
    int n = s.execute();
    if (n > 0) modified();
    return n;
}

// The row primitives are the one place where the store's refusals are swallowed: the caller
// learns only that the row is not there.
bool Tdm::tryRun(Statement& s) noexcept {
    try {
        run(s);
        return true;
    } catch (const std::exception&) {
        s.reset();
        return false;
    }
}

void Tdm::AbrirTablas() {
    LeerDefectos();
}

void Tdm::LeerDefectos() {
    TDBDef read = readDBDef(db_.file().parent_path());
    def_.Precio = read.Precio;
    def_.MS = read.MS;
    def_.Categoria = read.Categoria;
}

std::string Tdm::NombreDe(int kind, int32_t code) {
    const char* table = nullptr;
    switch (kind) {
        case kNameGroup:
            table = "Cat";
            break;
        case kNameIngredient:
            table = "Ins";
            break;
        case kNameNutrient:
            table = "Nut";
            break;
        case kNameFormula:
            table = "LR";
            break;
        case kNameManualMix:
            table = "MM";
            break;
        case kNameRatio:
            table = "Rel";
            break;
        default:
            return {};
    }
    Statement s =
        db_.cached(std::string("Select Nombre From ") + table + " Where Codigo = :Codigo");
    s.bind("Codigo", code);
    return s.step() ? s.getText(0) : std::string();
}

std::string Tdm::UnidadNutriente(int32_t nut) {
    Statement s = db_.cached("Select Unidad From Nut Where Codigo = :Codigo");
    s.bind("Codigo", nut);
    return s.step() ? s.getText(0) : std::string();
}

int32_t Tdm::PrecioGrupo(int32_t cat) {
    Statement s = db_.cached("Select Precio From Cat Where Codigo = :Codigo");
    s.bind("Codigo", cat);
    return s.step() ? s.getInt(0) : 0;
}

int32_t Tdm::GrupoEnMS(int32_t cat) {
    Statement s = db_.cached("Select EnMS From Cat Where Codigo = :Sp");
    s.bind("Sp", cat);
    return s.step() ? s.getInt(0) : 0;
}

int32_t Tdm::PrimeraFormula(int32_t cat) {
    Statement s = db_.cached("Select Codigo From LR Where Cat = :Cat Order By Codigo Limit 1");
    s.bind("Cat", cat);
    return s.step() ? s.getInt(0) : 0;
}

int32_t Tdm::TipoNutriente(int32_t nut) {
    Statement s = db_.cached("Select Tipo From Nut Where Codigo = :Codigo");
    s.bind("Codigo", nut);
    return s.step() ? s.getInt(0, 2) : 2;
}

std::string Tdm::NombreTipoNutriente(int32_t nut) {
    // A nutrient that does not exist has no type name (not the name of the default type).
    Statement s = db_.cached(
        "Select TN.Tipo From Nut Left Join TN On TN.Codigo = coalesce(Nut.Tipo, 2) "
        "Where Nut.Codigo = :Codigo");
    s.bind("Codigo", nut);
    return s.step() ? s.getText(0) : std::string();
}

int32_t Tdm::TipoInsumo(int32_t ins) {
    Statement s = db_.cached("Select ItId From Ins Where Codigo = :Codigo");
    s.bind("Codigo", ins);
    return s.step() ? s.getInt(0) : 0;
}

int Tdm::RedondeoInsumo(int32_t ins) {
    Statement s = db_.cached("Select Redondeo From Ins Where Codigo = :Codigo");
    s.bind("Codigo", ins);
    if (!s.step() || s.isNull(0)) return -4;
    std::string text = s.getText(0);
    size_t a = text.find_first_not_of(' ');
    if (a == std::string::npos) return -4;
    size_t b = text.find_last_not_of(' ');
    std::string t = text.substr(a, b - a + 1);
    size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
    if (i == t.size()) throw std::invalid_argument("'" + text + "' no es un número entero válido");
    for (size_t k = i; k < t.size(); ++k)
        if (!std::isdigit(static_cast<unsigned char>(t[k])))
            throw std::invalid_argument("'" + text + "' no es un número entero válido");
    return std::stoi(t);
}

Fixed4 Tdm::MSInsumo(int32_t ins) {
    Statement s = db_.cached("Select Valor From Val Where Ins = :Ins And Nut = :Nut");
    s.bind("Ins", ins).bind("Nut", def_.MS);
    return s.step() ? s.getFixed4(0) : Fixed4();
}

Fixed4 Tdm::ConvertirBase(int32_t ins, int basis, Fixed4 value) {
    const int dbBasis = def_.EnBaseFresca ? 1 : 0;
    if (basis == dbBasis) return value;
    Fixed4 ms = MSInsumo(ins);
    // Entered on dry matter for a database held as fed: the share of the dry matter.
    if (basis == 1) return ParteDe(ms, value);
    return Porcentaje(ms, value);
}

int32_t Tdm::MaxOrdenNut() {
    return MaxCodigo("NUT", "ORDEN");
}

int32_t Tdm::MaxCodigo(std::string_view table, std::string_view field) {
    table = table.substr(0, 20);
    field = field.substr(0, 20);
    if (!isIdentifier(table) || !isIdentifier(field)) return 0;
    Statement s = db_.prepare("SELECT MAX(" + std::string(field) + ") FROM " + std::string(table));
    return s.step() ? s.getInt(0) : 0;
}

}  // namespace vexa
