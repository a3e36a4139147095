#include "oracle/COracleInputs.h"

#include "platform/COpenFileRegistry.h"

COracleInputs::COracleInputs(IHost& host) : m_lowFile(host), m_fastFile(host), m_sourceFile(host) {}

bool COracleInputs::OpenSlot(CAVIFile& file, const std::string& path) {
    if (path.empty()) {
        file.Close();
        return false;
    }
    // Names that differ only in case are two files here.
    if (file.IsOpen() && COpenFileRegistry::Canonical(file.GetPath()) == COpenFileRegistry::Canonical(path)) {
        return true;
    }
    return file.Open(path, true);
}

void COracleInputs::CloseAll() {
    m_lowFile.Close();
    m_fastFile.Close();
    m_sourceFile.Close();
}
