#pragma once
// The oracle's own LOW, FAST and source movies. The oracle decodes on the
// worker thread, so it never shares a decoder with the preview of the main
// window: it opens the same paths in its own CAVIFile objects.

#include "media/CAVIFile.h"
#include "oracle/CAviOracleMedia.h"

#include <string>

class IHost;

class COracleInputs {
public:
    explicit COracleInputs(IHost& host);

    // Opens `path` into the slot unless the slot has that file open already;
    // an empty path closes the slot. False when the file cannot be opened
    // (the AVI layer has said why).
    bool OpenLow(const std::string& path) { return OpenSlot(m_lowFile, path); }
    bool OpenFast(const std::string& path) { return OpenSlot(m_fastFile, path); }
    bool OpenSource(const std::string& path) { return OpenSlot(m_sourceFile, path); }
    void CloseAll();

    CAVIFile& GetLowFile() { return m_lowFile; }
    CAVIFile& GetFastFile() { return m_fastFile; }
    IOracleMedia& Low() { return m_low; }
    IOracleMedia& Fast() { return m_fast; }
    IOracleMedia& Source() { return m_source; }

private:
    static bool OpenSlot(CAVIFile& file, const std::string& path);

    CAVIFile m_lowFile;
    CAVIFile m_fastFile;
    CAVIFile m_sourceFile;
    CAviOracleMedia m_low{m_lowFile};
    CAviOracleMedia m_fast{m_fastFile};
    CAviOracleMedia m_source{m_sourceFile};
};
