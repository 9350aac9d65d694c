// The benchmark driver: runs every part side by side with its reference on
// the same Wine prefix and prints the table.
//   pw_bench.exe [part...]    parts: apply catalogue datafile text search find startup check report (default: all)
//   pw_bench.exe --datafile-child ours|msxml INPUT OUTPUT   (used by the data file part)
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "bench_common.h"
#include "bench_parts.h"
#include "raii.h"

int main()
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argc == 5 && std::wstring(argv[1]) == L"--datafile-child")
        return bench::dataFileChild(argv[2], argv[3], argv[4]);

    ComApartment com;
    const std::map<std::wstring, std::function<void()>> parts = {
        {L"catalogue", bench::benchCatalogue}, {L"apply", bench::benchApply},
        {L"datafile", bench::benchDataFile},   {L"text", bench::benchTextCommands},
        {L"search", bench::benchWindowSearch}, {L"find", bench::benchFindWindows},
        {L"startup", bench::benchStartup},
        {L"split", bench::benchApplySplit},    {L"check", bench::benchCheck},
        {L"report", bench::benchFleetReport},
    };
    const wchar_t* order[] = {L"catalogue", L"apply", L"datafile", L"text", L"search", L"find", L"startup", L"check", L"report"};
    double start = bench::nowMs();
    if (argc <= 1) {
        for (const wchar_t* name : order)
            parts.at(name)();
    } else {
        for (int i = 1; i < argc; ++i) {
            auto part = parts.find(argv[i]);
            if (part == parts.end()) {
                std::fprintf(stderr, "unknown part: %ls\n", argv[i]);
                return 2;
            }
            part->second();
        }
    }
    bench::addDetail("rounds per comparison: " + std::to_string(bench::rounds()) + "; whole benchmark " +
                     std::to_string(static_cast<int>((bench::nowMs() - start) / 1000)) + " s");
    bench::printTable();
    ::LocalFree(argv);
    return 0;
}
