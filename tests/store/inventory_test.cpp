#include <gtest/gtest.h>

#include "inventory.h"
#include "machine_data_file.h"
#include "win32_owners.h"
#include "store_test_util.h"
#include "test_support.h"
#include "xml_dom.h"

namespace {

MethodResult single(const std::wstring& name, const std::wstring& value)
{
    MethodResult r;
    r.name = name;
    r.kind = MethodResult::SINGLE;
    r.value = value;
    return r;
}

MethodResult table(const std::wstring& name, std::vector<std::wstring> columns,
                   std::vector<std::vector<std::wstring>> rows)
{
    MethodResult r;
    r.name = name;
    r.kind = MethodResult::TABLE;
    r.names = std::move(columns);
    r.rows = std::move(rows);
    return r;
}

class InventoryTest : public ::testing::Test {
protected:
    ComApartment com;
    ts::TempDir dir{L"inv"};
    MachineDataFile data;

    std::string inventoryText()
    {
        std::string bytes = storetest::saveAndRead(data, dir.file(L"out.xml"));
        size_t begin = bytes.find("\t<Inventory");
        return begin == std::string::npos ? std::string() : bytes.substr(begin);
    }
};

TEST_F(InventoryTest, WritesEachKindOfResult)
{
    ASSERT_TRUE(data.CreateNew(L"SN"));
    ASSERT_TRUE(data.AddInventoryEntry(single(L"A", L"値 <1> & 2")));
    ASSERT_TRUE(data.AddInventoryEntry(table(L"DiskSecurity", {L"Model", L"Password"},
                                             {{L"Disk 1", L"有効"}, {L"Disk 2", L"無効"}})));
    MethodResult list;
    list.name = L"L";
    list.kind = MethodResult::LIST;
    list.names = {L"p"};
    list.values = {L"v"};
    ASSERT_TRUE(data.AddInventoryEntry(list));
    MethodResult nothing;
    nothing.name = L"N";
    ASSERT_TRUE(data.AddInventoryEntry(nothing));
    ASSERT_TRUE(data.AddInventoryEntry(table(L"Empty", {L"C"}, {})));
    ASSERT_TRUE(data.AddInventoryEntry(single(L"A", L"again")));

    EXPECT_EQ(inventoryText(), ts::wideToUtf8(L"\t<Inventory>\r\n"
                                              L"\t\t<A>値 &lt;1&gt; &amp; 2</A>\r\n"
                                              L"\t\t<DiskSecurity>\r\n"
                                              L"\t\t\t<Item>\r\n"
                                              L"\t\t\t\t<Model>Disk 1</Model>\r\n"
                                              L"\t\t\t\t<Password>有効</Password>\r\n"
                                              L"\t\t\t</Item>\r\n"
                                              L"\t\t\t<Item>\r\n"
                                              L"\t\t\t\t<Model>Disk 2</Model>\r\n"
                                              L"\t\t\t\t<Password>無効</Password>\r\n"
                                              L"\t\t\t</Item>\r\n"
                                              L"\t\t</DiskSecurity>\r\n"
                                              L"\t\t<L/>\r\n"
                                              L"\t\t<N/>\r\n"
                                              L"\t\t<Empty/>\r\n"
                                              L"\t\t<A>again</A>\r\n"
                                              L"\t</Inventory>\r\n"
                                              L"</Data>\r\n"));
    MachineDataFile again;
    ASSERT_TRUE(again.Load(dir.file(L"out.xml")));
    EXPECT_TRUE(again.hasInventory);
    EXPECT_EQ(xmldom::Text(xmldom::SelectNode(again.Document(), L"/Data/Inventory/A").Get()), L"値 <1> & 2");
}

TEST_F(InventoryTest, GoesLastInDataAndReusesAnExistingInventory)
{
    ASSERT_TRUE(storetest::writeData(dir.file(L"in.xml"),
                                     "<Serial>s</Serial><Values><Value Name='a' Method='m'/></Values>"));
    ASSERT_TRUE(data.Load(dir.file(L"in.xml")));
    ASSERT_TRUE(data.SetProgress(0));
    ASSERT_TRUE(data.AddInventoryEntry(single(L"A", L"1")));
    ASSERT_TRUE(data.SetDone());
    ASSERT_TRUE(data.AddInventoryEntry(single(L"B", L"2")));
    auto names = xmldom::SelectNodes(data.Document(), L"/Data/*");
    std::vector<std::wstring> order;
    long count = 0;
    names->get_length(&count);
    for (long i = 0; i < count; ++i) {
        Microsoft::WRL::ComPtr<IXMLDOMNode> node;
        names->get_item(i, &node);
        Bstr name;
        node->get_nodeName(name.put());
        order.push_back(name.c_str());
    }
    EXPECT_EQ(order, (std::vector<std::wstring>{L"Serial", L"Values", L"Progress", L"Inventory", L"Done"}));
    EXPECT_EQ(xmldom::Text(xmldom::SelectNode(data.Document(), L"/Data/Inventory").Get()), L"12");
}

TEST_F(InventoryTest, RefusesWhatCannotBeRecorded)
{
    // Not a machine's own file: nothing is added.
    ASSERT_TRUE(storetest::writeData(dir.file(L"common.xml"), "<Common>true</Common>"));
    ASSERT_TRUE(data.Load(dir.file(L"common.xml")));
    EXPECT_FALSE(data.AddInventoryEntry(single(L"A", L"1")));
    EXPECT_FALSE(xmldom::SelectNode(data.Document(), L"/Data/Inventory"));

    ASSERT_TRUE(data.CreateNew(L"s"));
    EXPECT_FALSE(data.AddInventoryEntry(single(L"Bad Name", L"1")));
    EXPECT_FALSE(data.AddInventoryEntry(table(L"T", {L"ok", L"bad column"}, {{L"1", L"2"}})));
    EXPECT_FALSE(data.AddInventoryEntry(table(L"U", {L"C"}, {{L"1", L"surplus"}})));
    // What was made before a failure stays, and the document still saves and loads.
    EXPECT_TRUE(xmldom::SelectNode(data.Document(), L"/Data/Inventory/T/Item/ok"));
    EXPECT_TRUE(xmldom::SelectNode(data.Document(), L"/Data/Inventory/U/Item/C"));
    ASSERT_TRUE(data.Save(dir.file(L"partial.xml")));
    MachineDataFile again;
    EXPECT_TRUE(again.Load(dir.file(L"partial.xml")));

    EXPECT_FALSE(AddInventoryEntry(nullptr, true, single(L"A", L"1")));
}

} // namespace
