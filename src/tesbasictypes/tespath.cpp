#include "tespath.h"

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "os/nativefile.h"

namespace {

constexpr char16_t kSeparator = u'\\';
constexpr char16_t kAltSeparator = u'/';
constexpr char16_t kDriveMark = u':';
constexpr char16_t kDot = u'.';
constexpr char16_t kCurrentDirectory[] = u".\\";
constexpr std::u16string_view kDotDot = u"\\..\\";
constexpr std::u16string_view kAltDotDot = u"/../";
constexpr size_t kNone = std::u16string_view::npos;

bool isSeparator(char16_t unit) { return unit == kSeparator || unit == kAltSeparator; }
bool isLetter(char16_t unit) { return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z'); }

std::u16string_view view(const TesString& path) { return path; }

TesString toTesString(std::u16string_view units) {
    return TesString(units.data(), static_cast<int32_t>(units.size()));
}

size_t lastSeparator(std::u16string_view path) { return path.find_last_of(u"\\/"); }

// The position of the extension's dot, or kNone.
size_t extensionDot(std::u16string_view path) {
    const size_t dot = path.rfind(kDot);
    const size_t separator = lastSeparator(path);
    if (dot == kNone || (separator != kNone && dot < separator)) return kNone;
    return dot;
}

void normalizeUnits(std::u16string& path) {
    if (path.size() >= 4 && path[0] == kAltSeparator && path[1] == kAltSeparator && path[3] == kAltSeparator) {
        path = std::u16string{path[2], kDriveMark, kSeparator} + path.substr(4);
    }
    for (char16_t& unit : path) {
        if (unit == kAltSeparator) unit = kSeparator;
    }
    while (path.size() > 1 && path.back() == kSeparator) path.pop_back();
}

// One "dir\..": the start of the pair to remove and the end of its "..", or
// false when there is none.
bool findDotDotPair(std::u16string_view path, size_t* from, size_t* to) {
    size_t dotDot = path.find(kDotDot);
    if (dotDot == kNone) dotDot = path.find(kAltDotDot);
    if (dotDot == kNone) return false;
    const std::u16string_view before = path.substr(0, dotDot);
    size_t separator = before.rfind(kSeparator);
    if (separator == kNone) separator = before.rfind(kAltSeparator);
    if (separator == kNone) return false;
    *from = separator;
    *to = dotDot + kDotDot.size() - 1;
    return true;
}

// The number of dots (1 or 2) of a leading "." or ".." component, else 0.
size_t leadingDots(std::u16string_view path) {
    const size_t dots = path.find_first_not_of(kDot);
    const size_t count = dots == kNone ? path.size() : dots;
    if (count == 0 || count > 2) return 0;
    return count == path.size() || isSeparator(path[count]) ? count : 0;
}

// Wildcard matching runs a set of states: a state is a pattern position, and
// position n (the pattern's length) accepts. An active "*" position brings
// the next one along, so stars never need a text unit of their own.

// Ranges compare units as unsigned numbers: bytes 0x80..0xFF sort last.
uint32_t code(char unit) { return static_cast<unsigned char>(unit); }
uint32_t code(char16_t unit) { return unit; }

template <class Unit>
bool inSet(std::basic_string_view<Unit> pattern, size_t from, size_t to, Unit unit) {
    for (size_t i = from; i < to;) {
        if (i + 2 < to && pattern[i + 1] == Unit('-')) {
            if (code(pattern[i]) <= code(unit) && code(unit) <= code(pattern[i + 2])) return true;
            i += 3;
        } else {
            if (pattern[i] == unit) return true;
            ++i;
        }
    }
    return false;
}

// The position that `unit` leads to from the position p, which holds no "*";
// `close` is the "]" of a "[" at p, or kNone. kNone when the unit does not fit.
template <class Unit>
size_t stepFrom(std::basic_string_view<Unit> pattern, size_t p, size_t close, Unit unit) {
    const Unit symbol = pattern[p];
    if (symbol == Unit('?')) return p + 1;
    if (symbol == Unit('[') && close != kNone) return inSet(pattern, p + 1, close, unit) ? close + 1 : kNone;
    return symbol == unit ? p + 1 : kNone;
}

// Patterns below 64 units: the states are the bits of one word.
constexpr size_t kShortPattern = 63;

uint64_t withStarSuccessors(uint64_t states, uint64_t stars) {
    for (uint64_t added = (states & stars) << 1; (added & ~states) != 0; added = (added & stars) << 1) states |= added;
    return states;
}

template <class Unit>
bool matchShort(std::basic_string_view<Unit> pattern, std::basic_string_view<Unit> text) {
    constexpr uint8_t kNoClose = 0xFF;
    const size_t size = pattern.size();
    uint8_t closeOf[kShortPattern];
    uint64_t stars = 0;
    uint8_t close = kNoClose;
    for (size_t i = size; i-- > 0;) {
        const Unit symbol = pattern[i];
        if (symbol == Unit(']')) close = static_cast<uint8_t>(i);
        closeOf[i] = symbol == Unit('[') ? close : kNoClose;
        if (symbol == Unit('*')) stars |= uint64_t{1} << i;
    }
    const uint64_t accept = uint64_t{1} << size;
    // A pattern ending in "*" accepts any rest once that star is active.
    const uint64_t finalStar = stars & (accept >> 1);
    uint64_t states = withStarSuccessors(1, stars);
    for (Unit unit : text) {
        if ((states & finalStar) != 0) return true;
        uint64_t next = states & stars;
        for (uint64_t moving = states & ~stars & ~accept; moving != 0; moving &= moving - 1) {
            const auto p = static_cast<size_t>(std::countr_zero(moving));
            const size_t target = stepFrom(pattern, p, closeOf[p] == kNoClose ? kNone : closeOf[p], unit);
            if (target != kNone) next |= uint64_t{1} << target;
        }
        if (next == 0) return false;
        states = withStarSuccessors(next, stars);
    }
    return (states & accept) != 0;
}

// Longer patterns: lists of active positions, marked with the step that
// activated them.
template <class Unit>
class LongMatcher {
public:
    explicit LongMatcher(std::basic_string_view<Unit> pattern)
        : pattern_(pattern), size_(pattern.size()), closeOf_(size_), stamp_(size_ + 1, 0), current_(size_ + 1),
          next_(size_ + 1) {
        size_t close = kNone;  // for every "[" the first "]" after it
        for (size_t i = size_; i-- > 0;) {
            if (pattern_[i] == Unit(']')) close = i;
            closeOf_[i] = pattern_[i] == Unit('[') ? close : kNone;
        }
    }

    bool matches(std::basic_string_view<Unit> text) {
        size_t step = 1;
        size_t currentCount = 0;
        activate(current_, currentCount, 0, step);
        for (Unit unit : text) {
            ++step;
            size_t nextCount = 0;
            for (size_t i = 0; i < currentCount; ++i) advance(current_[i], unit, nextCount, step);
            if (nextCount == 0) return false;
            current_.swap(next_);
            currentCount = nextCount;
        }
        return stamp_[size_] == step;
    }

private:
    void activate(std::vector<size_t>& list, size_t& count, size_t position, size_t step) {
        while (stamp_[position] != step) {
            stamp_[position] = step;
            list[count++] = position;
            if (position == size_ || pattern_[position] != Unit('*')) break;
            ++position;
        }
    }

    void advance(size_t position, Unit unit, size_t& nextCount, size_t step) {
        if (position == size_) return;
        const size_t target =
            pattern_[position] == Unit('*') ? position : stepFrom(pattern_, position, closeOf_[position], unit);
        if (target != kNone) activate(next_, nextCount, target, step);
    }

    std::basic_string_view<Unit> pattern_;
    size_t size_;
    std::vector<size_t> closeOf_;
    std::vector<size_t> stamp_;  // the step in which a position became active
    std::vector<size_t> current_;
    std::vector<size_t> next_;
};

template <class Unit>
bool isWildcardSymbol(Unit unit) {
    return unit == Unit('*') || unit == Unit('?') || unit == Unit('[') || unit == Unit(']');
}

// A match must spell out the pattern's literal units before its first and
// after its last "*", "?", "[" or "]": each of those positions is reached
// only from the one before it, by that very unit. Checking both ends first
// turns most misses away before the states are set up.
template <class Unit>
bool literalEndsFit(std::basic_string_view<Unit> pattern, std::basic_string_view<Unit> text) {
    size_t head = 0;
    for (; head < pattern.size() && !isWildcardSymbol(pattern[head]); ++head) {
        if (head >= text.size() || text[head] != pattern[head]) return false;
    }
    if (head == pattern.size()) return true;  // no wildcard: the matcher compares the lengths
    for (size_t p = pattern.size(), t = text.size(); !isWildcardSymbol(pattern[p - 1]); --p, --t) {
        if (t == 0 || text[t - 1] != pattern[p - 1]) return false;
    }
    return true;
}

template <class Unit>
bool matchWildcard(std::basic_string_view<Unit> pattern, std::basic_string_view<Unit> text) {
    if (!literalEndsFit(pattern, text)) return false;
    if (pattern.size() <= kShortPattern) return matchShort(pattern, text);
    return LongMatcher<Unit>(pattern).matches(text);
}

}  // namespace

namespace TesPath {

void normalize(TesString& path) {
    std::u16string units(view(path));
    normalizeUnits(units);
    if (units != view(path)) path = toTesString(units);
}

bool collapseDotDot(TesString& path) {
    std::u16string units(view(path));
    size_t from = 0;
    size_t to = 0;
    bool changed = false;
    while (findDotDotPair(units, &from, &to)) {
        units.erase(from, to - from);
        changed = true;
    }
    if (changed) path = toTesString(units);
    return changed;
}

TesString parentDirectory(const TesString& path) {
    const std::u16string_view units = view(path);
    if (units.empty()) {
        TesString current(kCurrentDirectory);
        normalize(current);
        return current;
    }
    const size_t separator = lastSeparator(units);
    if (separator == kNone) return TesString(kCurrentDirectory);
    if (separator == 0) return rootPath();
    return toTesString(units.substr(0, separator));
}

TesString fileName(const TesString& path, bool keepExtension) {
    std::u16string_view units = view(path);
    if (!keepExtension) {
        const size_t dot = extensionDot(units);
        if (dot != kNone) units = units.substr(0, dot);
    }
    const size_t separator = lastSeparator(units);
    return toTesString(separator == kNone ? units : units.substr(separator + 1));
}

TesString extension(const TesString& path) {
    const std::u16string_view units = view(path);
    const size_t dot = extensionDot(units);
    return dot == kNone ? TesString() : toTesString(units.substr(dot + 1));
}

void replaceExtension(TesString& path, const TesString& text) {
    const size_t dot = extensionDot(view(path));
    if (dot == kNone) {
        path += text;
    } else {
        path.replace(static_cast<int32_t>(dot), path.length(), text.c_str());
    }
}

TesString withDriveRoot(const TesString& path) {
    const std::u16string_view units = view(path);
    if (units.size() == 2 && units[1] == kDriveMark) return path + rootPath();
    return path;
}

TesString rootPath() { return TesString(kSeparator); }

bool isAbsolute(const TesString& path) {
    const std::u16string_view units = view(path);
    if (units.empty()) return false;
    // Only the library's own separator: "/x" is absolute once normalised to "\x".
    return units[0] == kSeparator || (units.size() >= 2 && isLetter(units[0]) && units[1] == kDriveMark);
}

bool isRelative(const TesString& path) { return !isAbsolute(path); }

bool makeAbsolute(TesString& path) {
    if (isAbsolute(path)) return true;
    std::string native;
    if (!tesOsCurrentDirectory(&native)) return false;
    TesString directory = TesString::fromUtf8(native);
    normalize(directory);
    std::u16string_view rest = view(path);
    for (size_t dots = leadingDots(rest); dots > 0; dots = leadingDots(rest)) {
        if (dots == 2) directory = parentDirectory(directory);
        rest.remove_prefix(dots < rest.size() ? dots + 1 : dots);
    }
    if (!isSeparator(directory.at(directory.length() - 1))) directory += kSeparator;
    directory.append(rest.data(), static_cast<int32_t>(rest.size()));
    normalize(directory);
    path = directory;
    return true;
}

bool wildcardMatch(std::string_view pattern, std::string_view text) {
    return matchWildcard<char>(pattern, text);
}

bool wildcardMatch(std::u16string_view pattern, std::u16string_view text) {
    return matchWildcard<char16_t>(pattern, text);
}

}  // namespace TesPath
