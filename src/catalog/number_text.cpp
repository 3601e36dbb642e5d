#include "catalog/number_text.h"

#include <cmath>

namespace vexa {

namespace {

bool isDigit(QChar c) {
    return c >= '0' && c <= '9';
}

bool isSpaceLike(QChar c) {
    return c == ' ' || c == QChar(0x00A0) || c == QChar(0x202F);
}

// The locale's group separator; locales that group with a (narrow) no-break space also
// take a plain one.
bool isGroupChar(QChar c, QChar group) {
    return c == group || (isSpaceLike(group) && isSpaceLike(c));
}

// Reads unsigned "digits[dec digits]" where the integer part is either plain digits or
// groups of exactly three digits after a first group of one to three (not starting with a
// zero) joined by `group`. Nothing else may be in the text.
std::optional<double> readForm(const QString& t, QChar dec, QChar group) {
    QString plain;
    int i = 0;
    const int n = t.size();
    // integer part
    QString first;
    while (i < n && isDigit(t.at(i))) first += t.at(i++);
    plain += first;
    while (i < n && isGroupChar(t.at(i), group) && t.at(i) != dec) {
        // A first group of one to three digits, not starting with 0.
        if (first.isEmpty() || first.size() > 3 || first.at(0) == '0') return std::nullopt;
        int j = i + 1;
        int k = 0;
        while (j < n && isDigit(t.at(j)) && k < 3) {
            plain += t.at(j++);
            ++k;
        }
        if (k != 3 || (j < n && isDigit(t.at(j)))) return std::nullopt;
        i = j;
    }
    bool anyDigit = !plain.isEmpty();
    if (i < n && t.at(i) == dec) {
        plain += '.';
        ++i;
        while (i < n && isDigit(t.at(i))) {
            plain += t.at(i++);
            anyDigit = true;
        }
    }
    if (i != n || !anyDigit) return std::nullopt;
    bool ok = false;
    double v = plain.toDouble(&ok);  // QString reads the C locale: "." only
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

}  // namespace

QChar localeDecimal(const QLocale& locale) {
    const QString d = locale.decimalPoint();
    return d.isEmpty() ? QChar('.') : d.at(0);
}

UserNumber parseUserNumber(const QString& text, const QLocale& locale) {
    QString t = text.trimmed();
    const QChar dec = localeDecimal(locale);
    const QString g = locale.groupSeparator();
    const QChar group = g.isEmpty() ? QChar(dec == '.' ? ',' : '.') : g.at(0);
    const std::string shown = t.toStdString();
    UserNumber out;
    double sign = 1;
    if (!t.isEmpty()) {
        const QChar c = t.at(0);
        const QString neg = locale.negativeSign();
        if (c == '-' || c == '+' || (!neg.isEmpty() && c == neg.at(0))) {
            sign = c == '+' ? 1 : -1;
            t.remove(0, 1);
        }
    }
    bool anyDigit = false;
    int points = 0, commas = 0, decs = 0, groups = 0;
    for (QChar c : t) {
        if (isDigit(c)) {
            anyDigit = true;
        } else if (c == dec) {
            ++decs;
            if (c == '.') ++points;
            if (c == ',') ++commas;
        } else if (c == '.' || c == ',' || isGroupChar(c, group)) {
            if (c == '.') ++points;
            if (c == ',') ++commas;
            if (isGroupChar(c, group)) ++groups;
        } else {
            out.error = "\"" + shown + "\" no es un número.";
            return out;
        }
    }
    if (!anyDigit) {
        out.error = "Escriba un número.";
        out.partial = true;
        return out;
    }
    auto toLocale = [&](double v) {
        QLocale l = locale;
        l.setNumberOptions(QLocale::OmitGroupSeparator);
        return l.toString(sign * v, 'g', 15).toStdString();
    };
    if (auto v = readForm(t, dec, group)) {
        out.value = sign * *v;
        return out;
    }
    const std::string decText = QString(dec).toStdString();
    const std::string advice =
        " Escriba los decimales tras \"" + decText + "\", sin separador de miles.";
    // A single "." or "," that is neither the locale's decimal separator nor (in a valid
    // place) its group separator: a decimal separator typed from habit or another locale.
    const QChar other = dec == ',' ? QChar('.') : QChar(',');
    const int others = other == '.' ? points : commas;
    if (decs == 0 && others == 1 && groups == (isGroupChar(other, group) ? 1 : 0)) {
        QString asPoint = t;
        asPoint.replace(other, '.');
        auto v = readForm(asPoint, '.', QChar(0));
        if (v) {
            // Where the locale does not group with this character, it may still be an
            // English-style thousands separator: that reads two ways.
            if (!isGroupChar(other, group)) {
                if (auto thousands = readForm(t, QChar(0), other)) {
                    out.error = "El número \"" + shown + "\" se puede leer como " + toLocale(*v) +
                                " o como " + toLocale(*thousands) + "." + advice;
                    out.partial = true;
                    return out;
                }
            }
            out.value = sign * *v;
            out.reinterpreted = true;
            return out;
        }
    }
    // The other convention's full form ("1,234.5" in Spain): not taken, the user is shown
    // what it would mean.
    if (auto v = readForm(t, other, dec); v && decs > 0) {
        out.error = "El número \"" + shown + "\" no sigue la forma de su configuración regional" +
                    " (decimales tras \"" + decText + "\"): ¿quiso decir " + toLocale(*v) + "?" +
                    advice;
        out.partial = true;
        return out;
    }
    out.error = decs + others > 1
                    ? "El número \"" + shown +
                          "\" no es válido: tiene más de un separador decimal." + advice
                    : "El número \"" + shown + "\" no es válido." + advice;
    out.partial = true;  // the user can still take a separator away
    return out;
}

QString formatUserNumber(double v, int decimals, const QLocale& locale) {
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l.toString(v, 'f', decimals);
}

}  // namespace vexa
