#include "shell/mix_commands.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>

#include "catalog/catalog_context.h"
#include "catalog/dialogs.h"
#include "catalog/request_event.h"
#include "shell/command_module.h"
#include "store/settings.h"
#include "store/tdm.h"
#include "workflows/batch_dialogs.h"
#include "workflows/electrolyte_dialog.h"
#include "workflows/formula_window.h"
#include "workflows/mix_list_window.h"
#include "workflows/mix_windows.h"

namespace vexa {

void registerMixCommands(CommandModule& cm, QtRequestSink& sink,
                         std::function<std::string()> databaseName) {
    cm.setHandler("acBDE", [&sink] {
        CatalogContext& ctx = catalogContext();
        ElectrolyteDialog d(ctx.database(), ctx.services(), sink, QApplication::activeWindow());
        d.exec();
    });
    cm.registerWindow(WindowKind::MM, [&sink] {
        CatalogContext& ctx = catalogContext();
        return new MixListWindow(ctx.database(), ctx.services(), sink);
    });
    // Request 18: one new window per request.
    cm.openMix = [&cm, &sink, databaseName](int mix, int group) {
        CatalogContext& ctx = catalogContext();
        if (!ctx.db || !ctx.dm) return;
        auto* main = qobject_cast<QMainWindow*>(cm.parent());
        QMdiArea* area = main ? main->findChild<QMdiArea*>() : nullptr;
        if (!area) return;
        auto* w = new ManualMixWindow(ctx.database(), ctx.services(), sink, SisOpc().RO);
        if (databaseName) w->databaseName = databaseName();
        QMdiSubWindow* frame = area->addSubWindow(w);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        frame->setWindowIcon(main->windowIcon());
        frame->showMaximized();
        area->setActiveSubWindow(frame);
        w->openMix(mix, group);
    };
    // "&Mezcla manual": the window with no group and no mix.
    cm.registerWindow(WindowKind::MManual, [&sink, databaseName] {
        CatalogContext& ctx = catalogContext();
        auto* w = new ManualMixWindow(ctx.database(), ctx.services(), sink, SisOpc().RO);
        if (databaseName) w->databaseName = databaseName();
        w->openMix(0, 0);
        return w;
    });
    // Request 17 with 11: the list of mixes reads its mixes again.
    cm.refreshWindow = [&cm, previous = cm.refreshWindow](int kind) {
        if (kind == 11) {
            if (ChildWindow* w = cm.slot(WindowKind::MM)) w->refreshInfo();
        } else if (previous) {
            previous(kind);
        }
    };
}

void connectFormulaEditor(CommandModule& cm, FormulaWindow& w) {
    w.createMix = [&cm](FormulaWindow& f) {
        FormulaEditor& e = f.editor();
        if (!e.hasResults() || e.readOnly()) return;
        std::string error;
        const int32_t mm =
            CreateMixFromRun(*e.mix(), catalogContext().services(), e.group(), &error);
        if (mm == 0) {
            dialogs().showError(error);
            return;
        }
        if (cm.openMix) cm.openMix(mm, e.group());
    };
    w.prepareBatch = [](FormulaWindow& f) {
        FormulaEditor& e = f.editor();
        if (!e.hasResults()) return;
        if (PrepareBatch(*e.mix(), catalogContext().services(), &f))
            f.pages()->setCurrentIndex(f.pages()->count() - 1);
    };
}

}  // namespace vexa
