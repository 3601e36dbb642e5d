// vexa-cli report: the catalogue reports without windows. Text and web pages are written
// here; a PDF is laid out by vexa-report-pdf, the small program installed beside this one,
// so this program starts without the GUI toolkit.
#include "cli/verbs.h"
#include "cli/workspace_session.h"
#include "store/catalog_report.h"
#include "store/file_target.h"
#include "store/settings.h"

#include <clocale>
#include <cstdio>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace vexa::cli {

namespace {

namespace fs = std::filesystem;

struct ReportArgs {
    fs::path file;
    std::string name;
    int item = 0;
    int group = 0;
    fs::path out;
    std::string paper = "a4";
    std::string user;
    fs::path folder;  // report folder with the user's definitions; the defaults otherwise
};

char localeDecimalPoint() {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    const std::string keep = old ? old : "C";
    char point = '.';
    if (std::setlocale(LC_NUMERIC, "")) {
        const lconv* lc = std::localeconv();
        if (lc && lc->decimal_point && *lc->decimal_point) point = *lc->decimal_point;
    }
    std::setlocale(LC_NUMERIC, keep.c_str());
    return point;
}

std::string today() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%d/%m/%Y", &tm);
    return buf;
}

fs::path pdfTool() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return (ec ? fs::path() : self.parent_path()) / "vexa-report-pdf";
}

int runTool(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string extensionOf(const fs::path& p) {
    std::string e = p.extension().string();
    for (char& c : e) c = char(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

int runReport(const ReportArgs& a) {
    const ReportCommand* cmd = reportCommandByName(a.name);
    if (!cmd) {
        std::cerr << "vexa-cli: No existe el reporte " << a.name
                  << ". Reportes: " << reportCommandNames() << '\n';
        return 2;
    }
    const std::string ext = extensionOf(a.out);
    if (ext != ".pdf" && ext != ".txt" && ext != ".html" && ext != ".htm") {
        std::cerr << "vexa-cli: El archivo de salida debe terminar en .pdf, .txt, .html o .htm\n";
        return 2;
    }
    if (sameFile(a.out, a.file)) {
        std::cerr << "vexa-cli: El archivo de salida " << a.out.string()
                  << " es el espacio de trabajo: elija otro nombre.\n";
        return 2;
    }
    CliWorkspace ws(std::cerr);
    if (!ws.open(a.file)) return 2;
    Database& db = ws.vxf().db();
    const std::string user = !a.user.empty() ? a.user : systemUserName();
    std::string html;
    ReportData data;
    try {
        int32_t code = a.item;
        std::string groupName;
        if (cmd->item == ReportItem::Group && code == 0) code = a.group;
        if (cmd->item == ReportItem::Ingredient || cmd->item == ReportItem::Nutrient ||
            cmd->item == ReportItem::Group || cmd->item == ReportItem::Formula) {
            // A report of one item names an item that exists: an empty page would pass for
            // a report of nothing.
            const int32_t group = cmd->item == ReportItem::Formula
                                      ? (a.group ? a.group : formulaGroupOf(db, code))
                                      : 0;
            bool found = false;
            for (const ReportChoice& c : reportChoices(db, cmd->item, group))
                found = found || c.code == code;
            if (!found) {
                std::cerr << "vexa-cli: No existe el ítem " << code
                          << (a.group && cmd->item == ReportItem::Formula
                                  ? " en el grupo " + std::to_string(a.group)
                                  : std::string())
                          << " para el reporte " << a.name << " (use --item CODIGO)\n";
                return 2;
            }
        }
        if (cmd->item == ReportItem::Formula)
            groupName = groupNameOf(db, a.group ? a.group : formulaGroupOf(db, code));
        data = loadReportData(db, ws.vxf().DBDef, *cmd, code, user, groupName);
        data.fileHeader = ext != ".pdf";
        if (!a.folder.empty()) writeMissingReportTemplates(a.folder);
        html = fillReport(a.folder, data, localeDecimalPoint(), today());
    } catch (const std::exception& e) {
        std::cerr << "vexa-cli: " << e.what() << '\n';
        return 2;
    }
    if (ext == ".html" || ext == ".htm" || ext == ".txt") {
        if (std::string cause =
                writeWholeFile(a.out, ext == ".txt" ? reportHtmlToText(html) : html);
            !cause.empty()) {
            std::cerr << "vexa-cli: No se pudo escribir el reporte en " << a.out.string() << ": "
                      << cause << '\n';
            return 2;
        }
        return 0;
    }
    // The page goes to the temporary folder the environment names (TMPDIR), not a fixed one.
    fs::path tmpFolder;
    try {
        tmpFolder = fs::temp_directory_path();
    } catch (const fs::filesystem_error& e) {
        // The error does not always carry the folder: name the variable's, as the system reads.
        std::string named = e.path1().string();
        for (const char* var : {"TMPDIR", "TMP", "TEMP", "TEMPDIR"})
            if (const char* v = std::getenv(var); named.empty() && v && *v) named = v;
        std::cerr << "vexa-cli: No se pudo usar la carpeta temporal " << named << ": "
                  << systemErrorCause(e.code().value()) << '\n';
        return 2;
    }
    std::string tmpl = (tmpFolder / "vexa-report-XXXXXX").string();
    const int fd = mkstemp(tmpl.data());
    if (fd < 0) {
        std::cerr << "vexa-cli: No se pudo crear un archivo temporal en "
                  << fs::path(tmpl).parent_path().string() << ": " << systemErrorCause(errno)
                  << '\n';
        return 2;
    }
    close(fd);
    const fs::path htmlFile = tmpl;
    int rc = -1;
    if (std::string cause = writeWholeFile(htmlFile, html); !cause.empty()) {
        std::cerr << "vexa-cli: No se pudo escribir el archivo temporal " << htmlFile.string()
                  << ": " << cause << '\n';
        std::error_code ec;
        fs::remove(htmlFile, ec);
        return 2;
    }
    rc = runTool({pdfTool().string(), htmlFile.string(), a.out.string(), "--db",
                  ws.vxf().DBDef.Nombre, "--report", cmd->caption, "--user", user, "--date",
                  today(), "--paper", a.paper});
    std::error_code ec;
    fs::remove(htmlFile, ec);
    if (rc != 0) {
        if (rc == 127 || rc == -1)
            std::cerr << "vexa-cli: No se pudo ejecutar " << pdfTool().string() << '\n';
        return 2;
    }
    return 0;
}

const VerbRegistrar reportVerb([](CLI::App& app) {
    auto a = std::make_shared<ReportArgs>();
    CLI::App* sub =
        app.add_subcommand("report", "Genera un reporte del catálogo (PDF, TXT o HTML)");
    sub->add_option("file", a->file, "Archivo del espacio de trabajo (.vxf)")->required();
    sub->add_option("name", a->name, "Reporte: " + reportCommandNames())->required();
    sub->add_option("--item", a->item, "Código del insumo, nutriente, grupo o fórmula");
    sub->add_option("--group", a->group, "Código del grupo");
    sub->add_option("--out", a->out, "Archivo de salida .pdf, .txt, .html o .htm")->required();
    sub->add_option("--paper", a->paper, "Tamaño de página: a4 o letter");
    sub->add_option("--user", a->user, "Usuario mostrado en el encabezado");
    sub->add_option("--templates", a->folder, "Carpeta de definiciones de reporte");
    sub->callback([a] { exitCode() = runReport(*a); });
});

}  // namespace
}  // namespace vexa::cli
