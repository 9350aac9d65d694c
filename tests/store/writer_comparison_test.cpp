// The indented writer built from the document's text against the former
// writer that visited every node: the same bytes, or both refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../robust/mutator.h"
#include "formatted_xml.h"
#include "raii.h"
#include "test_support.h"
#include "xml_dom.h"

using Microsoft::WRL::ComPtr;

namespace {

std::wstring sourcePath(const std::wstring& relative)
{
    std::wstring path = L"Z:" + ts::utf8ToWide(PW_SOURCE_DIR) + L"/" + relative;
    for (auto& c : path)
        if (c == L'/')
            c = L'\\';
    return path;
}

std::vector<std::string> sourceFiles()
{
    std::vector<std::string> texts;
    for (const wchar_t* folder : {L"examples/kit", L"examples/kit/data", L"tests/robust/corpus/data",
                                  L"tests/robust/corpus/catalogue", L"tests/robust/corpus/users"}) {
        WIN32_FIND_DATAW fd;
        HANDLE h = ::FindFirstFileW((sourcePath(folder) + L"\\*.xml").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            continue;
        do
            texts.push_back(ts::readFile(sourcePath(folder) + L"\\" + fd.cFileName));
        while (::FindNextFileW(h, &fd));
        ::FindClose(h);
    }
    return texts;
}

// KNOWN: documents with namespace declarations are left out. Under Wine the
// walk refused a default namespace declaration, listed the other
// declarations after the ordinary attributes and invented declarations for
// undeclared prefixes; the DOM's text keeps the document's own order and
// declarations. Data files use no namespaces (the loader ignores elements in
// one), so neither writer's choice matters to them.
const char* const DOCUMENTS[] = {
    "<?xml version='1.0' encoding='UTF-8' standalone='yes'?><!--before--><?pi before?><Data a='1'/><!--after-->",
    "<Data><A x='a&amp;b&lt;c&gt;d&quot;e&apos;f' y=\"it's\" z='tab\tnl\ncr&#13;end'>t&amp;&lt;&gt;\"'&#13;x</A></Data>",
    "<Data><A><![CDATA[<raw> & ]]]]><![CDATA[>]]></A><B><![CDATA[  ]]></B><C>x<![CDATA[y]]>z</C></Data>",
    "<Data><A>pre<B>bold<I>it</I></B>post<!--c--><?p q?></A><E></E><F> </F></Data>",
    "<Data xmlns='urn:a' xmlns:p='urn:p'><p:A p:x='1' y='2'>v</p:A><B xmlns='urn:b'/></Data>",
    "<Data><A y='2' xmlns:p='urn:p' p:x='1'/></Data>",
    "<!DOCTYPE Data [<!ENTITY e 'ent'>]><Data><A>&e;</A><B>x&e;y</B></Data>",
    "<Data>\xE8\xA8\xAD\xE5\xAE\x9A \xF0\x9F\x98\x80 &#x1F600; &#65;&#x42;</Data>",
    "<Data><A>line1\nline2\r\nline3</A><B>  lead and trail  </B><C>&#9;</C></Data>",
    "<Data><?target?><?t   spaced data ?><!----><!-- - --></Data>",
    "<\xE8\xA8\xAD\xE5\xAE\x9A \xE5\x90\x8D='\xE5\x80\xA4'><a-b.c_d e.f='g'/></\xE8\xA8\xAD\xE5\xAE\x9A>",
};

std::string visible(const std::string& bytes)
{
    std::string out;
    for (char c : bytes)
        out += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : c == '\t' ? std::string("\\t") : std::string(1, c);
    return out;
}

class WriterComparison : public ::testing::Test {
protected:
    ComApartment com;
    int compared = 0;
    int refused = 0;

    // Both writers over one DOM document.
    void compare(IXMLDOMNode* document, const std::string& origin)
    {
        std::string walked, indented;
        bool walkOk = FormatXmlByWalk(document, walked);
        bool textOk = FormatXml(document, indented);
        // Namespace declarations: see KNOWN below.
        if (walked.find("xmlns") != std::string::npos)
            return;
        ++compared;
        refused += walkOk ? 0 : 1;
        EXPECT_EQ(textOk, walkOk) << origin << "\nwalk:\n" << walked.substr(0, 300) << "\ntext:\n"
                                  << indented.substr(0, 300);
        if (walkOk && textOk && indented != walked) {
            size_t at = std::mismatch(indented.begin(), indented.end(), walked.begin(), walked.end()).first
                      - indented.begin();
            size_t from = at > 80 ? at - 80 : 0;
            ADD_FAILURE() << origin << "\nfirst difference at " << at << "\nwalk: " << visible(walked.substr(from, 160))
                          << "\ntext: " << visible(indented.substr(from, 160));
        }
    }

    void compareText(const std::string& utf8, const std::string& origin)
    {
        // Namespace declarations: see KNOWN below.
        if (utf8.find("xmlns") != std::string::npos)
            return;
        for (bool keepSpace : {false, true}) {
            ComPtr<IXMLDOMDocument2> doc;
            ASSERT_EQ(xmldom::CreateDocument(doc), S_OK);
            doc->put_preserveWhiteSpace(keepSpace ? VARIANT_TRUE : VARIANT_FALSE);
            long error = 0;
            if (xmldom::LoadText(doc.Get(), ts::utf8ToWide(utf8), error))
                compare(doc.Get(), origin + (keepSpace ? " (white space kept)" : ""));
        }
    }
};

TEST_F(WriterComparison, SameBytesForKitCorpusAndCraftedDocuments)
{
    std::vector<std::string> texts = sourceFiles();
    ASSERT_GE(texts.size(), 20u);
    for (const char* d : DOCUMENTS)
        texts.push_back(d);
    for (size_t i = 0; i < texts.size(); ++i)
        compareText(texts[i], "input " + std::to_string(i) + ":\n" + texts[i].substr(0, 400));
    std::printf("compared %d documents, %d refused by both\n", compared, refused);
}

TEST_F(WriterComparison, SameBytesForMutatedInputs)
{
    std::vector<std::string> seeds = sourceFiles();
    for (const char* d : DOCUMENTS)
        seeds.push_back(d);
    robust::Mutator mutator(robust::mutationSeed());
    int n = robust::mutationCount(20000);
    for (int i = 0; i < n; ++i) {
        std::string text = mutator.mutate(seeds[mutator.below(seeds.size())]);
        compareText(text, "mutation " + std::to_string(i) + ":\n" + text.substr(0, 400));
        if (HasFailure())
            break;
    }
    std::printf("compared %d parsed mutations, %d refused by both\n", compared, refused);
}

// Nodes that only DOM calls can make: what no parser would have produced.
TEST_F(WriterComparison, SameResultForNodesMadeThroughTheDom)
{
    struct Case {
        const char* what;
        std::wstring text;
        int kind; // 0 text, 1 comment, 2 CDATA, 3 instruction "p", 4 attribute "a"
    };
    const Case cases[] = {
        {"comment with --", L"a--b", 1},       {"comment with -->", L"x-->y", 1},
        {"comment ending in -", L"x-", 1},     {"instruction with ?>", L"a?>b", 3},
        {"CDATA with ]]>", L"a]]>b", 2},       {"control character", std::wstring(L"a\x01" L"b"), 0},
        {"lone surrogate", std::wstring(L"a") + L'\xD800' + L"b", 0},
        {"attribute specials", L"<&>\"'\t\n\r x", 4}, {"text specials", L"<&>\"'\t\n\r x", 0},
        {"leading blank instruction", L"  x", 3}, {"CR LF text", L"a\r\nb", 0},
    };
    for (const auto& c : cases) {
        ComPtr<IXMLDOMDocument2> doc;
        ASSERT_EQ(xmldom::CreateDocument(doc), S_OK);
        long error = 0;
        ASSERT_TRUE(xmldom::LoadText(doc.Get(), L"<Data><A/></Data>", error));
        ComPtr<IXMLDOMNode> a = xmldom::SelectNode(doc.Get(), L"/Data/A");
        Bstr text(c.text.c_str(), static_cast<UINT>(c.text.size()));
        ComPtr<IXMLDOMNode> node, appended;
        if (c.kind == 0) {
            ComPtr<IXMLDOMText> t;
            ASSERT_EQ(doc->createTextNode(text.get(), &t), S_OK);
            node = t;
        } else if (c.kind == 1) {
            ComPtr<IXMLDOMComment> t;
            ASSERT_EQ(doc->createComment(text.get(), &t), S_OK);
            node = t;
        } else if (c.kind == 2) {
            ComPtr<IXMLDOMCDATASection> t;
            ASSERT_EQ(doc->createCDATASection(text.get(), &t), S_OK);
            node = t;
        } else if (c.kind == 3) {
            ComPtr<IXMLDOMProcessingInstruction> t;
            Bstr target(L"p");
            ASSERT_EQ(doc->createProcessingInstruction(target.get(), text.get(), &t), S_OK);
            node = t;
        } else {
            ComPtr<IXMLDOMElement> element;
            ASSERT_TRUE(SUCCEEDED(a.As(&element)));
            Bstr name(L"a");
            Variant v;
            v->vt = VT_BSTR;
            v->bstrVal = ::SysAllocStringLen(c.text.c_str(), static_cast<UINT>(c.text.size()));
            ASSERT_EQ(element->setAttribute(name.get(), *v.get()), S_OK);
        }
        if (node)
            ASSERT_EQ(a->appendChild(node.Get(), &appended), S_OK);
        compare(doc.Get(), c.what);
    }
    // Two text nodes side by side, one of them blank.
    ComPtr<IXMLDOMDocument2> doc;
    ASSERT_EQ(xmldom::CreateDocument(doc), S_OK);
    long error = 0;
    ASSERT_TRUE(xmldom::LoadText(doc.Get(), L"<Data><A/></Data>", error));
    ComPtr<IXMLDOMNode> a = xmldom::SelectNode(doc.Get(), L"/Data/A");
    for (const wchar_t* t : {L" ", L"x", L" "}) {
        ComPtr<IXMLDOMText> node;
        Bstr text(t);
        ASSERT_EQ(doc->createTextNode(text.get(), &node), S_OK);
        ComPtr<IXMLDOMNode> appended;
        ASSERT_EQ(a->appendChild(node.Get(), &appended), S_OK);
    }
    compare(doc.Get(), "adjacent text nodes");
}

} // namespace
