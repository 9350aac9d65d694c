// The distribution folder: its root is an empty kit that cannot apply
// anything by accident, the example travels under examples\, and every
// program carries the project's version.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>
#include <algorithm>
#include <cstdio>
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

// Every file under the folder, relative to DIST, with forward slashes as
// SHA256SUMS.txt writes them.
void listFiles(const std::wstring& relative, std::vector<std::string>& files)
{
    for (const auto& name : ts::folderEntries(relative.empty() ? DIST : distFile(relative))) {
        std::wstring path = relative.empty() ? name : relative + L"\\" + name;
        if (name.back() == L'\\') {
            listFiles(path.substr(0, path.size() - 1), files);
        } else {
            std::string utf8 = ts::wideToUtf8(path);
            std::replace(utf8.begin(), utf8.end(), '\\', '/');
            files.push_back(utf8);
        }
    }
}

std::string sha256Hex(const std::string& bytes)
{
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    std::string hex;
    if (::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
        BYTE digest[32];
        DWORD size = sizeof digest;
        if (::CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) &&
            ::CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0) &&
            ::CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0))
            for (DWORD i = 0; i < size; ++i) {
                char two[3];
                std::snprintf(two, sizeof two, "%02x", digest[i]);
                hex += two;
            }
        if (hash)
            ::CryptDestroyHash(hash);
        ::CryptReleaseContext(provider, 0);
    }
    return hex;
}

// Whether a PE image still carries a symbol table or debug sections.
bool carriesDebugInformation(const std::string& image)
{
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    if (image.size() < sizeof *dos || dos->e_magic != IMAGE_DOS_SIGNATURE ||
        image.size() < static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS64))
        return true;
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + dos->e_lfanew);
    if (nt->FileHeader.PointerToSymbolTable != 0 || nt->FileHeader.NumberOfSymbols != 0)
        return true;
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        std::string name(reinterpret_cast<const char*>(section->Name), strnlen(reinterpret_cast<const char*>(section->Name), 8));
        // Long section names (".debug_info" and the like) live in the symbol
        // string table and appear as "/offset".
        if (name.rfind(".debug", 0) == 0 || name.rfind("/", 0) == 0)
            return true;
    }
    return false;
}

} // namespace

TEST(Dist, RootIsAnEmptyKitAndTheExampleTravelsUnderExamples)
{
    for (const auto& program : programs())
        EXPECT_TRUE(ts::fileExists(distFile(program))) << ts::wideToUtf8(program);
    for (const wchar_t* file : {L"config.ini", L"methods.xml", L"usersmethods.xml", L"inventory", L"README.txt",
                                L"docs\\peltacfg.md", L"docs\\peltacfg.html", L"docs\\messages.html",
                                L"docs\\troubleshooting.html", L"docs\\administration.html",
                                L"docs\\security.html", L"docs\\ja\\security.html", L"docs\\ja\\peltacfg.html",
                                L"docs\\ja\\peltacfg.md", L"docs\\images\\main-dialog.png",
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
    EXPECT_NE(readme.find(PW_PROJECT_VERSION), std::string::npos) << "no version in README.txt";
    EXPECT_EQ(readme.find("{VERSION}"), std::string::npos);
}

TEST(Dist, CarriesOnlyWhatAnAdministratorUses)
{
    // No scripts for the tests' own target program, no developer pages.
    for (const auto& name : ts::folderEntries(distFile(L"examples\\agent")))
        EXPECT_NE(name.rfind(L"target-", 0), 0u) << ts::wideToUtf8(name);
    for (const wchar_t* file : {L"docs\\benchmarks.md", L"docs\\benchmarks.html", L"docs\\reliability.md",
                                L"docs\\reliability.html", L"docs\\developers.md", L"docs\\developers.html"})
        EXPECT_FALSE(ts::fileExists(distFile(file))) << ts::wideToUtf8(file);

    for (const auto& program : programs())
        EXPECT_FALSE(carriesDebugInformation(ts::readFile(distFile(program)))) << ts::wideToUtf8(program);
}

TEST(Dist, Sha256SumsCoverEveryFile)
{
    std::vector<std::string> files;
    listFiles(L"", files);
    files.erase(std::remove(files.begin(), files.end(), "SHA256SUMS.txt"), files.end());
    std::sort(files.begin(), files.end());

    std::istringstream sums(ts::readFile(distFile(L"SHA256SUMS.txt")));
    std::vector<std::string> listed;
    for (std::string line; std::getline(sums, line);) {
        ASSERT_GT(line.size(), 66u) << line;
        ASSERT_EQ(line.substr(64, 2), "  ") << line;
        std::string name = line.substr(66);
        listed.push_back(name);
        std::wstring path = ts::utf8ToWide(name);
        std::replace(path.begin(), path.end(), L'/', L'\\');
        EXPECT_EQ(line.substr(0, 64), sha256Hex(ts::readFile(distFile(path)))) << name;
    }
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, files);
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

    // Starts peltacfg in the copy and closes its status window; false when it showed none.
    auto statusOfRoot = [&](std::wstring& message, bool& offersRecord) {
        ts::ChildProcess peltacfg;
        if (!peltacfg.start(ts::quote(kit.file(L"peltacfg.exe")), kit.path()))
            return false;
        HWND status = ts::waitForWindow(L"#32770", L"Pelta（Windows版）", peltacfg.pid(), 30000);
        if (!status)
            return false;
        message = ts::dialogItemText(status, IDC_STATUS_MESSAGE);
        offersRecord = drv::isVisible(status, IDC_REGISTER_BUTTON);
        ts::pressButton(status, IDOK);
        return peltacfg.wait(15000);
    };
    std::wstring message;
    bool offersRecord = false;

    // Wine's BIOS reports the serial number "0", a placeholder that peltacfg
    // refuses: as shipped, the root stops there and offers nothing.
    ASSERT_TRUE(statusOfRoot(message, offersRecord)) << "no status window";
    EXPECT_EQ(message, L"シリアルナンバーが取得できませんでした");
    EXPECT_FALSE(offersRecord);

    // With a real serial number, as a PC has, the root only offers the record.
    // The copy reads it from the registry ahead of the shipped SerialNumber.
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\PeltawinTest\\Dist", L"Serial", REG_SZ, L"DIST-0001",
                                sizeof L"DIST-0001"), ERROR_SUCCESS);
    std::string methods = ts::readFile(kit.file(L"methods.xml"));
    size_t root = methods.find("<Datas>");
    ASSERT_NE(root, std::string::npos);
    methods.insert(root + 7, "<Data><Name>SerialNumber</Name><Method type=\"Registry\"><Root>HKCU</Root>"
                             "<Key>Software\\PeltawinTest\\Dist</Key><Name>Serial</Name></Method></Data>");
    ASSERT_TRUE(ts::writeFile(kit.file(L"methods.xml"), methods));
    bool started = statusOfRoot(message, offersRecord);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\PeltawinTest\\Dist");
    ASSERT_TRUE(started) << "no status window";
    EXPECT_EQ(message, L"未登録のPCです");
    EXPECT_TRUE(offersRecord);
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

    // The console tools say the same version when asked.
    for (const wchar_t* tool : {L"peltacheck", L"vornfind"}) {
        ts::RunResult run = ts::runProcess(ts::quote(distFile(std::wstring(tool) + L".exe")) + L" --version");
        ASSERT_TRUE(run.started) << ts::wideToUtf8(tool);
        EXPECT_EQ(run.exitCode, 0u) << ts::wideToUtf8(tool);
        EXPECT_EQ(run.output, ts::wideToUtf8(tool) + " " + PW_PROJECT_VERSION + "\r\n");
    }
}
