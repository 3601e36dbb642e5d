// The formula editor in the whole program on the sample workspace, driven as a user would:
// request 16 opens it, F9 runs, the dialogs are answered with their own buttons.
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTabWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "catalog/number_text.h"
#include "catalog/request_event.h"
#include "catalog/value_dialogs.h"
#include "catalog/value_windows.h"
#include "gui_fixture.h"
#include "sample_app_fixture.h"
#include "shell/application.h"
#include "shell/command_module.h"
#include "shell/main_window.h"
#include "store/settings.h"
#include "test_paths.h"
#include "workflows/formula_window.h"
#include "reports/grid_export.h"
#include "workflows/report_view.h"
#include "workflows/restriction_dialogs.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <xlsxwriter.h>

#include "answering.h"

namespace vexa::test {

namespace {

// The report without its date-time line, which names the moment of each run.
std::string withoutTime(const std::string& report) {
    std::istringstream in(report);
    std::string line, out;
    while (std::getline(in, line))
        if (line.find("Fecha y hora:") == std::string::npos) out += line + "\n";
    return out;
}

}  // namespace

using FormulaGui = SampleApp;

TEST_F(FormulaGui, F9ShowsTheCommandLineReportAndTheResultsSurviveSaving) {
    MainWindow& w = start();
    const std::filesystem::path file = app->workspace().currentFile();
    // The command-line program on a copy of the same file, by the same name.
    const std::filesystem::path copyDir = std::filesystem::path(tmp.path().toStdString()) / "cli";
    std::filesystem::create_directories(copyDir);
    std::filesystem::copy_file(file, copyDir / file.filename());
    QProcess solve;
    solve.start(VEXA_CLI_PATH,
                {"solve", QString::fromStdString((copyDir / file.filename()).string()), "--formula",
                 "1", "--report", "solution"});
    ASSERT_TRUE(solve.waitForFinished(30000));
    const std::string expected = solve.readAllStandardOutput().toStdString();
    ASSERT_NE(expected.find("SOLUCIÓN ÓPTIMA"), std::string::npos);

    FormulaWindow* f = openFormula(w, 1, 1);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->windowTitle(),
              "Fórmula : Pollo iniciación (0-3 semanas) -- Grupo Pollos de engorde");
    EXPECT_TRUE(f->ingredientGrid()->isColumnHidden(3));
    EXPECT_TRUE(f->nutrientGrid()->isColumnHidden(3));
    EXPECT_FALSE(f->pages()->isTabVisible(2));
    const std::string db_ultima_before =
        query("SELECT coalesce(Ultima, '') AS x FROM LR WHERE Codigo = 1");

    f->ingredientGrid()->setFocus();
    QTest::keyClick(f->ingredientGrid(), Qt::Key_F9);
    settle();
    ASSERT_TRUE(f->editor().hasResults());
    EXPECT_EQ(withoutTime(f->report()->reportText()), withoutTime(expected));
    EXPECT_FALSE(f->ingredientGrid()->isColumnHidden(3));
    EXPECT_FALSE(f->nutrientGrid()->isColumnHidden(3));
    EXPECT_TRUE(f->pages()->isTabVisible(2));
    EXPECT_EQ(f->pages()->currentIndex(), 2);
    EXPECT_FALSE(f->ingredientGrid()->item(0, 3)->text().isEmpty());
    EXPECT_EQ(f->statusText(), "");
    EXPECT_TRUE(f->action("Ver &resumen")->isEnabled());
    EXPECT_TRUE(f->action("Crear &mezcla")->isEnabled());

    // F4 now writes the summary; the page keys are the reports' while results exist.
    const std::string solution = f->report()->reportText();
    QTest::keyClick(f->report(), Qt::Key_F4);
    settle();
    EXPECT_EQ(f->pages()->currentIndex(), 2);
    EXPECT_NE(f->report()->reportText(), solution);
    EXPECT_GT(f->report()->reportText().size(), solution.size());

    // Saved and opened again: the run's results are in the file.
    app->workspace().save();
    settle();
    f->closeWindow();
    settle();
    ASSERT_TRUE(app->workspace().open(file.string()));
    settle();
    EXPECT_NE(query("SELECT coalesce(Ultima, '') AS x FROM LR WHERE Codigo = 1"), db_ultima_before);
    EXPECT_EQ(query("SELECT count(*) AS x FROM LR WHERE Codigo = 1 AND Valor > 0"), "1");
    EXPECT_EQ(query("SELECT count(*) AS x FROM RIn WHERE LR = 1 AND Resul IS NULL"), "0");
    EXPECT_EQ(query("SELECT count(*) AS x FROM RIn WHERE LR = 1 AND Resul > 0") == "0", false);
}

// A price changed in "&Precios" (Ctrl+P) while a formula is open: the formula's Precio
// column shows it at once, and again after F9 (the run used it).
TEST_F(FormulaGui, APriceChangedInThePricesWindowShowsInTheOpenFormula) {
    MainWindow& w = start();
    FormulaWindow* f = openFormula(w, 1, 1);
    ASSERT_NE(f, nullptr);
    const std::string name = f->ingredientGrid()->item(0, 0)->text().toStdString();
    const QString before = f->ingredientGrid()->item(0, 5)->text();
    w.commands().action("acPrec")->trigger();
    settle();
    auto* prices = active<NutrientValuesWindow>(w);
    ASSERT_NE(prices, nullptr);
    int row = -1;
    for (int r = 0; r < prices->model()->rowCount(); ++r)
        if (prices->model()->displayText(r, 0).toStdString() == name) row = r;
    ASSERT_GE(row, 0) << name;
    prices->grid()->setCurrentIndex(prices->model()->index(row, 0));
    {
        Answering<ValueDialog> answer([](ValueDialog* d) {
            d->value->setValue(9.8765);
            d->accept();
        });
        prices->action("DataSetEdit1")->trigger();
        settle();
        EXPECT_EQ(answer.count, 1);
    }
    const QString shown = formatUserNumber(9.8765, 4);
    ASSERT_NE(before, shown);
    EXPECT_EQ(f->ingredientGrid()->item(0, 5)->text(), shown);
    f->runMix();
    settle();
    ASSERT_TRUE(f->editor().hasResults());
    EXPECT_EQ(f->ingredientGrid()->item(0, 5)->text(), shown);
    for (const TInsumo& g : f->editor().mix()->Ingredients)
        if (g.Codigo == f->editor().ingredients()[0].CNI) {
            EXPECT_EQ(g.Precio, Fixed4::fromDouble(9.8765));
        }
}

// Tiled side by side at 1024 × 768, a formula window is about 500 pixels wide: its buttons
// wrap onto a second row instead of being cut, and its title strip keeps its height.
TEST_F(FormulaGui, NarrowWindowsCutNoButton) {
    MainWindow& w = start();
    FormulaWindow* f = openFormula(w, 1, 1);
    ASSERT_NE(f, nullptr);
    f->runMix();
    settle();
    auto* frame = qobject_cast<QMdiSubWindow*>(f->parentWidget());
    ASSERT_NE(frame, nullptr);
    frame->showNormal();
    frame->resize(500, 330);
    for (int page = 0; page < f->pages()->count(); ++page) {
        f->pages()->setCurrentIndex(page);
        settle();
        for (QToolButton* b : f->pages()->currentWidget()->findChildren<QToolButton*>()) {
            if (!b->isVisible()) continue;
            EXPECT_GE(b->width(), b->sizeHint().width()) << b->text().toStdString();
            EXPECT_TRUE(f->pages()->currentWidget()->rect().contains(
                b->mapTo(f->pages()->currentWidget(), b->rect().bottomRight())))
                << b->text().toStdString();
        }
    }
}

TEST_F(FormulaGui, RestrictionDialogsRefuseAndEmptyTheMaximum) {
    MainWindow& w = start();
    FormulaWindow* f = openFormula(w, 1, 1);
    ASSERT_NE(f, nullptr);
    const std::string before =
        query("SELECT \"Min\" || '/' || \"Max\" AS x FROM RIn WHERE LR = 1 ORDER BY CNI LIMIT 1");
    bool stayedOpen = false;
    {
        Answering<IngredientRestrictionDialog> answer([&](IngredientRestrictionDialog* d, int) {
            d->minBox->setValue(20);
            d->maxBox->setValue(10);
            d->accept();
            stayedOpen = d->isVisible();
            d->reject();
        });
        f->ingredientGrid()->setCurrentCell(0, 0);
        f->ingredientGrid()->setFocus();
        QTest::keyClick(f->ingredientGrid(), Qt::Key_Return);
        settle();
        EXPECT_EQ(answer.count, 1);
    }
    EXPECT_TRUE(stayedOpen);
    ASSERT_FALSE(dialogs.errors.empty());
    EXPECT_EQ(dialogs.errors.back(), "Error: Valor mínimo mayor que valor máximo");
    EXPECT_EQ(query("SELECT \"Min\" || '/' || \"Max\" AS x FROM RIn WHERE LR = 1 ORDER BY CNI "
                    "LIMIT 1"),
              before);

    // A nutrient maximum of 0 is stored empty.
    const int cni = std::stoi(query("SELECT CNI AS x FROM RNu WHERE LR = 1 ORDER BY CNI LIMIT 1"));
    {
        Answering<NutrientRestrictionDialog> answer([](NutrientRestrictionDialog* d, int) {
            d->minEdit->setText("1");
            d->maxEdit->setText("0");
            d->accept();
        });
        f->nutrientGrid()->setCurrentCell(0, 0);
        f->nutrientGrid()->setFocus();
        QTest::keyClick(f->nutrientGrid(), Qt::Key_Return);
        settle();
        EXPECT_EQ(answer.count, 1);
    }
    EXPECT_EQ(query("SELECT printf('%.4f', \"Min\") || '/' || iif(\"Max\" IS NULL, 'null', "
                    "\"Max\") AS x FROM RNu WHERE LR = 1 AND CNI = " +
                    std::to_string(cni)),
              "1.0000/null");
    EXPECT_EQ(f->nutrientGrid()->item(0, 4)->text(), "");
}

TEST_F(FormulaGui, InfeasibleFormulaChangesTheBoundsAndRunsOnceMore) {
    MainWindow& w = start();
    FormulaWindow* f = openFormula(w, 4, 1);
    ASSERT_NE(f, nullptr);
    const std::string before = query("SELECT \"Min\" AS x FROM RNu WHERE LR = 4 ORDER BY CNI");
    int runs = 0;
    QObject::connect(f->action("&Hallar mínimo costo"), &QAction::triggered, [&] { ++runs; });
    Answering<SuggestionsDialog> answer([](SuggestionsDialog* d, int n) {
        EXPECT_GT(d->table->rowCount(), 0);
        QTest::mouseClick(n == 0 ? d->change : d->leave, Qt::LeftButton);
    });
    QTest::keyClick(f->ingredientGrid(), Qt::Key_F9);
    for (int i = 0; i < 20 && f->editor().mix() && !f->editor().mix()->Feasible; ++i) {
        settle();
        QTest::qWait(10);
    }
    settle();
    EXPECT_EQ(runs, 1);  // the second run came from the posted request, not the command
    EXPECT_TRUE(f->editor().mix()->Feasible);
    EXPECT_EQ(answer.count, 1);
    EXPECT_NE(query("SELECT \"Min\" AS x FROM RNu WHERE LR = 4 ORDER BY CNI"), before);
}

TEST_F(FormulaGui, ReadOnlyRunShowsTheReportAndStoresNothing) {
    std::ofstream(docs / "VEXA.INI") << "[User]\nRO=7\n";
    MainWindow& w = start();
    ASSERT_TRUE(SisOpc().RO);
    const std::string before = query(
        "SELECT coalesce(Ultima, '') || coalesce(Valor, '') AS x FROM LR UNION ALL "
        "SELECT coalesce(Resul, 'n') FROM RIn UNION ALL SELECT coalesce(Resul, 'n') FROM RNu");
    FormulaWindow* f = openFormula(w, 1, 1);
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(f->action("ins:E&ditar")->isEnabled());
    EXPECT_FALSE(f->action("nut:&Insertar")->isEnabled());
    QTest::keyClick(f->ingredientGrid(), Qt::Key_F9);
    settle();
    ASSERT_TRUE(f->editor().hasResults());
    EXPECT_NE(f->report()->reportText().find("SOLUCIÓN ÓPTIMA"), std::string::npos);
    EXPECT_FALSE(f->ingredientGrid()->item(0, 3)->text().isEmpty());
    EXPECT_EQ(f->statusText(), "Modo de sólo lectura: los resultados no se guardaron.");
    EXPECT_EQ(query("SELECT coalesce(Ultima, '') || coalesce(Valor, '') AS x FROM LR UNION ALL "
                    "SELECT coalesce(Resul, 'n') FROM RIn UNION ALL SELECT coalesce(Resul, 'n') "
                    "FROM RNu"),
              before);
    EXPECT_FALSE(app->workspace().modified());
}

TEST_F(FormulaGui, AccumulateAppendsUntilTheNextRunAndExportNamesAreCut) {
    MainWindow& w = start();
    FormulaWindow* f = openFormula(w, 1, 1);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->action("Acumular")->isEnabled());  // before a run only the mark changes
    QTest::keyClick(f->ingredientGrid(), Qt::Key_F7);
    EXPECT_TRUE(f->action("Acumular")->isChecked());
    QTest::keyClick(f->ingredientGrid(), Qt::Key_F9);
    settle();
    const std::string first = f->report()->reportText();
    // A new run starts without accumulating, whatever the mark shows.
    EXPECT_FALSE(f->editor().mix()->AppendReport);
    QTest::keyClick(f->report(), Qt::Key_F2);
    settle();
    EXPECT_EQ(f->report()->reportText(), first);
    // Switched on again: the next report is appended.
    QTest::keyClick(f->report(), Qt::Key_F7);
    QTest::keyClick(f->report(), Qt::Key_F7);
    ASSERT_TRUE(f->action("Acumular")->isChecked());
    QTest::keyClick(f->report(), Qt::Key_F3);
    settle();
    const std::string both = f->report()->reportText();
    EXPECT_EQ(both.substr(0, first.size()), first);
    EXPECT_GT(both.size(), first.size());

    // A 40-character name: every sheet name is cut to 31 characters with its prefix.
    const std::string name(40, 'x');
    app->workspace().database()->exec("UPDATE LR SET Nombre = '" + name + "' WHERE Codigo = 1");
    f->editor().open(1, 1);
    std::vector<ExportSheet> sheets = f->exportSheets();
    ASSERT_EQ(sheets.size(), 3u);
    EXPECT_EQ(sheets[0].name, QString("Ins ") + QString(27, 'x'));
    EXPECT_EQ(sheets[1].name, QString("Nut ") + QString(27, 'x'));
    EXPECT_EQ(sheets[2].name, QString("Cont ") + QString(26, 'x'));
    EXPECT_EQ(sheets[0].rows.size(), static_cast<int>(f->editor().ingredients().size()));
    EXPECT_FALSE(sheets[2].rows.empty());
    QStringList opened;
    exportOpener() = [&](const QString& file) {
        opened << file;
        return true;
    };
    gridExportFolder() = QString::fromStdString((docs / "Reportes").string());
    f->action("Exportar a Excel®")->trigger();
    exportOpener() = nullptr;
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].endsWith(".xlsx"));
    EXPECT_GT(QFile(opened[0]).size(), 0);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(ReportViewTest, ShowsColoursAppliesFontsAndSavesRichOrPlainText) {
    ScriptedDialogs dialogs;
    DialogsScope scope{dialogs};
    QTemporaryDir tmp;
    ReportView view;
    ReportDocument& doc = view.document();
    doc.BeginUpdate();
    WriteHeading(doc, "SOLUCIÓN {1}");
    doc.AppendLine("línea uno\r\nlínea dos");
    doc.EndUpdate();
    EXPECT_EQ(view.reportText(), "SOLUCIÓN {1}\nlínea uno\nlínea dos\n");
    EXPECT_TRUE(view.isReadOnly());
    const QTextCharFormat first =
        view.QTextEdit::document()->begin().begin().fragment().charFormat();
    EXPECT_EQ(first.foreground().color(), QColor(0, 0, 255));
    EXPECT_EQ(first.font().family(), view.QTextEdit::document()->defaultFont().family());

    // A font on the selected second line only.
    QTextCursor sel(view.QTextEdit::document()->findBlockByNumber(1));
    sel.select(QTextCursor::BlockUnderCursor);
    view.setTextCursor(sel);
    QFont big("Serif", 20);
    view.applyFontToSelection(big);
    const std::string rtf = view.toRtf();
    EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(rtf.find("\\fs40"), std::string::npos);
    EXPECT_NE(rtf.find("\\red0\\green0\\blue255;"), std::string::npos);
    EXPECT_NE(rtf.find("SOLUCI\\u211?N \\{1\\}"), std::string::npos);

    const std::string rtfPath = tmp.filePath("r.rtf").toStdString();
    const std::string txtPath = tmp.filePath("r.txt").toStdString();
    dialogs.files = {rtfPath, txtPath};
    ASSERT_TRUE(view.saveWithDialog(tmp.path().toStdString()));
    ASSERT_TRUE(view.saveWithDialog(tmp.path().toStdString()));
    EXPECT_EQ(dialogs.fileTitles, (std::vector<std::string>{"Guardar reporte en archivo",
                                                            "Guardar reporte en archivo"}));
    EXPECT_EQ(dialogs.questions.back(), "¿Desea abrir el reporte?");
    auto read = [](const std::string& p) {
        QFile f(QString::fromStdString(p));
        f.open(QIODevice::ReadOnly);
        return f.readAll().toStdString();
    };
    EXPECT_EQ(read(rtfPath), rtf);
    EXPECT_EQ(read(txtPath), "SOLUCIÓN {1}\nlínea uno\nlínea dos\n");
    // Cancelled: nothing written, nothing asked.
    const size_t asked = dialogs.questions.size();
    EXPECT_FALSE(view.saveWithDialog(tmp.path().toStdString()));
    EXPECT_EQ(dialogs.questions.size(), asked);
}

}  // namespace vexa::test
