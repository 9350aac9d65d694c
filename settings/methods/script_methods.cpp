#include "script_methods.h"

#include <windows.h>

#include <string>

#include "command_runner.h"
#include "executor_context.h"
#include "method_params.h"
#include "method_status.h"
#include "method_text.h"
#include "win32_owners.h"
#include "temporary_file.h"
#include "xml_dom.h"

namespace {

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

// The script as a text file of the tool's own form, in the Japanese code page
// whatever the system's is.
bool WriteScriptText(const std::wstring& path, const std::wstring& text)
{
    std::string bytes;
    if (!JapaneseTextLines(text, false, bytes))
        return false;
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return bytes.empty()
           || (::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
               && written == bytes.size());
}

// The script run's status; the script host's output goes to `output`.
int RunScript(const ExecutorContext& context, IXMLDOMNode* definition, const ItemValueMap& values, ScriptVariant variant,
              std::wstring& output)
{
    Microsoft::WRL::ComPtr<IXMLDOMNode> script = xmldom::SelectNode(definition, L"Script");
    if (!script)
        return 0;
    ParamList params;
    if (!CollectParamValues(definition, values, params))
        return METHOD_NOT_RUN;

    std::wstring text = AnsiRoundTrip(xmldom::Text(script.Get()));
    ReplaceLocationPlaceholders(text, context);
    if (!params.empty())
        ReplaceParamPlaceholders(text, params);
    else if (!SwitchRule(values))
        return 0;

    TemporaryFile file(L"PTW");
    if (file.path().empty() || !WriteScriptText(file.path(), text))
        return METHOD_NOT_RUN;

    VariantInfo info = InfoOf(variant);
    int code = 0;
    if (!file.Rename(file.path() + info.extension, code))
        return code;

    std::wstring commandLine = info.before + file.path() + info.after;
    if (commandLine.size() > MAX_COMMAND_LINE)
        return COMMAND_LINE_TOO_LONG;

    RunCaptured(commandLine, output, code);
    return code;
}

} // namespace

MethodOutcome RunScriptMethod(const ExecutorContext& context, IXMLDOMNode* definition, const ItemValueMap& values,
                              ScriptVariant variant)
{
    MethodOutcome outcome;
    outcome.status = RunScript(context, definition, values, variant, outcome.output);
    return outcome;
}
