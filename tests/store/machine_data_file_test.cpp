#include <gtest/gtest.h>

#include "machine_data_file.h"
#include "win32_owners.h"
#include "store_test_util.h"
#include "test_support.h"
#include "xml_dom.h"

using storetest::writeData;

namespace {

class DataFileTest : public ::testing::Test {
protected:
    ComApartment com;
    ts::TempDir dir{L"mdf"};
    std::wstring file = dir.file(L"data.xml");
    MachineDataFile data;

    void load(std::string_view body)
    {
        ASSERT_TRUE(writeData(file, body));
        ASSERT_TRUE(data.Load(file));
        ASSERT_EQ(data.itemMethods.size(), data.itemNames.size());
        ASSERT_EQ(data.itemParams.size(), data.itemNames.size());
        ASSERT_EQ(data.itemParamNames.size(), data.itemNames.size());
    }
    bool loads(std::string_view body)
    {
        return writeData(file, body) && data.Load(file);
    }
    std::vector<std::pair<std::wstring, std::wstring>> params(size_t item) const
    {
        return data.itemParams.at(item).entries();
    }
    using Names = std::vector<std::wstring>;
    using Params = std::vector<std::pair<std::wstring, std::wstring>>;
};

TEST_F(DataFileTest, ReadsTheThreeShapesOfAnItem)
{
    load("<Values>"
         "<Value Name='text' Method='M1'>abc</Value>"
         "<Value Name='empty' Method='M2'/>"
         "<Value Name='list' Method='M3'>\r\n  <P Name='a'>1</P>\r\n  <Q Name='b'>two</Q>\r\n</Value>"
         "<Value Name='dup' Method='M4'><P Name='a'>1</P><P Name='b'>x</P><P Name='a'>2</P></Value>"
         "<Value Name='emptyFirst' Method='M5'><P Name='a'/><P Name='b'>x</P><P Name='c'>y</P></Value>"
         "<Value Name='commentFirst' Method='M6'><!-- note --><P Name='a'>1</P></Value>"
         "</Values>");
    ASSERT_EQ(data.ItemCount(), 6u);
    EXPECT_EQ(data.itemNames, (Names{L"text", L"empty", L"list", L"dup", L"emptyFirst", L"commentFirst"}));
    EXPECT_EQ(data.itemMethods, (Names{L"M1", L"M2", L"M3", L"M4", L"M5", L"M6"}));

    EXPECT_EQ(params(0), (Params{{L"text", L"abc"}}));
    EXPECT_EQ(data.itemParamNames[0], (Names{L"text"}));
    EXPECT_EQ(params(1), (Params{{L"empty", L""}}));
    EXPECT_EQ(data.itemParamNames[1], (Names{L"empty"}));
    EXPECT_EQ(params(2), (Params{{L"a", L"1"}, {L"b", L"two"}}));
    EXPECT_EQ(data.itemParamNames[2], (Names{L"a", L"b"}));
    // A repeated parameter keeps its first place, takes the later value and is listed twice.
    EXPECT_EQ(params(3), (Params{{L"a", L"2"}, {L"b", L"x"}}));
    EXPECT_EQ(data.itemParamNames[3], (Names{L"a", L"b", L"a"}));
    // An empty first parameter or a leading comment turns the item into a simple value.
    EXPECT_EQ(params(4), (Params{{L"emptyFirst", L"xy"}}));
    EXPECT_EQ(data.itemParamNames[4], (Names{L"emptyFirst"}));
    EXPECT_EQ(params(5), (Params{{L"commentFirst", L"1"}}));
}

TEST_F(DataFileTest, RejectsMalformedItems)
{
    const char* bad[] = {
        "<Values><Value Name='a'>x</Value></Values>",                                       // no Method
        "<Values><Value Method='m'>x</Value></Values>",                                     // no Name
        "<Values><Value Name='a' Method='m'><P>1</P></Value></Values>",                     // parameter without Name
        "<Values><Value Name='a' Method='m'><P Name='p'>1</P><!-- c --></Value></Values>",  // comment later
        "<Values><Value Name='a' Method='m'><P Name='p'>1</P>stray</Value></Values>",       // text later
    };
    for (const char* body : bad) {
        EXPECT_FALSE(loads(body)) << body;
        EXPECT_EQ(data.ItemCount(), 0u) << body;
        EXPECT_EQ(data.itemParams.size(), 0u) << body;
        EXPECT_EQ(data.Document(), nullptr) << body;
        EXPECT_FALSE(data.hasSerial) << body;
    }
}

TEST_F(DataFileTest, ReadsTheFlags)
{
    load("<Serial>SN-1</Serial><Common>TRUE</Common><Done>True</Done><Inventory/>");
    EXPECT_TRUE(data.hasSerial);
    EXPECT_EQ(data.serial, L"SN-1");
    EXPECT_EQ(data.path, file);
    EXPECT_TRUE(data.isCommon);
    EXPECT_TRUE(data.isDone);
    EXPECT_TRUE(data.hasInventory);
    EXPECT_EQ(data.progress, -1);
    EXPECT_EQ(data.ItemCount(), 0u);

    load("<Common>yes</Common><Done>false</Done>");
    EXPECT_FALSE(data.hasSerial);
    EXPECT_TRUE(data.path.empty());
    EXPECT_FALSE(data.isCommon);
    EXPECT_FALSE(data.isDone);
    EXPECT_FALSE(data.hasInventory);
}

TEST_F(DataFileTest, ReadsTheLeadingIntegerOfProgress)
{
    const std::pair<const char*, int> cases[] = {
        {"<Progress>3</Progress>", 3},         {"<Progress name='x'/>", 0},
        {"<Progress>  12abc</Progress>", 12}, {"<Progress>-2</Progress>", -2},
        {"<Progress>+7</Progress>", 7},       {"<Progress>abc</Progress>", 0},
        {"<Progress>99999999999</Progress>", 2147483647},
    };
    for (const auto& [body, expected] : cases) {
        load(body);
        EXPECT_EQ(data.progress, expected) << body;
    }
    load("<Serial>s</Serial>");
    EXPECT_EQ(data.progress, -1);
}

TEST_F(DataFileTest, ParseFailureIsReportedAndLeavesNothing)
{
    ASSERT_TRUE(ts::writeFile(file, "<Data><Serial>x</Data>"));
    // The error line goes to whatever standard output is: here a file.
    std::wstring captured = dir.file(L"stdout.txt");
    {
        UniqueHandle out(::CreateFileW(captured.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(out);
        HANDLE saved = ::GetStdHandle(STD_OUTPUT_HANDLE);
        ::SetStdHandle(STD_OUTPUT_HANDLE, out.get());
        bool loaded = data.Load(file);
        ::SetStdHandle(STD_OUTPUT_HANDLE, saved);
        EXPECT_FALSE(loaded);
    }
    std::string line = ts::readFile(captured);
    EXPECT_EQ(line.rfind("error:0x", 0), 0u) << line;
    EXPECT_GT(line.size(), 10u);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_FALSE(data.hasSerial);
    EXPECT_EQ(data.Document(), nullptr);
    EXPECT_FALSE(data.Load(dir.file(L"missing.xml")));
    EXPECT_FALSE(data.Save(dir.file(L"out.xml")));
    EXPECT_FALSE(ts::fileExists(dir.file(L"out.xml")));
}

TEST_F(DataFileTest, CreateNewHoldsOnlyTheSerial)
{
    ASSERT_TRUE(data.CreateNew(L"製造番号-42"));
    EXPECT_TRUE(data.hasSerial);
    EXPECT_EQ(data.serial, L"製造番号-42");
    std::wstring out = dir.file(L"new.xml");
    ASSERT_TRUE(data.Save(out));
    EXPECT_EQ(ts::readFile(out), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Data>\r\n\t<Serial>"
                                 + ts::wideToUtf8(L"製造番号-42") + "</Serial>\r\n</Data>\r\n");
    MachineDataFile again;
    ASSERT_TRUE(again.Load(out));
    EXPECT_EQ(again.serial, L"製造番号-42");
    EXPECT_EQ(again.path, out);

    ASSERT_TRUE(data.SetSerial(L"other"));
    EXPECT_EQ(data.serial, L"other");
    EXPECT_EQ(xmldom::Text(xmldom::SelectNode(data.Document(), L"/Data/Serial").Get()), L"other");
}

TEST_F(DataFileTest, SetSerialNeverCreatesTheElement)
{
    load("<Values><Value Name='a' Method='m'>1</Value></Values>");
    EXPECT_FALSE(data.SetSerial(L"x"));
    EXPECT_TRUE(data.serial.empty());
    EXPECT_FALSE(xmldom::SelectNode(data.Document(), L"/Data/Serial"));
}

TEST_F(DataFileTest, SetProgressAppendsOnceThenReplacesInPlace)
{
    load("<Serial>s</Serial><Values><Value Name='first' Method='m'>1</Value>"
         "<Value Name='second' Method='m'>2</Value></Values><Inventory/>");
    EXPECT_FALSE(data.SetProgress(-1));
    EXPECT_FALSE(data.SetProgress(2));
    EXPECT_FALSE(xmldom::SelectNode(data.Document(), L"/Data/Progress"));

    ASSERT_TRUE(data.SetProgress(0));
    auto last = xmldom::SelectNode(data.Document(), L"/Data/*[last()]");
    std::wstring attr;
    ASSERT_TRUE(xmldom::Attribute(last.Get(), L"name", attr));
    EXPECT_EQ(attr, L"first");
    EXPECT_EQ(xmldom::Text(last.Get()), L"0");
    EXPECT_EQ(data.progress, -1);

    // Something appended after it does not move it: the second call replaces in place.
    ASSERT_TRUE(data.SetDone());
    ASSERT_TRUE(data.SetProgress(1));
    auto all = xmldom::SelectNodes(data.Document(), L"/Data/Progress");
    long count = 0;
    all->get_length(&count);
    EXPECT_EQ(count, 1);
    auto progress = xmldom::SelectNode(data.Document(), L"/Data/*[4]");
    ASSERT_TRUE(xmldom::Attribute(progress.Get(), L"name", attr));
    EXPECT_EQ(attr, L"second");
    EXPECT_EQ(xmldom::Text(progress.Get()), L"1");

    std::wstring out = dir.file(L"out.xml");
    ASSERT_TRUE(data.Save(out));
    MachineDataFile again;
    ASSERT_TRUE(again.Load(out));
    EXPECT_EQ(again.progress, 1);
    EXPECT_TRUE(again.isDone);
    EXPECT_FALSE(data.isDone);
}

TEST_F(DataFileTest, ClearProgressRemovesTheElement)
{
    load("<Serial>s</Serial><Progress name='a'>0</Progress><Values><Value Name='a' Method='m'/></Values>");
    ASSERT_TRUE(data.ClearProgress());
    EXPECT_FALSE(xmldom::SelectNode(data.Document(), L"/Data/Progress"));
    EXPECT_EQ(data.progress, 0);
    EXPECT_TRUE(data.ClearProgress());
    std::wstring out = dir.file(L"out.xml");
    ASSERT_TRUE(data.Save(out));
    MachineDataFile again;
    ASSERT_TRUE(again.Load(out));
    EXPECT_EQ(again.progress, -1);
}

TEST_F(DataFileTest, SetDoneCreatesOrOverwrites)
{
    load("<Serial>s</Serial><Done>no</Done>");
    ASSERT_TRUE(data.SetDone());
    EXPECT_EQ(xmldom::Text(xmldom::SelectNode(data.Document(), L"/Data/Done").Get()), L"true");
    EXPECT_FALSE(data.isDone);
}

TEST_F(DataFileTest, SetValueAtTurnsAnItemIntoAReadBackValue)
{
    load("<Values><Value Name='a' Method='m'><P Name='x'>1</P><P Name='y'>2</P></Value>"
         "<Value Name=\"it's\" Method='m'>old</Value>"
         "<Value Name='b' Method='m'>b</Value></Values>");
    ASSERT_TRUE(data.SetValueAt(0, L"read <back> & 値"));
    // The lists describe the file as loaded.
    EXPECT_EQ(data.itemParamNames[0], (Names{L"x", L"y"}));
    EXPECT_FALSE(data.SetValueAt(3, L"v"));
    EXPECT_TRUE(data.SetValueAt(1, L"new"));

    std::wstring out = dir.file(L"out.xml");
    ASSERT_TRUE(data.Save(out));
    MachineDataFile again;
    ASSERT_TRUE(again.Load(out));
    ASSERT_EQ(again.ItemCount(), 3u);
    EXPECT_EQ(params(0).size(), 2u);
    EXPECT_EQ(again.itemParams[0].entries(), (Params{{L"a", L"read <back> & 値"}}));
    EXPECT_EQ(again.itemParams[1].entries(), (Params{{L"it's", L"new"}}));
    EXPECT_EQ(again.itemParams[2].entries(), (Params{{L"b", L"b"}}));
    auto item = xmldom::SelectNode(again.Document(), L"/Data/Values/Value[1]");
    std::wstring get;
    ASSERT_TRUE(xmldom::Attribute(item.Get(), L"Get", get));
    EXPECT_EQ(get, L"true");
    EXPECT_FALSE(xmldom::Attribute(xmldom::SelectNode(again.Document(), L"/Data/Values/Value[3]").Get(), L"Get", get));
}

TEST_F(DataFileTest, UpdatesWithoutADocumentFail)
{
    EXPECT_FALSE(data.SetDone());
    EXPECT_FALSE(data.SetSerial(L"x"));
    EXPECT_FALSE(data.SetValueAt(0, L"b"));
    EXPECT_FALSE(data.SetProgress(0));
    EXPECT_FALSE(data.ClearProgress());
    MethodResult result;
    result.name = L"A";
    result.kind = MethodResult::SINGLE;
    EXPECT_FALSE(data.AddInventoryEntry(result));
}

TEST_F(DataFileTest, ClearKeepsTheOtherFlags)
{
    load("<Serial>s</Serial><Done>true</Done><Progress>1</Progress><Values><Value Name='a' Method='m'/></Values>");
    data.Clear();
    EXPECT_FALSE(data.hasSerial);
    EXPECT_EQ(data.ItemCount(), 0u);
    EXPECT_TRUE(data.itemParams.empty());
    EXPECT_EQ(data.Document(), nullptr);
    EXPECT_TRUE(data.isDone);
    EXPECT_EQ(data.progress, 1);
    // Loading again starts from scratch.
    load("<Values><Value Name='b' Method='m'/></Values>");
    EXPECT_FALSE(data.isDone);
    EXPECT_EQ(data.progress, -1);
    EXPECT_EQ(data.itemNames, (Names{L"b"}));
}

} // namespace
