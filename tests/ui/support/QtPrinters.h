#pragma once
// Readable GoogleTest output for Qt texts (found through argument-dependent lookup, hence in the
// global namespace with QString itself).

#include <QString>

#include <ostream>

inline void PrintTo(const QString& p_strText, std::ostream* p_Stream) {
    *p_Stream << '"' << p_strText.toStdString() << '"';
}
