#include "tesdir.h"

#include "os/nativepath.h"
#include "tespath.h"

namespace {
constexpr char16_t kSeparator = u'\\';

bool endsWithSeparator(const TesString& path) {
    const char16_t last = path.at(path.length() - 1);
    return last == u'\\' || last == u'/';
}

bool isDots(const std::string& name) { return name == "." || name == ".."; }
}  // namespace

bool TesDirIterator::first(const TesString& directory, bool skipDots) {
    finish();
    skipDots_ = skipDots;
    directory_ = directory;
    if (!directory_.isEmpty() && !endsWithSeparator(directory_)) directory_ += kSeparator;
    nativeFolder_ = tesNativePath(directory_);
    if (!search_.open(nativeFolder_)) return false;
    atEnd_ = false;
    return read();
}

bool TesDirIterator::next() {
    if (atEnd_) return false;
    return read();
}

TesString TesDirIterator::name() const { return TesPath::fileName(path_, true); }

bool TesDirIterator::read() {
    do {
        if (!search_.next(&nativeName_)) {
            finish();
            return false;
        }
    } while (skipDots_ && isDots(nativeName_));
    path_ = directory_ + TesString::fromUtf8(nativeName_);
    hasStatus_ = tesOsStatus(nativeFolder_ + nativeName_, &status_);
    return true;
}

void TesDirIterator::finish() {
    search_.close();
    path_ = TesString();
    status_ = TesFileStatus{};
    hasStatus_ = false;
    atEnd_ = true;
}

int32_t tesCountEntries(const TesString& directory, bool skipDots) {
    TesDirIterator iterator;
    int32_t count = 0;
    for (bool more = iterator.first(directory, skipDots); more; more = iterator.next()) ++count;
    return count;
}
