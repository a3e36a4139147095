#pragma once
// The oracle's cache of measured values: a flat file of little-endian doubles,
// two per interval (LOW value, FAST value), no header. Opened for one run only.

#include "platform/CReplacingFile.h"

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
    // A new empty file for writing. It is written beside `path` and replaces
    // what is there only on a successful Close; false when `path` names no
    // regular file or nothing can be created beside it.
    bool Create(const std::string& path);
    bool IsOpen() const { return m_pFile != nullptr || m_out.IsOpen(); }
    // Length in bytes noted when the file was opened (0 for a created file).
    int64_t GetLength() const { return m_nLength; }

    // One value; false at the end of the file or on a read error.
    bool ReadDouble(double* value);
    // One value at the end; false (and remembered) when it could not be written.
    bool AppendDouble(double value);
    // Closes (a written file takes its name now); false when written values
    // could not all reach the disk, and then nothing takes the name.
    bool Close();
    static bool Delete(const std::string& path);

private:
    std::FILE* m_pFile = nullptr; // reading
    CReplacingFile m_out;         // writing
    int64_t m_nLength = 0;
    bool m_bWriting = false;
    bool m_bWriteFailed = false;
};
