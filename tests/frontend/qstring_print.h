// GoogleTest shows QStrings as text, not as the bytes of the object.
#pragma once

#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
