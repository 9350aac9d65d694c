#include "script_runner.h"

#include <windows.h>

#include <string>

#include "command_runner.h"
#include "method_catalog.h"
#include "method_params.h"
#include "method_text.h"
#include "raii.h"
#include "xml_dom.h"

namespace {

constexpr int SCRIPT_FILE_FAILED = -1;
// Scripts are written in the Japanese code page whatever the system's is.
constexpr UINT SCRIPT_CODE_PAGE = 932;

// The command line is `before`, the script file's full name, then `after`.
struct VariantInfo {
    const wchar_t* extension;
    const wchar_t* before;
    const wchar_t* after;
};

VariantInfo InfoOf(ScriptVariant variant)
{
    if (variant == ScriptVariant::VBSCRIPT)
        return {L".vbs", L"C:\\Windows\\System32\\cscript.exe \"", L"\" //NoLogo"};
    return {L".ps1", L"powershell -ExecutionPolicy Unrestricted -File \"", L"\" -NoLogo"};
}

// The temporary script file, deleted under its current name on every path.
class TemporaryFile {
public:
    explicit TemporaryFile(std::wstring path) : path_(std::move(path)) {}
    ~TemporaryFile() { ::DeleteFileW(path_.c_str()); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::wstring& path() const { return path_; }
    // Renames the file; false with the Win32 error when that fails.
    bool Rename(const std::wstring& newPath, int& error)
    {
        // A file of that name can only be a leftover of an earlier run.
        if (!::MoveFileExW(path_.c_str(), newPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            DWORD code = ::GetLastError();
            error = code != 0 ? static_cast<int>(code) : ERROR_FILE_NOT_FOUND;
            return false;
        }
        path_ = newPath;
        return true;
    }

private:
    std::wstring path_;
};

// The script as a text file: each line feed as CR LF, code page 932, no byte-order mark.
bool WriteScriptText(const std::wstring& path, const std::wstring& text)
{
    std::wstring lines;
    lines.reserve(text.size() + text.size() / 16);
    for (wchar_t c : text) {
        if (c == L'\n')
            lines += L'\r';
        lines += c;
    }
    std::string bytes;
    if (!lines.empty()) {
        int size = static_cast<int>(lines.size());
        int count = ::WideCharToMultiByte(SCRIPT_CODE_PAGE, 0, lines.data(), size, nullptr, 0, nullptr, nullptr);
        if (count <= 0)
            return false;
        bytes.resize(static_cast<size_t>(count));
        ::WideCharToMultiByte(SCRIPT_CODE_PAGE, 0, lines.data(), size, bytes.data(), count, nullptr, nullptr);
    }
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return bytes.empty()
           || (::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
               && written == bytes.size());
}

// A new empty file named by the system in the temporary folder, or empty.
std::wstring NewTemporaryFileName()
{
    wchar_t folder[MAX_PATH];
    DWORD length = ::GetTempPathW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH)
        return {};
    wchar_t name[MAX_PATH];
    if (::GetTempFileNameW(folder, L"PTW", 0, name) == 0)
        return {};
    return name;
}

} // namespace

int RunScriptMethod(MethodCatalog& catalog, IXMLDOMNode* definition, const ItemValueMap& values, ScriptVariant variant)
{
    Microsoft::WRL::ComPtr<IXMLDOMNode> script = xmldom::SelectNode(definition, L"Script");
    if (!script)
        return 0;
    ParamList params;
    if (!CollectParamValues(definition, values, params))
        return SCRIPT_FILE_FAILED;

    std::wstring text = AnsiRoundTrip(xmldom::Text(script.Get()));
    ReplaceLocationPlaceholders(text, catalog);
    if (!params.empty())
        ReplaceParamPlaceholders(text, params);
    else if (!MethodCatalog::SwitchRule(values))
        return 0;

    std::wstring created = NewTemporaryFileName();
    if (created.empty())
        return SCRIPT_FILE_FAILED;
    TemporaryFile file(created);
    if (!WriteScriptText(file.path(), text))
        return SCRIPT_FILE_FAILED;

    VariantInfo info = InfoOf(variant);
    int code = 0;
    if (!file.Rename(file.path() + info.extension, code))
        return code;

    std::wstring commandLine = info.before + file.path() + info.after;
    if (commandLine.size() > MAX_COMMAND_LINE)
        return COMMAND_LINE_TOO_LONG;

    RunCaptured(commandLine, catalog.output, code);
    catalog.lastError = code;
    return code;
}
