#include "catalog/number_text.h"

namespace vexa {

namespace {

bool isSeparator(QChar c, QChar decimal) {
    return c == '.' || c == ',' || c == decimal;
}

}  // namespace

UserNumber parseUserNumber(const QString& text, const QLocale& locale) {
    const QString t = text.trimmed();
    const QString dec = locale.decimalPoint();
    const QChar decimal = dec.isEmpty() ? QChar('.') : dec.at(0);
    const std::string shown = t.toStdString();
    const std::string sep = QString(decimal).toStdString();
    UserNumber out;
    QString digits;  // sign, digits and at most one "." for the C-locale reading below
    int separators = 0;
    bool point = false, comma = false, other = false, anyDigit = false;
    for (int i = 0; i < t.size(); ++i) {
        QChar c = t.at(i);
        if (i == 0 && (c == '-' || c == '+' || c == locale.negativeSign().front())) {
            digits += c == '+' ? '+' : '-';
        } else if (c >= '0' && c <= '9') {
            digits += c;
            anyDigit = true;
        } else if (isSeparator(c, decimal)) {
            ++separators;
            (c == '.' ? point : c == ',' ? comma : other) = true;
            digits += '.';
        } else {
            out.error = "\"" + shown + "\" no es un número.";
            return out;
        }
    }
    const std::string advice =
        " Escriba los decimales tras una sola \"" + sep + "\", sin separador de miles.";
    if ((point && comma) || (other && (point || comma))) {
        out.error =
            "El número \"" + shown + "\" no es válido: lleva \".\" y \",\" a la vez." + advice;
        out.partial = true;  // the user can still take one away
        return out;
    }
    if (separators > 1) {
        out.error =
            "El número \"" + shown + "\" no es válido: tiene más de un separador decimal." + advice;
        out.partial = true;
        return out;
    }
    if (!anyDigit) {
        out.error = "Escriba un número.";
        out.partial = true;
        return out;
    }
    bool ok = false;
    double v = digits.toDouble(&ok);  // QString reads the C locale: "." only
    if (!ok) {
        out.error = "\"" + shown + "\" no es un número.";
        return out;
    }
    out.value = v;
    return out;
}

QString formatUserNumber(double v, int decimals, const QLocale& locale) {
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return l.toString(v, 'f', decimals);
}

}  // namespace vexa
