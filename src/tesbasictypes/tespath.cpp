#include "tespath.h"

#include <cstdint>
#include <string>
#include <utility>
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
// Patterns up to this length match without a heap allocation.
constexpr size_t kInlinePositions = 128;

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

// Ranges compare units as unsigned numbers: bytes 0x80..0xFF sort last.
uint32_t code(char unit) { return static_cast<unsigned char>(unit); }
uint32_t code(char16_t unit) { return unit; }

// A run of positions for the wildcard states, inline for short patterns.
class PositionBuffer {
public:
    explicit PositionBuffer(size_t count) {
        if (count > kInlinePositions) heap_.resize(count);
        data_ = count > kInlinePositions ? heap_.data() : inline_;
        for (size_t i = 0; i < count; ++i) data_[i] = 0;
    }
    size_t& operator[](size_t index) { return data_[index]; }
    size_t* data() { return data_; }

private:
    size_t inline_[kInlinePositions];
    std::vector<size_t> heap_;
    size_t* data_;
};

// The set-of-states matcher. A state is a pattern position; position n (the
// pattern's length) accepts. Every position of a "*" brings the next one
// along, so stars never need a step of their own.
template <class Unit>
class WildcardMatcher {
public:
    explicit WildcardMatcher(std::basic_string_view<Unit> pattern)
        : pattern_(pattern), size_(pattern.size()), closeOf_(size_ + 1), stamp_(size_ + 1), listA_(size_ + 1),
          listB_(size_ + 1) {
        size_t close = kNone;
        for (size_t i = size_; i-- > 0;) {
            if (pattern_[i] == Unit(']')) close = i;
            closeOf_[i] = pattern_[i] == Unit('[') ? close : kNone;
        }
    }

    bool matches(std::basic_string_view<Unit> text) {
        size_t* current = listA_.data();
        size_t* next = listB_.data();
        size_t step = 1;
        size_t currentCount = 0;
        activate(current, currentCount, 0, step);
        for (Unit unit : text) {
            ++step;
            size_t nextCount = 0;
            for (size_t i = 0; i < currentCount; ++i) advance(current[i], unit, next, nextCount, step);
            if (nextCount == 0) return false;
            std::swap(current, next);
            currentCount = nextCount;
        }
        return stamp_[size_] == step;
    }

private:
    void activate(size_t* list, size_t& count, size_t position, size_t step) {
        while (stamp_[position] != step) {
            stamp_[position] = step;
            list[count++] = position;
            if (position == size_ || pattern_[position] != Unit('*')) break;
            ++position;
        }
    }

    void advance(size_t position, Unit unit, size_t* next, size_t& nextCount, size_t step) {
        if (position == size_) return;
        const Unit symbol = pattern_[position];
        size_t target = kNone;
        if (symbol == Unit('*')) {
            target = position;
        } else if (symbol == Unit('?')) {
            target = position + 1;
        } else if (symbol == Unit('[') && closeOf_[position] != kNone) {
            if (inSet(position + 1, closeOf_[position], unit)) target = closeOf_[position] + 1;
        } else if (symbol == unit) {
            target = position + 1;
        }
        if (target != kNone) activate(next, nextCount, target, step);
    }

    bool inSet(size_t from, size_t to, Unit unit) const {
        for (size_t i = from; i < to;) {
            if (i + 2 < to && pattern_[i + 1] == Unit('-')) {
                if (code(pattern_[i]) <= code(unit) && code(unit) <= code(pattern_[i + 2])) return true;
                i += 3;
            } else {
                if (pattern_[i] == unit) return true;
                ++i;
            }
        }
        return false;
    }

    std::basic_string_view<Unit> pattern_;
    size_t size_;
    PositionBuffer closeOf_;  // the "]" closing the "[" at a position, or kNone
    PositionBuffer stamp_;    // the step in which a position became active
    PositionBuffer listA_;  // the active positions of this step and the next
    PositionBuffer listB_;
};

template <class Unit>
bool matchWildcard(std::basic_string_view<Unit> pattern, std::basic_string_view<Unit> text) {
    WildcardMatcher<Unit> matcher(pattern);
    return matcher.matches(text);
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
    return isSeparator(units[0]) || (units.size() >= 2 && isLetter(units[0]) && units[1] == kDriveMark);
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
