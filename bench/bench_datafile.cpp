// Data file load and save: 10,000 items with a 1,000-row inventory, loaded
// and saved (indented from the DOM's own text, replaced in one step) by
// MachineDataFile, against the XML DOM's own unindented save of the same
// document. Each side runs in a
// child process of its own so that its peak memory is its own.
#include "bench_parts.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <sstream>

#include "bench_common.h"
#include "machine_data_file.h"
#include "file_replace.h"
#include "formatted_xml.h"
#include "win32_owners.h"
#include "test_support.h"
#include "xml_dom.h"

namespace bench {

namespace {

constexpr int ITEMS = 10000;
constexpr int INVENTORY_ROWS = 1000;
// Saves in each child, of which the median counts: the machine's speed can
// change by half from one second to the next, and five saves (the first
// with its fresh memory among them) hold the figure still.
constexpr int SAVES = 5;

std::string items()
{
    std::string xml;
    for (int i = 0; i < ITEMS; ++i) {
        std::string n = std::to_string(i);
        if (i % 3 == 2)
            xml += "<Value Name=\"item" + n + "\" Method=\"Ini\"><P Name=\"Path\">C:\\\\x\\\\" + n +
                   ".ini</P><P Name=\"Key\">キー" + n + "</P></Value>";
        else
            xml += "<Value Name=\"item" + n + "\" Method=\"Registry\">設定 " + n + " &lt;&amp;&gt;</Value>";
    }
    return xml;
}

// The benchmark's input, written through the program's own code: the items,
// then the inventory recorded and saved as the setup run would.
bool writeInput(const std::wstring& path)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Data><Serial>SN-BENCH-DATA</Serial><Values>" +
                      items() + "</Values></Data>\r\n";
    if (!ts::writeFile(path, xml))
        return false;
    MachineDataFile data;
    if (!data.Load(path))
        return false;
    MethodResult table;
    table.name = L"Disks";
    table.kind = MethodResult::TABLE;
    table.names = {L"Model", L"SerialNumber", L"Size", L"Interface", L"状態"};
    for (int r = 0; r < INVENTORY_ROWS; ++r) {
        std::wstring n = std::to_wstring(r);
        table.rows.push_back({L"Disk Model " + n, L"SN" + n, std::to_wstring(512000 + r), L"SATA", L"有効"});
    }
    return data.AddInventoryEntry(table) && data.Save(path);
}

struct ChildFigures {
    double loadMs = 0;
    double saveMs = 0;
    double peakMb = 0;
    double formatMs = 0;  // ours only: the indented text built from the document
    double replaceMs = 0; // ours only: written, flushed and moved over the old file
    double xmlMs = 0;     // ours only: the DOM's own text of the document
    double indentMs = 0;  // ours only: that text re-indented
};

bool runChild(const std::wstring& which, const std::wstring& input, const std::wstring& output, ChildFigures& figures)
{
    ts::RunResult run = ts::runProcess(ts::quote(ts::binPath(L"pw_bench.exe")) + L" --datafile-child " + which + L" " +
                                           ts::quote(input) + L" " + ts::quote(output),
                                       L"", 120000);
    size_t split = run.output.find("split ");
    if (split != std::string::npos) {
        std::istringstream line(run.output.substr(split + 6));
        line >> figures.formatMs >> figures.replaceMs >> figures.xmlMs >> figures.indentMs;
    }
    size_t at = run.output.find("figures ");
    std::istringstream in(at == std::string::npos ? std::string() : run.output.substr(at + 8));
    if (!(in >> figures.loadMs >> figures.saveMs >> figures.peakMb)) {
        addDetail("data file child " + ts::wideToUtf8(which) + " failed: " + run.output.substr(0, 200));
        return false;
    }
    return true;
}

double peakWorkingSetMb()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// SAVES saves: their median, and the peak working set after the first.
template <typename Save>
bool timeSaves(Save save, double& medianMs, double& peakMb)
{
    std::vector<double> saves;
    for (int i = 0; i < SAVES; ++i) {
        double start = nowMs();
        if (!save())
            return false;
        saves.push_back(nowMs() - start);
        if (i == 0)
            peakMb = peakWorkingSetMb();
    }
    medianMs = median(saves);
    return true;
}

} // namespace

int dataFileChild(const std::wstring& which, const std::wstring& input, const std::wstring& output)
{
    ComApartment com;
    double loadMs = 0;
    double saveMs = 0;
    double peakMb = 0;
    if (which == L"ours") {
        MachineDataFile data;
        double start = nowMs();
        if (!data.Load(input))
            return 2;
        loadMs = nowMs() - start;
        // The peak is taken before the split below makes copies of its own.
        if (!timeSaves([&] { return data.Save(output); }, saveMs, peakMb))
            return 3;
        // Where the save's time goes: building the indented text from the
        // document, and writing it to a temporary file that replaces the old.
        std::string text;
        start = nowMs();
        FormatXml(data.Document(), text);
        double formatMs = nowMs() - start;
        DWORD error = 0;
        start = nowMs();
        ReplaceFileContents(output, text, error);
        double replaceMs = nowMs() - start;
        // The indented text's two steps: the DOM's own UTF-8 save into
        // memory, and the re-indenting of those bytes.
        Microsoft::WRL::ComPtr<IStream> stream;
        ::CreateStreamOnHGlobal(nullptr, TRUE, &stream);
        Variant target;
        target->vt = VT_UNKNOWN;
        target->punkVal = stream.Get();
        stream->AddRef();
        start = nowMs();
        data.Document()->save(*target.get());
        double xmlMs = nowMs() - start;
        HGLOBAL memory = nullptr;
        STATSTG stat{};
        ::GetHGlobalFromStream(stream.Get(), &memory);
        stream->Stat(&stat, STATFLAG_NONAME);
        std::string_view bytes(static_cast<const char*>(::GlobalLock(memory)), static_cast<size_t>(stat.cbSize.QuadPart));
        start = nowMs();
        IndentXmlText(bytes, text);
        double indentMs = nowMs() - start;
        ::GlobalUnlock(memory);
        std::printf("split %.3f %.3f %.3f %.3f\n", formatMs, replaceMs, xmlMs, indentMs);
    } else {
        Microsoft::WRL::ComPtr<IXMLDOMDocument2> document;
        long code = 0;
        double start = nowMs();
        if (FAILED(xmldom::CreateDocument(document)) || !xmldom::LoadFile(document.Get(), input, code))
            return 2;
        loadMs = nowMs() - start;
        Variant target;
        target->vt = VT_BSTR;
        target->bstrVal = ::SysAllocString(output.c_str());
        if (!timeSaves([&] { return SUCCEEDED(document->save(*target.get())); }, saveMs, peakMb))
            return 3;
        // The DOM's own UTF-8 save into memory: where the indented save starts.
        Microsoft::WRL::ComPtr<IStream> stream;
        ::CreateStreamOnHGlobal(nullptr, TRUE, &stream);
        Variant memory;
        memory->vt = VT_UNKNOWN;
        memory->punkVal = stream.Get();
        stream->AddRef();
        start = nowMs();
        document->save(*memory.get());
        std::printf("split %.3f 0\n", nowMs() - start);
    }
    std::printf("figures %.3f %.3f %.2f\n", loadMs, saveMs, peakMb);
    return 0;
}

void benchDataFile()
{
    std::printf("data file: %d items, %d inventory rows; load and save (%d rounds)\n", ITEMS, INVENTORY_ROWS, rounds());
    ts::TempDir dir(L"bdata");
    std::wstring input = dir.file(L"input.xml");
    if (!writeInput(input)) {
        addDetail("data file: the input could not be written");
        return;
    }
    addDetail("data file input: " + std::to_string(ts::readFile(input).size() / 1024) + " KiB");
    std::vector<double> ourLoad, ourSave, ourPeak, ourFormat, ourReplace, ourXml, ourIndent, xmlLoad, xmlSave, xmlPeak, xmlText;
    for (int r = 0; r < rounds(); ++r) {
        ChildFigures f;
        if (runChild(L"ours", input, dir.file(L"ours.xml"), f)) {
            ourLoad.push_back(f.loadMs);
            ourSave.push_back(f.saveMs);
            ourPeak.push_back(f.peakMb);
            ourFormat.push_back(f.formatMs);
            ourReplace.push_back(f.replaceMs);
            ourXml.push_back(f.xmlMs);
            ourIndent.push_back(f.indentMs);
        }
        if (runChild(L"msxml", input, dir.file(L"msxml.xml"), f)) {
            xmlLoad.push_back(f.loadMs);
            xmlSave.push_back(f.saveMs);
            xmlPeak.push_back(f.peakMb);
            xmlText.push_back(f.formatMs);
        }
    }
    addRatioRow("3. data file Save (indented, atomic) vs DOM save", median(ourSave), median(xmlSave), "ms", 2, true);
    auto underOneSecond = [](const std::string& figure, double ours, double reference) {
        Row row{figure, ms(ours), ms(reference), "-", "< 1000 ms", ours > 0 && ours < 1000 ? "met" : "MISSED"};
        addRow(row);
    };
    underOneSecond("3. data file Load (ours vs DOM load alone)", median(ourLoad), median(xmlLoad));
    underOneSecond("3. data file Save (ours vs DOM save)", median(ourSave), median(xmlSave));
    addNote("   Save split: indented text from the document / write, flush, replace", ms(median(ourFormat)),
            ms(median(ourReplace)));
    addNote("   Save split: the DOM's own UTF-8 save into memory / re-indenting those bytes",
            ms(median(ourXml)), ms(median(ourIndent)));
    addNote("   the DOM's own UTF-8 save into memory, in the DOM's own process", "-", ms(median(xmlText)));
    char peak[64], peakRef[64];
    std::snprintf(peak, sizeof peak, "%.1f MiB", median(ourPeak));
    std::snprintf(peakRef, sizeof peakRef, "%.1f MiB", median(xmlPeak));
    addNote("   peak working set, Load + Save process vs DOM load + save", peak, peakRef);
}

} // namespace bench
