#pragma once
// What the catalogue windows need from the open workspace, filled by the shell when a
// workspace is connected (tests fill it with a database of their own).
#include <functional>

namespace vexa {

class Database;
class Tdm;

struct WorkspaceProps {
    int Precio = 0;             // default price nutrient
    int MS = 0;                 // dry-matter nutrient
    bool EnBaseFresca = false;  // true: values held on a dry basis (the key's name misleads)
    bool UsarMS = false;        // dry-matter values in use
};

struct CatalogContext {
    Database* db = nullptr;
    Tdm* dm = nullptr;                   // the data-access services on db
    std::function<void()> markModified;  // sets DBModified
    std::function<WorkspaceProps()> props;
    // Process-wide flags shared between the catalogue windows.
    bool nutrientsChanged = false;
    bool ingredientsChanged = false;
    bool sideBySide = false;

    Database& database() const;
    Tdm& services() const;
    void modified() const {
        if (markModified) markModified();
    }
    WorkspaceProps workspace() const { return props ? props() : WorkspaceProps{}; }
};

CatalogContext& catalogContext();

}  // namespace vexa
