#pragma once
// The line model in which a file's text is searched: a line ends at CR LF, at a lone CR or at a
// lone LF, and the model's text is the lines each followed by CR LF. A rewrite changes only the
// stretches that matched in the model, so the file keeps its own breaks; the model's positions
// are taken back to the file's text for that. Pure, no I/O.

#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// The lines of the text, without their breaks. A break at the very end starts no further line;
// an empty text has no lines; LF followed by CR is two breaks with an empty line between. The
// views point into p_strText.
std::vector<std::u16string_view> SplitLines(std::u16string_view p_strText);

// The lines of the text joined, every line followed by CR LF, the last one included; an empty
// text stays empty. Same result as joining SplitLines, in one pass.
std::u16string NormalizeLineBreaks(std::u16string_view p_strText);

// The break a file writes its lines with: its first one (CR LF, a lone LF or a lone CR), or CR LF
// when it has none. Breaks that a replacement brings are written in it.
std::u16string_view LineBreakStyle(std::u16string_view p_strText);
std::string_view LineBreakStyle(std::string_view p_strBytes);

// The text with each of its breaks (CR LF, a lone CR, a lone LF) written as p_strBreak.
std::u16string WithLineBreaks(std::u16string_view p_strText, std::u16string_view p_strBreak);

// The model's text of a text, made a piece at a time, so that a large file's model never has to
// be held whole beside the file's own text.
class TLineModelPieces {
public:
    // p_strText must outlive this object.
    explicit TLineModelPieces(std::u16string_view p_strText) : g_strText(p_strText) {}

    // Appends the next p_intUnits units of the model's text (one more to finish a CR LF) to
    // p_strPiece. False, appending nothing, once the model's text has been given whole.
    bool AppendNext(std::u16string& p_strPiece, std::size_t p_intUnits);

private:
    std::u16string_view g_strText;
    std::size_t g_intPosition = 0;
    bool g_IsEnded = false;
};

// Takes positions in the model's text back to the text, for positions that never decrease from
// one call to the next (the starts and ends of occurrences taken left to right).
class TLineModelMap {
public:
    // p_strText must outlive this object.
    explicit TLineModelMap(std::u16string_view p_strText);

    // Inside a line, or at its break's ends, a model position has one place in the text. Between
    // the CR and the LF of a model break the text's break is kept whole: a stretch that starts
    // there starts after it (p_IsEnd false), one that ends there ends before it. So a break of
    // the file is replaced only by a stretch that holds all of it in the model; the final line's
    // missing break is an empty one at the text's end.
    std::size_t ToTextPosition(std::size_t p_intModelPosition, bool p_IsEnd);

private:
    void TakeLine();

    std::u16string_view g_strText;
    std::size_t g_intModelStart = 0;  // where the current line starts in the model
    std::size_t g_intTextStart = 0;   // and in the text
    std::size_t g_intLength = 0;      // its length without its break
    std::size_t g_intBreakLength = 0; // its break in the text: 2, 1, or 0 at the end
};

} // namespace morvane
