#include "shell/vxf_workspace.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QStandardPaths>

#include "catalog/dialogs.h"
#include "catalog/qt_dialogs.h"
#include "catalog/request_event.h"

namespace vexa {

namespace {
const char* kVxfFilter = "Archivo Vexa (*.vxf)|*.vxf|Todos los archivos (*.*)|*.*";
}

void ShellWorkspaceUi::showError(const std::string& message) {
    dialogs().showError(message);
}

void ShellWorkspaceUi::showNotice(const std::string& message) {
    dialogs().showInfo(message);
}

bool ShellWorkspaceUi::askYesNo(const std::string& question, const std::string& title) {
    return dialogs().askYesNo(question, title);
}

WorkspaceUi::SaveAnswer ShellWorkspaceUi::askSaveChanges(const std::string& question,
                                                         const std::string& title) {
    switch (dialogs().askYesNoCancel(question, title)) {
        case Dialogs::Answer::Yes:
            return SaveAnswer::Yes;
        case Dialogs::Answer::No:
            return SaveAnswer::No;
        case Dialogs::Answer::Cancel:
            break;
    }
    return SaveAnswer::Cancel;
}

std::optional<std::filesystem::path> ShellWorkspaceUi::chooseOpenFile(
    const std::string& title, const std::filesystem::path& startFolder) {
    FileChoice c{FileChoice::Mode::Open, title, startFolder.string(), kVxfFilter, "vxf", ""};
    auto f = dialogs().chooseFile(c);
    if (!f) return std::nullopt;
    return std::filesystem::path(*f);
}

std::optional<std::filesystem::path> ShellWorkspaceUi::chooseSaveFile(
    const std::string& title, const std::filesystem::path& startFolder) {
    FileChoice c{FileChoice::Mode::Save, title, startFolder.string(), kVxfFilter, "vxf", ""};
    auto f = dialogs().chooseFile(c);
    if (!f) return std::nullopt;
    return std::filesystem::path(*f);
}

bool ShellWorkspaceUi::askContinueAfterFileError(const std::string& fileName) {
    return dialogs().askYesNo("¿Desea continuar sin el archivo " + fileName + "?", "Confirmación");
}

WorkspaceUi::RecoveryAnswer ShellWorkspaceUi::askRecoverSession(const std::string& text) {
    switch (dialogs().askChoice(
        text, "Cambios sin guardar",
        {"&Recuperar", "&Guardar como archivo...", "&Descartar", "&Más tarde"})) {
        case 0:
            return RecoveryAnswer::Recover;
        case 1:
            return RecoveryAnswer::KeepAsFile;
        case 2:
            return RecoveryAnswer::Discard;
        default:
            return RecoveryAnswer::Later;
    }
}

bool ShellWorkspaceUi::notifyShell(int code, int argument) {
    if (!shell) return false;
    // Closing must empty the frame before the database goes away, and a save must have every
    // window's edit written first, so those requests are carried out at once; the others wait
    // for the current handler, as posted requests do.
    if (code == kAppCloseAll || code == kAppBeforeSave) {
        RequestEvent e(kAppCmdEvent, code, argument);
        QCoreApplication::sendEvent(shell.data(), &e);
        return true;
    }
    postRequest(shell.data(), kAppCmdEvent, code, argument);
    return true;
}

bool ShellWorkspaceUi::moveToTrash(const std::filesystem::path& file) {
    // Qt makes the home trash only inside an existing data folder; without one (a new user)
    // it falls back to the working folder and leaves "files" and "info" beside the workspace.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    return QFile::moveToTrash(QString::fromStdString(file.string()));
}

void ShellWorkspaceUi::setBusy(bool busy) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

VxfWorkspace::VxfWorkspace(WorkspaceSettings settings)
    : readOnly_(settings.readOnly), vxf_(std::make_unique<Tdmvxf>(std::move(settings), ui_)) {}

VxfWorkspace::~VxfWorkspace() = default;

bool VxfWorkspace::opened() {
    if (vxf_->OpenStage != kStageOk || !vxf_->isOpen()) return false;
    if (afterOpen) afterOpen(vxf_->db());
    return true;
}

bool VxfWorkspace::open(const std::string& path) {
    vxf_->AbrirVXF(path);
    return opened();
}

bool VxfWorkspace::offerRecovery() {
    return vxf_->OfrecerRecuperacion() && opened();
}

bool VxfWorkspace::openWithDialog() {
    return vxf_->AbrirConDialogo() && opened();
}

bool VxfWorkspace::createWithDialog() {
    // The save question comes before the file is chosen: answering Cancel must not leave a
    // new workspace file behind (nor an overwritten one as ".bkp").
    // Answered here, it is not asked a second time when the old workspace closes.
    auto answer = WorkspaceUi::SaveAnswer::Yes;
    if (!vxf_->PreguntarGuardar(&answer)) return false;
    const bool declined = answer == WorkspaceUi::SaveAnswer::No;
    const auto before = vxf_->CurrentVXF;
    vxf_->NuevaVXF(vxf_->settings().vxfPath);
    if (opened()) return true;
    // No new workspace: the changes the user declined to save are still unsaved.
    if (declined && vxf_->isOpen() && vxf_->CurrentVXF == before) vxf_->DBModified = true;
    return false;
}

void VxfWorkspace::save() {
    vxf_->GuardarVXF();
}
void VxfWorkspace::saveAs() {
    vxf_->GuardarVXFComo();
}
bool VxfWorkspace::close() {
    return vxf_->CerrarVXF();
}
bool VxfWorkspace::connected() const {
    return vxf_->isOpen();
}
Database* VxfWorkspace::database() {
    return vxf_->isOpen() ? &vxf_->db() : nullptr;
}
std::string VxfWorkspace::currentFile() const {
    return vxf_->CurrentVXF.string();
}
std::string VxfWorkspace::title() const {
    return vxf_->DBDef.Nombre;
}
std::string VxfWorkspace::author() const {
    return vxf_->DBDef.Autor;
}
std::string VxfWorkspace::comment() const {
    return vxf_->DBDef.Comentario;
}
double VxfWorkspace::version() const {
    return vxf_->DBDef.Ver.toDouble();
}

WorkspaceProps VxfWorkspace::props() const {
    const TDBDef& d = vxf_->DBDef;
    return {d.Precio, d.MS, d.EnBaseFresca, d.UsarMS};
}

void VxfWorkspace::setDescription(const std::string& title, const std::string& author,
                                  const std::string& comment) {
    vxf_->DBDef.Nombre = title;
    vxf_->DBDef.Autor = author;
    vxf_->DBDef.Comentario = comment;
    vxf_->recordDBDef();
}

void VxfWorkspace::setProps(const WorkspaceProps& p) {
    TDBDef& d = vxf_->DBDef;
    d.Precio = p.Precio;
    d.MS = p.MS;
    d.EnBaseFresca = p.EnBaseFresca;
    d.UsarMS = p.UsarMS;
    vxf_->recordDBDef();
}

bool VxfWorkspace::modified() const {
    return vxf_->DBModified;
}
void VxfWorkspace::setModified() {
    vxf_->DBModified = true;
}

}  // namespace vexa
