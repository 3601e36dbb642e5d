#pragma once
// The default locale for the life of a test.
#include <QLocale>

namespace vexa::test {

class LocaleScope {
public:
    explicit LocaleScope(const char* name) { QLocale::setDefault(QLocale(name)); }
    ~LocaleScope() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

}  // namespace vexa::test
