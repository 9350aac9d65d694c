// The fleet report: peltacheck --report over 1,000 PCs, each with a 200-item
// data file (progress, inventory) and a 200-item log, against reading the same
// files once: each data file loaded by the data file loader and each log read
// whole. The report's own work (the state from the log, the flags, the
// inventory cells, report.csv and report.html) is what the ratio shows.
#include "bench_parts.h"

#include <windows.h>

#include <string>

#include "bench_common.h"
#include "machine_data_file.h"
#include "raii.h"
#include "serial_digest.h"
#include "test_support.h"

namespace bench {

namespace {

constexpr int PCS = 1000;
constexpr int ITEMS = 200;

std::string dataText(const std::string& serial, int progress)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Data>\r\n  <Serial>" + serial + "</Serial>\r\n  <Values>\r\n";
    for (int i = 0; i < ITEMS; ++i)
        xml += "    <Value Name=\"item" + std::to_string(i) + "\" Method=\"Put" + std::to_string(i % 20) + "\">value " +
               std::to_string(i) + "</Value>\r\n";
    xml += "  </Values>\r\n  <Progress name=\"item" + std::to_string(progress) + "\">" + std::to_string(progress) +
           "</Progress>\r\n  <Inventory>\r\n    <Model>Model " + serial + "</Model>\r\n    <HDDPwd>\r\n      <Item><Model>SSD</Model>"
           "<Password>0</Password></Item>\r\n    </HDDPwd>\r\n  </Inventory>\r\n";
    if (progress == ITEMS - 1)
        xml += "  <Done>true</Done>\r\n";
    return xml + "</Data>\r\n";
}

// A whole run's log: start, inventory, every item up to `last` with its OK,
// and a failure on the item after it when the run did not get through.
std::string logText(const std::string& serial, int last)
{
    const std::string stamp = "2026/03/07 09:05:03|0|";
    std::string log = stamp + "SerialNumber: " + serial + "\r\n" + stamp + "共通設定\r\n" + stamp + "Start\r\n" + stamp +
                      "インベントリ取得\r\n";
    for (int i = 0; i <= last; ++i)
        log += stamp + "item" + std::to_string(i) + " - Put" + std::to_string(i % 20) + "\r\n" + stamp + "OK\r\n";
    if (last < ITEMS - 1)
        log += stamp + "item" + std::to_string(last + 1) + " - Put" + std::to_string((last + 1) % 20) + "\r\n" + stamp +
               "Error: 1603[output line 1\r\r\noutput line 2\r\r\n]\r\n";
    return log;
}

std::string readShared(const std::wstring& path)
{
    std::string bytes;
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    char buffer[65536];
    DWORD got = 0;
    while (file && ::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

} // namespace

void benchFleetReport()
{
    ts::TempDir kit(L"bench-fleet");
    ts::TempDir out(L"bench-report");
    ::CreateDirectoryW(kit.file(L"data").c_str(), nullptr);
    ::CreateDirectoryW(kit.file(L"log").c_str(), nullptr);
    ts::writeFile(kit.file(L"inventory"), "Model\r\nHDDPwd\r\n");
    std::vector<std::wstring> names;
    for (int n = 0; n < PCS; ++n) {
        std::string serial = "PC-" + std::to_string(100000 + n);
        std::wstring name = SerialFileName(ts::utf8ToWide(serial));
        // Nine in ten done, the rest failed at an item of their own.
        int last = n % 10 == 0 ? n % ITEMS / 2 : ITEMS - 1;
        ts::writeFile(kit.file(L"data\\" + name + L".xml"), dataText(serial, last));
        ts::writeFile(kit.file(L"log\\" + name + L".txt"), ts::wideToCp932(ts::utf8ToWide(logText(serial, last))));
        names.push_back(name);
    }

    const std::wstring command = ts::quote(ts::binPath(L"peltacheck.exe")) + L" --report " + ts::quote(kit.path()) + L" --out " +
                                 ts::quote(out.path());
    std::vector<double> ours, reference, bytesOnly;
    for (int round = 0; round < rounds(); ++round) {
        double t0 = nowMs();
        ts::RunResult run = ts::runProcess(command, L"", 600000);
        double t1 = nowMs();
        if (!run.started || run.timedOut || run.exitCode != 1) {
            addDetail("fleet report: peltacheck --report did not complete (exit " + std::to_string(run.exitCode) + ")");
            return;
        }
        ours.push_back(t1 - t0);

        t0 = nowMs();
        size_t loaded = 0;
        for (const std::wstring& name : names) {
            MachineDataFile data;
            DWORD error = 0;
            loaded += data.LoadShared(kit.file(L"data\\" + name + L".xml"), error) ? data.ItemCount() : 0;
            loaded += readShared(kit.file(L"log\\" + name + L".txt")).size() > 0;
        }
        t1 = nowMs();
        if (loaded != static_cast<size_t>(PCS) * (ITEMS + 1))
            addDetail("fleet report: the reference did not read every file");
        reference.push_back(t1 - t0);

        t0 = nowMs();
        size_t bytes = 0;
        for (const std::wstring& name : names)
            bytes += readShared(kit.file(L"data\\" + name + L".xml")).size() + readShared(kit.file(L"log\\" + name + L".txt")).size();
        bytesOnly.push_back(nowMs() - t0);
        if (bytes == 0)
            addDetail("fleet report: no bytes read");
    }
    double oursPerPc = median(ours) / PCS, referencePerPc = median(reference) / PCS;
    addRatioRow("6. fleet report, 1,000 PCs x 200 items: peltacheck --report vs loading each data file and reading each log once (per PC)",
                oursPerPc, referencePerPc, "ms", 3.0, true);
    addNote("   the whole report of 1,000 PCs (process start, summary, report.csv and report.html included)", ms(median(ours)));
    addNote("   the same files read as bytes only, no XML parse (per PC)", "-", ms(median(bytesOnly) / PCS));
    addDetail("fleet report: " + std::to_string(PCS) + " PCs, " + std::to_string(ITEMS) + " items and about " +
              std::to_string(2 * ITEMS + 6) + " log lines each; report.html " +
              std::to_string(ts::readFile(out.file(L"report.html")).size() / 1024) + " KiB");
}

} // namespace bench
