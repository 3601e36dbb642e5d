#include "shell/formula_editor_hook.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "catalog/catalog_context.h"
#include "shell/command_module.h"
#include "store/settings.h"
#include "workflows/formula_window.h"

namespace vexa {

void registerFormulaEditor(CommandModule& cm, QtRequestSink& sink,
                           std::function<std::string()> databaseName,
                           std::function<void(FormulaWindow&)> opened) {
    cm.openFormula = [&cm, &sink, databaseName, opened](int formula, int group) {
        CatalogContext& ctx = catalogContext();
        if (!ctx.db || !ctx.dm) return;
        auto* main = qobject_cast<QMainWindow*>(cm.parent());
        QMdiArea* area = main ? main->findChild<QMdiArea*>() : nullptr;
        if (!area) return;
        auto* w = new FormulaWindow(ctx.database(), ctx.services(), sink, SisOpc().RO);
        if (databaseName) w->editor().databaseName = databaseName();
        w->editor().identity = ReportIdentity{SisOpc().Nombre, SisOpc().Compania, SisOpc().Granja};
        w->openFormula(formula, group);
        if (opened) opened(*w);
        QMdiSubWindow* frame = area->addSubWindow(w);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        frame->setWindowIcon(main->windowIcon());
        frame->showMaximized();
        area->setActiveSubWindow(frame);
    };
    // "&Fórmula": an editor with no formula.
    cm.setHandler("acFor", [&cm] {
        if (cm.openFormula) cm.openFormula(0, 0);
    });
}

}  // namespace vexa
