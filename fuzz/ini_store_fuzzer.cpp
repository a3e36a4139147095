// Feeds arbitrary bytes to the INI store that reads settings, projects,
// language files and data bases. Besides surviving the bytes, a store must
// keep what it read: saved and loaded again, or merged into an empty store,
// it holds the same keys and values. (Their order may differ: keys that
// share a bucket come back newest first.)

#include "FuzzInput.h"
#include "settings/CIniFile.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

namespace {
using Values = std::map<std::string, std::string>;

// Every section, key and value; the typed getters run over each value on the
// way.
Values AllValues(const CIniFile& store) {
    Values values;
    store.ForEachSection([&](const std::string& section, const CIniFile::CKeyMap& keys) {
        keys.ForEach([&](const std::string& key, const std::string& value) {
            int32_t number = 0;
            float real = 0;
            (void)store.GetInt(section, key, number);
            (void)store.GetFloat(section, key, real);
            values["[" + section + "]" + key] = value;
        });
    });
    return values;
}

bool LoadQuietly(CIniFile& store, const std::string& path) {
    try {
        return store.Load(path);
    } catch (const CIniFileError&) {
        return false;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input = FuzzInputFile(data, size);
    CIniFile first;
    if (input.empty() || !LoadQuietly(first, input))
        return 0;
    const Values read = AllValues(first);

    const std::string saved = FuzzScratchFolder() + "/saved.ini";
    if (!first.Save(saved))
        std::abort();
    CIniFile second;
    if (!LoadQuietly(second, saved) || AllValues(second) != read)
        std::abort(); // a value was lost or changed on its way through a file

    CIniFile merged;
    merged.Merge(first);
    if (AllValues(merged) != read)
        std::abort();
    return 0;
}
