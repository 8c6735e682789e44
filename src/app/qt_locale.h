#pragma once
// The user's decimal separator from the system locale (QLocale), read once at
// start-up for the decimal-comma flag. Header only; needs QtCore.

#include <QLocale>
#include <string>

#include "model/locale.h"

namespace zef {

class QtLocaleSource final : public LocaleSource {
public:
    // `locale` defaults to the user's system locale.
    explicit QtLocaleSource(QLocale locale = QLocale::system()) : locale_(std::move(locale)) {}
    std::string decimalSeparator() const override { return locale_.decimalPoint().toStdString(); }

private:
    QLocale locale_;
};

}  // namespace zef
