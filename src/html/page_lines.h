// A saved page as a list of lines, the form in which the tokenizer reads it.
// The bytes are cut at CR LF, at a lone LF and at a lone CR; the line-end bytes are not
// kept; the text ends at the first NUL byte. A line end at the very end does not start
// another (empty) line, so "a\n" is one line and "a\n\n" two.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kasumido {

std::vector<std::string> SplitPageLines(std::string_view bytes);

// Reads the whole file at `path` and splits it as above into `lines` (replacing what was
// there). False, with `lines` untouched, when the file cannot be opened or read (also
// for a folder).
bool LoadPageLines(const std::string& path, std::vector<std::string>& lines);

}  // namespace kasumido
