#include <gtest/gtest.h>

#include "executor_context.h"
#include "ini_methods.h"
#include "method_catalog.h"
#include "method_params.h"
#include "method_reference.h"
#include "methods_fixture.h"
#include "xml_dom.h"

using mt::LoadedCatalog;
using mt::Values;

namespace {

// A Registry Get under HKCU that nobody writes: fails with 2 when run.
std::wstring AbsentRegistryGet(const std::wstring& name)
{
    return L"<Data><Name>" + name + L"</Name><Method type='Registry'><Root>HKCU</Root>"
           L"<Key>Software\\PeltawinTest\\NoSuchKeyAtAll</Key><Name>x</Name></Method></Data>";
}

} // namespace

TEST(MethodCatalog, LoadFailuresLeaveAnEmptyCatalogueWithTheParserCode)
{
    ComApartment com;
    ts::TempDir dir;
    MethodCatalog catalog;
    EXPECT_FALSE(catalog.LoadFile(dir.file(L"missing.xml")));
    EXPECT_NE(catalog.lastError, 0);
    EXPECT_FALSE(catalog.Contains(L"A"));

    ASSERT_TRUE(ts::writeFile(dir.file(L"bad.xml"), "<Datas><Data><Name>A</Name></Data>"));
    catalog.lastError = 0;
    EXPECT_FALSE(catalog.LoadFile(dir.file(L"bad.xml")));
    EXPECT_NE(catalog.lastError, 0);
    MethodResult result;
    EXPECT_FALSE(catalog.RunGet(L"A", result));
    bool notFound = false;
    EXPECT_FALSE(catalog.RunSet(L"A", Values({{L"v", L"1"}}), notFound));
    EXPECT_TRUE(notFound);

    // The executable's location is known after any load attempt.
    EXPECT_EQ(catalog.exeDir, ts::moduleDir());
    EXPECT_EQ(catalog.exePath.substr(0, catalog.exeDir.size() + 1), catalog.exeDir + L"\\");
}

TEST(MethodCatalog, FirstDefinitionOfANameWinsAndCloseForgetsEverything)
{
    LoadedCatalog cat(L"<Data><Name>Dup</Name><Set type='nothing'><Message>first</Message></Set></Data>"
                      L"<Data><Name>Dup</Name><Set type='nothing'><Message>second</Message></Set></Data>"
                      L"<Data><Name>Two</Name><Set type='nothing'><Message>one</Message></Set>"
                      L"<Set type='nothing'><Message>two</Message></Set></Data>");
    ASSERT_TRUE(cat.loaded);
    bool notFound = true;
    EXPECT_FALSE(cat->RunSet(L"Dup", Values({{L"v", L"x"}}), notFound));
    EXPECT_EQ(cat->message, L"first");
    EXPECT_FALSE(cat->RunSet(L"Two", Values({{L"v", L"x"}}), notFound));
    EXPECT_EQ(cat->message, L"one");
    EXPECT_TRUE(cat->Contains(L"Dup"));
    EXPECT_FALSE(cat->Contains(L"dup")); // names compare with case

    cat->Connection(L"root\\cimv2");
    cat->Close();
    EXPECT_TRUE(cat->connections.empty());
    EXPECT_FALSE(cat->Contains(L"Dup"));
    EXPECT_FALSE(cat->RunSet(L"Dup", Values({{L"v", L"x"}}), notFound));
    EXPECT_TRUE(notFound);
}

// The name lookup matches the whole text of a Name child of a Data element
// directly under the root, exactly as written; the first such Data wins even
// when a later one has the definition asked for.
TEST(MethodCatalog, NameLookupMatchesWholeNameTextsOfTopLevelDataOnly)
{
    LoadedCatalog cat(L"<Data><Name>Early</Name><Method type='Registry'/></Data>"
                      L"<Data><Name>Early</Name><Set type='nothing'><Message>late</Message></Set></Data>"
                      L"<Data><Name> Spaced </Name><Set type='nothing'/></Data>"
                      L"<Data><Name>Alias1</Name><Name>Alias2</Name><Set type='nothing'/></Data>"
                      L"<Data><Name>A&amp;B<![CDATA[<c>]]></Name><Set type='nothing'/></Data>"
                      L"<Data><Name>Outer</Name><Data><Name>Inner</Name><Set type='nothing'/></Data></Data>"
                      L"<Data><name>lower</name><Set type='nothing'/></Data>"
                      L"<data><Name>SmallData</Name><Set type='nothing'/></data>"
                      L"<Data><Set type='nothing'/></Data>"
                      L"<Data><Name></Name><Set type='nothing'><Message>empty</Message></Set></Data>");
    ASSERT_TRUE(cat.loaded);
    bool notFound = false;
    EXPECT_FALSE(cat->RunSet(L"Early", Values({{L"v", L"x"}}), notFound));
    EXPECT_TRUE(notFound);
    EXPECT_TRUE(cat->message.empty());
    EXPECT_FALSE(cat->Contains(L"EARLY"));
    EXPECT_FALSE(cat->Contains(L"Earl"));

    EXPECT_TRUE(cat->Contains(L" Spaced "));
    EXPECT_FALSE(cat->Contains(L"Spaced"));
    EXPECT_TRUE(cat->Contains(L"Alias1"));
    EXPECT_TRUE(cat->Contains(L"Alias2"));
    EXPECT_TRUE(cat->Contains(L"A&B<c>"));
    EXPECT_TRUE(cat->Contains(L"Outer"));
    EXPECT_FALSE(cat->Contains(L"Inner"));
    EXPECT_FALSE(cat->Contains(L"lower"));
    EXPECT_FALSE(cat->Contains(L"SmallData"));
    EXPECT_FALSE(cat->RunSet(L"", Values({}), notFound));
    EXPECT_FALSE(notFound);
    EXPECT_EQ(cat->message, L"empty");

    // Only a root named Datas holds methods.
    ts::TempDir dir;
    ASSERT_TRUE(ts::writeFile(dir.file(L"other.xml"), "<Other><Data><Name>A</Name><Set type='x'/></Data></Other>"));
    MethodCatalog other;
    ASSERT_TRUE(other.LoadFile(dir.file(L"other.xml")));
    EXPECT_FALSE(other.Contains(L"A"));
}

TEST(MethodCatalog, RunSetResetsItsReportAndTellsMissingFromFailed)
{
    LoadedCatalog cat(L"<Data><Name>Unknown</Name><Set type='Frobnicate'><Message>説明です</Message></Set></Data>"
                      L"<Data><Name>GetOnly</Name><Method type='Registry'/></Data>"
                      L"<Data><Name>Plain</Name><Set type='nothing'/></Data>");
    ASSERT_TRUE(cat.loaded);
    bool notFound = false;

    // An unknown type runs nothing and fails with lastError 0; its Message stays.
    cat->lastError = 99;
    EXPECT_FALSE(cat->RunSet(L"Unknown", Values({{L"v", L"x"}}), notFound));
    EXPECT_FALSE(notFound);
    EXPECT_EQ(cat->lastError, 0);
    EXPECT_EQ(cat->message, L"説明です");

    cat->output = L"old output";
    EXPECT_FALSE(cat->RunSet(L"Nowhere", Values({}), notFound));
    EXPECT_TRUE(notFound);
    EXPECT_TRUE(cat->message.empty());
    EXPECT_TRUE(cat->output.empty());

    cat->message = L"old";
    EXPECT_FALSE(cat->RunSet(L"GetOnly", Values({}), notFound));
    EXPECT_TRUE(notFound);
    EXPECT_TRUE(cat->message.empty());

    // A definition without Message leaves message empty.
    cat->message = L"old";
    EXPECT_FALSE(cat->RunSet(L"Plain", Values({}), notFound));
    EXPECT_FALSE(notFound);
    EXPECT_TRUE(cat->message.empty());
}

TEST(MethodCatalog, PowerShellGetShowsItsCommandAndFailsWithoutRunning)
{
    LoadedCatalog cat(L"<Data><Name>シリアル</Name><Method type='powershell'>"
                      L"<Command>Get-Thing -Name 'x'</Command></Method></Data>");
    ASSERT_TRUE(cat.loaded);
    cat->lastError = 7;
    MethodResult result;
    mt::CapturedStdout out;
    EXPECT_FALSE(cat->RunGet(L"シリアル", result));
    EXPECT_EQ(out.bytes(), ts::wideToCp932(L"シリアル\r\n Get-Thing -Name 'x'\r\n"));
    EXPECT_EQ(cat->lastError, 7);
    EXPECT_EQ(result.name, L"シリアル");
    EXPECT_EQ(result.kind, MethodResult::NOTHING);
}

TEST(MethodCatalog, DiskTableGetAndUnknownGetType)
{
    LoadedCatalog cat(L"<Data><Name>Disks</Name><Method type='HDDPWD'/></Data>"
                      L"<Data><Name>Odd</Name><Method type='Telepathy'/></Data>");
    ASSERT_TRUE(cat.loaded);
    MethodResult result;
    EXPECT_TRUE(cat->RunGet(L"Disks", result));
    EXPECT_EQ(result.kind, MethodResult::TABLE);
    result.Clear();
    EXPECT_FALSE(cat->RunGet(L"Odd", result));
    EXPECT_EQ(result.name, L"Odd");
}

// Malformed definitions fail as values: nothing escapes RunGet/RunSet and nothing runs.
TEST(MethodCatalog, MalformedDefinitionsFailAsValues)
{
    LoadedCatalog cat(L"<Data><Name>NoType</Name><Method/><Set><Message>m</Message></Set></Data>");
    ASSERT_TRUE(cat.loaded);
    MethodResult result;
    bool notFound = true;

    EXPECT_FALSE(cat->RunGet(L"NoType", result));
    EXPECT_EQ(cat->lastError, -1);
    EXPECT_FALSE(cat->RunSet(L"NoType", Values({{L"v", L"yes"}}), notFound));
    EXPECT_FALSE(notFound);
    EXPECT_EQ(cat->lastError, -1);
    EXPECT_EQ(cat->message, L"m");

    // A name with an apostrophe cannot go into the selection expression.
    cat->lastError = 0;
    EXPECT_FALSE(cat->Contains(L"it's"));
    EXPECT_FALSE(cat->RunGet(L"it's", result));
    EXPECT_EQ(cat->lastError, -1);
    EXPECT_FALSE(cat->RunSet(L"it's", Values({}), notFound));
    EXPECT_TRUE(notFound);
    EXPECT_EQ(cat->lastError, -1);
}

TEST(MethodCatalog, MethodNamesUpTo1003CharactersAreFound)
{
    std::wstring longest(1003, L'n');
    std::wstring tooLong(1004, L'n');
    LoadedCatalog cat(L"<Data><Name>" + longest + L"</Name><Set type='none'><Message>found</Message></Set></Data>"
                      L"<Data><Name>" + tooLong + L"</Name><Set type='none'/></Data>");
    ASSERT_TRUE(cat.loaded);
    EXPECT_TRUE(cat->Contains(longest));
    EXPECT_FALSE(cat->Contains(tooLong));
    bool notFound = false;
    EXPECT_FALSE(cat->RunSet(longest, Values({}), notFound));
    EXPECT_EQ(cat->message, L"found");
    EXPECT_FALSE(cat->RunSet(tooLong, Values({}), notFound));
    EXPECT_TRUE(notFound);
    EXPECT_EQ(cat->lastError, -1);
}

TEST(MethodCatalog, ResolveReferenceReplacesOnlyTheFirstReadableReference)
{
    ts::TempDir dir;
    ASSERT_TRUE(ts::writeFile(dir.file(L"v.ini"), "[s]\r\nk=C:\\Base\r\n"));
    auto iniGet = [&](const std::wstring& name) {
        return L"<Data><Name>" + name + L"</Name><Method type='Ini'><Path>" + dir.path() +
               L"</Path><File>v.ini</File><Section>s</Section><Key>k</Key><Type>String</Type></Method></Data>";
    };
    LoadedCatalog cat(iniGet(L"Base") + iniGet(L"Other") + AbsentRegistryGet(L"Absent"));
    ASSERT_TRUE(cat.loaded);

    EXPECT_EQ(ResolveReference(cat->Context(), L"{Base}\\sub"), L"C:\\Base\\sub");
    EXPECT_EQ(ResolveReference(cat->Context(), L"{Base}+{Base}"), L"C:\\Base+C:\\Base");
    EXPECT_EQ(ResolveReference(cat->Context(), L"{Base}|{Other}"), L"C:\\Base|{Other}");
    EXPECT_EQ(ResolveReference(cat->Context(), L"{Nobody}\\x"), L"{Nobody}\\x");
    EXPECT_EQ(ResolveReference(cat->Context(), L"no braces {at all"), L"no braces {at all");
    EXPECT_EQ(ResolveReference(cat->Context(), L"}{"), L"}{");

    // A method that exists but cannot be read leaves its reference too.
    EXPECT_EQ(ResolveReference(cat->Context(), L"{Absent}"), L"{Absent}");
    EXPECT_EQ(cat->lastError, 2);
}

// An executor needs no catalogue: a context made by hand resolves its references.
TEST(ExecutorContext, AnExecutorRunsWithAContextMadeByHand)
{
    ComApartment com;
    ts::TempDir dir;
    Microsoft::WRL::ComPtr<IXMLDOMDocument2> document;
    long parseError = 0;
    ASSERT_TRUE(SUCCEEDED(xmldom::CreateDocument(document)));
    ASSERT_TRUE(xmldom::LoadText(document.Get(), L"<Set type='Ini'><Path>{Folder}</Path><File>x.ini</File>"
                                                 L"<Section>s</Section><Key>k</Key></Set>", parseError));
    Microsoft::WRL::ComPtr<IXMLDOMNode> definition = xmldom::SelectNode(document.Get(), L"Set");
    ExecutorContext context;
    EXPECT_EQ(ResolveReference(context, L"{Folder}"), L"{Folder}"); // no reader: as written
    context.readMethod = [&](const std::wstring& name, MethodResult& result) {
        result.kind = MethodResult::SINGLE;
        result.value = dir.path();
        return name == L"Folder";
    };
    EXPECT_EQ(SetIniValue(context, definition.Get(), L"v"), 0);
    EXPECT_NE(ts::readFile(dir.file(L"x.ini")).find("k=v"), std::string::npos);
}

TEST(MethodCatalog, ReferenceCyclesEndUnresolved)
{
    ts::TempDir dir;
    auto iniGet = [&](const std::wstring& name, const std::wstring& path) {
        return L"<Data><Name>" + name + L"</Name><Method type='Ini'><Path>" + path +
               L"</Path><File>x.ini</File><Section>s</Section><Key>k</Key><Type>String</Type></Method>"
               L"<Set type='Ini'><Path>" + path + L"</Path><File>x.ini</File><Section>s</Section><Key>k</Key></Set></Data>";
    };
    LoadedCatalog cat(iniGet(L"Self", L"{Self}") + iniGet(L"A", L"{B}\\a") + iniGet(L"B", L"{A}\\b"));
    ASSERT_TRUE(cat.loaded);
    MethodResult result;
    EXPECT_FALSE(cat->RunGet(L"Self", result));
    EXPECT_EQ(cat->lastError, -1);
    EXPECT_FALSE(cat->RunGet(L"A", result));
    EXPECT_EQ(cat->lastError, -1);
    // A Set through the cycle writes under a folder that does not exist.
    bool notFound = true;
    EXPECT_FALSE(cat->RunSet(L"B", Values({{L"v", L"x"}}), notFound));
    EXPECT_NE(cat->lastError, 0);
    EXPECT_EQ(ResolveReference(cat->Context(), L"{A}"), L"{A}");
}

TEST(MethodCatalog, SwitchRuleRunsOnlyForAFirstValueOfYes)
{
    EXPECT_FALSE(SwitchRule(Values({})));
    EXPECT_TRUE(SwitchRule(Values({{L"v", L"yes"}})));
    EXPECT_TRUE(SwitchRule(Values({{L"v", L"YeS"}, {L"w", L"no"}})));
    EXPECT_FALSE(SwitchRule(Values({{L"v", L"no"}, {L"w", L"yes"}})));
    EXPECT_FALSE(SwitchRule(Values({{L"v", L""}})));
    EXPECT_FALSE(SwitchRule(Values({{L"v", L"yes "}})));
    EXPECT_EQ(FirstValue(Values({})), L"");
}

TEST(MethodCatalog, ParamValueTakesTheItemValueElseTheDefaultThroughTheAnsiCodePage)
{
    LoadedCatalog cat(L"<Data><Name>P</Name><Set type='Command'><InParam>"
                      L"<Param name='Host'>10.0.0.9</Param><Param name='Text'>日本語 한</Param><Param>nameless</Param>"
                      L"</InParam></Set></Data>");
    ASSERT_TRUE(cat.loaded);
    Microsoft::WRL::ComPtr<IXMLDOMNodeList> params;
    {
        Microsoft::WRL::ComPtr<IXMLDOMDocument2> doc;
        ASSERT_EQ(xmldom::CreateDocument(doc), S_OK);
        long error = 0;
        ASSERT_TRUE(xmldom::LoadFile(doc.Get(), cat.dir.file(L"methods.xml"), error));
        params = xmldom::SelectNodes(doc.Get(), L"//Param");
    }
    ASSERT_TRUE(params);
    Microsoft::WRL::ComPtr<IXMLDOMNode> host, text, nameless;
    params->get_item(0, &host);
    params->get_item(1, &text);
    params->get_item(2, &nameless);

    std::wstring value;
    EXPECT_TRUE(ParamValue(host.Get(), Values({{L"Host", L"10.0.0.1"}}), value));
    EXPECT_EQ(value, L"10.0.0.1");
    EXPECT_TRUE(ParamValue(host.Get(), Values({{L"host", L"10.0.0.1"}}), value));
    EXPECT_EQ(value, L"10.0.0.9");
    // Hangul has no form in code page 932.
    EXPECT_TRUE(ParamValue(text.Get(), Values({}), value));
    EXPECT_EQ(value, L"日本語 ?");
    // An item value is used as given, without the round trip.
    EXPECT_TRUE(ParamValue(text.Get(), Values({{L"Text", L"한"}}), value));
    EXPECT_EQ(value, L"한");
    EXPECT_FALSE(ParamValue(nameless.Get(), Values({}), value));
}

TEST(MethodCatalog, ConnectionsAreCachedByTheExactNamespaceText)
{
    ComApartment com;
    MethodCatalog catalog;
    MethodWMI* first = catalog.Connection(L"root\\cimv2");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(catalog.Connection(L"root\\cimv2"), first);
    MethodWMI* other = catalog.Connection(L"ROOT\\CIMV2");
    EXPECT_NE(other, first);
    // A namespace that cannot connect is kept as well, with its failure.
    MethodWMI* bad = catalog.Connection(L"root\\nothing_here");
    EXPECT_NE(bad->lastError, 0);
    EXPECT_EQ(catalog.Connection(L"root\\nothing_here"), bad);
    EXPECT_EQ(catalog.connections.size(), 3u);
}

TEST(MethodCatalog, EachRunWritesTheMethodNameToStandardOutput)
{
    LoadedCatalog cat(L"<Data><Name>再起動</Name><Set type='none'/></Data>" + AbsentRegistryGet(L"Reg"));
    ASSERT_TRUE(cat.loaded);
    mt::CapturedStdout out;
    bool notFound = true;
    cat->RunSet(L"再起動", Values({}), notFound);
    MethodResult result;
    cat->RunGet(L"Reg", result);
    cat->RunGet(L"Missing", result);
    EXPECT_EQ(out.bytes(), ts::wideToCp932(L"再起動\r\nReg\r\n"));
}
