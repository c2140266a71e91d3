#pragma once
// Helpers shared by the text tests: the shared encoding vectors (TSV files with a "#" preamble
// and a header row) and small conversions for writing expected values.

#include "AnsiCodePageScope.h"
#include "text/u_AnsiCodePage.h"

#include <cstddef>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::test {

inline std::string EncodingDataPath(std::string_view p_strFileName) {
    return std::string(MORVANE_TESTDATA_DIR) + "/encoding/" + std::string(p_strFileName);
}

inline std::string ReadWholeFile(const std::string& p_strPath) {
    std::ifstream m_File(p_strPath, std::ios::binary);
    if (!m_File) {
        throw std::runtime_error("cannot open " + p_strPath);
    }
    return std::string(std::istreambuf_iterator<char>(m_File), std::istreambuf_iterator<char>());
}

inline std::vector<std::string> SplitText(std::string_view p_strText, char p_intSeparator) {
    std::vector<std::string> m_arrParts;
    std::size_t m_intStart = 0;
    for (;;) {
        const std::size_t m_intEnd = p_strText.find(p_intSeparator, m_intStart);
        m_arrParts.emplace_back(p_strText.substr(m_intStart, m_intEnd - m_intStart));
        if (m_intEnd == std::string_view::npos) {
            return m_arrParts;
        }
        m_intStart = m_intEnd + 1;
    }
}

// Lines without their LF (or CR LF); no empty last line for a final break.
inline std::vector<std::string> SplitFileLines(std::string_view p_strText) {
    std::vector<std::string> m_arrLines = SplitText(p_strText, '\n');
    if (!m_arrLines.empty() && m_arrLines.back().empty()) {
        m_arrLines.pop_back();
    }
    for (std::string& m_strLine : m_arrLines) {
        if (!m_strLine.empty() && m_strLine.back() == '\r') {
            m_strLine.pop_back();
        }
    }
    return m_arrLines;
}

// A tab-separated table: lines starting with "#" are notes, the first other line names the
// columns, every further line is a row (missing trailing cells read as empty).
class TTsvTable {
public:
    explicit TTsvTable(std::string_view p_strFileName) {
        for (const std::string& m_strLine :
             SplitFileLines(ReadWholeFile(EncodingDataPath(p_strFileName)))) {
            if (m_strLine.starts_with("#")) {
                continue;
            }
            std::vector<std::string> m_arrCells = SplitText(m_strLine, '\t');
            if (g_arrColumns.empty()) {
                g_arrColumns = std::move(m_arrCells);
            } else {
                m_arrCells.resize(g_arrColumns.size());
                g_arrRows.push_back(std::move(m_arrCells));
            }
        }
    }

    std::size_t RowCount() const { return g_arrRows.size(); }

    const std::string& Cell(std::size_t p_intRow, std::string_view p_strColumn) const {
        for (std::size_t m_intColumn = 0; m_intColumn < g_arrColumns.size(); ++m_intColumn) {
            if (g_arrColumns[m_intColumn] == p_strColumn) {
                return g_arrRows.at(p_intRow).at(m_intColumn);
            }
        }
        throw std::runtime_error("no column " + std::string(p_strColumn));
    }

private:
    std::vector<std::string> g_arrColumns;
    std::vector<std::vector<std::string>> g_arrRows;
};

inline std::string HexToBytes(std::string_view p_strHex) {
    std::string m_strBytes;
    for (std::size_t m_intIndex = 0; m_intIndex + 1 < p_strHex.size(); m_intIndex += 2) {
        m_strBytes.push_back(
            static_cast<char>(std::stoi(std::string(p_strHex.substr(m_intIndex, 2)), nullptr, 16)));
    }
    return m_strBytes;
}

// "D800 0041" to the two code units; an empty text to no units.
inline std::u16string UnitsFromHexList(std::string_view p_strUnits) {
    std::u16string m_strText;
    for (const std::string& m_strUnit : SplitText(p_strUnits, ' ')) {
        if (!m_strUnit.empty()) {
            m_strText.push_back(static_cast<char16_t>(std::stoi(m_strUnit, nullptr, 16)));
        }
    }
    return m_strText;
}

// "U+20AC" to its code unit (BMP only).
inline char16_t UnitFromCodePointText(std::string_view p_strCodePoint) {
    return static_cast<char16_t>(std::stoi(std::string(p_strCodePoint.substr(2)), nullptr, 16));
}

} // namespace morvane::test
