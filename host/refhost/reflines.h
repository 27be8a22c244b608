// The line format shared by scene files, session scripts and the settings
// file: one statement a line, words separated by blanks, "double quotes"
// around words with blanks (\" and \\ inside them stand for " and \), '#'
// starting a comment outside quotes.
#pragma once

#include <string>
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

// Reads and splits `path`; an unreadable file or an unterminated quote fails.
RefLineFile refReadLines(const std::string& path);
RefLineFile refSplitLines(const std::string& text, const std::string& name);

// Numbers of a statement: false when a word is not a complete number.
bool refParseDouble(const std::string& word, double* value);
bool refParseInt(const std::string& word, int* value);

// `word` in double quotes, escaped so that it reads back as itself.
std::string refQuote(const std::string& word);

// "name:line: message".
std::string refLineError(const std::string& name, int line, const std::string& message);
