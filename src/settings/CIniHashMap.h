#pragma once
// The map behind every level of the INI store. Its iteration order decides the
// order of lines in every file we write, and files written by earlier versions
// of the program came out in exactly this order, so it is kept bit for bit:
// 17 buckets that never grow, a 33-multiplier hash over the bytes taken as
// signed chars, new keys at the head of their bucket's chain, a replaced value
// keeping its place, iteration from bucket 0 to 16 and newest first inside a
// bucket. Look-ups go through a side index so that large files stay linear.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The bucket (0..16) of a key.
uint32_t IniHashBucket(std::string_view key);

template <class TValue> class CIniHashMap {
public:
    static constexpr uint32_t BUCKET_COUNT = 17;

    CIniHashMap() = default;
    CIniHashMap(const CIniHashMap&) = delete; // the index points into m_entries
    CIniHashMap& operator=(const CIniHashMap&) = delete;

    const TValue* Find(std::string_view key) const {
        const auto it = m_index.find(key);
        return it == m_index.end() ? nullptr : &m_entries[it->second].value;
    }
    TValue* Find(std::string_view key) {
        const auto it = m_index.find(key);
        return it == m_index.end() ? nullptr : &m_entries[it->second].value;
    }

    // The value stored under key; a missing key is added (value-initialised)
    // at the head of its bucket.
    TValue& Get(std::string_view key) {
        if (TValue* value = Find(key))
            return *value;
        const size_t index = m_entries.size();
        Entry& entry = m_entries.emplace_back();
        entry.key.assign(key.data(), key.size());
        m_buckets[IniHashBucket(key)].push_back(index);
        m_index.emplace(std::string_view(entry.key), index);
        return entry.value;
    }

    void Set(std::string_view key, TValue value) { Get(key) = std::move(value); }

    size_t Size() const { return m_entries.size(); }
    bool IsEmpty() const { return m_entries.empty(); }

    void Clear() {
        m_index.clear();
        for (auto& bucket : m_buckets)
            bucket.clear();
        m_entries.clear();
    }

    // Calls visit(key, value) for every entry in iteration order.
    template <class TVisit> void ForEach(TVisit&& visit) const {
        for (const auto& bucket : m_buckets)
            for (auto it = bucket.rbegin(); it != bucket.rend(); ++it)
                visit(m_entries[*it].key, m_entries[*it].value);
    }

private:
    struct Entry {
        std::string key;
        TValue value{};
    };
    // A deque never moves its elements on growth, so the index's views into
    // the keys stay valid.
    std::deque<Entry> m_entries;
    std::vector<size_t> m_buckets[BUCKET_COUNT]; // entry numbers, oldest first
    std::unordered_map<std::string_view, size_t> m_index;
};
