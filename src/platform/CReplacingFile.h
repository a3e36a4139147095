#pragma once
// A new version of a file, written under a temporary name beside it and
// renamed over the old one only when it is complete. Until then the old file
// (and every other name of it: a hard link to an input stays that input) is
// untouched; a run that fails or is abandoned leaves nothing behind.
//
// A name that exists but is no regular file (a FIFO, a device, a directory)
// is refused: writing there would block or go somewhere else. A symbolic
// link is followed, so the file it names is replaced and the link stays.

#include <string>

class CReplacingFile {
public:
    CReplacingFile() = default;
    // Abandons a file that was not committed.
    ~CReplacingFile();
    CReplacingFile(const CReplacingFile&) = delete;
    CReplacingFile& operator=(const CReplacingFile&) = delete;

    // Creates the temporary file beside `path`. False with a reason.
    bool Open(const std::string& path, std::string* error);
    bool IsOpen() const { return m_fd >= 0; }
    // The descriptor of the temporary file, for writing.
    int Descriptor() const { return m_fd; }

    // Closes the temporary file and renames it to the target. False with a
    // reason when the data could not all be written; the temporary file is
    // removed then and the target is as it was.
    bool Commit(std::string* error);
    // Closes and removes the temporary file; the target is as it was.
    void Abandon();

    // Why `path` cannot be written to at all: it exists and is no regular
    // file. Empty when it may be written.
    static std::string RefusalReason(const std::string& path);

private:
    int m_fd = -1;
    std::string m_strTarget;
    std::string m_strTemp;
};
