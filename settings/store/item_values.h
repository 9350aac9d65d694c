// The parameters of one data-file item: parameter name -> value text.
// Keys compare with case. Entries keep document order; a repeated key keeps
// its first position and takes the later value, as a map assignment would.
#pragma once
#include <string>
#include <utility>
#include <vector>

class ItemValueMap {
public:
    using Entry = std::pair<std::wstring, std::wstring>;

    void Set(const std::wstring& key, const std::wstring& value)
    {
        for (auto& e : entries_)
            if (e.first == key) {
                e.second = value;
                return;
            }
        entries_.emplace_back(key, value);
    }
    const std::wstring* Find(const std::wstring& key) const
    {
        for (const auto& e : entries_)
            if (e.first == key)
                return &e.second;
        return nullptr;
    }
    bool empty() const { return entries_.empty(); }
    size_t size() const { return entries_.size(); }
    void clear() { entries_.clear(); }
    const std::vector<Entry>& entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
};

// The value of the map's first entry (in document order); empty for an empty map,
// so a Set of a single value never writes garbage.
inline std::wstring FirstValue(const ItemValueMap& values)
{
    return values.empty() ? std::wstring() : values.entries().front().second;
}
