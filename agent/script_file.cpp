#include "script_file.h"

#include <windows.h>

#include "win32_handles.h"

namespace vorn {

bool readScriptBytes(const std::string& path, std::string& bytes)
{
    UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return false;
    bytes.clear();
    char buffer[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        bytes.append(buffer, got);
    }
}

namespace {
constexpr char UTF8_MARK[] = "\xEF\xBB\xBF";

template <typename Text>
std::vector<Text> splitAtLineEnds(const Text& text)
{
    std::vector<Text> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::wstring wideFrom(UINT codePage, const std::string& bytes)
{
    if (bytes.empty())
        return {};
    int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

std::wstring wideFromUtf16(const std::string& bytes, bool bigEndian)
{
    std::wstring out(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < out.size(); ++i) {
        auto first = static_cast<unsigned char>(bytes[2 * i]), second = static_cast<unsigned char>(bytes[2 * i + 1]);
        out[i] = static_cast<wchar_t>(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
    return out;
}

// The line in the ANSI code page; lossy is set when a character had no form there.
std::string ansiFromWide(const std::wstring& line, bool& lossy)
{
    lossy = false;
    if (line.empty())
        return {};
    BOOL usedDefault = FALSE;
    int n = ::WideCharToMultiByte(CP_ACP, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr,
                                  &usedDefault);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, line.data(), static_cast<int>(line.size()), out.data(), n, nullptr, &usedDefault);
    lossy = usedDefault != FALSE;
    return out;
}

// The file's lines in the ANSI code page, by its byte-order mark.
std::vector<std::string> decodedLines(const std::string& bytes, ScriptFile& script)
{
    std::wstring wide;
    if (bytes.compare(0, 3, UTF8_MARK) == 0) {
        script.encoding = ScriptEncoding::Utf8;
        wide = wideFrom(CP_UTF8, bytes.substr(3));
    } else if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
        script.encoding = ScriptEncoding::Utf16LittleEndian;
        wide = wideFromUtf16(bytes.substr(2), false);
    } else if (bytes.compare(0, 2, "\xFE\xFF") == 0) {
        script.encoding = ScriptEncoding::Utf16BigEndian;
        wide = wideFromUtf16(bytes.substr(2), true);
    } else {
        script.encoding = ScriptEncoding::Ansi;
        return splitAtLineEnds(bytes);
    }
    std::vector<std::string> lines;
    for (const std::wstring& line : splitAtLineEnds(wide)) {
        bool lossy = false;
        lines.push_back(ansiFromWide(line, lossy));
        if (lossy)
            script.lossyLines.push_back(lines.size());
    }
    return lines;
}
} // namespace

std::vector<std::string> splitLines(const std::string& text) { return splitAtLineEnds(text); }

bool isCommandLine(const std::string& line) { return !line.empty() && line[0] != ';'; }

bool loadScript(const std::string& path, ScriptFile& script)
{
    std::string bytes;
    if (!readScriptBytes(path, bytes))
        return false;
    script = {};
    std::vector<std::string> lines = decodedLines(bytes, script);
    if (lines.empty())
        return true;
    script.launchCommand = lines[0];
    for (size_t i = 1; i < lines.size(); ++i) {
        if (isCommandLine(lines[i])) {
            script.commands.push_back(lines[i]);
            script.lineNumbers.push_back(i + 1);
        }
    }
    return true;
}

} // namespace vorn
