#include "reporthtml.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

std::string base64(const std::string& bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t left = bytes.size() - i;
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (left > 1) group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        if (left > 2) group |= static_cast<uint8_t>(bytes[i + 2]);
        out += kDigits[(group >> 18) & 63];
        out += kDigits[(group >> 12) & 63];
        out += left > 1 ? kDigits[(group >> 6) & 63] : '=';
        out += left > 2 ? kDigits[group & 63] : '=';
    }
    return out;
}

bool indented(const std::string& line) { return line.starts_with("  "); }

// A panel dump: "standard ..." lines, then controls, nested ones indented.
bool panelLine(const std::string& line) { return indented(line) || line.starts_with("standard ") ||
                                                 line.starts_with("group "); }

std::string panelTable(const std::vector<std::string>& lines, size_t& at) {
    std::string html = "<table class=\"panel\"><tr><th>control</th><th>id</th><th>key and state</th></tr>\n";
    for (; at < lines.size() && panelLine(lines[at]); ++at) {
        const std::string& line = lines[at];
        const size_t depth = line.find_first_not_of(' ') / 2;
        std::istringstream words(line);
        std::string kind, id, rest;
        words >> kind >> id;
        std::getline(words, rest);
        html += "<tr><td style=\"padding-left:" + std::to_string(depth * 1.5 + 0.3) + "em\">" + htmlEscape(kind) +
                "</td><td>" + htmlEscape(id) + "</td><td>" + htmlEscape(rest) + "</td></tr>\n";
    }
    return html + "</table>\n";
}

// "fit: N pairs, rms R" and "  i: residual" lines.
std::string fitChart(const std::vector<std::string>& lines, size_t& at) {
    std::vector<double> residuals;
    for (; at < lines.size() && indented(lines[at]); ++at) {
        const size_t colon = lines[at].find(':');
        residuals.push_back(colon == std::string::npos ? 0.0 : std::strtod(lines[at].c_str() + colon + 1, nullptr));
    }
    double largest = 0;
    for (double r : residuals) largest = std::max(largest, r);
    constexpr int kBarHeight = 18, kWidth = 420, kLabel = 40;
    std::string svg = "<svg class=\"fit\" width=\"" + std::to_string(kWidth + kLabel + 90) + "\" height=\"" +
                      std::to_string(kBarHeight * residuals.size() + 4) + "\">\n";
    for (size_t i = 0; i < residuals.size(); ++i) {
        const double share = largest > 0 ? residuals[i] / largest : 0;
        const int y = static_cast<int>(i) * kBarHeight;
        char value[32];
        std::snprintf(value, sizeof value, "%.6f", residuals[i]);
        svg += "<text x=\"0\" y=\"" + std::to_string(y + 13) + "\">pair " + std::to_string(i + 1) + "</text>";
        svg += "<rect x=\"" + std::to_string(kLabel + 10) + "\" y=\"" + std::to_string(y + 2) + "\" width=\"" +
               std::to_string(static_cast<int>(share * kWidth) + 1) + "\" height=\"" + std::to_string(kBarHeight - 4) +
               "\"/>";
        svg += "<text x=\"" + std::to_string(kLabel + 16 + static_cast<int>(share * kWidth)) + "\" y=\"" +
               std::to_string(y + 13) + "\">" + value + "</text>\n";
    }
    return svg + "</svg>\n";
}

}  // namespace

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string embeddedPicture(const std::string& path, const std::string& caption) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) return "<p class=\"missing\">" + htmlEscape(caption) + ": cannot be read</p>\n";
    return "<figure><img alt=\"" + htmlEscape(caption) + "\" src=\"data:image/png;base64," + base64(bytes) +
           "\"><figcaption>" + htmlEscape(caption) + "</figcaption></figure>\n";
}

std::string transcriptHtml(const std::string& transcript) {
    const std::vector<std::string> lines = linesOf(transcript);
    std::string html, text;
    const auto flush = [&html, &text] {
        if (!text.empty()) html += "<pre>" + htmlEscape(text) + "</pre>\n";
        text.clear();
    };
    for (size_t at = 0; at < lines.size();) {
        const std::string& line = lines[at++];
        if (line == "panel:") {
            flush();
            html += panelTable(lines, at);
        } else if (line.starts_with("fit: ") && line != "fit: none") {
            text += line + "\n";
            flush();
            html += fitChart(lines, at);
        } else {
            text += line + "\n";
        }
    }
    flush();
    return html;
}
