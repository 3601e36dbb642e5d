// Start-up in the user's locale. ctest runs this binary as it is and again under es_ES.UTF-8
// (decimal comma) and es_MX.UTF-8 (decimal point); Qt takes the C library's locale from the
// environment, as the program does.
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <clocale>
#include <cstdlib>

#include "gui_fixture.h"
#include "shell/application.h"

namespace vexa::test {

namespace fs = std::filesystem;

TEST(Locale, TheSampleWorkspaceOpensAndSavesInTheUsersLocale) {
    // The run really is in the locale it was started for.
    if (const char* wanted = std::getenv("LC_ALL"); wanted && *wanted) {
        EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), wanted);
        const char* point = std::localeconv()->decimal_point;
        EXPECT_STREQ(point, std::string(wanted).rfind("es_ES", 0) == 0 ? "," : ".");
    }
    QTemporaryDir tmp;
    ScriptedDialogs dialogs;
    DialogsScope scope(dialogs);
    fs::path docs = fs::path(tmp.path().toStdString()) / "Documentos";
    fs::create_directories(docs);
    for (int start = 1; start <= 2; ++start) {
        SCOPED_TRACE(start == 1 ? "primer inicio" : "segundo inicio");
        VexaApp app(AppFolders{docs, docs / "VEXA.INI"});
        app.createSampleIfFirstStart();
        ASSERT_TRUE(app.openStartupWorkspace({}));
        EXPECT_EQ(dialogs.errors, std::vector<std::string>{});
        EXPECT_EQ(fs::path(app.workspace().currentFile()).filename(), "Vexa30.VXF");
        EXPECT_DOUBLE_EQ(app.workspace().version(), 1030.04);
        // Saved here, read back by the next start (and by any other locale).
        app.workspace().setModified();
        dialogs.yesNo = {true};
        app.shutdown();
        EXPECT_TRUE(fs::exists(fs::path(SisOpc().VXFPath) / "Vexa30.bkp"));
    }
}

TEST(Locale, ReportNumbersUseTheUsersSeparators) {
    const QLocale locale;
    NumberFormat nf = localeNumberFormat(locale);
    const QString expected =
        QString("1") + locale.groupSeparator() + "234" + locale.decimalPoint() + "50";
    EXPECT_EQ(formatText("%.2n", {1234.5}, nf), expected.toStdString());
    const QString lcAll = qEnvironmentVariable("LC_ALL");
    if (lcAll.startsWith("es_ES")) {
        EXPECT_EQ(formatText("%.2n", {1234.5}, nf), "1.234,50");
    } else if (lcAll.startsWith("es_MX")) {
        EXPECT_EQ(formatText("%.2n", {1234.5}, nf), "1,234.50");
    }
    EXPECT_EQ(formatText("%.2f", {1234.5}, nf), "1234.50");  // %f keeps its point
}

TEST(Locale, QtsOwnButtonsAreInSpanish) {
    QMessageBox box(QMessageBox::Question, "Confirmación",
                    "¿Desea guardar la base de datos actual?",
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), "&Sí");
    EXPECT_EQ(box.button(QMessageBox::No)->text(), "&No");
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), "Cancelar");
}

}  // namespace vexa::test
