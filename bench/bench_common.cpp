#include "bench_common.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace bench {

namespace {
std::vector<Row> table;
std::vector<std::string> details;

std::string fixed(double value, int digits)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", digits, value);
    return buffer;
}
} // namespace

double nowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double median(std::vector<double> samples)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    size_t mid = samples.size() / 2;
    return samples.size() % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
}

int rounds()
{
    const char* text = std::getenv("PW_BENCH_ROUNDS");
    int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 5;
}

std::string methodName(int index)
{
    char name[16];
    std::snprintf(name, sizeof name, "M%05d", index);
    return name;
}

std::string registryCatalogue(int count, const std::string& key)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Datas>\n" + registryMethods(count, key) + "</Datas>\n";
}

std::string registryMethods(int count, const std::string& key)
{
    std::string xml;
    xml.reserve(static_cast<size_t>(count) * 200);
    for (int i = 1; i <= count; ++i) {
        std::string n = methodName(i);
        xml += "<Data><Name>" + n + "</Name><Set type=\"Registry\"><Root>HKCU</Root><Key>" + key + "</Key><Name>V" +
               n.substr(1) + "</Name><Type>REG_SZ</Type></Set></Data>\n";
    }
    return xml;
}

void deleteBenchKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, BENCH_KEY); }

void addRow(const Row& row) { table.push_back(row); }

void addNote(const std::string& figure, const std::string& ours, const std::string& reference)
{
    table.push_back({figure, ours, reference, "-", "-", "-"});
}

void addDetail(const std::string& line) { details.push_back(line); }

std::string ms(double value) { return fixed(value, value < 1 ? 3 : value < 100 ? 1 : 0) + " ms"; }
std::string us(double valueMs) { return fixed(valueMs * 1000.0, valueMs * 1000.0 < 10 ? 2 : 1) + " us"; }
std::string ratioText(double ratio) { return fixed(ratio, ratio < 10 ? 2 : 0) + "x"; }

void addRatioRow(const std::string& figure, double ours, double reference, const std::string& unit, double limit,
                 bool upperLimit)
{
    auto show = [&](double v) { return unit == "us" ? us(v) : ms(v); };
    Row row{figure, show(ours), show(reference), "-", "-", "-"};
    if (ours > 0 && reference > 0) {
        double ratio = upperLimit ? ours / reference : reference / ours;
        row.ratio = upperLimit ? ratioText(ratio) : ratioText(ratio) + " faster";
        row.target = upperLimit ? "< " + fixed(limit, 1) + "x" : ">= " + fixed(limit, 0) + "x faster";
        row.verdict = (upperLimit ? ratio < limit : ratio >= limit) ? "met" : "MISSED";
    } else {
        row.verdict = "no data";
    }
    table.push_back(row);
}

void printTable()
{
    std::printf("\n| Figure | Ours | Reference | Ratio | Target | |\n|---|---|---|---|---|---|\n");
    for (const Row& r : table)
        std::printf("| %s | %s | %s | %s | %s | %s |\n", r.figure.c_str(), r.ours.c_str(), r.reference.c_str(),
                    r.ratio.c_str(), r.target.c_str(), r.verdict.c_str());
    if (!details.empty()) {
        std::printf("\n");
        for (const std::string& line : details)
            std::printf("- %s\n", line.c_str());
    }
    std::fflush(stdout);
}

QuietStdout::QuietStdout() : previous_(::GetStdHandle(STD_OUTPUT_HANDLE))
{
    std::fflush(stdout);
    ::SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
}

QuietStdout::~QuietStdout() { ::SetStdHandle(STD_OUTPUT_HANDLE, previous_); }

} // namespace bench
