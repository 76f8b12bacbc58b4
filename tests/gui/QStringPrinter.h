#pragma once

#include <ostream>

#include <QString>

// GoogleTest shows a QString as its text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
