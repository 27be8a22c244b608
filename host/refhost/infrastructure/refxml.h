// The reference host's XML document service "ITesDOMXmlV2", on pugixml.
//
// Wide text handed to the service becomes UTF-8 with every character XML 1.0
// cannot hold (C0 controls other than tab, line feed and carriage return,
// U+FFFE, U+FFFF, lone surrogates, units standing for bytes that form no UTF-8
// sequence) replaced by U+FFFD, so a saved file is always well-formed.
//
// Loading keeps elements, attributes and character data only: comments,
// processing instructions, the declaration and the document type are dropped
// as the file is parsed, and white space between elements is not kept. So an
// element's children are elements (and its text), and a file this service
// saved, indented, reads back to the same tree. Attribute values and texts
// come back as they were saved, except a carriage return in a text: it is
// written as it is, and XML line-end handling reads it as a line feed.
//
// Elements made by createElement wait in a hidden part of the document until
// they are appended; a root replaced by setDocumentElement moves there too, so
// that every element handed out stays valid as long as the document. A new
// element enters that part only when it first gets an attribute, a text or a
// child: one appended at once is made in its place, not moved there. A load
// starts the document afresh: elements and iterators handed out before it
// then act as empty (no name, no attributes, no children) instead of pointing
// into freed memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "hostapi/infrastructure.h"
#include "infrastructure/refrecycledblocks.h"
#include "iptr.h"

class RefXmlDocument;

class RefXmlElement : public ITesXmlElement, public RefRecycledBlocks<RefXmlElement> {
public:
    RefXmlElement(RefXmlDocument* document, pugi::xml_node node);
    // An element called `name` (UTF-8) that is in no part of the tree yet.
    RefXmlElement(RefXmlDocument* document, std::string name);
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    TesString name() override;
    TesString attribute(const char16_t* name) override;
    void setAttribute(const char16_t* name, const char16_t* value) override;
    TesString text() override;
    void readAttribute(const char16_t* name, TesString& value) override;
    void readText(TesString& text) override;
    void setText(const char16_t* text) override;
    ITesXmlElement* firstChild(const char16_t* name) override;
    ITesXmlIterator* children() override;
    bool appendChild(ITesXmlElement* child) override;

    // The pugixml node, empty once the document was loaded again or while the
    // element is in no part of the tree.
    pugi::xml_node node() const;
    // The node, made in the hidden part first when the element had none.
    pugi::xml_node placedNode();
    // Makes the element that has no node yet the last child of `parent`.
    bool placeUnder(pugi::xml_node parent);
    bool placed() const { return placed_; }
    RefXmlDocument* document() const { return document_.get(); }
    // Where the element starts in the loaded file (bytes of its UTF-8 form),
    // -1 for an element made in memory.
    ptrdiff_t sourceOffset() const;

    // Points this element at another node of the same document.
    void retarget(pugi::xml_node node) { node_ = node; }

private:
    bool live() const;

    IPtr<RefXmlDocument> document_;
    pugi::xml_node node_;
    uint64_t generation_;
    // The name of an element that has no node yet.
    std::string name_;
    bool placed_ = true;
};

// Walks the element children of one node; current() hands out one element
// object that it re-points while nobody else holds it.
class RefXmlIterator : public ITesXmlIterator, public RefRecycledBlocks<RefXmlIterator> {
public:
    RefXmlIterator(RefXmlDocument* document, pugi::xml_node parent);
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    void first() override;
    void next() override;
    bool isDone() override;
    ITesXmlElement* current() override;

private:
    bool live() const;

    IPtr<RefXmlDocument> document_;
    pugi::xml_node parent_;
    pugi::xml_node position_;
    IPtr<RefXmlElement> element_;
    uint64_t generation_;
};

class RefXmlDocument : public ITesDOMXmlV2 {
public:
    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    void setDeclaration(const char16_t* target, const char16_t* text) override;
    ITesXmlElement* createElement(const char16_t* name) override;
    bool setDocumentElement(ITesXmlElement* element) override;
    ITesXmlElement* documentElement() override;
    ITesXmlIterator* documentChildren() override;
    bool save(const char16_t* path) override;
    bool load(const char16_t* path) override;

    // The same, with a POSIX path in UTF-8 (save and load map theirs with
    // tesNativePath: "\" separators, a drive letter for the root). A save
    // replaces the file as refReplaceFile does: the old file stays intact when
    // it fails, and a symbolic link is written through.
    bool saveFile(const std::string& path);
    bool loadFile(const std::string& path);
    // The declaration and the root as save writes them.
    std::string text() const;

    // Why the last load failed ("" after a success) and the byte offset in the
    // file where parsing stopped (-1 when the file could not be read at all).
    const std::string& loadError() const { return loadError_; }
    ptrdiff_t loadErrorOffset() const { return loadErrorOffset_; }
    // Why the last save failed, with the system's reason; "" after a success.
    const std::string& saveError() const { return saveError_; }

    // Counts the loads: an element or iterator made before the latest load is
    // stale.
    uint64_t generation() const { return generation_; }
    // `element` when it is one of this document's, null otherwise.
    RefXmlElement* elementOf(ITesXmlElement* element) const;
    // False when moving `node` under `parent` would take the root out of the
    // document or put a node under itself (pugixml refuses the rest).
    bool canMove(pugi::xml_node node, pugi::xml_node parent) const;
    // The hidden part where elements wait until they are appended.
    pugi::xml_node staging();

private:
    void print(pugi::xml_writer& writer) const;
    void reset();

    pugi::xml_document document_;
    pugi::xml_node declaration_;
    pugi::xml_node root_;
    pugi::xml_node staging_;
    uint64_t generation_ = 0;
    std::string loadError_;
    ptrdiff_t loadErrorOffset_ = -1;
    std::string saveError_;
};

// saveError() of the document this process saved last, whichever it was: the
// host makes a new document for every lookup of the service, so a tool reads
// why the plug-in's save failed here.
std::string refXmlLastSaveError();

// UTF-8 `text` as a saved file holds it: U+FFFD for every byte that starts no
// well-formed sequence and every character XML cannot hold.
std::string refXmlText(std::string_view text);

// The 1-based line of byte `offset` in the file at `path`; 0 when the file
// cannot be read or the offset is negative. Exact for UTF-8 files, as the
// offsets count bytes of the parsed UTF-8 text.
int refXmlLineAt(const std::string& path, ptrdiff_t offset);
