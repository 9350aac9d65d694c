// The distribution folder: its root is an empty kit that cannot apply
// anything by accident, the example travels under examples\, and every
// program carries the project's version.
#include <gtest/gtest.h>

#include <windows.h>
#include <sstream>
#include <string>
#include <vector>

#include "app_driver.h"
#include "inventory_list.h"
#include "resource.h"
#include "test_support.h"

namespace {

const std::wstring DIST = ts::moduleDir() + L"\\dist_layout";

std::wstring distFile(const std::wstring& relative) { return DIST + L"\\" + relative; }

std::vector<std::wstring> programs()
{
    std::vector<std::wstring> names;
    std::wistringstream list(ts::utf8ToWide(PW_DIST_PROGRAMS));
    for (std::wstring name; list >> name;)
        names.push_back(name + L".exe");
    return names;
}

bool isFolder(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring versionString(const std::vector<BYTE>& block, const wchar_t* name)
{
    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    UINT size = 0;
    if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &size) ||
        size < sizeof *translation)
        return L"(no translation)";
    wchar_t path[128];
    _snwprintf(path, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language, translation->codePage, name);
    path[127] = L'\0';
    wchar_t* value = nullptr;
    if (!::VerQueryValueW(block.data(), path, reinterpret_cast<void**>(&value), &size) || !value)
        return L"(missing)";
    return value;
}

} // namespace

TEST(Dist, RootIsAnEmptyKitAndTheExampleTravelsUnderExamples)
{
    for (const auto& program : programs())
        EXPECT_TRUE(ts::fileExists(distFile(program))) << ts::wideToUtf8(program);
    for (const wchar_t* file : {L"config.ini", L"methods.xml", L"usersmethods.xml", L"inventory", L"README.txt",
                                L"docs\\peltacfg.md", L"docs\\peltacfg.html", L"docs\\messages.html",
                                L"docs\\troubleshooting.html", L"docs\\administration.html",
                                L"examples\\kit\\methods.xml", L"examples\\kit\\data\\common.xml",
                                L"examples\\agent\\peltacfg.txt"})
        EXPECT_TRUE(ts::fileExists(distFile(file))) << ts::wideToUtf8(file);
    for (const wchar_t* folder : {L"data", L"log", L"appleid"}) {
        EXPECT_TRUE(isFolder(distFile(folder))) << ts::wideToUtf8(folder);
        EXPECT_TRUE(ts::folderEntries(distFile(folder)).empty()) << ts::wideToUtf8(folder);
    }

    // The inventory list names no method: the record of a PC holds only its serial.
    std::vector<std::wstring> names;
    ASSERT_TRUE(ReadInventoryList(distFile(L"inventory"), names));
    EXPECT_TRUE(names.empty()) << ts::wideToUtf8(names.front());

    // Notepad shows the readme's Japanese text only with the byte-order mark.
    std::string readme = ts::readFile(distFile(L"README.txt"));
    EXPECT_EQ(readme.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(readme.find("\r\n"), std::string::npos);
    EXPECT_EQ(readme.find("\n\n"), std::string::npos) << "a line without CR";
}

TEST(Dist, PeltacfgStartedFromTheRootOnlyOffersTheRecord)
{
    // A copy, so that the run's log stays out of the laid-out folder.
    ts::TempDir kit(L"dist");
    for (const auto& name : ts::folderEntries(DIST)) {
        if (name.back() == L'\\')
            ::CreateDirectoryW(kit.file(name).c_str(), nullptr);
        else
            ASSERT_TRUE(ts::copyFile(distFile(name), kit.file(name))) << ts::wideToUtf8(name);
    }

    ts::ChildProcess peltacfg;
    ASSERT_TRUE(peltacfg.start(ts::quote(kit.file(L"peltacfg.exe")), kit.path())) << peltacfg.startFailure();
    HWND status = ts::waitForWindow(L"#32770", L"Pelta（Windows版）", peltacfg.pid(), 30000);
    ASSERT_TRUE(status) << "no status window";
    EXPECT_EQ(ts::dialogItemText(status, IDC_STATUS_MESSAGE), L"未登録のPCです");
    EXPECT_FALSE(ts::dialogItemText(status, IDC_STATUS_SERIAL).empty());
    EXPECT_TRUE(drv::isVisible(status, IDC_REGISTER_BUTTON));
    ts::pressButton(status, IDOK);
    EXPECT_TRUE(peltacfg.wait(15000));
    EXPECT_TRUE(ts::folderEntries(kit.file(L"data")).empty());
}

TEST(Dist, EveryProgramCarriesTheProjectVersion)
{
    const std::wstring version = ts::utf8ToWide(PW_PROJECT_VERSION);
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(swscanf(version.c_str(), L"%u.%u.%u", &major, &minor, &patch), 3);
    for (const auto& program : programs()) {
        SCOPED_TRACE(ts::wideToUtf8(program));
        std::wstring path = distFile(program);
        DWORD handle = 0;
        DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
        ASSERT_GT(size, 0u) << "no version resource";
        std::vector<BYTE> block(size);
        ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT fixedSize = 0;
        ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize));
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(minor, major));
        EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), patch);
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);

        EXPECT_EQ(versionString(block, L"FileVersion"), version);
        EXPECT_EQ(versionString(block, L"ProductVersion"), version);
        EXPECT_EQ(versionString(block, L"ProductName"), L"Peltawin");
        EXPECT_EQ(versionString(block, L"OriginalFilename"), program);
        EXPECT_EQ(versionString(block, L"LegalCopyright").rfind(L"Copyright (C) ", 0), 0u);
        EXPECT_FALSE(versionString(block, L"FileDescription").empty());
    }
}
