// What a catalogue Get yields; owned by the caller and reusable.
#pragma once
#include <string>
#include <vector>

struct MethodResult {
    enum Kind { NOTHING = 0, SINGLE = 1, LIST = 2, TABLE = 3 };

    std::wstring name;                           // the method name asked for
    int kind = NOTHING;
    std::wstring value;                          // kind 1
    std::vector<std::wstring> names;             // kinds 2 and 3: property or column names
    std::vector<std::wstring> values;            // kind 2
    std::vector<std::vector<std::wstring>> rows; // kind 3: one string per entry of names

    void Clear()
    {
        kind = NOTHING;
        name.clear();
        value.clear();
        names.clear();
        values.clear();
        rows.clear();
    }
};
