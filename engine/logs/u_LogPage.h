#pragma once
// Log page files: the lines of process records, 5000 to a page, that the result pager reads back.
// UTF-8 with a byte-order mark, CR LF after every line. Free functions, callable on any thread.

#include <cstdint>
#include <string>
#include <vector>

namespace morvane {

// One record's line: sequence, status, encoding name and file name joined by "|", and in replace
// mode (p_intMode 1 exactly) a fifth field with the failure reason, possibly empty; in find mode
// the fifth field is there only when there is a reason (a file that could not be read). Fields
// are joined as given: the name and the reason arrive escaped (EscapeName, u_NameEscape), so
// that neither holds a "|", CR or LF.
std::u16string BuildLogLine(std::int32_t p_intMode, std::int32_t p_intSequence,
                            const std::u16string& p_strStatus,
                            const std::u16string& p_strEncodingName,
                            const std::u16string& p_strFileName,
                            const std::u16string& p_strErrorMessage);

// The logs folder (without a trailing separator), "/", the page number zero-padded to at least six
// digits, ".txt": page 1 is ".../000001.txt".
std::u16string LogPageFileName(const std::u16string& p_strLogsDirectory, std::int32_t p_intPage);

// Writes the page whole. A reader never sees a half-written page and a failure never damages the
// page that was there: the content goes to a temporary file in the same folder and is then renamed
// onto the page's name. p_IsDurable: the content (and then the rename) is flushed to disk first,
// so that not even a crash can leave an empty page; replace tasks want that, as their pages are
// the only account of which files were changed, while a find task's pages can be made again and
// are not worth a wait for the disk. Throws TEngineError, naming the file and the reason, when
// the page cannot be written; no temporary file is left behind then.
void WriteLogPageFile(const std::u16string& p_strFileName,
                      const std::vector<std::u16string>& p_arrLines, bool p_IsDurable = true);

// Reads a page back: false when it does not exist or cannot be read. A leading UTF-8 mark is
// skipped; lines end at CR LF, a lone CR or a lone LF; a break at the very end starts no further
// line. Ill-formed UTF-8 becomes U+FFFD rather than failing the page.
bool ReadLogPageFile(const std::u16string& p_strFileName, std::vector<std::u16string>& p_arrLines);

} // namespace morvane
