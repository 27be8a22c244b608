#include "infrastructure/refxml.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string_view>

#include "os/nativepath.h"
#include "queryinterface.h"
#include "infrastructure/refreplacefile.h"
#include "infrastructure/reftext.h"
#include "textcodec.h"

namespace {

constexpr const char* kDocumentClass = "RefXmlDocument";
constexpr const char* kElementClass = "RefXmlElement";
constexpr const char* kIteratorClass = "RefXmlIterator";
constexpr const char* kIndent = "\t";
constexpr unsigned kFormat = pugi::format_indent;
constexpr unsigned kParseOptions = pugi::parse_default;
constexpr size_t kShortText = 256;
constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

bool isXmlCharacter(char32_t code) {
    if (code < 0x20) return code == '\t' || code == '\n' || code == '\r';
    return code < 0xD800 || (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

// Where `text` first needs a repair; npos when it is XML text as it is.
size_t firstRepair(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        char32_t code = 0;
        const size_t length = refDecodeUtf8(text.substr(at), code);
        if (length == 0 || !isXmlCharacter(code)) return at;
        at += length;
    }
    return std::string_view::npos;
}

}  // namespace

std::string refXmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t at = 0; at < text.size();) {
        char32_t code = 0;
        const size_t length = refDecodeUtf8(text.substr(at), code);
        const bool keep = length > 0 && isXmlCharacter(code);
        out.append(keep ? text.substr(at, length) : std::string_view(kReplacement));
        at += length > 0 ? length : 1;
    }
    return out;
}

namespace {

bool isPlainAscii(char16_t unit) { return unit < 0x80 && isXmlCharacter(unit); }

// The UTF-8 form of wide text (null reads as empty) as XML can hold it, on the
// stack when short. Names and numbers are ASCII: they are copied unit by unit.
class Utf8Text {
public:
    explicit Utf8Text(const char16_t* text) {
        small_[0] = '\0';
        if (text == nullptr) return;
        size_t length = 0;
        for (; length < kShortText - 1 && text[length] != 0 && isPlainAscii(text[length]); ++length) {
            small_[length] = static_cast<char>(text[length]);
        }
        small_[length] = '\0';
        if (text[length] == 0) return;
        const auto count = static_cast<int32_t>(std::char_traits<char16_t>::length(text));
        const int32_t bytes = tesWideToUtf8(text, count, small_, static_cast<int32_t>(sizeof(small_)));
        if (bytes >= static_cast<int32_t>(sizeof(small_))) {
            large_ = tesWideToUtf8(text, count);
            data_ = large_.c_str();
        }
        const std::string_view converted(data_);
        if (firstRepair(converted) == std::string_view::npos) return;
        large_ = refXmlText(converted);
        data_ = large_.c_str();
    }
    Utf8Text(const Utf8Text&) = delete;
    Utf8Text& operator=(const Utf8Text&) = delete;
    const char* c_str() const { return data_; }

private:
    char small_[kShortText];
    std::string large_;
    const char* data_ = small_;
};

// Puts the wide form of UTF-8 text into `out`, converted on the stack when
// short; out keeps its buffer when the text fits.
void assignWide(const char* text, TesString& out) {
    char16_t units[kShortText];
    size_t length = 0;
    for (; length < kShortText && text[length] != 0 && static_cast<unsigned char>(text[length]) < 0x80; ++length) {
        units[length] = static_cast<char16_t>(text[length]);
    }
    if (text[length] == 0) {
        out.assign(units, static_cast<int32_t>(length));
        return;
    }
    length += std::strlen(text + length);
    if (length > kShortText) {
        out = TesString::fromUtf8(text);
        return;
    }
    out.assign(units, tesUtf8ToWide(text, static_cast<int32_t>(length), units));
}

TesString wideOf(const char* text) {
    TesString out;
    assignWide(text, out);
    return out;
}

// The attribute called `name` (wide), looked up by its UTF-8 form.
pugi::xml_attribute attributeNamed(pugi::xml_node node, const char16_t* name) {
    return node.attribute(Utf8Text(name).c_str());
}

pugi::xml_node nextElement(pugi::xml_node node) {
    while (node && node.type() != pugi::node_element) node = node.next_sibling();
    return node;
}

// Collects what pugixml prints.
class StringWriter : public pugi::xml_writer {
public:
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
    std::string text;
};

// Writes what pugixml prints to a descriptor; after a failed write it stops,
// leaving errno as that write set it.
class DescriptorWriter : public pugi::xml_writer {
public:
    explicit DescriptorWriter(int fd) : fd_(fd) {}
    void write(const void* data, size_t size) override {
        if (good_) good_ = refWriteAll(fd_, static_cast<const char*>(data), size);
    }
    bool good() const { return good_; }

private:
    int fd_;
    bool good_ = true;
};

std::mutex lastSaveLock;
std::string lastSaveError;

void recordSave(const std::string& error) {
    const std::lock_guard<std::mutex> guard(lastSaveLock);
    lastSaveError = error;
}

}  // namespace

RefXmlElement::RefXmlElement(RefXmlDocument* document, pugi::xml_node node)
    : document_(document), node_(node), generation_(document->generation()) {}

RefXmlElement::RefXmlElement(RefXmlDocument* document, std::string name)
    : document_(document), generation_(document->generation()), name_(std::move(name)), placed_(false) {}

void RefXmlElement::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kElementClass, this, this, {{"ITesXmlElement", static_cast<ITesXmlElement*>(this)}}});
}

const char* RefXmlElement::className() const { return kElementClass; }

bool RefXmlElement::live() const { return generation_ == document_->generation(); }

pugi::xml_node RefXmlElement::node() const { return live() ? node_ : pugi::xml_node(); }

pugi::xml_node RefXmlElement::placedNode() {
    if (!placed_ && live()) placeUnder(document_->staging());
    return node();
}

bool RefXmlElement::placeUnder(pugi::xml_node parent) {
    node_ = parent.append_child(name_.c_str());
    if (!node_) return false;
    placed_ = true;
    name_.clear();
    return true;
}

ptrdiff_t RefXmlElement::sourceOffset() const { return node().offset_debug(); }

TesString RefXmlElement::name() { return wideOf(placed_ || !live() ? node().name() : name_.c_str()); }

TesString RefXmlElement::attribute(const char16_t* name) { return wideOf(attributeNamed(node(), name).value()); }

void RefXmlElement::setAttribute(const char16_t* name, const char16_t* value) {
    pugi::xml_node element = placedNode();
    if (!element) return;
    const Utf8Text key(name);
    pugi::xml_attribute attribute = element.attribute(key.c_str());
    if (!attribute) attribute = element.append_attribute(key.c_str());
    attribute.set_value(Utf8Text(value).c_str());
}

TesString RefXmlElement::text() { return wideOf(node().text().get()); }

void RefXmlElement::readAttribute(const char16_t* name, TesString& value) {
    assignWide(attributeNamed(node(), name).value(), value);
}

void RefXmlElement::readText(TesString& text) { assignWide(node().text().get(), text); }

void RefXmlElement::setText(const char16_t* text) {
    pugi::xml_node element = placedNode();
    if (element) element.text().set(Utf8Text(text).c_str());
}

ITesXmlElement* RefXmlElement::firstChild(const char16_t* name) {
    const Utf8Text key(name);
    for (pugi::xml_node child = nextElement(node().first_child()); child; child = nextElement(child.next_sibling())) {
        if (std::strcmp(child.name(), key.c_str()) == 0) return new RefXmlElement(document_.get(), child);
    }
    return nullptr;
}

ITesXmlIterator* RefXmlElement::children() { return new RefXmlIterator(document_.get(), node()); }

// A child that has no node yet is made in its place instead of moved there.
bool RefXmlElement::appendChild(ITesXmlElement* child) {
    RefXmlElement* element = document_->elementOf(child);
    if (element == nullptr || !live()) return false;
    pugi::xml_node parent = placedNode();
    if (!parent) return false;
    if (!element->placed()) return element->live() && element->placeUnder(parent);
    pugi::xml_node moved = element->node();
    if (!moved || !document_->canMove(moved, parent)) return false;
    return !parent.append_move(moved).empty();
}

RefXmlIterator::RefXmlIterator(RefXmlDocument* document, pugi::xml_node parent)
    : document_(document), parent_(parent), generation_(document->generation()) {
    first();
}

void RefXmlIterator::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kIteratorClass, this, this, {{"ITesXmlIterator", static_cast<ITesXmlIterator*>(this)}}});
}

const char* RefXmlIterator::className() const { return kIteratorClass; }

bool RefXmlIterator::live() const { return generation_ == document_->generation(); }

void RefXmlIterator::first() { position_ = live() ? nextElement(parent_.first_child()) : pugi::xml_node(); }

void RefXmlIterator::next() {
    if (position_) position_ = live() ? nextElement(position_.next_sibling()) : pugi::xml_node();
}

bool RefXmlIterator::isDone() { return !live() || !position_; }

// Re-pointing the element the iterator alone holds saves an allocation per
// child; one the caller kept stays as it was.
ITesXmlElement* RefXmlIterator::current() {
    if (isDone()) return nullptr;
    if (element_ && element_->node() == position_) return element_.get();
    if (element_ && element_->refCount() == 1) {
        element_->retarget(position_);
    } else {
        element_ = new RefXmlElement(document_.get(), position_);
    }
    return element_.get();
}

void RefXmlDocument::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out, {kDocumentClass, this, this, {{"ITesDOMXmlV2", static_cast<ITesDOMXmlV2*>(this)}}});
}

const char* RefXmlDocument::className() const { return kDocumentClass; }

pugi::xml_node RefXmlDocument::staging() {
    if (!staging_) staging_ = document_.append_child(pugi::node_element);
    return staging_;
}

void RefXmlDocument::setDeclaration(const char16_t* target, const char16_t* text) {
    if (declaration_) document_.remove_child(declaration_);
    declaration_ = pugi::xml_node();
    if (target == nullptr || target[0] == u'\0') return;
    declaration_ = document_.prepend_child(pugi::node_pi);
    declaration_.set_name(Utf8Text(target).c_str());
    declaration_.set_value(Utf8Text(text).c_str());
}

ITesXmlElement* RefXmlDocument::createElement(const char16_t* name) {
    return new RefXmlElement(this, std::string(Utf8Text(name).c_str()));
}

bool RefXmlDocument::setDocumentElement(ITesXmlElement* element) {
    RefXmlElement* concrete = elementOf(element);
    pugi::xml_node node = concrete != nullptr ? concrete->placedNode() : pugi::xml_node();
    if (!node) return false;
    if (node == root_) return true;
    if (root_) staging().append_move(root_);
    root_ = document_.append_move(node);
    return !root_.empty();
}

ITesXmlElement* RefXmlDocument::documentElement() { return root_ ? new RefXmlElement(this, root_) : nullptr; }

ITesXmlIterator* RefXmlDocument::documentChildren() { return new RefXmlIterator(this, root_); }

bool RefXmlDocument::save(const char16_t* path) { return saveFile(tesNativePath(path)); }

bool RefXmlDocument::load(const char16_t* path) { return loadFile(tesNativePath(path)); }

void RefXmlDocument::print(pugi::xml_writer& writer) const {
    if (declaration_) declaration_.print(writer, kIndent, kFormat, pugi::encoding_utf8);
    if (root_) root_.print(writer, kIndent, kFormat, pugi::encoding_utf8);
}

std::string RefXmlDocument::text() const {
    StringWriter writer;
    print(writer);
    return writer.text;
}

bool RefXmlDocument::saveFile(const std::string& path) {
    const RefReplaceResult result =
        path.empty() ? RefReplaceResult{false, "no file name to save to"} : refReplaceFile(path, [this](int fd) {
            DescriptorWriter writer(fd);
            print(writer);
            return writer.good();
        });
    saveError_ = result.error;
    recordSave(saveError_);
    return result.good;
}

std::string refXmlLastSaveError() {
    const std::lock_guard<std::mutex> guard(lastSaveLock);
    return lastSaveError;
}

bool RefXmlDocument::loadFile(const std::string& path) {
    reset();
    // A folder opens like a file here; reading it would fail as "out of memory".
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
        loadError_ = std::strerror(EISDIR);
        return false;
    }
    errno = 0;
    const pugi::xml_parse_result result = document_.load_file(path.c_str(), kParseOptions, pugi::encoding_auto);
    if (!result) {
        const bool unopened = result.status == pugi::status_file_not_found || result.status == pugi::status_io_error;
        const bool unread = unopened || result.status == pugi::status_out_of_memory;
        loadError_ = unopened && errno != 0 ? std::strerror(errno) : result.description();
        loadErrorOffset_ = unread ? -1 : result.offset;
        document_.reset();
        return false;
    }
    root_ = document_.document_element();
    return !root_.empty();
}

void RefXmlDocument::reset() {
    ++generation_;
    document_.reset();
    declaration_ = root_ = staging_ = pugi::xml_node();
    loadError_.clear();
    loadErrorOffset_ = -1;
}

// The class name's address tells the service's own elements apart without a
// query by name.
RefXmlElement* RefXmlDocument::elementOf(ITesXmlElement* element) const {
    if (element == nullptr) return nullptr;
    auto* concrete = element->className() == kElementClass ? static_cast<RefXmlElement*>(element)
                                                           : tesQuery<RefXmlElement>(element, kElementClass);
    return concrete != nullptr && concrete->document() == this ? concrete : nullptr;
}

// pugixml itself refuses to move a node into its own subtree.
bool RefXmlDocument::canMove(pugi::xml_node node, pugi::xml_node parent) const {
    return node != root_ && node != parent;
}

int refXmlLineAt(const std::string& path, ptrdiff_t offset) {
    if (offset < 0) return 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) return 0;
    int line = 1;
    char byte = 0;
    for (ptrdiff_t i = 0; i < offset && in.get(byte); ++i) {
        if (byte == '\n') ++line;
    }
    return line;
}
