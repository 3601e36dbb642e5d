#include "store/report_file.h"
#include "tdm_fixture.h"

#include <fstream>
#include <sstream>

namespace vexa {
namespace {

using testing_tables::TdmTest;

TEST_F(TdmTest, RowPrimitivesSwallowTheirErrors) {
    EXPECT_TRUE(dm.AgregarRestrIns(1, 2, Fixed4::fromInt(1), std::nullopt, Fixed4()));
    EXPECT_EQ(modifications, 1);
    EXPECT_FALSE(dm.AgregarRestrIns(1, 2, std::nullopt, Fixed4::fromInt(5), Fixed4()));
    EXPECT_TRUE(dm.AgregarValor(1, 1, Fixed4::fromDouble(2.5)));
    EXPECT_FALSE(dm.AgregarValor(1, 1, Fixed4::fromDouble(3)));
    EXPECT_TRUE(dm.AgregarRestrNut(1, 3, Fixed4(), Fixed4(), Fixed4()));
    EXPECT_FALSE(dm.AgregarRestrNut(1, 3, Fixed4(), Fixed4(), Fixed4()));
    EXPECT_EQ(rows("RIn"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM RNu WHERE Max IS NULL"), 1);
    EXPECT_EQ(count("SELECT Valor * 10 FROM Val"), 25);
    EXPECT_EQ(modifications, 3);

    // Names cut by characters, not bytes.
    EXPECT_TRUE(dm.AgregarInsumo("Ñame con cáscara molido y tostado", "-12", 2));
    Statement s = db.prepare("SELECT * FROM Ins");
    ASSERT_TRUE(s.step());
    EXPECT_EQ(s.getText("Nombre"), "Ñame con cáscara molido y");
    EXPECT_EQ(s.getText("Redondeo"), "-1");
    EXPECT_TRUE(dm.AgregarNutriente("Proteína", "g/100 g de MS", 3, 4, 0));
    EXPECT_EQ(dm.UnidadNutriente(static_cast<int32_t>(db.lastInsertRowId())), "g/100 g de M");

    // An empty date and a zero cost are written empty.
    EXPECT_TRUE(dm.AgregarFormula("Inicio", 1, Fixed4(), std::nullopt, 0, 1, 2));
    EXPECT_EQ(count("SELECT count(*) FROM LR WHERE Ultima IS NULL AND Valor IS NULL"), 1);
}

TEST_F(TdmTest, ResultsAreWrittenToTheirRowsOnly) {
    db.exec(
        "INSERT INTO LR (Nombre) VALUES ('F'); INSERT INTO RIn (LR, CNI) VALUES (1, 5);"
        "INSERT INTO RNu (LR, CNI) VALUES (1, 5)");
    EXPECT_TRUE(dm.GuardarResultado("RIN", 1, 5, Fixed4::fromDouble(42.12345)));
    EXPECT_TRUE(dm.GuardarResultado("rnu", 1, 5, Fixed4::fromDouble(3.5)));
    EXPECT_FALSE(dm.GuardarResultado("LR", 1, 5, Fixed4::fromDouble(3.5)));
    const auto when = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    EXPECT_TRUE(dm.GuardarUltima(1, when, Fixed4::fromDouble(0.2875)));
    Statement ri = db.prepare("SELECT Resul FROM RIn");
    ri.step();
    EXPECT_EQ(ri.getFixed4("Resul").toString(), "42.1234");
    Statement rn = db.prepare("SELECT Resul FROM RNu");
    rn.step();
    EXPECT_EQ(rn.getFixed4("Resul").toString(), "3.5000");
    Statement lr = db.prepare("SELECT Ultima, Valor FROM LR");
    lr.step();
    EXPECT_EQ(lr.getDateTime("Ultima"), DateTime(when));
    EXPECT_EQ(lr.getFixed4("Valor").toString(), "0.2875");
    EXPECT_EQ(modifications, 3);
}

TEST_F(TdmTest, ReadOnlyDatabaseSwallowsRowWritesAndRefusesCascades) {
    ingredient("Maíz");
    Database ro(databaseFile(dir.path()), Database::Mode::ReadOnly);
    Tdm readOnly(ro, def);
    EXPECT_EQ(readOnly.NombreDe(kNameIngredient, 1), "Maíz");
    EXPECT_FALSE(readOnly.AgregarValor(1, 1, Fixed4()));
    EXPECT_FALSE(readOnly.GuardarUltima(1, std::chrono::system_clock::now(), Fixed4()));
    EXPECT_THROW(readOnly.BorrarInsumo(1), SqlError);
    Database closed;
    Tdm none(closed, def);
    EXPECT_FALSE(none.AgregarInsumo("x", "1", 0));
    EXPECT_FALSE(none.GuardarResultado("RIn", 1, 1, Fixed4()));
    EXPECT_EQ(readOnly.CopiarInsumo(1), 0);  // the new row is refused: no copy
}

TEST_F(TdmTest, EnablingAddsEachPairOnce) {
    const int32_t a = ingredient("A"), b = ingredient("B");
    const int32_t n1 = nutrient("N1"), n2 = nutrient("N2", 0, 2);
    const int32_t g1 = insert("INSERT INTO Cat (Nombre) VALUES ('G1')");
    const int32_t g2 = insert("INSERT INTO Cat (Nombre) VALUES ('G2')");
    value(a, n1, 7);

    dm.HabilitarInsumo(g1, a);
    dm.HabilitarInsumo(g1, a);
    dm.HabilitarTodosIns(g1);
    dm.HabilitarTodosIns(g1);
    EXPECT_EQ(count("SELECT count(*) FROM EI WHERE Cat = " + std::to_string(g1)), 2);
    dm.HabilitarTodosNut(g2);
    EXPECT_EQ(rows("EN"), 2);
    dm.HabilitarEnGrupos(b, "EI");
    dm.HabilitarEnGrupos(n1, "en.db");
    EXPECT_EQ(rows("EI"), 3);  // b was already in g1
    EXPECT_EQ(rows("EN"), 3);  // n1 was already in g2
    EXPECT_THROW(dm.HabilitarEnGrupos(a, "Val"), std::invalid_argument);

    modifications = 0;
    dm.AgregarNutATodos(n1);  // a keeps its 7
    dm.AgregarInsATodos(b);
    EXPECT_EQ(rows("Val"), 3);
    EXPECT_EQ(count("SELECT Valor FROM Val WHERE Ins = " + std::to_string(a)), 7);
    EXPECT_EQ(count("SELECT count(*) FROM Val WHERE Ins = " + std::to_string(b) +
                    " AND Nut = " + std::to_string(n2) + " AND Valor = 0"),
              1);
    EXPECT_EQ(modifications, 2);
    dm.AgregarInsATodos(b);
    EXPECT_EQ(modifications, 2);  // nothing posted, nothing modified
}

TEST_F(TdmTest, CargarRestrNutFillsTheMatchingRows) {
    db.exec(
        "INSERT INTO RNu (LR, CNI, Min, Max) VALUES (1, 10, 2.5, 0);"
        "INSERT INTO RNu (LR, CNI, Min, Max) VALUES (1, 11, NULL, 7.25);"
        "INSERT INTO RNu (LR, CNI, Min, Max) VALUES (1, 12, 1, 2);"
        "INSERT INTO RNu (LR, CNI, Min, Max) VALUES (2, 13, 1, 2)");
    std::vector<RestrNutDestino> list{{10, std::nullopt, Fixed4::fromInt(9), false},
                                      {11, Fixed4::fromInt(9), std::nullopt, false},
                                      {13, std::nullopt, std::nullopt, false}};
    dm.CargarRestrNut(1, list);
    EXPECT_EQ(list[0].RMin, Fixed4::fromDouble(2.5));
    EXPECT_EQ(list[0].RMax, std::nullopt);  // a zero maximum is no maximum
    EXPECT_TRUE(list[0].EsRestr);
    EXPECT_EQ(list[1].RMin, Fixed4());
    EXPECT_EQ(list[1].RMax, Fixed4::fromDouble(7.25));
    EXPECT_TRUE(list[1].EsRestr);
    EXPECT_FALSE(list[2].EsRestr);  // restricted by another formula only
    EXPECT_EQ(list.size(), 3u);
}

TEST_F(TdmTest, BalanceElectroliticoCreatesOneNutrientEnabledInEveryGroup) {
    const int32_t na = nutrient("Sodio", 6, 1), k = nutrient("Potasio", 6, 2);
    const int32_t cl = nutrient("Cloro", 6, 7);
    const int32_t a = ingredient("Sal y potasa"), b = ingredient("Con cloro"),
                  c = ingredient("Sin datos");
    value(a, na, 0.23);
    value(a, k, 0.391);
    value(a, cl, 0);
    value(b, na, 0.46);
    value(b, cl, 0.355);
    for (int g = 0; g < 3; ++g) insert("INSERT INTO Cat (Nombre) VALUES ('G')");

    const int32_t dest = dm.BalanceElectrolitico(na, k, 0, cl);
    EXPECT_EQ(count("SELECT count(*) FROM Nut WHERE Nombre = 'Balance Electrolítico'"), 1);
    EXPECT_EQ(dm.NombreDe(kNameNutrient, dest), "Balance Electrolítico");
    EXPECT_EQ(dm.UnidadNutriente(dest), "mEq/Kg.");
    EXPECT_EQ(dm.TipoNutriente(dest), 0);
    EXPECT_EQ(count("SELECT Orden FROM Nut WHERE Codigo = " + std::to_string(dest)), 8);
    EXPECT_EQ(count("SELECT count(DISTINCT Cat) FROM EN WHERE CNI = " + std::to_string(dest)), 3);
    EXPECT_EQ(count("SELECT count(*) FROM EN WHERE CNI = " + std::to_string(dest)), 3);
    auto balance = [&](int32_t ins) {
        Statement s = db.prepare("SELECT Valor FROM Val WHERE Ins = :i AND Nut = :n");
        s.bind("i", ins).bind("n", dest);
        return s.step() ? s.getFixed4(0).toString() : std::string("sin fila");
    };
    EXPECT_EQ(balance(a), "200.0000");
    EXPECT_EQ(balance(b), "100.0000");  // 200 - 100
    EXPECT_EQ(balance(c), "0.0000");
    EXPECT_GT(modifications, 0);

    // Into an existing nutrient: an ingredient without a row for it stays without one;
    // a nutrient code of 0 counts as nothing.
    const int32_t d = ingredient("Nuevo");
    value(d, na, 0.23);
    EXPECT_EQ(dm.BalanceElectrolitico(na, 0, dest, cl), dest);
    EXPECT_EQ(balance(a), "100.0000");
    EXPECT_EQ(balance(d), "sin fila");
    EXPECT_EQ(count("SELECT count(*) FROM Nut"), 4);
}

TEST(TdmReportFile, TextAndRichTextKeepTheLinesAndTheirLooks) {
    MemoryReportDocument doc;
    doc.AppendLine("Fórmula {1}\\");
    doc.AppendSelected("Título");
    doc.SetSelectionColor(kBlue);
    doc.SetSelectionSize(16);
    doc.SetSelectionFont("Arial");
    doc.ClearSelection();
    doc.AppendLine("a\tb 𝄞");
    EXPECT_EQ(reportAsText(doc), "Fórmula {1}\\\nTítulo\na\tb 𝄞\n");
    const std::string rtf = reportAsRtf(doc);
    EXPECT_EQ(rtf,
              "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
              "{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0 Courier New;}"
              "{\\f1\\fnil\\fcharset0 Arial;}}\n"
              "{\\colortbl\\red0\\green0\\blue0;\\red0\\green0\\blue255;}\n"
              "\\pard\\plain\\f0\\fs20\n"
              "{\\f0\\cf0\\fs20 F\\u243?rmula \\{1\\}\\\\}\\par\n"
              "{\\f1\\cf1\\fs32 T\\u237?tulo}\\par\n"
              "{\\f0\\cf0\\fs20 a\\tab b \\u-10188?\\u-8930?}\\par\n"
              "}\n");

    testing_tables::TempDir dir;
    GuardarReporteArchivo(doc, dir.path() / "r.txt", reportFormatForFilter(2));
    GuardarReporteArchivo(doc, dir.path() / "r.rtf", reportFormatForFilter(1));
    auto read = [](const std::filesystem::path& p) {
        std::ifstream f(p, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    };
    EXPECT_EQ(read(dir.path() / "r.txt"), reportAsText(doc));
    EXPECT_EQ(read(dir.path() / "r.rtf"), rtf);
    EXPECT_THROW(
        GuardarReporteArchivo(doc, dir.path() / "no" / "r.rtf", ReportFileFormat::RichText),
        std::runtime_error);
}

}  // namespace
}  // namespace vexa
