// The XML service on its own. The SRML tests drive it through whole files:
// the writer's golden file pins the printed layout, srmltool_test the lines
// of elements and of load errors.
#include "infrastructure/refxml.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "refhost.h"
#include "tempfolder.h"

namespace {

namespace fs = std::filesystem;

std::string utf8(const TesString& text) { return text.toUtf8(); }

class RefXml : public ::testing::Test {
protected:
    // A document loaded from `text` as the file "in.xml".
    IPtr<RefXmlDocument> loaded(const std::string& text) {
        IPtr<RefXmlDocument> document(new RefXmlDocument);
        EXPECT_TRUE(document->loadFile(folder.write("in.xml", text))) << document->loadError();
        return document;
    }
    // A new document with a root element.
    IPtr<RefXmlDocument> withRoot(IPtr<ITesXmlElement>* root) {
        IPtr<RefXmlDocument> document(new RefXmlDocument);
        *root = IPtr<ITesXmlElement>(document->createElement(u"r"));
        document->setDocumentElement(root->get());
        return document;
    }

    TempFolder folder;
};

// Only elements are children; an element's text is its first piece of
// character data; a second root is read as a sibling and ignored.
TEST_F(RefXml, IteratesElementsOnlyAndReadsTheFirstText) {
    IPtr<RefXmlDocument> document = loaded(
        "<?xml version=\"1.0\"?>\n<!DOCTYPE r>\n<!-- before -->\n<r>\n  text <a/><!-- c --> <?pi x?>\n"
        "  <![CDATA[<b>]]><b>one<!-- split -->two</b>\n\n  <c x=\"1\"></c>tail</r>\n<d/>\n");
    IPtr<ITesXmlIterator> children(document->documentChildren());
    std::string names;
    for (children->first(); !children->isDone(); children->next()) names += utf8(children->current()->name());
    EXPECT_EQ(names, "abc");
    IPtr<ITesXmlElement> root(document->documentElement());
    EXPECT_EQ(utf8(root->text()), "\n  text ");
    EXPECT_EQ(utf8(IPtr<ITesXmlElement>(root->firstChild(u"b"))->text()), "one");
    IPtr<ITesXmlElement> c(root->firstChild(u"c"));
    EXPECT_EQ(utf8(c->text()) + utf8(c->attribute(u"y")), "");
    EXPECT_EQ(root->firstChild(u"B"), nullptr);
    EXPECT_TRUE(IPtr<ITesXmlIterator>(c->children())->isDone());
    EXPECT_EQ(document->text().find("<!--"), std::string::npos);
}

// A carriage return in character data (written as it is) reads back as a line
// feed, by XML line-end handling; attribute values keep it.
TEST_F(RefXml, TextsSurviveASaveAndLoadUnchanged) {
    const std::vector<std::u16string> texts = {u"tab\tline\nreturn\rend", u"<&>\"'", u"  lead and trail  ",
                                               u"\u00e9t\u00e9 \u65e5\u672c \U0001F600",
                                               std::u16string(5000, u'x')};
    IPtr<ITesXmlElement> root;
    IPtr<RefXmlDocument> out = withRoot(&root);
    for (const std::u16string& text : texts) {
        IPtr<ITesXmlElement> item(out->createElement(u"item"));
        root->appendChild(item.get());
        item->setAttribute(u"value", text.c_str());
        item->setText(text.c_str());
    }
    ASSERT_TRUE(out->saveFile(folder.narrowFile("texts.xml")));
    IPtr<RefXmlDocument> in(new RefXmlDocument);
    ASSERT_TRUE(in->load(folder.wideFile("texts.xml").c_str()));
    IPtr<ITesXmlIterator> items(in->documentChildren());
    for (std::u16string text : texts) {
        ASSERT_FALSE(items->isDone());
        EXPECT_EQ(std::u16string_view(items->current()->attribute(u"value")), text);
        std::replace(text.begin(), text.end(), u'\r', u'\n');
        EXPECT_EQ(std::u16string_view(items->current()->text()), text);
        items->next();
    }
    EXPECT_EQ(items->current(), nullptr);
}

// Appending moves an element; one of another document, null, the element
// itself, an ancestor or the root are refused. A replaced root leaves the tree
// but stays usable and may move back in. An attribute set again keeps its place.
TEST_F(RefXml, AppendMovesAndRefusesWhatWouldBreakTheTree) {
    IPtr<ITesXmlElement> root;
    IPtr<RefXmlDocument> document = withRoot(&root);
    IPtr<ITesXmlElement> a(document->createElement(u"a"));
    IPtr<ITesXmlElement> b(document->createElement(u"b"));
    IPtr<ITesXmlElement> foreign(IPtr<RefXmlDocument>(new RefXmlDocument)->createElement(u"f"));
    ASSERT_TRUE(root->appendChild(a.get()));
    ASSERT_TRUE(a->appendChild(b.get()));
    EXPECT_FALSE(root->appendChild(nullptr));
    EXPECT_FALSE(root->appendChild(foreign.get()));
    EXPECT_FALSE(a->appendChild(a.get()));
    EXPECT_FALSE(b->appendChild(a.get()));
    EXPECT_FALSE(b->appendChild(root.get()));
    EXPECT_FALSE(document->setDocumentElement(foreign.get()));
    EXPECT_FALSE(document->setDocumentElement(nullptr));
    EXPECT_TRUE(root->appendChild(b.get()));
    b->setAttribute(u"x", u"1");
    b->setAttribute(u"y", u"2");
    b->setAttribute(u"x", u"3");
    EXPECT_EQ(document->text(), "<r>\n\t<a />\n\t<b x=\"3\" y=\"2\" />\n</r>\n");

    IPtr<ITesXmlElement> newRoot(document->createElement(u"new"));
    EXPECT_TRUE(document->setDocumentElement(newRoot.get()));
    EXPECT_TRUE(document->setDocumentElement(newRoot.get()));
    EXPECT_TRUE(newRoot->appendChild(a.get()));
    EXPECT_TRUE(newRoot->appendChild(root.get()));
    EXPECT_EQ(document->text(), "<new>\n\t<a />\n\t<r>\n\t\t<b x=\"3\" y=\"2\" />\n\t</r>\n</new>\n");

    // A new element waits with its own child until it is appended.
    IPtr<ITesXmlElement> c(document->createElement(u"c"));
    ASSERT_TRUE(c->appendChild(IPtr<ITesXmlElement>(document->createElement(u"d")).get()));
    EXPECT_EQ(utf8(c->name()) + document->text().substr(0, 12), "c<new>\n\t<a />");
    ASSERT_TRUE(a->appendChild(c.get()));
    EXPECT_EQ(document->text().substr(0, 39), "<new>\n\t<a>\n\t\t<c>\n\t\t\t<d />\n\t\t</c>\n\t</a>\n");
}

// The iterator re-points its element only while nobody else holds it; a load
// starts afresh and elements of the earlier one act empty.
TEST_F(RefXml, ElementsHandedOutStayValid) {
    IPtr<RefXmlDocument> document = loaded("<r><a x=\"1\">t</a><b/></r>");
    IPtr<ITesXmlIterator> iterator(document->documentChildren());
    IPtr<ITesXmlElement> a(iterator->current());
    IPtr<ITesXmlElement> waiting(document->createElement(u"w"));
    iterator->next();
    EXPECT_EQ(utf8(a->name()) + utf8(iterator->current()->name()), "ab");
    ASSERT_TRUE(document->loadFile(folder.narrowFile("in.xml")));
    EXPECT_EQ(utf8(a->name()) + utf8(a->attribute(u"x")) + utf8(a->text()), "");
    EXPECT_EQ(a->firstChild(u"b"), nullptr);
    a->setAttribute(u"y", u"2");
    a->setText(u"u");
    EXPECT_EQ(iterator->current(), nullptr);
    EXPECT_EQ(utf8(waiting->name()), "");
    EXPECT_FALSE(IPtr<ITesXmlElement>(document->documentElement())->appendChild(a.get()));
    EXPECT_FALSE(IPtr<ITesXmlElement>(document->documentElement())->appendChild(waiting.get()));
    EXPECT_EQ(document->text(), "<r>\n\t<a x=\"1\">t</a>\n\t<b />\n</r>\n");
    EXPECT_EQ(static_cast<RefXmlElement*>(a.get())->sourceOffset(), -1);
}

TEST_F(RefXml, BadFilesFailWithAReasonAndALine) {
    const struct {
        const char* name;
        const char* text;  // null: no file
        int line;          // of the error; 0 when the file was not read
    } cases[] = {
        {"missing.xml", nullptr, 0},
        {"blank.xml", "  \n\n", 3},
        {"truncated.xml", "<SRML>\n  <Model>\n    <Turntable>", 3},
        {"attribute.xml", "<a>\n<b x=1/>\n</a>", 2},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        if (row.text != nullptr) std::ofstream(folder.file(row.name), std::ios::binary) << row.text;
        IPtr<RefXmlDocument> document(new RefXmlDocument);
        EXPECT_FALSE(document->loadFile(folder.narrowFile(row.name)));
        EXPECT_FALSE(document->loadError().empty());
        EXPECT_EQ(refXmlLineAt(folder.narrowFile(row.name), document->loadErrorOffset()), row.line);
        EXPECT_EQ(document->documentElement(), nullptr);
        EXPECT_TRUE(IPtr<ITesXmlIterator>(document->documentChildren())->isDone());
    }
    IPtr<RefXmlDocument> document(new RefXmlDocument);
    EXPECT_FALSE(document->loadFile(folder.path().string()));
    EXPECT_FALSE(document->load(nullptr));
}

// The file is replaced whole, keeps its permissions, and no temporary file
// stays; a folder in the way, a missing folder or no path fail. The library's
// paths (a drive letter for the root, backslashes) work too.
TEST_F(RefXml, SaveReplacesTheFileWholeOrLeavesItAlone) {
    IPtr<ITesXmlElement> root;
    IPtr<RefXmlDocument> document = withRoot(&root);
    const fs::path target = folder.file("out.xml");
    std::ofstream(target) << "old contents that are longer than the new ones";
    const fs::perms perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target, perms);
    std::u16string libraryPath = u"d:" + folder.wideFile("out.xml");
    std::replace(libraryPath.begin(), libraryPath.end(), u'/', u'\\');
    ASSERT_TRUE(document->save(libraryPath.c_str()));
    const std::vector<uint8_t> bytes = TempFolder::readAll(target);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "<r />\n");
    EXPECT_EQ(fs::status(target).permissions(), perms);
    EXPECT_TRUE(IPtr<RefXmlDocument>(new RefXmlDocument)->load(libraryPath.c_str()));

    fs::create_directory(folder.file("taken.xml"));
    EXPECT_FALSE(document->saveFile(folder.narrowFile("taken.xml")));
    EXPECT_FALSE(document->saveFile(folder.narrowFile("no/such/folder.xml")));
    EXPECT_FALSE(document->save(u""));
    EXPECT_FALSE(document->save(nullptr));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2);  // no temporary
}

// Save replaces text XML cannot hold, so that the file is always well-formed.
TEST_F(RefXml, TextXmlCannotHoldBecomesTheReplacementCharacter) {
    const std::string fffd = "\xEF\xBF\xBD";
    struct Row {
        const char* name;
        std::u16string text;
        std::string saved;  // as it stands in the file
    };
    const Row rows[] = {
        {"lone high surrogate", u"a\xD800z", "a" + fffd + "z"},
        {"lone low surrogate", u"a\xDC00z", "a" + fffd + "z"},
        {"surrogate pair", u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
        {"control character", u"a\x01z", "a" + fffd + "z"},
        {"unit of a byte that forms no character", u"a\xFF80z", "a" + fffd + "z"},
        {"units of the bytes of U+FFFE", u"\xFFEF\xFFBF\xFFBE", fffd},
        {"units of the bytes of a character", u"\xFFC3\xFFA9", "\xC3\xA9"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        IPtr<ITesXmlElement> root;
        IPtr<RefXmlDocument> document = withRoot(&root);
        root->setAttribute(u"a", row.text.c_str());
        root->setText(row.text.c_str());
        ASSERT_TRUE(document->saveFile(folder.narrowFile("saved.xml"))) << document->saveError();
        const std::vector<uint8_t> bytes = TempFolder::readAll(folder.file("saved.xml"));
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "<r a=\"" + row.saved + "\">" + row.saved + "</r>\n");
    }
    IPtr<ITesXmlElement> root;  // a name beyond ASCII is looked up by its UTF-8 form, one unit is no prefix
    IPtr<RefXmlDocument> document = withRoot(&root);
    root->setAttribute(u"n\u00E9", u"1");
    EXPECT_EQ(utf8(root->attribute(u"n\u00E9")) + utf8(root->attribute(u"n")) + utf8(root->attribute(u"n\u00E9x")), "1");
}

TEST(RefXmlService, EveryLookupIsANewEmptyDocument) {
    RefHost host;
    void* faces[2] = {nullptr, nullptr};
    for (void*& face : faces) ASSERT_EQ(host.manager().getService("ITesDOMXmlV2", &face), 1);
    IPtr<ITesDOMXmlV2> a(static_cast<ITesDOMXmlV2*>(faces[0]));
    IPtr<ITesDOMXmlV2> b(static_cast<ITesDOMXmlV2*>(faces[1]));
    EXPECT_NE(a.get(), b.get());
    EXPECT_EQ(a->documentElement(), nullptr);
    EXPECT_EQ(a.root()->refCount(), 1u);
}

}  // namespace
