#include "catalog/catalog_context.h"

#include <stdexcept>

namespace vexa {

Database& CatalogContext::database() const {
    if (!db) throw std::runtime_error("Error: No hay una base de datos abierta");
    return *db;
}

Tdm& CatalogContext::services() const {
    if (!dm) throw std::runtime_error("Error: No hay una base de datos abierta");
    return *dm;
}

CatalogContext& catalogContext() {
    static CatalogContext ctx;
    return ctx;
}

}  // namespace vexa
