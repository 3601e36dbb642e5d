// Catalogue reports: each definition's data sets against the queries run directly, the
// parameters, the definitions in the report folder, and PDFs read back with pdftotext.
#include "sample_fixture.h"
#include "store/catalog_report.h"
#include "store/report_file.h"
#include "store/settings.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <chrono>

#include <cstdio>
#include <map>
#include <set>
#include <fstream>
#include <sstream>

namespace vexa {
namespace {

using testing::SampleDatabase;
namespace fs = std::filesystem;

std::vector<std::vector<std::string>> direct(Database& db, const std::string& sql, int32_t code) {
    Statement st = db.prepare(sql);
    for (const char* p : {":Ins", ":Nut", ":Cat", ":For"})
        if (st.hasParameter(p)) st.bind(p, code);
    std::vector<std::vector<std::string>> rows;
    while (st.step()) {
        std::vector<std::string> r;
        for (int i = 0; i < st.columnCount(); ++i) r.push_back(st.getText(i));
        rows.push_back(r);
    }
    return rows;
}

std::vector<std::vector<std::string>> asText(const ReportDataSet& s) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& row : s.rows) {
        std::vector<std::string> r;
        for (const ReportCell& c : row) {
            if (c.null)
                r.push_back("");
            else if (!c.number)
                r.push_back(c.text);
            else {
                std::ostringstream os;
                os.precision(15);
                os << c.value;
                r.push_back(os.str());
            }
        }
        rows.push_back(r);
    }
    return rows;
}

std::vector<std::vector<std::string>> numbersAsText(std::vector<std::vector<std::string>> rows) {
    for (auto& r : rows)
        for (auto& v : r) {
            char* end = nullptr;
            const double d = std::strtod(v.c_str(), &end);
            if (!v.empty() && end && *end == 0) {
                std::ostringstream os;
                os.precision(15);
                os << d;
                v = os.str();
            }
        }
    return rows;
}

TEST(CatalogReport, DataSetsMatchTheQueriesRunDirectly) {
    SampleDatabase s;
    const int32_t ins =
        direct(s.db, "Select Codigo From Ins Order by Nombre", 0).at(3).at(0) == ""
            ? 0
            : std::stoi(direct(s.db, "Select Codigo From Ins Order by Nombre", 0)[3][0]);
    const int32_t nut = std::stoi(direct(s.db, "Select Codigo From Nut Order by Nombre", 0)[2][0]);
    const int32_t cat = std::stoi(direct(s.db, "Select Codigo From Cat Order by Nombre", 0)[0][0]);
    const int32_t lr = s.formulaCode("Pollo iniciación (0-3 semanas)");
    ASSERT_GT(lr, 0);
    struct Case {
        int tag;
        int32_t code;
        std::vector<std::string> sql;
    };
    const std::vector<Case> cases = {
        {0,
         0,
         {"Select A.Nombre, A.Unidad, B.Tipo From Nut A, TN B Where A.Tipo=B.Codigo Order by "
          "Nombre"}},
        {1, 0, {"Select Nombre, Redondeo From Ins Order by Nombre"}},
        {2,
         0,
         {"Select Codigo, Nombre, Redondeo From Ins Order by Nombre",
          "Select B.Ins, A.Nombre, A.Unidad, B.Valor From Nut A, Val B Where A.Codigo = B.Nut"}},
        {7,
         ins,
         {"Select Codigo, Nombre, Redondeo From Ins Where Codigo =:Ins",
          "Select B.Ins, A.Nombre, A.Unidad, B.Valor From Nut A, Val B Where (A.Codigo = B.Nut) "
          "and (B.Ins = :Ins)"}},
        {8,
         0,
         {"Select Codigo, Nombre, Unidad From Nut Order by Nombre",
          "Select B.Nut, A.Nombre, B.Valor From Ins A, Val B Where A.Codigo = B.Ins"}},
        {9,
         nut,
         {"Select Codigo, Nombre, Unidad From Nut Where Codigo =:Nut",
          "Select B.Nut, A.Nombre, B.Valor From Ins A, Val B Where (A.Codigo = B.Ins) and (B.Nut = "
          ":Nut)"}},
        {5,
         s.def.Precio,
         {"Select Codigo, Nombre, Unidad From Nut Where Codigo =:Nut",
          "Select B.Nut, A.Nombre, B.Valor From Ins A, Val B Where (A.Codigo = B.Ins) and (B.Nut = "
          ":Nut)"}},
        {6,
         s.def.MS,
         {"Select Codigo, Nombre, Unidad From Nut Where Codigo =:Nut",
          "Select B.Nut, A.Nombre, B.Valor From Ins A, Val B Where (A.Codigo = B.Ins) and (B.Nut = "
          ":Nut)"}},
        {3,
         0,
         {"Select A.Codigo, A.Nombre, B.Nombre as Precio, C.Nombre as MS, TCO From Cat A, Nut B, "
          "Nut C Where (A.Precio = B.Codigo) and (A.MS = C.Codigo) Order by A.Nombre",
          "Select Cat, Count (Codigo) as QLR From LR Group By Cat",
          "Select Cat, Count (Codigo) as QMM From MM Group By Cat",
          "Select Cat, Count (CNI) as QEI From EI Group By Cat",
          "Select Cat, Count (CNI) as QEN From EN Group By Cat"}},
        {10,
         cat,
         {"Select A.Codigo, A.Nombre, B.Nombre as Precio, C.Nombre as MS, TCO From Cat A, Nut B, "
          "Nut C Where (A.Precio = B.Codigo) and (A.MS = C.Codigo) and (A.Codigo =:Cat)",
          "Select A.Cat, A.Nombre, B.Nombre as Precio, C.Nombre as MS, TCO, Cons From LR A, Nut B, "
          "Nut C Where (A.Precio = B.Codigo) and (A.MS = C.Codigo) and (A.Cat =:Cat)",
          "Select A.Cat, A.Nombre, B.Nombre as MS, EnMS From MM A, Nut B Where (A.MS = B.Codigo) "
          "and (A.Cat =:Cat)",
          "Select A.Cat, B.Nombre as Ins From EI A, Ins B Where (A.CNI = B.Codigo) and (A.Cat "
          "=:Cat)",
          "Select A.Cat, B.Nombre as Nut From EN A, Nut B Where (A.CNI = B.Codigo) and (A.Cat "
          "=:Cat)"}},
        {4,
         lr,
         {"Select A.Codigo, A.Nombre, B.Nombre as Precio, C.Nombre as MS, Cons, TCO, DefCon, "
          "A.Ultima, A.Valor From LR A, Nut B, Nut C Where (A.Precio = B.Codigo) and (A.MS = "
          "C.Codigo) and (A.Codigo =:For)",
          "Select A.*, B.Nombre From RIn A, Ins B Where (A.CNI = B.Codigo) and (A.LR =:For)",
          "Select A.*, B.Nombre, B.Unidad From RNu A, Nut B Where (A.CNI = B.Codigo) and (A.LR "
          "=:For)",
          "Select B.Nombre, A.MinN1, iif(coalesce(A.MinN2, 0) = 0, 1, A.MinN2) as MinN2, "
          "nullif(A.MaxN1, 0) as MaxN1, iif(coalesce(A.MaxN1, 0) = 0, '', ' : ') as Sep, "
          "iif(coalesce(A.MaxN1, 0) = 0, NULL, iif(coalesce(A.MaxN2, 0) = 0, 1, A.MaxN2)) as "
          "MaxN2 From RRN A, Rel B Where (A.Codigo = B.Codigo) and (A.LR =:For) Order By "
          "A.rowid"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("tag " + std::to_string(c.tag));
        const ReportCommand* cmd = reportCommandByTag(c.tag);
        ASSERT_NE(cmd, nullptr);
        const ReportData d = loadReportData(s.db, s.def, *cmd, c.code, "ana", "Pollos");
        ASSERT_EQ(d.sets.size(), c.sql.size());
        for (size_t i = 0; i < c.sql.size(); ++i) {
            const auto want = numbersAsText(direct(s.db, c.sql[i], c.code));
            if (i == 0) {
                EXPECT_FALSE(want.empty()) << c.sql[i];
            }
            EXPECT_EQ(asText(d.sets[i]), want) << c.sql[i];
        }
        EXPECT_EQ(d.params.at("Usuario"), "ana");
        EXPECT_EQ(d.params.at("DB"), s.def.Nombre);
        EXPECT_EQ(d.params.count("Grupo"), c.tag == 4 ? 1u : 0u);
    }
}

// What each report lists under each row of its first data set, checked against the catalogue
// itself (not the report's own data sets): the values of each ingredient, the values of each
// nutrient, the counts of each group. A detail row under the wrong master (soybean oil showing
// another ingredient's energy) or under every master fails here.
TEST(CatalogReport, EachRowListsItsOwnDetails) {
    SampleDatabase s;
    // A small value (a trace mineral) needs all four decimals.
    s.db.exec("UPDATE Val SET Valor = 0.0045 WHERE rowid = (SELECT min(rowid) FROM Val)");
    using Lines = std::multiset<std::string>;
    // "@master" lines start a master; the lines after it are its details.
    auto render = [&](int tag, const std::string& templ) {
        const ReportData d = loadReportData(s.db, s.def, *reportCommandByTag(tag), 0, "u");
        std::map<std::string, Lines> out;
        std::istringstream in(fillReportTemplate(templ, "prueba", d, '.', "hoy"));
        std::string line, master;
        while (std::getline(in, line)) {
            if (line.empty()) continue;
            if (line[0] == '@')
                out[master = line.substr(1)];
            else
                out[master].insert(line);
        }
        return out;
    };
    auto expected = [&](const std::string& sql) {
        std::map<std::string, Lines> out;
        for (const auto& r : direct(s.db, sql, 0)) {
            std::ostringstream os;
            os.setf(std::ios::fixed);
            os.precision(4);
            if (r.size() == 3) {
                os << r[1] << "=" << std::stod(r[2]);
                out[r[0]].insert(os.str());
            } else {
                out[r[0]];
            }
        }
        return out;
    };
    // Values printed with the decimals of their column, read back at 4.
    auto atFour = [](std::map<std::string, Lines> m) {
        for (auto& [k, lines] : m) {
            Lines fixed;
            for (const std::string& l : lines) {
                const size_t eq = l.rfind('=');
                std::ostringstream os;
                os.setf(std::ios::fixed);
                os.precision(4);
                os << l.substr(0, eq + 1) << std::stod(l.substr(eq + 1));
                fixed.insert(os.str());
            }
            lines = fixed;
        }
        return m;
    };
    {
        SCOPED_TRACE("insumos-valores");
        auto got =
            atFour(render(2, "{{#q1}}@{{Nombre}}\n{{#q2}}{{Nombre}}={{Valor}}\n{{/q2}}{{/q1}}"));
        auto want = expected(
            "Select I.Nombre, N.Nombre, V.Valor From Val V, Ins I, Nut N "
            "Where I.Codigo = V.Ins and N.Codigo = V.Nut");
        for (const auto& [k, v] : expected("Select Nombre From Ins")) want[k];
        EXPECT_EQ(got, want);
        EXPECT_GT(got.size(), 10u);
    }
    {
        SCOPED_TRACE("nutrientes-valores");
        auto got =
            atFour(render(8, "{{#q1}}@{{Nombre}}\n{{#q2}}{{Nombre}}={{Valor}}\n{{/q2}}{{/q1}}"));
        auto want = expected(
            "Select N.Nombre, I.Nombre, V.Valor From Val V, Ins I, Nut N "
            "Where I.Codigo = V.Ins and N.Codigo = V.Nut");
        for (const auto& [k, v] : expected("Select Nombre From Nut")) want[k];
        EXPECT_EQ(got, want);
    }
    {
        SCOPED_TRACE("grupos");
        auto got = render(3,
                          "{{#q1}}@{{Nombre}}\n{{#q2}}QLR={{QLR}}\n{{/q2}}{{#q4}}QEI={{QEI}}\n"
                          "{{/q4}}{{#q5}}QEN={{QEN}}\n{{/q5}}{{/q1}}");
        std::map<std::string, Lines> want;
        for (const auto& r : direct(s.db,
                                    "Select C.Nombre, (Select Count(*) From LR Where Cat = "
                                    "C.Codigo), (Select Count(*) From EI Where Cat = C.Codigo), "
                                    "(Select Count(*) From EN Where Cat = C.Codigo) From Cat C",
                                    0)) {
            Lines& l = want[r[0]];
            if (r[1] != "0") l.insert("QLR=" + r[1]);
            if (r[2] != "0") l.insert("QEI=" + r[2]);
            if (r[3] != "0") l.insert("QEN=" + r[3]);
        }
        EXPECT_EQ(got, want);
    }
}

// A name holding an escape or a bell reaches a text report as "?", never as the control
// character that would drive the reader's terminal.
TEST(CatalogReport, TextReportsCarryNoControlCharacters) {
    const std::string text =
        reportHtmlToText("<p>Ma\x1b[31miz\x07</p><table><tr><td>A\x08</td></tr></table>");
    EXPECT_EQ(text.find('\x1b'), std::string::npos);
    EXPECT_EQ(text.find('\x07'), std::string::npos);
    EXPECT_EQ(text.find('\x08'), std::string::npos);
    EXPECT_NE(text.find("Ma?[31miz?"), std::string::npos) << text;
    MemoryReportDocument doc;
    doc.AppendLine("Insumo\x1b]0;x\x07");
    EXPECT_EQ(reportAsText(doc), "Insumo?]0;x?\n");
}

// An edited definition cannot fill the disk or hang the program: sections nested too deep
// are refused before anything is filled, and filling stops at 64 MB, naming the definition.
TEST(CatalogReport, DefinitionsThatWouldBlowUpAreRefused) {
    ReportData d;
    for (int k = 0; k < 2; ++k) {
        ReportDataSet set;
        set.columns = {"Nombre"};
        for (int r = 0; r < 3000; ++r) {
            ReportCell c;
            c.null = false;
            c.text = "Un nombre de veinticinco";
            set.rows.push_back({c});
        }
        d.sets.push_back(set);
    }
    // Why each is refused; a slow build (sanitizers) may reach the bound of time first.
    struct Case {
        std::string templ, why, orWhy = "segundos";
    };
    const Case cases[] = {
        {"{{#q1}}{{#q2}}{{#q1}}{{#q2}}{{#q1}}x{{/q1}}{{/q2}}{{/q1}}{{/q2}}{{/q1}}",
         "anida secciones 5 niveles", "anida secciones 5 niveles"},
        // Five levels hidden behind spaces, and behind other delimiters.
        {"{{ #q1}}{{ #q2}}{{ #q1}}{{ #q2}}{{ #q1}}x{{/q1}}{{/q2}}{{/q1}}{{/q2}}{{/q1}}",
         "anida secciones 5 niveles", "anida secciones 5 niveles"},
        {"{{=<% %>=}}<%#q1%><%#q2%><%#q1%><%#q2%><%#q1%>x<%/q1%><%/q2%><%/q1%><%/q2%><%/q1%>",
         "cambia los delimitadores", "cambia los delimitadores"},
        // Too much text.
        {"{{#q1}}{{#q2}}{{Nombre}} y {{Nombre}}{{/q2}}{{/q1}}", "MB de texto"},
        // Four levels that write nothing: 3000^4 steps, stopped while stepping, not by text.
        {"{{#q1}}{{#q2}}{{#q1}}{{#q2}}{{/q2}}{{/q1}}{{/q2}}{{/q1}}", "demasiadas veces"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.templ);
        const auto start = std::chrono::steady_clock::now();
        try {
            fillReportTemplate(c.templ, "Mio.rav", d, '.', "hoy");
            ADD_FAILURE() << "filled";
        } catch (const std::runtime_error& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find("Mio.rav"), std::string::npos) << what;
            EXPECT_TRUE(what.find(c.why) != std::string::npos ||
                        what.find(c.orWhy) != std::string::npos)
                << what;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(25));
    }
    // What the shipped definitions do is well within: two levels, a few rows.
    EXPECT_NO_THROW(fillReportTemplate("{{#q1}}{{Nombre}}{{#q2}}.{{/q2}}{{/q1}}", "Mio.rav",
                                       ReportData{}, '.', "hoy"));
}

TEST(CatalogReport, PriceListWithoutDefaultPriceIsEmpty) {
    SampleDatabase s;
    s.def.Precio = 0;
    const ReportData d = loadReportData(s.db, s.def, *reportCommandByTag(5), 0, "u");
    for (const ReportDataSet& set : d.sets) EXPECT_TRUE(set.rows.empty());
    const std::string text = reportHtmlToText(fillReport({}, d, '.', "1/1/2026"));
    EXPECT_NE(text.find("No hay datos para este listado."), std::string::npos);
}

TEST(CatalogReport, TemplatesInTheReportFolder) {
    SampleDatabase s;
    const fs::path folder = s.folder / "Reportes";
    auto names = writeMissingReportTemplates(folder);
    EXPECT_EQ(names.size(), 7u);
    // A missing definition is written back, the others kept as the user left them.
    fs::remove(folder / "Insumo.rav");
    {
        std::ofstream(folder / "Nutriente.rav")
            << "<p>MARCA {{DB}}</p>{{#q1}}<p>[{{Nombre}}]</p>{{/q1}}";
    }
    names = writeMissingReportTemplates(folder);
    ASSERT_EQ(names, std::vector<std::string>{"Insumo.rav"});
    EXPECT_TRUE(fs::exists(folder / "Insumo.rav"));
    const ReportData nut = loadReportData(s.db, s.def, *reportCommandByTag(0), 0, "u");
    const std::string out = fillReport(folder, nut, '.', "");
    EXPECT_NE(out.find("MARCA " + s.def.Nombre), std::string::npos);
    EXPECT_NE(out.find("[Calcio]"), std::string::npos);
    // An unparsable and an unreadable definition: a message naming the file.
    { std::ofstream(folder / "Nutriente.rav") << "{{#q1}}x{{/q2}} {{Nombre"; }
    try {
        fillReport(folder, nut, '.', "");
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Nutriente.rav"), std::string::npos) << e.what();
    }
    fs::remove(folder / "Insumo.rav");
    fs::create_directory(folder / "Insumo.rav");  // a folder cannot be read as a file
    try {
        fillReport(folder, loadReportData(s.db, s.def, *reportCommandByTag(1), 0, "u"), '.', "");
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Insumo.rav"), std::string::npos) << e.what();
    }
}

std::string run(const std::string& cmd) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

TEST(CatalogReport, EveryReportAsPdfReadsBack) {
    const fs::path dir = fs::temp_directory_path() / ("vexa_reppdf_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string cli = VEXA_CLI_PATH;
    const std::string vxf = (dir / "s.vxf").string();
    ASSERT_EQ(std::system((cli + " sample " + vxf + " >/dev/null 2>&1").c_str()), 0);
    struct Case {
        std::string args;
        std::vector<std::string> expect;
    };
    // Names and numbers of the sample workspace.
    const std::vector<Case> cases = {
        {"nutrientes", {"Listado de nutrientes", "Proteína cruda", "kcal/kg", "Página 1 de 1"}},
        {"insumos", {"Listado de insumos", "Aceite de soya", "Harina de soya 48%"}},
        {"insumos-valores", {"Aceite de soya", "8186.000", "99.800", "Página 2 de", "Trigo"}},
        {"grupos", {"Listado de grupos", "Pollos de engorde"}},
        {"formula --item 1",
         {"Pollo iniciación (0-3 semanas)", "Pollos de engorde", "Sorgo bajo en taninos", "30.0",
          "Restricciones de relaciones", "Calcio : Fósforo disponible", "1 : 0.45", "1.1 : 0.45",
          "Costo por kg:"}},
        {"precios", {"Listado de precios", "Aceite de soya", "0.95"}},
        {"materia-seca", {"Listado de materia seca", "Materia Seca", "89.0"}},
        {"insumo --item 1", {"Valores nutricionales por insumo"}},
        {"nutrientes-valores", {"De todos los nutrientes", "Acemite de trigo"}},
        {"nutriente --item 1", {"Por nutriente..."}},
        {"grupo --item 1", {"Detalle del grupo", "Fórmulas", "Insumos permitidos"}},
    };
    // The PDF pages are laid out by the toolkit's program beside vexa-cli, which a build
    // without the desktop program does not have.
    const bool pdfTool = fs::exists(fs::path(cli).parent_path() / "vexa-report-pdf");
    for (const Case& c : pdfTool ? cases : std::vector<Case>{}) {
        SCOPED_TRACE(c.args);
        const std::string pdf = (dir / "r.pdf").string();
        fs::remove(pdf);
        ASSERT_EQ(std::system(("LC_ALL=C " + cli + " report " + vxf + " " + c.args + " --out " +
                               pdf + " 2>/dev/null")
                                  .c_str()),
                  0);
        const std::string text = run("pdftotext -layout " + pdf + " -");
        for (const std::string& e : c.expect)
            EXPECT_NE(text.find(e), std::string::npos) << e << "\n" << text.substr(0, 600);
    }
    // The PDF's intermediate page goes to the temporary folder the environment names; when it
    // cannot be written there, that is what the message says.
    {
        const std::string errFile = (dir / "err.txt").string();
        EXPECT_NE(std::system(("TMPDIR=/nonexistent/vexa LC_ALL=C " + cli + " report " + vxf +
                               " nutrientes --out " + (dir / "t.pdf").string() + " 2>" + errFile)
                                  .c_str()),
                  0);
        const std::string err = run("cat " + errFile);
        EXPECT_NE(err.find("/nonexistent/vexa"), std::string::npos) << err;
        EXPECT_EQ(err.find("No se pudo ejecutar"), std::string::npos) << err;
    }
    // Without --user the header names the system's user.
    {
        const std::string txt = (dir / "u.txt").string();
        ASSERT_EQ(std::system(("LC_ALL=C " + cli + " report " + vxf + " nutrientes --out " + txt +
                               " 2>/dev/null")
                                  .c_str()),
                  0);
        const std::string text = run("cat " + txt);
        ASSERT_FALSE(systemUserName().empty());
        EXPECT_NE(text.find("Usuario: " + systemUserName()), std::string::npos) << text;
    }
    // A report of one item that does not exist is refused; no empty report stands for it.
    for (const char* args : {"formula --item 999", "insumo --item 999", "nutriente",
                             "grupo --item 77", "formula --item 1 --group 2"}) {
        SCOPED_TRACE(args);
        const std::string out = (dir / "missing.txt").string();
        fs::remove(out);
        EXPECT_NE(std::system(("LC_ALL=C " + cli + " report " + vxf + " " + args + " --out " + out +
                               " 2>/dev/null")
                                  .c_str()),
                  0);
        EXPECT_FALSE(fs::exists(out));
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace vexa
