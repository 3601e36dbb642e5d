// Numbers as the user types and reads them, in a comma locale (es_ES) and a point locale
// (es_MX); numeric grid columns; searches without accents.
#include <QApplication>
#include <QHeaderView>
#include <QTest>
#include <QTimer>
#include <clocale>

#include "catalog/ingredients_window.h"
#include "catalog/number_text.h"
#include "catalog/nutrients_window.h"
#include "catalog/value_dialogs.h"
#include "catalog/value_windows.h"
#include "gui_fixture.h"

namespace vexa::test {

namespace {

// The default locale for the life of a test.
class LocaleScope {
public:
    explicit LocaleScope(const char* name) { QLocale::setDefault(QLocale(name)); }
    ~LocaleScope() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

}  // namespace

TEST(UserNumbers, EitherSeparatorIsDecimalAndNeitherIsAThousandsSeparator) {
    struct Case {
        const char* locale;
        const char* typed;
        std::optional<double> value;  // nullopt: refused with a message
    } cases[] = {
        {"es_ES", "1,85", 1.85},   {"es_ES", "1.85", 1.85},    {"es_ES", " 0,19 ", 0.19},
        {"es_ES", "-2,5", -2.5},   {"es_ES", ",5", 0.5},       {"es_ES", "12", 12},
        {"es_ES", "1.234,5", {}},  {"es_ES", "1.234.567", {}}, {"es_ES", "1,2,3", {}},
        {"es_ES", "1,85 kg", {}},  {"es_ES", "", {}},          {"es_MX", "1.85", 1.85},
        {"es_MX", "1,85", 1.85},   {"es_MX", "1,234.5", {}},   {"es_MX", "1,234,567", {}},
        {"es_MX", "0.1900", 0.19},
    };
    for (const Case& c : cases) {
        UserNumber n = parseUserNumber(c.typed, QLocale(c.locale));
        if (c.value) {
            ASSERT_TRUE(n.value) << c.locale << " " << c.typed << ": " << n.error;
            EXPECT_DOUBLE_EQ(*n.value, *c.value) << c.locale << " " << c.typed;
        } else {
            EXPECT_FALSE(n.value) << c.locale << " " << c.typed;
            EXPECT_FALSE(n.error.empty()) << c.locale << " " << c.typed;
        }
    }
    EXPECT_EQ(formatUserNumber(0.19, 4, QLocale("es_ES")), "0,1900");
    EXPECT_EQ(formatUserNumber(0.19, 4, QLocale("es_MX")), "0.1900");
    EXPECT_EQ(formatUserNumber(1234.5, 4, QLocale("es_ES")), "1234,5000");
}

class PriceEntry : public CatalogFixture {
protected:
    void SetUp() override {
        CatalogFixture::SetUp();
        dm->AgregarNutriente("Precio", "$/kg", 1, 1, 0);
        dm->AgregarInsumo("Maíz", "0", 0);
        db.exec("INSERT INTO Val VALUES (1, 1, 2)");
        def.Precio = 1;
    }
    double price() {
        Statement st = db.prepare("SELECT Valor FROM Val WHERE Ins = 1 AND Nut = 1");
        return st.step() ? st.getDouble(0) : -1;
    }
    // "&Precios", "E&ditar": types into the value dialog, Tab, then "&Aceptar". Returns what
    // the field showed after Tab.
    std::string editPrice(const QString& typed, bool thenCancel = false) {
        NutrientValuesWindow w(db, *dm, sink);
        w.selectItem(-1);
        w.show();
        QString shown;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<ValueDialog*>(QApplication::activeModalWidget());
            if (!d) return;
            QApplication::setActiveWindow(d);
            EXPECT_TRUE(QTest::qWaitForWindowActive(d));
            d->value->setFocus();
            d->value->selectAll();
            QTest::keyClicks(d->value, typed);
            QTest::keyClick(d->value, Qt::Key_Tab);
            shown = d->value->text();
            d->accept();
            if (d->isVisible() && thenCancel) d->reject();
        });
        w.action("DataSetEdit1")->trigger();
        grid = w.model()->displayText(0, 1).toStdString();
        alignment = w.model()->data(w.model()->index(0, 1), Qt::TextAlignmentRole).toInt();
        w.close();
        return shown.toStdString();
    }
    std::string grid;
    int alignment = 0;
};

TEST_F(PriceEntry, ADecimalCommaIsADecimalInEitherLocale) {
    struct Case {
        const char* locale;
        const char* typed;
        double stored;
        const char* shown;
    } cases[] = {
        {"es_ES", "1,85", 1.85, "1,8500"},
        {"es_ES", "0.19", 0.19, "0,1900"},
        {"es_MX", "1,85", 1.85, "1.8500"},
        {"es_MX", "0.19", 0.19, "0.1900"},
    };
    for (const Case& c : cases) {
        LocaleScope scope(c.locale);
        EXPECT_EQ(editPrice(c.typed), c.shown) << c.locale << " " << c.typed;
        EXPECT_DOUBLE_EQ(price(), c.stored) << c.locale << " " << c.typed;
        EXPECT_EQ(grid, c.shown) << c.locale;  // the leading zero stays
        EXPECT_TRUE(alignment & Qt::AlignRight);
    }
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PriceEntry, AThousandsSeparatorIsRefusedWithAMessage) {
    for (const char* locale : {"es_ES", "es_MX"}) {
        LocaleScope scope(locale);
        db.exec("UPDATE Val SET Valor = 2");
        size_t told = dialogs.errors.size();
        EXPECT_EQ(editPrice("1.234,5", true), QLocale().toString(2.0, 'f', 4).toStdString())
            << locale;
        EXPECT_DOUBLE_EQ(price(), 2) << locale;
        ASSERT_GT(dialogs.errors.size(), told) << locale;
        EXPECT_NE(dialogs.errors.back().find("\"1.234,5\""), std::string::npos)
            << dialogs.errors.back();
    }
}

using Grids = CatalogFixture;

TEST_F(Grids, NumericColumnsAreRightAlignedAndSortAsNumbers) {
    seed();
    db.exec(
        "UPDATE Ins SET Redondeo = '-1' WHERE Nombre = 'Maíz';"
        "UPDATE Ins SET Redondeo = '-3' WHERE Nombre = 'Soya';"
        "UPDATE Ins SET Redondeo = '2' WHERE Nombre = 'Trigo';"
        "DELETE FROM Val WHERE Ins = 2 AND Nut = 1;");
    IngredientsWindow w(db, *dm, sink);
    auto column = [&](int c) {
        std::vector<std::string> out;
        for (int r = 0; r < w.model()->rowCount(); ++r)
            out.push_back(w.model()->displayText(r, c).toStdString());
        return out;
    };
    auto align = [&](int c) {
        return w.model()->data(w.model()->index(0, c), Qt::TextAlignmentRole).toInt();
    };
    EXPECT_FALSE(align(0) & Qt::AlignRight);  // names
    EXPECT_TRUE(align(1) & Qt::AlignRight);   // "Redondeo"
    EXPECT_TRUE(align(2) & Qt::AlignRight);   // "Nutrientes"
    w.grid()->horizontalHeader()->sectionClicked(1);
    EXPECT_EQ(column(1), (std::vector<std::string>{"-3", "-1", "2"}));  // as text: -1, -3, 2
    w.grid()->horizontalHeader()->sectionClicked(2);
    EXPECT_EQ(column(2), (std::vector<std::string>{"1", "2", "2"}));
    EXPECT_EQ(column(0)[0], "Soya");
    w.close();
}

TEST_F(Grids, SearchIgnoresAccentsAndCase) {
    seed();
    dm->AgregarNutriente("Fósforo", "%", 3, 0, 0);
    dm->AgregarInsumo("Ácido cítrico", "0", 0);
    NutrientsWindow n(db, *dm, sink);
    dialogs.texts = {std::string("fosforo")};
    n.action("acBuscar")->trigger();
    EXPECT_EQ(n.nutrients().text("Nombre"), "Fósforo");
    IngredientsWindow i(db, *dm, sink);
    i.ingredients().last();
    dialogs.texts = {std::string("ACIDO")};
    i.action("acBuscar")->trigger();
    EXPECT_EQ(i.ingredients().text("NOMBRE"), "Ácido cítrico");
    EXPECT_TRUE(dialogs.infos.empty());
    n.close();
    i.close();
}

// Numbers the store keeps as text read the same whatever the C library's locale (the
// desktop program takes it from the environment).
TEST(StoredNumbers, ReadTheSameInADecimalCommaLocale) {
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_NE(std::setlocale(LC_NUMERIC, "es_ES.UTF-8"), nullptr) << "es_ES.UTF-8 not generated";
    EXPECT_DOUBLE_EQ(toNumber(SqlValue{std::string("0.19")}), 0.19);
    EXPECT_DOUBLE_EQ(toNumber(SqlValue{std::string(" -3")}), -3.0);
    EXPECT_DOUBLE_EQ(toNumber(SqlValue{std::string("abc")}, 7.0), 7.0);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace vexa::test
