#pragma once
// The request codes of the main window (WM_APPCMD) and of its child windows (WM_CHILDCMD).
// One table for everybody: the workspace lifecycle posts some of them through WorkspaceUi,
// the windows post and handle the rest.
namespace vexa {

enum AppCmd : int {
    kAppRefreshCaption = 1,  // refresh caption, status bar and report header values
    kAppStartupDone = 2,
    kAppBringToFront = 3,
    kAppImportDone = 4,
    kAppActivation = 6,
    kAppWindowClosed = 7,
    kAppOpenFormulas = 8,  // argument: group code, or -1
    kAppOpenMixList = 9,
    kAppShowIngredientValues = 10,
    kAppCloseAll = 15,  // a close begins: close shared tables and every child window
    kAppOpenFormula = 16,
    kAppRefreshWindow = 17,
    kAppOpenMix = 18,
    kAppBeforeSave = 22,  // a save begins: every child window writes its edits and re-reads
    kAppLeaveSideBySide = 23,
    kAppFollowIngredient = 24,
    kAppSelectNutrient = 25,
};

// Arguments of kAppRefreshWindow: which windows read their data again.
enum RefreshKind : int {
    kRefreshIngredientsInfo = 1,
    kRefreshGroups = 3,
    kRefreshFormulasInfo = 4,
    kRefreshMixList = 11,
    // Nutrient values or prices changed: every open window that shows them reads them again.
    kRefreshValues = 12,
};

enum ChildCmd : int {
    kChildBeforeSave = kAppBeforeSave,
    kChildLeaveSideBySide = kAppLeaveSideBySide,
    kChildValuesChanged = 26,
};

}  // namespace vexa
