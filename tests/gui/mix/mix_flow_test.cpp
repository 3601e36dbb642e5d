// The manual mix and the batch in the whole program on the sample workspace, driven as a user
// would: from a solved formula to a mix, a batch report, and a diet that survives saving.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "catalog/request_event.h"
#include "engine/text_format.h"
#include "engine/utf8.h"
#include "gui_fixture.h"
#include "sample_app_fixture.h"
#include "reports/grid_export.h"
#include "shell/application.h"
#include "shell/command_module.h"
#include "shell/main_window.h"
#include "store/settings.h"
#include "workflows/batch_dialogs.h"
#include "workflows/formula_window.h"
#include "catalog/number_box.h"
#include "workflows/mix_list_window.h"
#include "workflows/mix_windows.h"

#include "answering.h"

namespace vexa::test {

class MixGui : public SampleApp {
protected:
    // Formula 1 of group 1, solved.
    FormulaWindow* solved(MainWindow& w) {
        auto* f = openFormula(w, 1, 1);
        if (!f) return nullptr;
        f->runMix();
        settle();
        return f->editor().hasResults() ? f : nullptr;
    }
};

TEST_F(MixGui, CreateMixOpensTheRationThenItsDietSurvivesSaving) {
    MainWindow& w = start();
    FormulaWindow* f = solved(w);
    ASSERT_NE(f, nullptr);
    int ration = 0;
    for (const TOrden& o : f->editor().mix()->Order)
        if (f->editor().mix()->Ingredients[o.Indice].Cantidad > Fixed4()) ++ration;
    ASSERT_GT(ration, 1);
    QAction* create = f->action("Crear &mezcla");
    ASSERT_TRUE(create->isEnabled());
    create->trigger();
    settle();
    auto* m = active<ManualMixWindow>(w);
    ASSERT_NE(m, nullptr);
    ASSERT_NE(m->mix(), nullptr);
    EXPECT_EQ(static_cast<int>(m->mix()->lines().size()), ration);
    EXPECT_EQ(m->lineGrid()->rowCount(), ration + 1);  // and the totals row
    EXPECT_NEAR(m->mix()->totalFresco(), 100.0, 0.01);
    EXPECT_EQ(m->mix()->header().Nombre, utf8Left(f->editor().formula().Nombre, 30));
    const std::string mixCode = std::to_string(m->mix()->header().Codigo);
    EXPECT_TRUE(m->ready());
    EXPECT_FALSE(m->pages()->isTabVisible(2));  // the report page waits for "&Ver reporte"

    // Every command of the window is there and enabled.
    for (const char* c :
         {"E&ditar", "&Insertar", "&Borrar", "&Llevar a ...", "&Calcular", "&Ver reporte",
          "Cargar restrics", "&Enviar a Lotexa", "&Guardar como insumo", "Enviar a Excel®"})
        EXPECT_TRUE(m->action(c) && m->action(c)->isEnabled()) << c;
    m->action("&Ver reporte")->trigger();
    settle();
    EXPECT_TRUE(m->pages()->isTabVisible(2));
    EXPECT_NE(m->report()->reportText().find("RESULTADO DE LA MEZCLA"), std::string::npos);
    for (const char* c : {"&Imprimir", "&Guardar", "&Font"}) EXPECT_TRUE(m->action(c)->isEnabled());

    // "Enviar a Excel®": one workbook, the lines and the content, names cut to 31 characters.
    std::vector<ExportSheet> sheets = m->exportSheets();
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].name,
              exportSheetName("Mezcla ", QString::fromStdString(m->mix()->header().Nombre)));
    EXPECT_EQ(sheets[0].name.size(), 31);
    EXPECT_TRUE(sheets[0].name.startsWith("Mezcla Pollo"));
    EXPECT_TRUE(sheets[1].name.startsWith("Cont Pollo"));
    EXPECT_EQ(sheets[0].rows.size(), ration);
    EXPECT_EQ(sheets[1].rows.size(), static_cast<int>(m->mix()->nutrients().size()));
    QStringList opened;
    exportOpener() = [&](const QString& file) {
        opened << file;
        return true;
    };
    gridExportFolder() = QString::fromStdString((docs / "Reportes").string());
    m->action("Enviar a Excel®")->trigger();
    exportOpener() = nullptr;
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].endsWith(".xlsx"));
    EXPECT_GT(QFile(opened[0]).size(), 0);
    EXPECT_TRUE(dialogs.errors.empty());

    // "&Llevar a ..." with the user's own decimal separator.
    dialogs.texts.push_back(QLocale().decimalPoint() == ',' ? "1000,0" : "1000.0");
    m->action("&Llevar a ...")->trigger();
    settle();
    // Each line is rounded to its own step after scaling: near the total asked for.
    EXPECT_NEAR(m->mix()->totalFresco(), 1000.0, 5.0);

    // Deleting a line hides the report page again.
    m->lineGrid()->setFocus();
    m->lineGrid()->selectRow(0);
    const std::string gone = m->mix()->lines()[0].Nombre;
    ASSERT_NE(m->report()->reportText().find(gone), std::string::npos);
    QTest::keyClick(m->lineGrid(), Qt::Key_Delete);
    settle();
    EXPECT_EQ(static_cast<int>(m->mix()->lines().size()), ration - 1);
    EXPECT_FALSE(m->pages()->isTabVisible(2));
    // "&Ver reporte" shows it again with the lines as they are now.
    m->action("&Ver reporte")->trigger();
    settle();
    EXPECT_TRUE(m->pages()->isTabVisible(2));
    EXPECT_EQ(m->report()->reportText().find(gone), std::string::npos);

    // Sent to a new batch group.
    {
        Answering<BatchGroupDialog> answer([](BatchGroupDialog* d) {
            d->newGroup()->setChecked(true);
            d->newName()->setText("Semana 50");
            d->dietName()->setText("Dieta manual");
            d->accept();
        });
        m->action("&Enviar a Lotexa")->trigger();
        settle();
        EXPECT_EQ(answer.count, 1);
    }
    ASSERT_FALSE(dialogs.infos.empty());
    EXPECT_EQ(dialogs.infos.back(), "Se ha creado el lote \"Dieta manual\"");
    const std::string lines = query(
        "SELECT count(*) AS x FROM DETDIE WHERE Die = (SELECT Codigo FROM DIETAS WHERE "
        "Nombre = 'Dieta manual')");
    EXPECT_EQ(lines, std::to_string(ration - 1));

    const std::filesystem::path file = app->workspace().currentFile();
    app->workspace().save();
    settle();
    ASSERT_TRUE(app->workspace().open(file.string()));
    settle();
    EXPECT_EQ(query("SELECT Nombre AS x FROM LOTES WHERE Codigo = (SELECT LoteId FROM DIETAS "
                    "WHERE Nombre = 'Dieta manual')"),
              "Semana 50");
    EXPECT_EQ(query("SELECT round(Cant) AS x FROM DIETAS WHERE Nombre = 'Dieta manual'"),
              query("SELECT round(sum(Valor)) AS x FROM DETDIE WHERE Die = (SELECT Codigo FROM "
                    "DIETAS WHERE Nombre = 'Dieta manual')"));
    EXPECT_EQ(query("SELECT count(*) AS x FROM MMI WHERE CMM = " + mixCode),
              std::to_string(ration - 1));
}

TEST_F(MixGui, F6MakesABatchOfAThousandKilograms) {
    MainWindow& w = start();
    FormulaWindow* f = solved(w);
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->action("Preparar &batch")->isEnabled());
    {
        Answering<BatchDialog> answer([](BatchDialog* d) {
            EXPECT_DOUBLE_EQ(d->quantity(), 1000);
            d->findChild<QPushButton*>("hacer")->click();
        });
        f->ingredientGrid()->setFocus();
        QTest::keyClick(f->ingredientGrid(), Qt::Key_F6);
        settle();
        EXPECT_EQ(answer.count, 1);
    }
    EXPECT_EQ(f->pages()->currentIndex(), 2);
    const std::string report = f->report()->reportText();
    EXPECT_NE(report.find("PREPARACIÓN DE UN BATCH O LOTE"), std::string::npos) << report;
    EXPECT_NE(report.find("Kg. en BASE FRESCA"), std::string::npos);
    EXPECT_NE(report.find("TOTAL"), std::string::npos);
}

// A batch with its content never passes for the optimal solution: the content report, the
// summary and the export keep the run's levels under the run's title and add the batch's
// levels under a heading of their own, until the next run.
TEST_F(MixGui, BatchContentHasItsOwnHeadingAndTheOptimalContentStays) {
    MainWindow& w = start();
    FormulaWindow* f = solved(w);
    ASSERT_NE(f, nullptr);
    const ContentTable optimal = f->editor().mix()->NutrientContent();
    ASSERT_FALSE(optimal.empty());
    {
        Answering<BatchDialog> answer([](BatchDialog* d) {
            d->quantityBox()->setValue(1);  // 1 kg: rounding moves every level
            d->findChild<QCheckBox*>("contenido")->setChecked(true);
            d->findChild<QPushButton*>("hacer")->click();
        });
        f->ingredientGrid()->setFocus();
        QTest::keyClick(f->ingredientGrid(), Qt::Key_F6);
        settle();
        EXPECT_EQ(answer.count, 1);
    }
    ASSERT_TRUE(f->editor().mix()->LastBatch());
    const ContentTable& batch = f->editor().mix()->LastBatch()->table;
    bool differs = false;
    for (size_t i = 0; i < optimal.size() && i < batch.size(); ++i)
        differs = differs || std::abs(batch[i].Valor - optimal[i].Valor) > 1e-4;
    EXPECT_TRUE(differs) << "a 1 kg batch should round some level away from the optimum";
    for (size_t i = 0; i < optimal.size(); ++i)
        EXPECT_EQ(f->editor().mix()->NutrientContent()[i].Valor, optimal[i].Valor);

    f->action("&Cont. nutricional")->trigger();
    settle();
    const std::string report = f->report()->reportText();
    const size_t optimalAt = report.rfind("CONTENIDO NUTRICIONAL DE LA SOLUCIÓN");
    const std::string weight = formatText("%.2f", {f->editor().mix()->LastBatch()->weight});
    const size_t batchAt = report.rfind("CONTENIDO NUTRICIONAL DEL LOTE DE " + weight + " Kg");
    ASSERT_NE(optimalAt, std::string::npos) << report;
    ASSERT_NE(batchAt, std::string::npos) << report;
    EXPECT_LT(optimalAt, batchAt);
    // The first content row under the optimal title is the run's own level.
    const std::string row = formatText("%-25s  %-16s   %10.4f",
                                       {optimal[0].Nombre, optimal[0].Unidad, optimal[0].Valor});
    const size_t rowAt = report.find(row, optimalAt);
    EXPECT_TRUE(rowAt != std::string::npos && rowAt < batchAt) << row << "\n" << report;

    std::vector<ExportSheet> sheets = f->exportSheets();
    ASSERT_EQ(sheets.size(), 4u);
    EXPECT_DOUBLE_EQ(sheets[2].rows[0][2].toDouble(), optimal[0].Valor);
    EXPECT_TRUE(sheets[3].name.startsWith("Lote ")) << sheets[3].name.toStdString();
    EXPECT_TRUE(sheets[3].titles[2].startsWith("Valor en el lote de "));
    EXPECT_DOUBLE_EQ(sheets[3].rows[0][2].toDouble(), batch[0].Valor);

    // The next run forgets the batch.
    f->runMix();
    settle();
    EXPECT_FALSE(f->editor().mix()->LastBatch());
    EXPECT_EQ(f->exportSheets().size(), 3u);
}

TEST_F(MixGui, MixListMakesANewMixThatOpensWithTheIngredientChoice) {
    MainWindow& w = start();
    CommandModule& cm = w.commands();
    ASSERT_TRUE(cm.action("acMM")->isEnabled());
    cm.action("acMM")->trigger();
    settle();
    auto* list = active<MixListWindow>(w);
    ASSERT_NE(list, nullptr);
    const int before = list->mixes().rowCount();
    list->mixes().newMixDialog = [](const std::string&, bool, bool) {
        return std::optional<NewMixAnswer>(NewMixAnswer{"Mezcla de prueba", std::nullopt});
    };
    // The new empty mix offers the group's ingredients at once: cancelled here.
    bool choiceOffered = false;
    {
        Answering<QDialog> answer([&](QDialog* d) {
            choiceOffered =
                d->objectName() == "TfrmInsIns" || d->windowTitle() == "Insertar insumos";
            d->reject();
        });
        list->action("DataSetInsert1")->trigger();
        settle();
        settle();
    }
    EXPECT_EQ(list->mixes().rowCount(), before + 1);
    auto* m = active<ManualMixWindow>(w);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->mix()->header().Nombre, "Mezcla de prueba");
    EXPECT_TRUE(choiceOffered);
    EXPECT_TRUE(m->mix()->lines().empty());

    // Renamed on its properties page; closing the window refreshes the list (request 17, 11).
    m->pages()->setCurrentIndex(1);
    for (QPushButton* b : m->findChildren<QPushButton*>())
        if (b->text() == "Editar") b->click();
    ASSERT_FALSE(m->propName()->isReadOnly());
    m->propName()->setText("Mezcla renombrada");
    for (QPushButton* b : m->findChildren<QPushButton*>())
        if (b->text() == "&Aceptar") b->click();
    settle();
    EXPECT_EQ(m->mix()->header().Nombre, "Mezcla renombrada");
    m->closeWindow();
    settle();
    bool listed = false;
    for (int r = 0; r < list->mixes().rowCount(); ++r)
        listed = listed || toText(list->mixes().value(r, "Nombre")) == "Mezcla renombrada";
    EXPECT_TRUE(listed);
}

// What the user types follows their locale: "12,34" in Spain, "12.34" in Mexico.
TEST_F(MixGui, TypedNumbersFollowTheLocale) {
    MainWindow& w = start();
    FormulaWindow* f = solved(w);
    ASSERT_NE(f, nullptr);
    f->action("Crear &mezcla")->trigger();
    settle();
    auto* m = active<ManualMixWindow>(w);
    ASSERT_NE(m, nullptr);
    const QString typed = QString("12") + QLocale().decimalPoint() + "34";
    // The line dialog, typed into as a user would, with a step of 10^-1 kg.
    {
        Answering<MixLineDialog> answer([&](MixLineDialog* d) {
            QApplication::setActiveWindow(d);
            d->valor->setFocus();
            d->valor->selectAll();
            QTest::keyClicks(d->valor, typed);
            QTest::keyClick(d->valor, Qt::Key_Tab);
            d->redondeo->setValue(-1);
            d->accept();
        });
        m->lineGrid()->selectRow(0);
        m->lineGrid()->setFocus();
        QTest::keyClick(m->lineGrid(), Qt::Key_Return);
        settle();
        EXPECT_EQ(answer.count, 1);
    }
    EXPECT_DOUBLE_EQ(m->mix()->lines()[0].Valor, 12.3);
    EXPECT_EQ(m->lineGrid()->item(0, 1)->text(), QString("12") + QLocale().decimalPoint() + "3000");
    // A minimum typed into the nutrient grid.
    m->nutrientGrid()->item(0, 2)->setText(typed);
    settle();
    ASSERT_TRUE(m->mix()->nutrients()[0].RMin.has_value());
    EXPECT_EQ(*m->mix()->nutrients()[0].RMin, Fixed4::fromDouble(12.34));
    EXPECT_TRUE(m->mix()->nutrients()[0].EsRestr);
    // A thousands separator of the locale in a grid cell: "3.500" kcal in Spain is 3500.
    const QString thousands = QLocale().decimalPoint() == "," ? "3.500" : "3,500";
    m->nutrientGrid()->item(0, 4)->setText(thousands);
    settle();
    ASSERT_TRUE(m->mix()->nutrients()[0].RMax.has_value());
    EXPECT_EQ(*m->mix()->nutrients()[0].RMax, Fixed4::fromDouble(3500));
}

}  // namespace vexa::test
