// Showing a document to the user: a copy of it as UTF-8 text in a private
// temporary file, handed to a pager on a terminal or to the desktop's opener.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace offline {

// The program's UTF-16LE text (a byte-order mark skipped, line ends without
// their carriage returns) as UTF-8.
std::string ViewerText(const std::vector<std::uint8_t>& bytes);

// Writes `text` to a new private temporary file; its path, or nothing.
std::optional<std::string> WriteViewerCopy(const std::string& text);

enum class ViewerStart { kStarted, kNotStarted, kNoProcess };

// Starts ${PAGER:-less} on `path` (which then has the terminal, and is waited
// for; the copy is removed afterwards) or, without a terminal, xdg-open (not
// waited for). kNotStarted when the program could not be executed (the copy
// is removed), kNoProcess when no process could be made.
ViewerStart StartViewer(const std::string& path, bool onTerminal);

}  // namespace offline
