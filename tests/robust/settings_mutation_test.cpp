// Mutation loops over peltacfg's readers: the machine data file and the method
// catalogue, each fed thousands of randomly damaged copies of valid files. Every input
// must come back as a value (loaded or not); a data file that loads must survive an
// update and a save, and the saved file must load again with the same items.
#include <gtest/gtest.h>

#include <cstdio>

#include "inventory_list.h"
#include "machine_data_file.h"
#include "method_catalog.h"
#include "mutator.h"
#include "win32_owners.h"
#include "test_support.h"

namespace {

const char* const DATA_SEEDS[] = {
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Data>\r\n\t<Serial>SN-1</Serial>\r\n\t<Values>\r\n"
    "\t\t<Value Name=\"A\" Method=\"SetA\">1</Value>\r\n"
    "\t\t<Value Name=\"B\" Method=\"SetB\">\r\n\t\t\t<P Name=\"x\">10</P>\r\n\t\t\t<P Name=\"y\">20</P>\r\n"
    "\t\t</Value>\r\n\t\t<Value Name=\"C\" Method=\"Reboot\">yes</Value>\r\n"
    "\t\t<Value Name=\"D\" Method=\"GetD\"/>\r\n\t</Values>\r\n"
    "\t<Progress name=\"A\">0</Progress>\r\n</Data>\r\n",
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Data><Common>true</Common><Done>false</Done>"
    "<Values><Value Name=\"設定\" Method=\"レジストリ\">値</Value><Value Name=\"E\" Method=\"M\"><!--c--></Value>"
    "</Values><Inventory><Item Name=\"Model\"><Value>Wine</Value></Item></Inventory></Data>\r\n",
};

// Text without its white space. Text mixed in among elements (possible only in a file
// damaged by hand) may gain or lose indentation in its first save; nothing else may
// change.
std::wstring withoutSpace(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text)
        if (c != L' ' && c != L'\t' && c != L'\r' && c != L'\n')
            out += c;
    return out;
}

bool sameItems(const MachineDataFile& a, const MachineDataFile& b)
{
    if (a.itemNames != b.itemNames || a.itemMethods != b.itemMethods || a.itemParamNames != b.itemParamNames)
        return false;
    for (size_t i = 0; i < a.itemParams.size(); ++i) {
        const auto& x = a.itemParams[i].entries();
        const auto& y = b.itemParams[i].entries();
        if (x.size() != y.size())
            return false;
        for (size_t k = 0; k < x.size(); ++k)
            if (x[k].first != y[k].first || withoutSpace(x[k].second) != withoutSpace(y[k].second))
                return false;
    }
    return true;
}

bool listsAgree(const MachineDataFile& d)
{
    size_t n = d.itemNames.size();
    return d.itemMethods.size() == n && d.itemParams.size() == n && d.itemParamNames.size() == n;
}

TEST(Mutations, DataFileLoaderReturnsValuesAndSavesWhatItLoaded)
{
    ComApartment com;
    ts::TempDir dir(L"mutdata");
    std::wstring input = dir.file(L"in.xml"), saved = dir.file(L"saved.xml");
    robust::Mutator mutator(robust::mutationSeed());
    int total = robust::mutationCount(), loaded = 0, savedCount = 0;
    for (int n = 0; n < total; ++n) {
        std::string bytes = mutator.mutate(DATA_SEEDS[n % 2]);
        ASSERT_TRUE(ts::writeFile(input, bytes));
        MachineDataFile data;
        bool ok = false;
        {
            robust::QuietStdout quiet; // the parse error line of every broken input
            ok = data.Load(input);
        }
        if (!ok)
            continue;
        ++loaded;
        ASSERT_TRUE(listsAgree(data)) << "input " << n;
        ASSERT_EQ(ts::readFile(input), bytes) << "loading changed the file, input " << n;
        // What a run does to the file: progress, a value read back, done, save.
        size_t items = data.ItemCount();
        int index = items ? static_cast<int>(n % items) : 0;
        if (items) {
            ASSERT_TRUE(data.SetProgress(index)) << "input " << n;
            data.SetValueAt(static_cast<size_t>(index), L"read back");
        }
        ASSERT_FALSE(data.SetProgress(static_cast<int>(items))) << "input " << n;
        data.SetDone();
        ::DeleteFileW(saved.c_str());
        if (!data.Save(saved)) {
            ASSERT_FALSE(ts::fileExists(saved)) << "a failed save left a file, input " << n;
            continue;
        }
        ++savedCount;
        MachineDataFile again;
        ASSERT_TRUE(again.Load(saved)) << "the saved file does not load, input " << n << "\n" << bytes;
        ASSERT_TRUE(again.isDone) << "input " << n;
        if (items) {
            ASSERT_EQ(again.progress, index) << "input " << n;
            ASSERT_EQ(again.ItemCount(), items) << "input " << n;
            ASSERT_EQ(again.itemNames, data.itemNames) << "input " << n;
            ASSERT_EQ(again.itemMethods, data.itemMethods) << "input " << n;
        }
    }
    std::fprintf(stderr, "data file inputs: %d, loaded: %d, saved and reloaded: %d\n", total, loaded, savedCount);
    RecordProperty("inputs", total);
}

TEST(Mutations, DataFileItemsSurviveASaveUnchanged)
{
    // The parameters, not only names and methods, come back as they were loaded.
    ComApartment com;
    ts::TempDir dir(L"mutitems");
    std::wstring input = dir.file(L"in.xml"), saved = dir.file(L"saved.xml");
    robust::Mutator mutator(robust::mutationSeed() + 1);
    int total = robust::mutationCount() / 5;
    for (int n = 0; n < total; ++n) {
        std::string bytes = mutator.mutate(DATA_SEEDS[n % 2]);
        ASSERT_TRUE(ts::writeFile(input, bytes));
        MachineDataFile data;
        bool ok = false;
        {
            robust::QuietStdout quiet;
            ok = data.Load(input) && data.Save(saved);
        }
        if (!ok)
            continue;
        MachineDataFile again;
        ASSERT_TRUE(again.Load(saved)) << "input " << n;
        ASSERT_TRUE(sameItems(data, again)) << "input " << n << "\n" << bytes << "\n---\n" << ts::readFile(saved);
    }
}

std::string catalogueSeed(const std::wstring& iniFolder)
{
    std::string folder = ts::wideToUtf8(iniFolder);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Datas>\r\n"
           "<Data><Name>SerialNumber</Name><Method type=\"Registry\"><Root>HKCU</Root>"
           "<Key>Software\\PeltawinTest\\Robust</Key><Name>Serial</Name></Method></Data>\r\n"
           "<Data><Name>RegSet</Name><Set type=\"Registry\"><Root>HKCU</Root><Key>Software\\PeltawinTest\\Robust</Key>"
           "<Name>Value</Name><Type>REG_SZ</Type><Message>登録</Message></Set>"
           "<Method type=\"Registry\"><Root>HKCU</Root><Key>Software\\PeltawinTest\\Robust</Key><Name>Value</Name>"
           "</Method></Data>\r\n"
           "<Data><Name>DwordSet</Name><Set type=\"registry\"><Root>HKEY_CURRENT_USER</Root>"
           "<Key>Software\\PeltawinTest\\Robust</Key><Name>Count</Name><Type>REG_DWORD</Type></Set></Data>\r\n"
           "<Data><Name>Folder</Name><Method type=\"Registry\"><Root>HKCU</Root><Key>Software\\PeltawinTest\\Robust</Key>"
           "<Name>Folder</Name></Method></Data>\r\n"
           "<Data><Name>IniSet</Name><Set type=\"Ini\"><Path>" + folder + "</Path><File>a.ini</File>"
           "<Section>S</Section><Key>K</Key></Set>"
           "<Method type=\"Ini\"><Path>{Folder}</Path><File>a.ini</File><Section>S</Section><Key>K</Key>"
           "<Type>Int</Type></Method></Data>\r\n"
           "<Data><Name>Loop</Name><Method type=\"Ini\"><Path>{Loop}</Path><File>b.ini</File><Section>S</Section>"
           "<Key>K</Key></Method></Data>\r\n"
           "</Datas>\r\n";
}

TEST(Mutations, CatalogueAnswersEveryQueryWithAValue)
{
    ComApartment com;
    ts::TempDir dir(L"mutcat");
    std::wstring path = dir.file(L"methods.xml");
    HKEY key = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\PeltawinTest\\Robust", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr);
    ::RegSetValueExW(key, L"Folder", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.path().c_str()),
                     static_cast<DWORD>((dir.path().size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);

    const std::string seed = catalogueSeed(dir.path());
    const std::vector<const wchar_t*> NAMES = {L"SerialNumber", L"RegSet", L"DwordSet", L"Folder",
                                               L"IniSet",       L"Loop",   L"it's",     L""};
    const std::vector<const wchar_t*> NO_NAMES;
    robust::Mutator mutator(robust::mutationSeed() + 2);
    int total = robust::mutationCount(), loaded = 0, answered = 0;
    ItemValueMap values;
    values.Set(L"v", L"42");
    for (int n = 0; n < total; ++n) {
        ASSERT_TRUE(ts::writeFile(path, mutator.mutate(seed)));
        std::string fault;
        {
            robust::QuietStdout quiet; // every Get and Set traces its method name
            MethodCatalog catalog;
            bool ok = catalog.LoadFile(path);
            if (!ok && catalog.lastError == 0)
                fault = "a failed load without a reason";
            else if (!ok && catalog.Contains(L"SerialNumber"))
                fault = "a failed load still finds methods";
            loaded += ok ? 1 : 0;
            for (const wchar_t* name : ok ? NAMES : NO_NAMES) {
                MethodResult result;
                if (catalog.Contains(name))
                    ++answered;
                if (catalog.RunGet(name, result) && result.kind == 0)
                    fault = "a Get reported a value it did not read";
                bool notFound = false;
                if (catalog.RunSet(name, values, notFound) && notFound)
                    fault = "a Set without definition reported success";
            }
            catalog.Close();
        }
        ASSERT_EQ(fault, "") << "input " << n;
    }
    std::fprintf(stderr, "catalogue inputs: %d, loaded: %d, methods found: %d\n", total, loaded, answered);
}

TEST(Mutations, InventoryListReadsAnyBytes)
{
    ts::TempDir dir(L"mutinv");
    std::wstring path = dir.file(L"inventory");
    const std::string seed = "# inventory\r\nSerialNumber\r\n\r\nModel\r\n #not a comment\r\nメーカー\r\n";
    robust::Mutator mutator(robust::mutationSeed() + 3);
    for (int n = 0; n < 2000; ++n) {
        ASSERT_TRUE(ts::writeFile(path, mutator.mutate(seed)));
        std::vector<std::wstring> names;
        ASSERT_TRUE(ReadInventoryList(path, names)) << "input " << n;
        for (const auto& name : names)
            ASSERT_FALSE(name.empty() || name[0] == L'#') << "input " << n;
    }
}

} // namespace
