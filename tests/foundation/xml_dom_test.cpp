#include <gtest/gtest.h>

#include "raii.h"
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
