#include "shell/formula_lists.h"

#include "catalog/catalog_context.h"
#include "shell/command_module.h"
#include "workflows/formulas_window.h"
#include "workflows/groups_window.h"

namespace vexa {

void registerFormulaLists(CommandModule& cm, QtRequestSink& sink) {
    cm.registerWindow(WindowKind::LR, [&sink] {
        CatalogContext& ctx = catalogContext();
        return new FormulasWindow(ctx.database(), ctx.services(), sink);
    });
    cm.registerWindow(WindowKind::Groups, [&sink] {
        CatalogContext& ctx = catalogContext();
        return new GroupsWindow(ctx.database(), ctx.services(), sink);
    });
}

}  // namespace vexa
