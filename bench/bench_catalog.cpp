// Catalogue lookup: the cost of one name lookup in a small and in a very
// large catalogue, and for orientation the path-expression query that scans.
#include "bench_parts.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "bench_common.h"
#include "method_catalog.h"
#include "test_support.h"
#include "xml_dom.h"

namespace bench {

namespace {

constexpr int SMALL = 20;
constexpr int LARGE = 20000;
constexpr int LOOKUPS = 100000;
constexpr int XPATH_LOOKUPS = 20;

// Names spread over the whole catalogue, in a fixed shuffled order.
std::vector<std::wstring> lookupNames(int count)
{
    std::vector<std::wstring> names;
    for (int i = 1; i <= count; ++i)
        names.push_back(ts::utf8ToWide(methodName(i)));
    std::shuffle(names.begin(), names.end(), std::mt19937(12345));
    if (names.size() > 1000)
        names.resize(1000);
    return names;
}

double perLookupMs(MethodCatalog& catalog, const std::vector<std::wstring>& names)
{
    size_t found = 0;
    double start = nowMs();
    for (int i = 0; i < LOOKUPS; ++i)
        found += catalog.Contains(names[static_cast<size_t>(i) % names.size()]) ? 1 : 0;
    double elapsed = nowMs() - start;
    if (found != static_cast<size_t>(LOOKUPS))
        addDetail("catalogue lookup: some names were not found");
    return elapsed / LOOKUPS;
}

double xpathLookupMs(IXMLDOMDocument2* document, const std::vector<std::wstring>& names)
{
    double start = nowMs();
    for (int i = 0; i < XPATH_LOOKUPS; ++i)
        xmldom::SelectNode(document, L"/Datas/Data[Name='" + names[static_cast<size_t>(i) % names.size()] + L"']");
    return (nowMs() - start) / XPATH_LOOKUPS;
}

} // namespace

void benchCatalogue()
{
    std::printf("catalogue lookup: %d and %d methods\n", SMALL, LARGE);
    ts::TempDir dir(L"bcat");
    ts::writeFile(dir.file(L"small.xml"), registryCatalogue(SMALL, "Software\\PeltawinBench\\Lookup"));
    ts::writeFile(dir.file(L"large.xml"), registryCatalogue(LARGE, "Software\\PeltawinBench\\Lookup"));

    MethodCatalog small;
    MethodCatalog large;
    double loadStart = nowMs();
    bool loaded = small.LoadFile(dir.file(L"small.xml"));
    double smallLoad = nowMs() - loadStart;
    loadStart = nowMs();
    loaded = large.LoadFile(dir.file(L"large.xml")) && loaded;
    double largeLoad = nowMs() - loadStart;
    if (!loaded) {
        addDetail("catalogue lookup: a catalogue did not load");
        return;
    }
    auto smallNames = lookupNames(SMALL);
    auto largeNames = lookupNames(LARGE);

    std::vector<double> smallSamples, largeSamples;
    for (int r = 0; r < rounds() + 2; ++r) {
        smallSamples.push_back(perLookupMs(small, smallNames));
        largeSamples.push_back(perLookupMs(large, largeNames));
    }
    addRatioRow("2. catalogue lookup, 20,000 vs 20 methods (per lookup)", median(largeSamples), median(smallSamples),
                "us", 1.5, true);

    // The path expression the lookup replaced, on documents of the same sizes.
    Microsoft::WRL::ComPtr<IXMLDOMDocument2> smallDoc, largeDoc;
    long code = 0;
    if (SUCCEEDED(xmldom::CreateDocument(smallDoc)) && SUCCEEDED(xmldom::CreateDocument(largeDoc)) &&
        xmldom::LoadFile(smallDoc.Get(), dir.file(L"small.xml"), code) &&
        xmldom::LoadFile(largeDoc.Get(), dir.file(L"large.xml"), code)) {
        double xs = xpathLookupMs(smallDoc.Get(), smallNames);
        double xl = xpathLookupMs(largeDoc.Get(), largeNames);
        addNote("   for comparison: path-expression query, 20,000 vs 20 methods", ms(xl), ms(xs));
    }
    addNote("   catalogue load with its index, 20,000 vs 20 methods", ms(largeLoad), ms(smallLoad));
}

} // namespace bench
