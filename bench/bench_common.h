// Timing, medians and the result table shared by the benchmark parts.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace bench {

// Milliseconds from a fixed point, with the performance counter's resolution.
double nowMs();
double median(std::vector<double> samples);

// Rounds of each side-by-side comparison, five unless PW_BENCH_ROUNDS says
// otherwise: on a shared machine one round differs from the next by up to a
// sixth, and the median of five holds still; the whole run stays inside ten
// minutes on a busy two-core machine.
int rounds();

struct Row {
    std::string figure;
    std::string ours;
    std::string reference;
    std::string ratio;
    std::string target;
    std::string verdict; // "met", "MISSED" or "-" for figures without a target
};

void addRow(const Row& row);
// A figure without a target, shown for orientation or as part of a split.
void addNote(const std::string& figure, const std::string& ours, const std::string& reference = "-");
void printTable();
// Lines printed under the table (samples, sizes, failures).
void addDetail(const std::string& line);

std::string ms(double value);          // "12.3 ms" / "0.042 ms"
std::string us(double valueMs);        // "42.0 us"
std::string ratioText(double ratio);   // "1.23x"
// A row with a ratio target "ours / reference < limit" (or "> limit" for a speed-up).
void addRatioRow(const std::string& figure, double ours, double reference, const std::string& unit, double limit,
                 bool upperLimit);

// The catalogue of the registry benchmarks: `count` Registry methods "M00001"...
// whose Set writes the REG_SZ value "V00001"... under HKCU\<key>. UTF-8 text.
std::string methodName(int index);
std::string registryMethods(int count, const std::string& key); // the Data elements only
std::string registryCatalogue(int count, const std::string& key);
// The registry key of the benchmarks, below HKCU; removed before and after.
constexpr const wchar_t* BENCH_KEY = L"Software\\PeltawinBench";
void deleteBenchKey();

// No standard output while it lives, so that the lines the method engine
// prints cost what they cost in a window program started from the desktop.
class QuietStdout {
public:
    QuietStdout();
    ~QuietStdout();
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    HANDLE previous_;
};

} // namespace bench
