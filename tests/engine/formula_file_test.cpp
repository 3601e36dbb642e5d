// Formula files: what is read, the defaults of empty fields, and one clear line per problem.
#include "engine/memory_mix_object.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace vexa {
namespace {

TEST(FormulaFile, ReadsFieldsAndTheDefaultsOfEmptyBounds) {
    const Formula f = parseFormulaJson(R"({
        "name": "Pollo inicio", "use_dry_matter": true, "as_fed": false,
        "ingredients": [
            {"code": 1, "name": "Maíz amarillo", "min": 0, "max": 70, "price": 0.245,
             "dry_matter": 88.0, "values": {"3": 8.5, "4": 3350}},
            {"code": 2, "name": "Soya", "min": null, "price": 0.45, "dry_matter": 89}
        ],
        "nutrients": [
            {"code": 3, "name": "Proteína cruda", "unit": "%", "min": 22, "max": null},
            {"code": 4, "name": "EM", "unit": "kcal/kg"}
        ]})");
    EXPECT_EQ(f.name, "Pollo inicio");
    EXPECT_TRUE(f.useDryMatter);
    EXPECT_FALSE(f.asFed);
    ASSERT_EQ(f.ingredients.size(), 2u);
    EXPECT_EQ(f.ingredients[0].max, Fixed4::fromInt(70));
    EXPECT_EQ(f.ingredients[0].price, Fixed4::fromDouble(0.245));
    EXPECT_EQ(f.ingredients[0].dryMatter, Fixed4::fromInt(88));
    EXPECT_EQ(f.ingredients[0].values.at(4), Fixed4::fromInt(3350));
    EXPECT_EQ(f.ingredients[1].min, Fixed4());
    EXPECT_EQ(f.ingredients[1].max, Fixed4::fromInt(100));
    EXPECT_TRUE(f.ingredients[1].values.empty());
    EXPECT_EQ(f.nutrients[0].min, Fixed4::fromInt(22));
    EXPECT_EQ(f.nutrients[0].max, Fixed4());
    EXPECT_EQ(f.nutrients[1].min, Fixed4());
}

TEST(FormulaFile, EachProblemIsNamedOnOneLine) {
    const std::string ing = R"({"code": 1, "name": "Maíz", "price": 0.2)";
    const std::string nut = R"({"code": 3, "name": "Proteína", "unit": "%")";
    auto formula = [&](const std::string& ingredient, const std::string& nutrient) {
        return R"({"name": "F", "ingredients": [)" + ingredient + R"(], "nutrients": [)" +
               nutrient + "]}";
    };
    struct Case {
        std::string text, message;
    };
    const Case cases[] = {
        {"{", "not valid JSON"},
        {"[]", "the file must hold a JSON object"},
        {R"({"ingredients": [], "nutrients": []})", "missing field \"name\""},
        {R"({"name": "F", "nutrients": []})", "missing field \"ingredients\""},
        {R"({"name": "F", "ingredients": {}, "nutrients": []})",
         "field \"ingredients\" must be a list, not an object"},
        {formula(R"({"code": 1, "name": "Maíz"})", nut + "}"),
         "ingredient 1 (code 1): missing field \"price\""},
        {formula(ing + R"(, "max": "70"})", nut + "}"),
         "ingredient 1 (code 1): field \"max\" must be a number, not a text"},
        {formula(ing + R"(, "min": -1})", nut + "}"),
         "ingredient 1 (code 1): negative bound \"min\""},
        {formula(ing + R"(, "min": 60, "max": 50})", nut + "}"),
         "ingredient 1 (code 1): min 60.0000 is above max 50.0000"},
        {formula(ing + R"(, "max": 120})", nut + "}"),
         "ingredient 1 (code 1): max 120.0000 is above 100"},
        {formula(ing + R"(, "values": {"9": 1}})", nut + "}"),
         "ingredient 1 (code 1): unknown nutrient code 9 in \"values\""},
        {formula(ing + R"(, "values": {"x": 1}})", nut + "}"),
         "ingredient 1 (code 1): value key \"x\" is not a nutrient code"},
        {formula(ing + R"(, "values": {"3": null}})", nut + "}"),
         "ingredient 1 (code 1): field \"values.3\" must be a number, not null"},
        {formula(ing + "}", nut + R"(, "min": 5, "max": 3})"),
         "nutrient 1 (code 3): min 5.0000 is above max 3.0000"},
        {formula(ing + "}", nut + R"(, "max": -3})"),
         "nutrient 1 (code 3): negative bound \"max\""},
        {formula(ing + "}", R"({"code": 3.5, "name": "P"})"),
         "nutrient 1: field \"code\" must be a whole number, not a number"},
        {formula(ing + "}," + ing + "}", nut + "}"),
         "ingredient 2 (code 1): the code is listed twice"},
        {formula(ing + R"(, "price": -1})", nut + "}"),
         "ingredient 1 (code 1): negative \"price\""},
        // Errors of the parser itself name the field it was reading.
        {formula(ing + R"(, "price": 1e400})", nut + "}"),
         "field \"ingredients[1].price\": number overflow parsing '1e400'"},
        {formula(ing + "}," + ing + R"(, "values": {"3": -1e999}})", nut + "}"),
         "field \"ingredients[2].values.3\": number overflow"},
        {formula(ing + "}", nut + R"(, "min": 1e400})"),
         "field \"nutrients[1].min\": number overflow"},
        {R"({"name": "F", "feed_weight": 1E+400, "ingredients": [], "nutrients": []})",
         "field \"feed_weight\": number overflow"},
        {formula(ing + R"(, "name": "x"  "max": 3})", nut + "}"),
         "not valid JSON (parse error at line 1"},
        // A ration on dry matter divides by it.
        {R"({"name": "F", "use_dry_matter": true, "ingredients": [{"code": 1, "name": "M", )"
         R"("price": 0.2, "dry_matter": 0}], "nutrients": []})",
         "ingredient 1 (code 1): \"dry_matter\" must be above 0"},
        // Value keys are nutrient codes as written, digits only.
        {formula(ing + R"(, "values": {" 3": 1}})", nut + "}"),
         "ingredient 1 (code 1): value key \" 3\" is not a nutrient code"},
        {formula(ing + R"(, "values": {"3 ": 1}})", nut + "}"),
         "ingredient 1 (code 1): value key \"3 \" is not a nutrient code"},
        {formula(ing + R"(, "values": {"+3": 1}})", nut + "}"),
         "ingredient 1 (code 1): value key \"+3\" is not a nutrient code"},
        {formula(ing + R"(, "values": {"99999999999": 1}})", nut + "}"),
         "ingredient 1 (code 1): value key \"99999999999\" is not a nutrient code"},
    };
    for (const Case& c : cases) {
        try {
            parseFormulaJson(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const FormulaFileError& e) {
            const std::string what = e.what();
            EXPECT_NE(what.find(c.message), std::string::npos) << what;
            EXPECT_EQ(what.find('\n'), std::string::npos) << what;
            EXPECT_EQ(what.find("json.exception"), std::string::npos) << what;
        }
    }
}

TEST(FormulaFile, FileErrorsNameTheFile) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("vexa_formula_file_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / "roto.json";
    std::ofstream(path) << R"({"name": "F", "ingredients": []})";
    try {
        loadFormulaFile(path);
        ADD_FAILURE() << "accepted";
    } catch (const FormulaFileError& e) {
        EXPECT_STREQ(e.what(), "roto.json: missing field \"nutrients\"");
    }
    std::ofstream(path) << R"({"name": "F", "feed_weight": 1e400, "ingredients": [], )"
                           R"("nutrients": []})";
    try {
        loadFormulaFile(path);
        ADD_FAILURE() << "accepted";
    } catch (const FormulaFileError& e) {
        EXPECT_STREQ(e.what(), "roto.json: field \"feed_weight\": number overflow parsing '1e400'");
    }
    EXPECT_THROW(loadFormulaFile(dir / "no_existe.json"), FormulaFileError);
    std::filesystem::remove_all(dir);
}

TEST(FormulaFile, SampleFormulaSolvesToASensibleRation) {
    const auto path = std::filesystem::path(VEXA_SAMPLES_DIR) / "broiler_starter.json";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "no sample formula";
    const Formula f = loadFormulaFile(path);
    MemoryReportDocument doc;
    MemoryMixObject mix(doc, f);
    mix.Mix();
    EXPECT_TRUE(mix.Feasible);
    ASSERT_GE(mix.OrderCount, 2);
    Fixed4 total;
    for (const auto& it : mix.Ingredients) {
        total += it.Cantidad;
        EXPECT_FALSE(it.Fuera) << it.Codigo;
    }
    EXPECT_EQ(total, Fixed4::fromInt(100));
    for (const auto& n : mix.Nutrients) EXPECT_FALSE(n.Fuera) << n.Codigo;
}

}  // namespace
}  // namespace vexa
