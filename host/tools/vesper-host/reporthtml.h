// Pieces of the report page: escaping, embedded pictures, and the blocks of a
// transcript that read better as a table or a chart.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The lines of a transcript, without their line ends.
std::vector<std::string> linesOf(const std::string& text);
std::string htmlEscape(std::string_view text);
// An <img> holding the file's bytes as a data URI; a note when it cannot be read.
std::string embeddedPicture(const std::string& path, const std::string& caption);

// The transcript as HTML: "panel:" dumps become tables, "fit:" dumps bar
// charts of the residuals, the rest stays preformatted text.
std::string transcriptHtml(const std::string& transcript);
