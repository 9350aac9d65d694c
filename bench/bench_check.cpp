// peltacheck on a large kit: 10,000 items that each give a finding against
// the same kit whose items give none. A finding must cost the same wherever
// it lies in the file, so the two runs stay close.
#include "bench_parts.h"

#include <cstdio>
#include <string>

#include "bench_common.h"
#include "test_support.h"

namespace bench {

namespace {

constexpr int CHECK_ITEMS = 10000;

const char* const CHECK_METHODS =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Datas>\n"
    "  <Data><Name>SerialNumber</Name><Method type=\"WMI\"><Namespace>root\\cimv2</Namespace><Class>Win32_BIOS</Class>"
    "<Where/><Property>SerialNumber</Property></Method></Data>\n"
    "  <Data><Name>Flag</Name><Set type=\"Registry\"><Root>HKCU</Root><Key>Software\\PeltawinBench</Key><Name>F</Name>"
    "<Type>REG_DWORD</Type></Set></Data>\n"
    "</Datas>\n";

// common.xml with CHECK_ITEMS items of the REG_DWORD method; `value` "x" is
// not a number, so every item is a finding.
std::string commonFile(const std::string& value)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Data>\n  <Serial>s</Serial>\n  <Common>true</Common>\n  <Values>\n";
    for (int i = 0; i < CHECK_ITEMS; ++i)
        text += "    <Value Name=\"item" + std::to_string(i) + "\" Method=\"Flag\">" + value + "</Value>\n";
    return text + "  </Values>\n</Data>\n";
}

// One run of peltacheck over the kit; 0 when it did not give the expected exit code.
double checkOnce(const ts::TempDir& kit, DWORD expectedExit)
{
    double start = nowMs();
    ts::RunResult run = ts::runProcess(ts::quote(ts::binPath(L"peltacheck.exe")) + L" " + ts::quote(kit.path()), L"", 600000);
    double elapsed = nowMs() - start;
    if (!run.started || run.timedOut || run.exitCode != expectedExit) {
        addDetail("peltacheck: a run ended with exit code " + std::to_string(run.exitCode) + " instead of " +
                  std::to_string(expectedExit));
        return 0;
    }
    return elapsed;
}

void writeKit(const ts::TempDir& kit, const std::string& value)
{
    ::CreateDirectoryW(kit.file(L"log").c_str(), nullptr);
    ::CreateDirectoryW(kit.file(L"data").c_str(), nullptr);
    ts::writeFile(kit.file(L"methods.xml"), CHECK_METHODS);
    ts::writeFile(kit.file(L"data\\common.xml"), commonFile(value));
}

} // namespace

void benchCheck()
{
    std::printf("peltacheck: %d items, each with a finding vs none (%d rounds)\n", CHECK_ITEMS, rounds());
    ts::TempDir broken(L"bck"), clean(L"bck");
    writeKit(broken, "x");
    writeKit(clean, "1");
    std::vector<double> withFindings, without;
    for (int r = 0; r < rounds(); ++r) {
        if (double t = checkOnce(broken, 1); t > 0)
            withFindings.push_back(t);
        if (double t = checkOnce(clean, 0); t > 0)
            without.push_back(t);
    }
    addRatioRow("6. peltacheck, 10,000 items: every item a finding vs none", median(withFindings), median(without), "ms", 3.0,
                true);
}

} // namespace bench
