#include <gtest/gtest.h>

#include "win32_owners.h"
#include "xml_dom.h"

TEST(XmlDom, SelectsTextAndAttributes)
{
    ComApartment com;
    Microsoft::WRL::ComPtr<IXMLDOMDocument2> doc;
    ASSERT_EQ(xmldom::CreateDocument(doc), S_OK);
    long error = 0;
    ASSERT_TRUE(xmldom::LoadText(doc.Get(), L"<Datas><Data><Name>a</Name><Set type='Registry'><Key>k&amp;</Key></Set></Data></Datas>", error));
    auto data = xmldom::SelectNode(doc.Get(), L"/Datas/Data[Name='a']");
    ASSERT_TRUE(data);
    auto set = xmldom::SelectNode(data.Get(), L"Set");
    std::wstring type, key;
    EXPECT_TRUE(xmldom::Attribute(set.Get(), L"type", type));
    EXPECT_EQ(type, L"Registry");
    EXPECT_FALSE(xmldom::Attribute(set.Get(), L"missing", type));
    EXPECT_TRUE(xmldom::ChildText(set.Get(), L"Key", key));
    EXPECT_EQ(key, L"k&");
    EXPECT_TRUE(xmldom::EqualsNoCase(type, L"REGISTRY"));
    // A broken expression finds nothing rather than throwing.
    EXPECT_FALSE(xmldom::SelectNode(doc.Get(), L"/Datas/Data[Name='it's']"));
}

TEST(XmlDom, ParseErrorsCarryTheirCode)
{
    ComApartment com;
    Microsoft::WRL::ComPtr<IXMLDOMDocument2> doc;
    ASSERT_EQ(xmldom::CreateDocument(doc), S_OK);
    long error = 0;
    EXPECT_FALSE(xmldom::LoadText(doc.Get(), L"<Datas><Data>", error));
    EXPECT_NE(error, 0);
    EXPECT_FALSE(xmldom::LoadFile(doc.Get(), L"C:\\no\\such\\file.xml", error));
    EXPECT_NE(error, 0);
}

// A bare child name is answered without the expression engine; it must pick
// the same node the expression does: the first child element of exactly
// that name outside any namespace, skipping text, comments, other letter
// cases, prefixed and default-namespace elements and deeper descendants.
TEST(XmlDom, BareChildNameSelectsWhatTheExpressionSelects)
{
    ComApartment com;
    Microsoft::WRL::ComPtr<IXMLDOMDocument2> doc;
    ASSERT_EQ(xmldom::CreateDocument(doc), S_OK);
    long error = 0;
    ASSERT_TRUE(xmldom::LoadText(doc.Get(),
                                 L"<Data>text<!--Set--><set>case</set><x:Set xmlns:x='urn:x'>prefixed</x:Set>"
                                 L"<Set xmlns='urn:d'>default</Set><Inner><Set>deeper</Set></Inner>"
                                 L"<Set>first</Set><Set>second</Set><Set_2>other</Set_2></Data>",
                                 error));
    auto data = xmldom::SelectNode(doc.Get(), L"Data");
    ASSERT_TRUE(data);
    EXPECT_EQ(xmldom::Text(xmldom::SelectNode(data.Get(), L"Set").Get()), L"first");
    EXPECT_EQ(xmldom::Text(xmldom::SelectNode(data.Get(), L"child::Set").Get()), L"first");
    EXPECT_EQ(xmldom::Text(xmldom::SelectNode(data.Get(), L"Set_2").Get()), L"other");
    EXPECT_FALSE(xmldom::SelectNode(data.Get(), L"Missing"));
    EXPECT_FALSE(xmldom::SelectNode(data.Get(), L"Data"));
    std::wstring text;
    EXPECT_FALSE(xmldom::ChildText(data.Get(), L"Nothing", text));
    EXPECT_TRUE(xmldom::ChildText(data.Get(), L"set", text));
    EXPECT_EQ(text, L"case");
}
