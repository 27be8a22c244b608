// The line format shared by scene files, session scripts and the settings
// file: one statement a line, words separated by blanks, "double quotes"
// around words with blanks (\" and \\ inside them stand for " and \), '#'
// starting a comment outside quotes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct RefLine {
    int number = 0;  // 1-based
    std::vector<std::string> words;
};

struct RefLineFile {
    bool good = false;
    std::string error;  // "file:line: what", when not good
    std::vector<RefLine> lines;  // non-empty lines only
};

// Reads and splits `path`; a directory, an unreadable file or an unterminated
// quote fails. A UTF-8 byte-order mark at the start is skipped.
RefLineFile refReadLines(const std::string& path);
RefLineFile refSplitLines(std::string_view text, const std::string& name);

// Numbers of a statement: false unless the whole word is a finite decimal
// number ("-1.5e-3"; subnormals too) or integer. Hex forms, "inf", "nan" and
// words with a NUL byte are not numbers.
bool refParseDouble(const std::string& word, double* value);
bool refParseInt(const std::string& word, int* value);

// `word` in double quotes, escaped so that it reads back as itself.
std::string refQuote(const std::string& word);

// The text with every byte that is a control character or starts no
// well-formed UTF-8 sequence written as \xNN, so messages never echo raw binary.
std::string refPrintable(std::string_view text);

// "path: reason" for a file that cannot be used: the OS's reason for `error`
// (an errno value), or "Is a directory" for a folder.
std::string refFileProblem(const std::string& path, int error);

// The whole file at `path`. A missing or unreadable file, a folder, or a
// device, pipe or socket (which may never end) fails with "cannot read
// path: reason" in `error`.
bool refReadText(const std::string& path, std::string& text, std::string& error);

// "name:line: message", printable.
std::string refLineError(const std::string& name, int line, const std::string& message);
