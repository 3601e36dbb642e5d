// The report commands driven as a user would: the single-item loop, the group-then-formula
// choice, the empty list, and the ingredient-by-nutrient workbook read back.
#include "reports/dataset_export.h"
#include "reports/grid_export.h"
#include "reports/listado_export.h"
#include "reports/report_module.h"
#include "store/sample_workspace.h"
#include "store/schema.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPrintPreviewWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace vexa {
namespace {

namespace fs = std::filesystem;

struct Fixture {
    explicit Fixture(bool sample = true) {
        folder = fs::temp_directory_path() /
                 ("vexa_reports_gui_" + std::to_string(getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        db = createDatabase(folder);
        if (sample) fillSampleWorkspace(db, def);
        module = std::make_unique<ReportModule>(ReportModule::Source{
            [this] { return &db; }, [this] { return def; }, [] { return QString("ana"); },
            [this] { return QString::fromStdString((folder / "Reportes").string()); }});
        module->showPreview = [this](const QString& html, const QString&, const ReportPageHeader& h,
                                     QWidget*) {
            previews << html;
            headers.push_back(h);
        };
        module->showMessage = [this](const QString& m, QWidget*) { messages << m; };
    }
    ~Fixture() {
        module.reset();
        db.close();
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    fs::path folder;
    Database db;
    TDBDef def;
    std::unique_ptr<ReportModule> module;
    QStringList previews, messages, captions;
    std::vector<ReportPageHeader> headers;
};

// Each time the choice window opens: the step's action (a prefix to type, or "" to cancel).
void script(Fixture& f, QStringList steps) {
    auto left = std::make_shared<QStringList>(std::move(steps));
    f.module->beforeChoice = [&f, left](ReportChoiceDialog& d) {
        const QString step = left->isEmpty() ? QString() : left->takeFirst();
        f.captions << d.windowTitle();
        QTimer::singleShot(0, &d, [&d, step] {
            if (step.isEmpty()) return d.reject();
            d.search()->setText(step);
            emit d.search()->textEdited(step);
            d.accept();
        });
    };
}

TEST(ReportCommands, SingleItemLoopUntilCancel) {
    Fixture f;
    script(f, {"Trigo", "Aceite", ""});
    f.module->run(7, nullptr);  // "Por insumo..."
    ASSERT_EQ(f.previews.size(), 2);
    EXPECT_TRUE(f.previews[0].contains("Trigo"));
    EXPECT_FALSE(f.previews[0].contains("Aceite de soya"));
    EXPECT_TRUE(f.previews[1].contains("Aceite de soya"));
    EXPECT_EQ(f.captions,
              QStringList({"Listado de insumos", "Listado de insumos", "Listado de insumos"}));
    EXPECT_EQ(f.headers[0].user, "ana");
    EXPECT_TRUE(fs::exists(f.folder / "Reportes" / "InsVal.rav"));
}

TEST(ReportCommands, FormulaReportChoosesGroupThenFormula) {
    Fixture f;
    script(f, {"Pollos", "Pollo finalización", ""});
    f.module->run(4, nullptr);
    EXPECT_EQ(f.captions,
              QStringList({"Listado de grupos", "Listado de fórmulas", "Listado de fórmulas"}));
    ASSERT_EQ(f.previews.size(), 1);
    EXPECT_TRUE(f.previews[0].contains("Pollo finalización (6-7 semanas)"));
    EXPECT_TRUE(f.previews[0].contains("Pollos de engorde"));  // "Grupo"
    // Cancelling the group choice ends the command.
    f.previews.clear();
    script(f, {""});
    f.module->run(4, nullptr);
    EXPECT_TRUE(f.previews.isEmpty());
}

TEST(ReportCommands, EmptyListShowsMessage) {
    Fixture f(false);
    script(f, {"x"});
    f.module->run(9, nullptr);
    EXPECT_EQ(f.messages, QStringList{"No hay items a mostrar."});
    EXPECT_TRUE(f.previews.isEmpty());
    EXPECT_TRUE(f.captions.isEmpty());
}

TEST(ReportCommands, UnreadableDefinitionStopsWithItsName) {
    Fixture f;
    f.module->run(0, nullptr);  // writes the definitions
    ASSERT_EQ(f.previews.size(), 1);
    const fs::path def = f.folder / "Reportes" / "Nutriente.rav";
    fs::remove(def);
    fs::create_directory(def);
    f.module->run(0, nullptr);
    EXPECT_EQ(f.previews.size(), 1);
    ASSERT_EQ(f.messages.size(), 1);
    EXPECT_TRUE(f.messages[0].contains("Nutriente.rav")) << f.messages[0].toStdString();
}

TEST(ReportCommands, PreviewSavesPdfTextAndWebPage) {
    Fixture f;
    QString html, text;
    ReportPageHeader header;
    f.module->showPreview = [&](const QString& h, const QString& t, const ReportPageHeader& hd,
                                QWidget*) {
        html = h;
        text = t;
        header = hd;
    };
    f.module->run(1, nullptr);  // "Listado de insumos"
    ReportPreview preview(html, text, header);
    EXPECT_EQ(preview.windowTitle(), "Vista preliminar del reporte");
    EXPECT_DOUBLE_EQ(preview.view()->zoomFactor(), 1.0);
    for (const char* ext : {"pdf", "txt", "html", "htm"}) {
        const QString file = QString::fromStdString((f.folder / "r.").string()) + ext;
        QString error;
        ASSERT_TRUE(preview.saveTo(file, &error)) << error.toStdString();
        QFile in(file);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        const QByteArray bytes = in.readAll();
        if (QString(ext) == "pdf")
            EXPECT_TRUE(bytes.startsWith("%PDF"));
        else
            EXPECT_TRUE(QString::fromUtf8(bytes).contains("Harina de soya 48%")) << ext;
        if (QString(ext) == "txt") {
            EXPECT_FALSE(bytes.contains("<td"));
        }
    }
    QString error;
    EXPECT_FALSE(
        preview.saveTo(QString::fromStdString((f.folder / "no" / "r.txt").string()), &error));
    EXPECT_TRUE(error.contains("No se pudo escribir el reporte")) << error.toStdString();
}

std::string unzip(const QString& file, const char* member) {
    std::string out;
    const std::string cmd = "unzip -p '" + file.toStdString() + "' " + member;
    FILE* p = popen(cmd.c_str(), "r");
    char buf[4096];
    size_t n;
    while (p && (n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    if (p) pclose(p);
    return out;
}

TEST(ListadoBaseDatos, ChoicesMessagesAndWorkbook) {
    Fixture f;
    const QString out = QString::fromStdString((f.folder / "out").string());
    QString opened;
    const auto oldOpener = exportOpener();
    exportOpener() = [&opened](const QString& file) {
        opened = file;
        return true;
    };
    QStringList errors;
    // Each step: what to do with the check list (-1 cancel, -2 none, -3 all, n: unchoose row n).
    auto runWith = [&](std::vector<int> steps) {
        auto left = std::make_shared<std::vector<int>>(std::move(steps));
        ListadoHooks h;
        h.exec = [left](CheckListDialog& d) {
            const int s = left->empty() ? -1 : left->front();
            if (!left->empty()) left->erase(left->begin());
            if (s == -1) return false;
            if (s == -2) d.setAll(false);
            if (s >= 0) d.toggle(s);
            return true;
        };
        h.error = [&errors](const QString& m) { errors << m; };
        return runListadoBaseDatos(f.db, "Muestra", out, nullptr, h);
    };
    struct Case {
        std::vector<int> steps;
        QString message;
    };
    const std::vector<Case> stops = {{{-1}, "Eligió cancelar."},
                                     {{-2}, "No eligió ningún insumo."},
                                     {{-3, -1}, "Eligió cancelar."},
                                     {{-3, -2}, "No eligió ningún nutriente."}};
    for (const Case& c : stops) {
        errors.clear();
        EXPECT_TRUE(runWith(c.steps).isEmpty());
        EXPECT_EQ(errors, QStringList{c.message});
    }
    EXPECT_TRUE(opened.isEmpty());

    // A nutrient without values: empty unit and cells.
    f.db.prepare(
            "Insert Into Nut (Codigo, Nombre, Unidad, Tipo) Values (900, 'AAA sin valores', "
            "'g', 0)")
        .execute();
    errors.clear();
    const QString all = runWith({-3, -3});
    ASSERT_FALSE(all.isEmpty()) << errors.join(";").toStdString();
    EXPECT_EQ(opened, all);
    const std::string book = unzip(all, "xl/workbook.xml");
    EXPECT_NE(book.find("name=\"Listado\""), std::string::npos);
    const std::string sheet = unzip(all, "xl/worksheets/sheet1.xml");
    const std::string strings = unzip(all, "xl/sharedStrings.xml");
    EXPECT_NE(sheet.find("<mergeCell ref=\"A1:"), std::string::npos);
    EXPECT_NE(unzip(all, "xl/styles.xml").find("Tahoma"), std::string::npos);
    // Numbers carry a decimal point in every locale ("61,25" in the XML corrupts the workbook).
    int numbers = 0;
    for (size_t at = sheet.find("<v>"); at != std::string::npos; at = sheet.find("<v>", at + 3)) {
        const std::string v = sheet.substr(at + 3, sheet.find("</v>", at) - at - 3);
        EXPECT_EQ(v.find(','), std::string::npos) << v;
        numbers += v.find('.') != std::string::npos;
    }
    EXPECT_GT(numbers, 0);
    const auto ins = listIngredientsForListing(f.db);
    const auto nut = listNutrientsForListing(f.db);
    const IngredientNutrientTable t = ingredientNutrientTable(f.db, ins, nut);
    ASSERT_EQ(t.columns.size(), ins.size() + 2);
    for (size_t k = 0; k < ins.size(); ++k) {
        EXPECT_EQ(t.columns[k + 2], ins[k].name);
        EXPECT_NE(strings.find(ins[k].name), std::string::npos) << ins[k].name;
    }
    ASSERT_EQ(t.rows.size(), nut.size());
    for (size_t r = 0; r < nut.size(); ++r) EXPECT_EQ(t.rows[r].nutrient, nut[r].name);
    EXPECT_EQ(t.rows[0].nutrient, "AAA sin valores");
    EXPECT_EQ(t.rows[0].unit, "");
    for (const auto& v : t.rows[0].values) EXPECT_FALSE(v.has_value());
    // Row 3 of the sheet (the first nutrient) has only its name: no unit, no values.
    const size_t r3 = sheet.find("<row r=\"3\"");
    ASSERT_NE(r3, std::string::npos);
    const std::string row3 = sheet.substr(r3, sheet.find("</row>", r3) - r3);
    EXPECT_EQ(row3.find("<v>", row3.find("<v>") + 1), std::string::npos) << row3;

    // An unchosen ingredient's values never appear.
    std::vector<ReportChoice> some(ins.begin() + 1, ins.end());
    const IngredientNutrientTable t2 = ingredientNutrientTable(f.db, some, nut);
    for (const auto& row : t2.rows) EXPECT_EQ(row.values.size(), some.size());
    const QString fewer = runWith({0, -3});
    ASSERT_FALSE(fewer.isEmpty());
    EXPECT_EQ(unzip(fewer, "xl/sharedStrings.xml").find(">" + ins[0].name + "<"),
              std::string::npos);
    exportOpener() = oldOpener;
}

}  // namespace
}  // namespace vexa

namespace vexa {
namespace {

// The preview window on the nutrient list, for a person to look at. Run by hand:
//   VEXA_SCREENSHOTS=/some/folder xvfb-run vexa_gui_tests --gtest_also_run_disabled_tests
//       --gtest_filter='*ReportPreviewShot*'
TEST(ReportPreviewShot, DISABLED_NutrientList) {
    const QString out = qEnvironmentVariable("VEXA_SCREENSHOTS");
    ASSERT_FALSE(out.isEmpty());
    Fixture f;
    f.module->showPreview = [&out](const QString& html, const QString& text,
                                   const ReportPageHeader& h, QWidget*) {
        ReportPreview p(html, text, h);
        p.show();
        QTimer::singleShot(1500, &p, [&p, &out] {
            p.grab().save(out + "/preview.png");
            p.accept();
        });
        p.exec();
    };
    f.module->run(0, nullptr);
    EXPECT_TRUE(QFile::exists(out + "/preview.png"));
}

// Sheet names as the spreadsheet format requires: a formula named with an apostrophe at the
// end ("No se pudo crear la hoja") or a control character exports all the same.
TEST(SpreadsheetExport, SheetNamesFromAnyFormulaNameAreValid) {
    QTemporaryDir dir;
    for (const QString& name : {QString("Pollo 1'"), QString("'Inicio"), QString("Ta\x07b")}) {
        SCOPED_TRACE(name.toStdString());
        const QString sheet = exportSheetName("Ins ", name);
        EXPECT_FALSE(sheet.endsWith('\'') || sheet.startsWith('\''));
        ExportSheet s{exportSheetName("", name), {"Nombre"}, {}};
        s.rows << QVariantList{QString("Maíz")};
        EXPECT_NO_THROW(exportDatasets({s}, dir.path(), QDateTime::currentDateTime()));
    }
}

}  // namespace
}  // namespace vexa
