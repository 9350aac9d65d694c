// The document that the save-loop child writes over and over, shared by the
// child and the test that kills it, so that the test can rebuild exactly the
// document of any generation.
#pragma once
#include <string>

#include "data_file_support.h"
#include "machine_data_file.h"

namespace killtest {

const int ITEM_COUNT = 1000;

// A large data file in UTF-8 (about 0.8 MB): Japanese text, characters that
// need escaping and parameter lists. Long texts make the writing of the
// file a good part of each save, so that kills often land in it.
inline std::string baseDocument()
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Data><Serial>KILL-TEST</Serial><Values>"
                      "<Value Name=\"generation\" Method=\"Counter\">0</Value>"
                      "<Value Name=\"filler\" Method=\"Counter\"/>";
    for (int i = 0; i < ITEM_COUNT - 2; ++i) {
        std::string n = std::to_string(i);
        if (i % 3 == 0) {
            xml += "<Value Name=\"item" + n + "\" Method=\"Script\">";
            for (int k = 0; k < 150; ++k)
                xml += "\xE8\xA8\xAD\xE5\xAE\x9A &lt;&amp;&gt; ";
            xml += n + "</Value>";
        } else if (i % 3 == 1)
            xml += "<Value Name=\"item" + n + "\" Method=\"Registry\">\xE8\xA8\xAD\xE5\xAE\x9A " + n + " &lt;&amp;&gt;</Value>";
        else
            xml += "<Value Name=\"item" + n + "\" Method=\"Ini\"><P Name=\"Path\">C:\\\\x\\\\" + n
                 + ".ini</P><P Name=\"Key\">\xE3\x82\xAD\xE3\x83\xBC</P></Value>";
    }
    return xml + "</Values><Inventory><A>1</A></Inventory></Data>";
}

// Turns the loaded document of any generation into the one of `g`. The
// filler changes the file's length from one generation to the next.
inline bool applyGeneration(MachineDataFile& data, int g)
{
    return ts::setValueByName(data, L"generation", std::to_wstring(g))
        && ts::setValueByName(data, L"filler", std::wstring(static_cast<size_t>(g % 977), L'\x3042'))
        && data.SetProgress(g % static_cast<int>(data.ItemCount()));
}

} // namespace killtest
