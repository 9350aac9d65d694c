#include <gtest/gtest.h>

#include <set>

#include "command_runner.h"
#include "methods_fixture.h"
#include "script_methods.h"

using mt::Escape;
using mt::LoadedCatalog;
using mt::Values;

namespace {

std::wstring ScriptSet(const std::wstring& name, const wchar_t* type, const std::wstring& script,
                       const std::wstring& params = L"")
{
    return L"<Data><Name>" + name + L"</Name><Set type='" + type + L"'><Script>" + Escape(script) + L"</Script>" + params +
           L"</Set></Data>";
}

std::wstring TempFolder()
{
    wchar_t folder[MAX_PATH];
    DWORD n = ::GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder, n);
}

// The temporary script files (PTW*) now in the temporary folder.
std::set<std::wstring> ScriptFiles()
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((TempFolder() + L"PTW*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.insert(found.cFileName);
    while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

// An environment variable set for the object's lifetime.
class ScopedEnv {
public:
    ScopedEnv(const wchar_t* name, const std::wstring& value) : name_(name)
    {
        wchar_t old[1024];
        DWORD n = ::GetEnvironmentVariableW(name, old, 1024);
        had_ = n > 0 && n < 1024;
        if (had_)
            old_.assign(old, n);
        ::SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedEnv() { ::SetEnvironmentVariableW(name_, had_ ? old_.c_str() : nullptr); }

private:
    const wchar_t* name_;
    std::wstring old_;
    bool had_ = false;
};

std::wstring Between(const std::wstring& text, const std::wstring& open, wchar_t close)
{
    size_t start = text.find(open);
    if (start == std::wstring::npos)
        return {};
    start += open.size();
    return text.substr(start, text.find(close, start) - start);
}

} // namespace

TEST(VBScriptMethod, ParamsAndLocationAreFilledIn)
{
    LoadedCatalog cat(ScriptSet(L"Drive", L"VBScript", L"WScript.Echo \"[{Drive}]\"",
                                L"<InParam><Param name='Drive'>C:</Param></InParam>") +
                      ScriptSet(L"Where", L"vbscript", L"WScript.Echo \"{EXEDIR}\"\nWScript.Echo \"{EXEPATH}\""));
    ASSERT_TRUE(cat.loaded);
    bool notFound = true;
    ASSERT_TRUE(cat->RunSet(L"Drive", Values({{L"Drive", L"D:"}}), notFound)) << cat->lastError;
    EXPECT_EQ(cat->output, L"[D:]\r\n");
    ASSERT_TRUE(cat->RunSet(L"Drive", Values({}), notFound));
    EXPECT_EQ(cat->output, L"[C:]\r\n");

    // The location is filled in even without parameters; the switch decides whether it runs.
    ASSERT_TRUE(cat->RunSet(L"Where", Values({{L"v", L"yes"}}), notFound));
    EXPECT_EQ(cat->output, cat->exeDir + L"\r\n" + cat->exePath + L"\r\n");
    ASSERT_TRUE(cat->RunSet(L"Where", Values({{L"v", L"no"}}), notFound));
    EXPECT_TRUE(cat->output.empty());
}

TEST(VBScriptMethod, ExitCodeComesBackAndTheFileIsAlwaysDeleted)
{
    LoadedCatalog cat(ScriptSet(L"Quit", L"VBScript", L"WScript.Echo WScript.ScriptFullName\nWScript.Quit {Code}",
                                L"<InParam><Param name='Code'>0</Param></InParam>") +
                      L"<Data><Name>Empty</Name><Set type='VBScript'><InParam><Param name='x'/></InParam></Set></Data>");
    ASSERT_TRUE(cat.loaded);
    std::set<std::wstring> before = ScriptFiles();
    bool notFound = true;
    for (const wchar_t* code : {L"0", L"4"}) {
        bool succeeded = cat->RunSet(L"Quit", Values({{L"Code", code}}), notFound);
        EXPECT_EQ(succeeded, code[0] == L'0');
        EXPECT_EQ(cat->lastError, _wtoi(code));
        std::wstring path = cat->output.substr(0, cat->output.find(L"\r\n"));
        std::wstring leaf = path.substr(path.rfind(L'\\') + 1);
        EXPECT_EQ(leaf.substr(0, 3), L"PTW");
        EXPECT_EQ(leaf.substr(leaf.size() - 8), L".tmp.vbs");
        EXPECT_FALSE(ts::fileExists(path));
    }
    EXPECT_EQ(ScriptFiles(), before);

    // Without a Script element nothing runs.
    EXPECT_TRUE(cat->RunSet(L"Empty", Values({{L"v", L"yes"}}), notFound));
    EXPECT_EQ(ScriptFiles(), before);
}

TEST(PowerShellMethod, WritesTheScriptInCodePage932AndRunsTheStub)
{
    ts::TempDir dir;
    ScopedEnv record(L"PW_STUB_RECORD", dir.file(L"rec"));
    LoadedCatalog cat(ScriptSet(L"PS", L"PowerShell", L"Write-Host '日本語 한 {Drive}'\nWrite-Host '{EXEDIR}'",
                                L"<InParam><Param name='Drive'>C:</Param></InParam>"));
    ASSERT_TRUE(cat.loaded);
    std::set<std::wstring> before = ScriptFiles();
    bool notFound = true;
    // The item's value is taken as given; the catalogue's text through the ANSI code page.
    ASSERT_TRUE(cat->RunSet(L"PS", Values({{L"Drive", L"D:"}}), notFound)) << cat->lastError;
    EXPECT_EQ(cat->output, L"stub powershell\r\n");

    std::wstring commandLine = ts::utf8ToWide(ts::readFile(dir.file(L"rec.cmd")));
    std::wstring path = Between(commandLine, L"-File \"", L'"');
    EXPECT_EQ(commandLine, L"powershell -ExecutionPolicy Unrestricted -File \"" + path + L"\" -NoLogo");
    EXPECT_EQ(path.substr(0, path.rfind(L'\\') + 1), TempFolder());
    std::wstring leaf = path.substr(path.rfind(L'\\') + 1);
    EXPECT_EQ(leaf.substr(0, 3), L"PTW");
    EXPECT_EQ(leaf.substr(leaf.size() - 8), L".tmp.ps1");
    EXPECT_EQ(ts::readFile(dir.file(L"rec.script")),
              ts::wideToCp932(L"Write-Host '日本語 ? D:'\r\nWrite-Host '" + cat->exeDir + L"'"));
    EXPECT_FALSE(ts::fileExists(path));
    EXPECT_EQ(ScriptFiles(), before);

    ScopedEnv failing(L"PW_STUB_EXIT", L"7");
    EXPECT_FALSE(cat->RunSet(L"PS", Values({}), notFound));
    EXPECT_EQ(cat->lastError, 7);
    EXPECT_EQ(ts::readFile(dir.file(L"rec.script")),
              ts::wideToCp932(L"Write-Host '日本語 ? C:'\r\nWrite-Host '" + cat->exeDir + L"'"));
    EXPECT_EQ(ScriptFiles(), before);
}

TEST(ScriptMethod, NoTemporaryFileMeansMinusOneAndNothingRun)
{
    ts::TempDir dir;
    ScopedEnv record(L"PW_STUB_RECORD", dir.file(L"rec"));
    std::wstring nowhere = dir.file(L"no\\such\\folder");
    ScopedEnv tmp(L"TMP", nowhere);
    ScopedEnv temp(L"TEMP", nowhere);
    LoadedCatalog cat(ScriptSet(L"PS", L"PowerShell", L"Write-Host 'x'") +
                      ScriptSet(L"Bad", L"VBScript", L"WScript.Quit 3", L"<InParam><Param>nameless</Param></InParam>"));
    ASSERT_TRUE(cat.loaded);
    bool notFound = true;
    EXPECT_FALSE(cat->RunSet(L"PS", Values({{L"v", L"yes"}}), notFound));
    EXPECT_EQ(cat->lastError, -1);
    EXPECT_FALSE(ts::fileExists(dir.file(L"rec.cmd")));
    EXPECT_FALSE(cat->RunSet(L"Bad", Values({{L"v", L"yes"}}), notFound));
    EXPECT_EQ(cat->lastError, -1);
}
