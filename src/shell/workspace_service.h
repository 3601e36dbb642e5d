#pragma once
// What the shell asks of the open workspace: the lifecycle operations and the values the
// caption, status bar and dialogs show. The program binds it to the workspace module; tests
// may bind a fake.
#include <string>

#include "catalog/catalog_context.h"

namespace vexa {

class Database;

class WorkspaceService {
public:
    virtual ~WorkspaceService() = default;
    // Each open returns true when the workspace is open afterwards (OpenStage 0) and the
    // shared tables have been opened; a failure has already been shown to the user.
    virtual bool open(const std::string& path) = 0;
    virtual bool openWithDialog() = 0;
    virtual bool createWithDialog() = 0;
    virtual void save() = 0;
    virtual void saveAs() = 0;
    // False when the user asked to save first and the save failed: the workspace stays open.
    virtual bool close() = 0;
    virtual bool connected() const = 0;
    // Read-only mode of this session: every workspace is opened read-only.
    virtual bool readOnly() const { return false; }
    // The open file may not be saved under its name (another program holds it, or the user
    // may not write it); "Guardar como..." is the way out.
    virtual bool fileReadOnly() const { return false; }
    virtual Database* database() = 0;

    virtual std::string currentFile() const = 0;
    virtual std::string title() const = 0;  // DBDef.Nombre
    virtual std::string author() const = 0;
    virtual std::string comment() const = 0;
    virtual double version() const = 0;  // DBDef.Ver
    virtual WorkspaceProps props() const = 0;
    virtual void setDescription(const std::string& title, const std::string& author,
                                const std::string& comment) = 0;
    virtual void setProps(const WorkspaceProps& p) = 0;
    virtual bool modified() const = 0;
    virtual void setModified() = 0;
};

}  // namespace vexa
