#include "shell/command_table.h"

namespace vexa {

const std::vector<CommandSpec>& commandTable() {
    static const std::vector<CommandSpec> table = {
        {"acSalir", "Salir", "Ctrl+S", "Terminar la sesión y salir", -1, 10},
        {"acNut", "&Nutrientes", "Ctrl+N", "Ver lista de nutrientes", 0, 13},
        {"acIns", "&Insumos", "Ctrl+I", "Ver lista de insumos", 1, 0},
        {"acCat", "&Grupos", "Ctrl+G", "Ver grupos de fórmulas y mezclas", 2, 0},
        {"acPrec", "&Precios", "Ctrl+P", "Ver precio de insumos", 4, 0},
        {"acFor", "&Fórmula", "Ctrl+F", "Ver fórmula", 5, 0},
        {"acCN", "Contenido nutricional", "", "Ver contenido nutricional de insumos", 6, 0},
        {"acCN1", "&Contenido", "", "", 6, 0},
        {"acCxN", "Contenido por nutriente", "", "", 7, 0},
        {"acLR", "&Fórmulas", "Ctrl+F", "Ver lista de fórmulas", 8, 0},
        {"acChgDB", "&Cambiar base de datos", "", "", 10, 0},
        {"acProp", "&Propiedades de la base de datos", "", "", 11, 0},
        {"acMM", "&Mezclas", "", "", 12, 0},
        {"acMMI", "&Mezcla manual", "", "", 13, 0},
        {"acRel", "Re&laciones", "", "", 14, 0},
        {"acSisOpc", "&Opciones del sistema", "", "Nombre del usuario, compañia, BD incial", 15, 0},
        {"acAcerca", "Acerca de Vexa", "", "Muestra los creditos", 16, 0},
        {"acNuevo", "Nueva base de datos", "", "Crear una base de datos vacia", 17, 5},
        {"acAbrir", "Abrir vxf...", "Ctrl+A", "Abrir vxf", -1, 1},
        {"acGuardar", "&Guardar vxf", "", "Guardar base de datos actual", -1, 4},
        {"acGuardarcomo", "Guardar &como...", "", "", -1, 11},
        {"acImport", "&Importar kel...", "", "", -1, 0},
        {"acLotes", "Ejecutar Lotexa", "", "Ejecuta el utilitario para manejo de lotes", -1, 0},
        {"acPrtSetup", "&Configurar impresora...", "", "Cambiar parámetros de impresión", -1, 8},
        {"acBDE", "Balance electrolítico para monogástricos", "",
         "Configura la base de datos actual para utilizar Balance Electrolítico", -1, 0},
        {"acRepNut", "Listado de nutrientes", "", "", 0, 0},
        {"acRepIns", "Listado de insumos", "", "", 1, 0},
        {"acRepInsVal", "De todos los insumos", "", "", 2, 0},
        {"acRepGr", "Listado de grupos", "", "", 3, 0},
        {"acRepPx", "Listado de precios", "", "", 5, 0},
        {"acRepMS", "Listado de materia seca", "", "", 6, 0},
        {"acRepInsValx1", "Por insumo...", "", "", 7, 0},
        {"acRepNutVal", "De todos los nutrientes", "", "", 8, 0},
        {"acRepNutValx1", "Por nutriente...", "", "", 9, 0},
        {"acRepGrx1", "Listado de un grupo...", "", "", 10, 0},
        {"acRepForx1", "Listado de una fórmula", "", "", 4, 0},
        {"acListDB", "Listado de base de datos", "", "", 12, 0},
        {"WindowCascade1", "&Cascada", "", "", -1, 0},
        {"WindowTileHorizontal1", "Mosaico &horizontal", "", "", -1, 0},
        {"WindowTileVertical1", "Mosaico &vertical", "", "", -1, 0},
        {"WindowClose1", "Cerrar", "", "Cerrar la ventana activa", -1, 0},
        {"WindowArrange1", "&Arrange", "", "", -1, 0},
        {"WindowMinimizeAll1", "&Minimizar todos", "", "", -1, 0},
        {"HelpContents1", "&Contenido", "Ctrl+F1", "Help Contents", -1, 0},
        {"HelpTopicSearch1", "&Búsqueda por tópicos", "", "Topic Search", -1, 0},
        {"HelpOnHelp1", "&Ayuda de la ayuda", "", "Help on help", -1, 0},
    };
    return table;
}

const CommandSpec* findCommand(const std::string& name) {
    for (const auto& c : commandTable())
        if (name == c.name) return &c;
    return nullptr;
}

const std::vector<MenuSpec>& mainMenus() {
    static const std::vector<MenuSpec> menus = {
        {"&Sistema",
         {"acAbrir", "acGuardar", "acGuardarcomo", "acNuevo", "-", "acImport", "acLotes", "-",
          "acProp", "-", "acPrtSetup", "acSisOpc", "-", "acSalir"}},
        {"&Editar",
         {"acNut", "acIns", "acRel", "acCat", "-", "acPrec", "acCxN", "acCN", "-", "acLR", "acMM"}},
        {"Herramientas", {"acBDE"}},
        {"&Reportes",
         {"acRepNut", "acRepIns", "-", "acRepPx", "acRepMS", "[Contenido nutricional",
          "acRepInsValx1", "acRepInsVal", "-", "acRepNutValx1", "acRepNutVal", "]", "-", "acRepGr",
          "acRepGrx1", "-", "acRepForx1", "acListDB"}},
        {"&Ventana",
         {"WindowCascade1", "WindowTileHorizontal1", "WindowTileVertical1", "-", "WindowClose1"}},
        {"A&yuda", {"HelpContents1", "HelpOnHelp1", "HelpTopicSearch1", "-", "acAcerca"}},
    };
    return menus;
}

const std::vector<const char*>& toolBarCommands() {
    static const std::vector<const char*> bar = {"acSalir", "acGuardar", "WindowClose1", "-",
                                                 "acLR"};
    return bar;
}

}  // namespace vexa
