#include "shell/mix_commands.h"

#include "catalog/catalog_context.h"
#include "catalog/request_event.h"
#include "shell/command_module.h"
#include "workflows/electrolyte_dialog.h"

#include <QApplication>

namespace vexa {

void registerMixCommands(CommandModule& cm, QtRequestSink& sink) {
    cm.setHandler("acBDE", [&sink] {
        CatalogContext& ctx = catalogContext();
        ElectrolyteDialog d(ctx.database(), ctx.services(), sink, QApplication::activeWindow());
        d.exec();
    });
}

}  // namespace vexa
