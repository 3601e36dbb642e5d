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
    // Other windows answer the kinds they own; these two belong here.
    auto earlier = cm.refreshWindow;
    cm.refreshWindow = [&cm, earlier](int kind) {
        auto* lr = qobject_cast<FormulasWindow*>(cm.slot(WindowKind::LR));
        if (lr && kind == 4) lr->refreshInfo();
        if (lr && kind == 3) lr->reloadGroupBox();
        if (kind != 4 && earlier) earlier(kind);
    };
}

}  // namespace vexa
