// Reading a formula from its JSON file. Every problem is reported as one line that says where
// (ingredient or nutrient, by position and code) and what is wrong.
#include "engine/memory_mix_object.h"
#include "engine/mix_math.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

namespace vexa {

namespace {

using nlohmann::json;

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw FormulaFileError(where.empty() ? what : where + ": " + what);
}

const char* typeName(const json& v) {
    switch (v.type()) {
        case json::value_t::null:
            return "null";
        case json::value_t::boolean:
            return "a boolean";
        case json::value_t::string:
            return "a text";
        case json::value_t::array:
            return "a list";
        case json::value_t::object:
            return "an object";
        default:
            return "a number";
    }
}

const json& require(const json& obj, const char* key, const std::string& where) {
    auto it = obj.find(key);
    if (it == obj.end()) fail(where, std::string("missing field \"") + key + "\"");
    return *it;
}

std::string text(const json& obj, const char* key, const std::string& where) {
    const json& v = require(obj, key, where);
    if (!v.is_string())
        fail(where, std::string("field \"") + key + "\" must be a text, not " + typeName(v));
    return v.get<std::string>();
}

std::string optionalText(const json& obj, const char* key, const std::string& where,
                         const std::string& fallback) {
    auto it = obj.find(key);
    if (it == obj.end() || it->is_null()) return fallback;
    if (!it->is_string())
        fail(where, std::string("field \"") + key + "\" must be a text, not " + typeName(*it));
    return it->get<std::string>();
}

bool flag(const json& obj, const char* key, const std::string& where) {
    auto it = obj.find(key);
    if (it == obj.end() || it->is_null()) return false;
    if (!it->is_boolean())
        fail(where,
             std::string("field \"") + key + "\" must be true or false, not " + typeName(*it));
    return it->get<bool>();
}

Fixed4 asFixed(const json& v, const std::string& where, const std::string& field) {
    if (!v.is_number()) fail(where, "field \"" + field + "\" must be a number, not " + typeName(v));
    const double d = v.get<double>();
    auto f = toFixed4(d);
    if (!f) fail(where, "field \"" + field + "\" is out of range");
    // A value the 4 decimals of the program would read as 0 is refused, never dropped: a
    // minimum of 0.00003 that vanished would call an unmet formula feasible.
    if (f->isZero() && d != 0.0)
        fail(where, "field \"" + field + "\" is " + v.dump() +
                        ", below 0.00005: with 4 decimals it would be read as 0; write it in a "
                        "smaller unit or as 0");
    return *f;
}

Fixed4 number(const json& obj, const char* key, const std::string& where) {
    return asFixed(require(obj, key, where), where, key);
}

// A bound that may be null or absent (an empty field): nothing then.
std::optional<Fixed4> bound(const json& obj, const char* key, const std::string& where) {
    auto it = obj.find(key);
    if (it == obj.end() || it->is_null()) return std::nullopt;
    Fixed4 v = asFixed(*it, where, key);
    if (v < Fixed4()) fail(where, std::string("negative bound \"") + key + "\"");
    return v;
}

int32_t code(const json& obj, const std::string& where) {
    const json& v = require(obj, "code", where);
    if (!v.is_number_integer())
        fail(where, std::string("field \"code\" must be a whole number, not ") + typeName(v));
    const int64_t c = v.get<int64_t>();
    if (c <= 0 || c > INT32_MAX) fail(where, "field \"code\" must be a positive whole number");
    return static_cast<int32_t>(c);
}

const json& list(const json& obj, const char* key) {
    const json& v = require(obj, key, "");
    if (!v.is_array())
        fail("", std::string("field \"") + key + "\" must be a list, not " + typeName(v));
    return v;
}

// Follows the parser through the document, so that an error of the parser itself (a number
// out of range) can name the field it was reading: "ingredients[2].price".
class FieldTracker {
public:
    bool operator()(int, json::parse_event_t event, json&) {
        switch (event) {
            case json::parse_event_t::object_start:
            case json::parse_event_t::array_start:
                frames_.push_back({event == json::parse_event_t::array_start, 0, {}});
                break;
            case json::parse_event_t::key:
                break;  // the key's text comes with the value below
            case json::parse_event_t::object_end:
            case json::parse_event_t::array_end:
                if (!frames_.empty()) frames_.pop_back();
                next();
                break;
            case json::parse_event_t::value:
                next();
                break;
        }
        return true;
    }
    void key(std::string k) {
        if (!frames_.empty()) frames_.back().key = std::move(k);
    }
    std::string where() const {
        std::string out;
        for (const Frame& f : frames_) {
            if (f.array)
                out += "[" + std::to_string(f.count + 1) + "]";
            else if (!f.key.empty())
                out += (out.empty() ? "" : ".") + f.key;
        }
        return out;
    }

private:
    struct Frame {
        bool array;
        size_t count;
        std::string key;
    };
    void next() {
        if (!frames_.empty() && frames_.back().array) ++frames_.back().count;
    }
    std::vector<Frame> frames_;
};

// The parser's own text without its error id ("[json.exception.out_of_range.406] ").
std::string parserText(const json::exception& e) {
    std::string msg = e.what();
    auto close = msg.find("] ");
    return close == std::string::npos ? msg : msg.substr(close + 2);
}

}  // namespace

Formula parseFormulaJson(std::string_view textIn) {
    json doc;
    FieldTracker tracker;
    try {
        // Keys reach the callback with the key event; record them for the path.
        doc = json::parse(textIn, [&](int depth, json::parse_event_t event, json& parsed) {
            if (event == json::parse_event_t::key && parsed.is_string())
                tracker.key(parsed.get<std::string>());
            return tracker(depth, event, parsed);
        });
    } catch (const json::parse_error& e) {
        const std::string field = tracker.where();
        fail("", "not valid JSON (" + parserText(e) +
                     (field.empty() ? std::string() : ", in field \"" + field + "\"") + ")");
    } catch (const json::exception& e) {
        const std::string field = tracker.where();
        fail("", (field.empty() ? std::string("the file") : "field \"" + field + "\"") + ": " +
                     parserText(e));
    }
    if (!doc.is_object()) fail("", "the file must hold a JSON object");

    Formula f;
    f.name = text(doc, "name", "");
    f.useDryMatter = flag(doc, "use_dry_matter", "");
    f.asFed = flag(doc, "as_fed", "");
    f.priceUnit = optionalText(doc, "price_unit", "", f.priceUnit);
    if (auto it = doc.find("feed_weight"); it != doc.end() && !it->is_null()) {
        f.feedWeight = asFixed(*it, "", "feed_weight");
        if (f.feedWeight < Fixed4()) fail("", "negative \"feed_weight\"");
    }

    const json& nutrients = list(doc, "nutrients");
    std::set<int32_t> nutrientCodes;
    for (size_t i = 0; i < nutrients.size(); ++i) {
        const json& n = nutrients[i];
        std::string where = "nutrient " + std::to_string(i + 1);
        if (!n.is_object()) fail(where, std::string("must be an object, not ") + typeName(n));
        FormulaNutrient fn;
        fn.code = code(n, where);
        where += " (code " + std::to_string(fn.code) + ")";
        if (!nutrientCodes.insert(fn.code).second) fail(where, "the code is listed twice");
        fn.name = text(n, "name", where);
        fn.unit = optionalText(n, "unit", where, "");
        fn.min = bound(n, "min", where).value_or(Fixed4());
        fn.max = bound(n, "max", where).value_or(Fixed4());
        if (fn.max > Fixed4() && fn.min > fn.max)
            fail(where, "min " + fn.min.toString() + " is above max " + fn.max.toString());
        f.nutrients.push_back(std::move(fn));
    }

    const json& ingredients = list(doc, "ingredients");
    std::set<int32_t> ingredientCodes;
    const Fixed4 hundred = Fixed4::fromInt(100);
    for (size_t i = 0; i < ingredients.size(); ++i) {
        const json& g = ingredients[i];
        std::string where = "ingredient " + std::to_string(i + 1);
        if (!g.is_object()) fail(where, std::string("must be an object, not ") + typeName(g));
        FormulaIngredient fi;
        fi.code = code(g, where);
        where += " (code " + std::to_string(fi.code) + ")";
        if (!ingredientCodes.insert(fi.code).second) fail(where, "the code is listed twice");
        fi.name = text(g, "name", where);
        fi.min = bound(g, "min", where).value_or(Fixed4());
        fi.max = bound(g, "max", where).value_or(hundred);
        if (fi.min > hundred) fail(where, "min " + fi.min.toString() + " is above 100");
        if (fi.max > hundred) fail(where, "max " + fi.max.toString() + " is above 100");
        if (fi.min > fi.max)
            fail(where, "min " + fi.min.toString() + " is above max " + fi.max.toString());
        fi.price = number(g, "price", where);
        if (fi.price < Fixed4()) fail(where, "negative \"price\"");
        if (auto it = g.find("dry_matter"); it != g.end() && !it->is_null()) {
            fi.dryMatter = asFixed(*it, where, "dry_matter");
            if (fi.dryMatter < Fixed4() || fi.dryMatter > hundred)
                fail(where, "\"dry_matter\" must lie between 0 and 100");
            // Every share is divided by it: a formula on dry matter needs some.
            if (f.useDryMatter && fi.dryMatter.isZero())
                fail(where, "\"dry_matter\" must be above 0 (the formula uses dry matter)");
        } else if (f.useDryMatter) {
            fail(where, "missing field \"dry_matter\" (the formula uses dry matter)");
        }
        if (auto it = g.find("values"); it != g.end() && !it->is_null()) {
            if (!it->is_object())
                fail(where,
                     std::string("field \"values\" must be an object, not ") + typeName(*it));
            for (const auto& [key, val] : it->items()) {
                // Digits only: std::stoi would take " 5" (spaces, a sign) as 5.
                int32_t nc = 0;
                size_t used = 0;
                const bool digits = !key.empty() && key.size() <= 9 &&
                                    std::all_of(key.begin(), key.end(), [](unsigned char c) {
                                        return c >= '0' && c <= '9';
                                    });
                if (digits) nc = std::stoi(key, &used);
                if (!digits || used != key.size())
                    fail(where, "value key \"" + key + "\" is not a nutrient code");
                if (!nutrientCodes.count(nc))
                    fail(where, "unknown nutrient code " + key + " in \"values\"");
                fi.values[nc] = asFixed(val, where, "values." + key);
            }
        }
        f.ingredients.push_back(std::move(fi));
    }

    // "min"/"max": [n1, n2]; a missing or null max means none.
    auto terms = [&](const json& r, const char* key, const std::string& where, Fixed4& n1,
                     Fixed4& n2) {
        auto it = r.find(key);
        if (it == r.end() || it->is_null()) return false;
        if (!it->is_array() || it->size() != 2)
            fail(where,
                 std::string("field \"") + key + "\" must be a list of two numbers [n1, n2]");
        const std::string field = key;
        n1 = asFixed((*it)[0], where, field + "[1]");
        n2 = asFixed((*it)[1], where, field + "[2]");
        if (n1 < Fixed4() || n2 < Fixed4()) fail(where, "negative term in \"" + field + "\"");
        return true;
    };
    if (auto it = doc.find("ratios"); it != doc.end() && !it->is_null()) {
        if (!it->is_array())
            fail("", std::string("field \"ratios\" must be a list, not ") + typeName(*it));
        std::set<int32_t> ratioCodes;
        for (size_t i = 0; i < it->size(); ++i) {
            const json& r = (*it)[i];
            std::string where = "ratio " + std::to_string(i + 1);
            if (!r.is_object()) fail(where, std::string("must be an object, not ") + typeName(r));
            FormulaRatio fr;
            fr.code = code(r, where);
            where += " (code " + std::to_string(fr.code) + ")";
            if (!ratioCodes.insert(fr.code).second) fail(where, "the code is listed twice");
            fr.name = text(r, "name", where);
            for (const char* key : {"nut1", "nut2"}) {
                const json& v = require(r, key, where);
                if (!v.is_number_integer() || !nutrientCodes.count(v.get<int32_t>()))
                    fail(where, std::string("field \"") + key +
                                    "\" must be the code of a nutrient of the formula");
                (key[3] == '1' ? fr.nut1 : fr.nut2) = v.get<int32_t>();
            }
            if (!terms(r, "min", where, fr.minN1, fr.minN2)) fail(where, "missing field \"min\"");
            terms(r, "max", where, fr.maxN1, fr.maxN2);
            // compare n1/n2 without rounding: min1·max2 against max1·min2 (0 counts as 1)
            auto second = [](Fixed4 v) { return v.isZero() ? 1.0L : (long double)v.toDouble(); };
            if (fr.maxN1 > Fixed4() &&
                fr.minN1.toDouble() * second(fr.maxN2) > fr.maxN1.toDouble() * second(fr.minN2))
                fail(where, "min is above max");
            f.ratios.push_back(std::move(fr));
        }
    }
    return f;
}

Formula loadFormulaFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FormulaFileError(path.string() + ": cannot open the file");
    std::ostringstream ss;
    ss << in.rdbuf();
    try {
        return parseFormulaJson(ss.str());
    } catch (const FormulaFileError& e) {
        throw FormulaFileError(path.filename().string() + ": " + e.what());
    }
}

}  // namespace vexa
