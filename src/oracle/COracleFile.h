#pragma once
// The oracle's cache of measured values: a flat file of little-endian doubles,
// two per interval (LOW value, FAST value), no header. Opened for one run only.

#include <cstdint>
#include <cstdio>
#include <string>

class COracleFile {
public:
    COracleFile() = default;
    ~COracleFile();
    COracleFile(const COracleFile&) = delete;
    COracleFile& operator=(const COracleFile&) = delete;

    // An existing regular file, for reading its values; notes its length.
    bool OpenRead(const std::string& path);
    // A new empty file for writing, replacing any content under that name.
    bool Create(const std::string& path);
    bool IsOpen() const { return m_pFile != nullptr; }
    // Length in bytes noted when the file was opened (0 for a created file).
    int64_t GetLength() const { return m_nLength; }

    // One value; false at the end of the file or on a read error.
    bool ReadDouble(double* value);
    // One value at the end; false (and remembered) when it could not be written.
    bool AppendDouble(double value);
    // Closes; false when written values could not all reach the disk.
    bool Close();
    static bool Delete(const std::string& path);

private:
    std::FILE* m_pFile = nullptr;
    int64_t m_nLength = 0;
    bool m_bWriting = false;
    bool m_bWriteFailed = false;
};
