// The XML service's save replaces text XML cannot hold, so that the file is
// always well-formed.
#include <gtest/gtest.h>

#include <string>

#include "infrastructure/refxml.h"
#include "tempfolder.h"

TEST(RefXmlSave, TextXmlCannotHoldBecomesTheReplacementCharacter) {
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
    TempFolder folder;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        IPtr<RefXmlDocument> document(new RefXmlDocument);
        IPtr<ITesXmlElement> root(document->createElement(u"r"));
        document->setDocumentElement(root.get());
        root->setAttribute(u"a", row.text.c_str());
        root->setText(row.text.c_str());
        ASSERT_TRUE(document->saveFile(folder.narrowFile("saved.xml"))) << document->saveError();
        const std::vector<uint8_t> bytes = TempFolder::readAll(folder.file("saved.xml"));
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "<r a=\"" + row.saved + "\">" + row.saved + "</r>\n");
    }
}
