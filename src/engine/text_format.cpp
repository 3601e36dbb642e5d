#include "engine/text_format.h"

#include <cstdio>

#include "engine/utf8.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace vexa {

namespace {

NumberFormat& numberFormatSetting() {
    static NumberFormat nf;
    return nf;
}

// A non-negative decimal number: its digits and how many of them are decimals.
struct Decimal {
    bool negative = false;
    std::string digits;  // at least one digit, no sign
    int decimals = 0;    // digits after the point
};

Decimal decimalFromUnits(int64_t units, int decimals) {
    Decimal d;
    d.negative = units < 0;
    uint64_t mag = d.negative ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units);
    d.digits = std::to_string(mag);
    d.decimals = decimals;
    return d;
}

// Doubles are taken at their shortest round-trip decimal form (0.1 is "0.1", not
// 0.1000000000000000055...), so what is rounded is the number the user sees in the data.
Decimal decimalFromDouble(double v) {
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    std::string s(buf, res.ptr);
    Decimal d;
    if (!s.empty() && s[0] == '-') {
        d.negative = true;
        s.erase(0, 1);
    }
    auto point = s.find('.');
    if (point == std::string::npos) {
        d.digits = s;
    } else {
        d.decimals = static_cast<int>(s.size() - point - 1);
        d.digits = s.substr(0, point) + s.substr(point + 1);
    }
    return d;
}

// Rounds to `prec` decimals, half away from zero on the decimal digits (a Fixed4 of 0.125
// prints 0.13 with two decimals, -0.125 prints -0.13), and splits into integer and fraction.
void roundDecimal(const Decimal& d, int prec, std::string& intPart, std::string& fracPart) {
    std::string digits = d.digits;
    int decimals = d.decimals;
    // Small values carry fewer digits than decimals (0.0005 is "5" with 4 decimals): give them
    // their leading zeros so that cutting to a shorter precision stays inside the digits.
    if (decimals >= 0 && digits.size() <= static_cast<size_t>(decimals))
        digits.insert(0, static_cast<size_t>(decimals) + 1 - digits.size(), '0');
    if (decimals < prec) {
        digits.append(static_cast<size_t>(prec - decimals), '0');
    } else if (decimals > prec) {
        size_t keep = digits.size() - static_cast<size_t>(decimals - prec);
        bool up = digits[keep] >= '5';
        digits.resize(keep);
        if (digits.empty()) digits = "0";
        if (up) {
            int i = static_cast<int>(digits.size()) - 1;
            while (i >= 0 && digits[static_cast<size_t>(i)] == '9') {
                digits[static_cast<size_t>(i)] = '0';
                --i;
            }
            if (i < 0)
                digits.insert(digits.begin(), '1');
            else
                ++digits[static_cast<size_t>(i)];
        }
    }
    // Pad so there is at least one integer digit.
    if (digits.size() <= static_cast<size_t>(prec))
        digits.insert(0, static_cast<size_t>(prec) + 1 - digits.size(), '0');
    intPart = digits.substr(0, digits.size() - static_cast<size_t>(prec));
    fracPart = digits.substr(digits.size() - static_cast<size_t>(prec));
    size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
}

std::string groupThousands(const std::string& intPart, const std::string& sep) {
    if (sep.empty() || intPart.size() <= 3) return intPart;
    std::string out;
    size_t lead = intPart.size() % 3;
    if (lead == 0) lead = 3;
    out = intPart.substr(0, lead);
    for (size_t i = lead; i < intPart.size(); i += 3) out += sep + intPart.substr(i, 3);
    return out;
}

struct Spec {
    bool left = false;
    bool zero = false;
    int width = -1;
    int prec = -1;
    char type = 0;
};

[[noreturn]] void fail(std::string_view fmt, const std::string& why) {
    throw std::invalid_argument("formato \"" + std::string(fmt) + "\": " + why);
}

const char* typeName(const FormatArg& a) {
    switch (a.index()) {
        case 0:
            return "texto";
        case 1:
            return "entero";
        case 2:
            return "real";
        default:
            return "Fixed4";
    }
}

Decimal numericArg(std::string_view fmt, const FormatArg& a, char type) {
    if (auto* f = std::get_if<Fixed4>(&a)) return decimalFromUnits(f->raw(), 4);
    if (auto* i = std::get_if<int64_t>(&a)) return decimalFromUnits(*i, 0);
    if (auto* d = std::get_if<double>(&a)) {
        if (!std::isfinite(*d)) return Decimal{};  // handled by the caller
        return decimalFromDouble(*d);
    }
    fail(fmt, std::string("%") + type + " con un argumento de tipo " + typeName(a));
}

std::string pad(std::string body, const Spec& sp, size_t signLen) {
    size_t len = utf8Length(body);
    if (sp.width < 0 || len >= static_cast<size_t>(sp.width)) return body;
    size_t fill = static_cast<size_t>(sp.width) - len;
    if (sp.left) return body + std::string(fill, ' ');
    if (sp.zero) return body.insert(signLen, fill, '0');
    return std::string(fill, ' ') + body;
}

std::string formatOne(std::string_view fmt, const Spec& sp, const FormatArg& a,
                      const NumberFormat& nf) {
    switch (sp.type) {
        case 's': {
            auto* s = std::get_if<std::string>(&a);
            if (!s) fail(fmt, std::string("%s con un argumento de tipo ") + typeName(a));
            std::string_view v = *s;
            if (sp.prec >= 0) v = utf8Prefix(v, static_cast<size_t>(sp.prec));
            Spec noZero = sp;
            noZero.zero = false;
            return pad(std::string(v), noZero, 0);
        }
        case 'd': {
            auto* i = std::get_if<int64_t>(&a);
            if (!i) fail(fmt, std::string("%d con un argumento de tipo ") + typeName(a));
            Decimal d = decimalFromUnits(*i, 0);
            if (sp.prec > 0 && d.digits.size() < static_cast<size_t>(sp.prec))
                d.digits.insert(0, static_cast<size_t>(sp.prec) - d.digits.size(), '0');
            return pad((d.negative ? "-" : "") + d.digits, sp, d.negative ? 1 : 0);
        }
        case 'f':
        case 'n':
        case 'm': {
            if (auto* dv = std::get_if<double>(&a); dv && !std::isfinite(*dv)) {
                Spec noZero = sp;
                noZero.zero = false;
                return pad(std::isnan(*dv) ? "NAN" : (*dv < 0 ? "-INF" : "INF"), noZero, 0);
            }
            Decimal d = numericArg(fmt, a, sp.type);
            int prec = sp.prec >= 0 ? sp.prec : (sp.type == 'm' ? nf.currencyDecimals : 2);
            std::string ip, fp;
            roundDecimal(d, prec, ip, fp);
            if (sp.type != 'f') ip = groupThousands(ip, nf.thousandsSeparator);
            std::string body = ip;
            if (prec > 0) body += (sp.type == 'f' ? std::string(".") : nf.decimalSeparator) + fp;
            if (sp.type == 'm') body = nf.currencySymbol + body;
            // No "-0.00": a value that rounds to zero prints without sign.
            bool negative = d.negative && (ip.find_first_not_of('0') != std::string::npos ||
                                           fp.find_first_not_of('0') != std::string::npos);
            if (negative) body.insert(0, "-");
            Spec sp2 = sp;
            if (sp.type == 'm') sp2.zero = false;
            return pad(body, sp2, negative ? 1 : 0);
        }
        default:
            fail(fmt, std::string("conversión desconocida %") + sp.type);
    }
}

// Reads a run of digits at fmt[i]; -1 when there are none.
int readNumber(std::string_view fmt, size_t& i) {
    if (i >= fmt.size() || fmt[i] < '0' || fmt[i] > '9') return -1;
    long v = 0;
    while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
        v = v * 10 + (fmt[i] - '0');
        if (v > 100000) fail(fmt, "número demasiado grande");
        ++i;
    }
    return static_cast<int>(v);
}

}  // namespace

const NumberFormat& reportNumberFormat() {
    return numberFormatSetting();
}

void setReportNumberFormat(const NumberFormat& nf) {
    numberFormatSetting() = nf;
}

// Syntax: "%" [index ":"] ["-"] ["0"] [width | "*"] ["." (prec | "*")] type. As in the
// classic Format, "N:" picks argument N (from 0) and the following specifiers go on from N + 1.
std::string formatText(std::string_view fmt, const std::vector<FormatArg>& args,
                       const NumberFormat& nf) {
    std::string out;
    size_t next = 0;
    auto take = [&](size_t idx) -> const FormatArg& {
        if (idx >= args.size())
            fail(fmt, "falta el argumento " + std::to_string(idx) + " (hay " +
                          std::to_string(args.size()) + ")");
        next = idx + 1;
        return args[idx];
    };
    auto starValue = [&]() -> int {
        const FormatArg& a = take(next);
        auto* i = std::get_if<int64_t>(&a);
        if (!i) fail(fmt, "'*' necesita un argumento entero");
        return static_cast<int>(*i);
    };
    for (size_t i = 0; i < fmt.size();) {
        char c = fmt[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        ++i;
        if (i < fmt.size() && fmt[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        Spec sp;
        size_t start = i;
        int n = readNumber(fmt, i);
        if (n >= 0 && i < fmt.size() && fmt[i] == ':') {
            next = static_cast<size_t>(n);
            ++i;
        } else {
            i = start;
        }
        if (i < fmt.size() && fmt[i] == '-') {
            sp.left = true;
            ++i;
        }
        if (i < fmt.size() && fmt[i] == '0') {
            sp.zero = true;
            ++i;
        }
        if (i < fmt.size() && fmt[i] == '*') {
            sp.width = starValue();
            ++i;
            if (sp.width < 0) {
                sp.left = true;
                sp.width = -sp.width;
            }
        } else {
            sp.width = readNumber(fmt, i);
        }
        if (i < fmt.size() && fmt[i] == '.') {
            ++i;
            if (i < fmt.size() && fmt[i] == '*') {
                sp.prec = starValue();
                ++i;
            } else {
                sp.prec = readNumber(fmt, i);
                if (sp.prec < 0) sp.prec = 0;
            }
        }
        if (i >= fmt.size()) fail(fmt, "especificador incompleto al final");
        sp.type = static_cast<char>(std::tolower(static_cast<unsigned char>(fmt[i])));
        ++i;
        if (sp.left) sp.zero = false;
        out += formatOne(fmt, sp, take(next), nf);
    }
    return out;
}

std::string smallValueText(double v, int width, int decimals, const NumberFormat& nf) {
    std::string spec = "%";  // (one step at a time: GCC 12 warns falsely on "%" + temporary)
    spec += std::to_string(width);
    spec += '.';
    const double a = std::fabs(v);
    // With `decimals` decimals the text is off by at most half a unit of the last one: within
    // a tenth of the value from 5 units up.
    if (a == 0.0 || !std::isfinite(a) || a >= 5.0 * std::pow(10.0, -decimals))
        return formatText(spec + std::to_string(decimals) + "n", {v}, nf);
    // Three significant digits.
    const int wanted = 2 - static_cast<int>(std::floor(std::log10(a)));
    const int room = width - (v < 0 ? 3 : 2);  // "0." and the sign
    if (wanted <= room) return formatText(spec + std::to_string(wanted) + "n", {v}, nf);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.*e", std::max(0, width - 7 - (v < 0 ? 1 : 0)), v);
    std::string body = buf;
    if (auto dot = body.find('.'); dot != std::string::npos)
        body.replace(dot, 1, nf.decimalSeparator);
    if (static_cast<int>(body.size()) < width)
        body.insert(0, static_cast<size_t>(width) - body.size(), ' ');
    return body;
}

std::string dualColumns(double perUnit) {
    return smallValueText(perUnit, 8, 2) + "  " + smallValueText(perUnit / 10.0, 8, 2) + "  " +
           smallValueText(perUnit / 100.0, 8, 2);
}

}  // namespace vexa
