#pragma once
// An AVI file opened for reading (what AviOpenRead returns). It steps down
// in a fixed order to find the chunks: the OpenDML indexes, then idx1, and
// when neither describes the file, a walk of the movie data. The report says
// which step was taken and why.

#include "platform/CAviReaderStream.h"
#include "platform/CReadOnlyFile.h"
#include "platform/IAviFile.h"

#include <memory>
#include <string>
#include <vector>

struct AviLayout;
class CAviChunkList;

class CAviReader : public IAviFile {
public:
    CAviReader() = default;
    ~CAviReader() override;
    CAviReader(const CAviReader&) = delete;
    CAviReader& operator=(const CAviReader&) = delete;

    // False with a reason when the file is no AVI file we can read.
    bool Open(const std::string& path, std::string* error);

    AviFileInfo Info() const override { return m_info; }
    int StreamCount() const override { return static_cast<int>(m_streams.size()); }
    IAviStream* GetStream(int index) override;
    IAviStream* CreateStream(const AviStreamInfo& info) override;
    bool Close(std::string* error) override;
    const AviReadReport& Report() const override { return m_report; }

private:
    void FindChunks(const AviLayout& layout, CAviChunkList& list);
    bool TryOdml(const AviLayout& layout, CAviChunkList& list);
    bool TryIdx1(const AviLayout& layout, CAviChunkList& list);
    void FillInfo(const AviLayout& layout);

    // Shared with writers that copy chunks out of it when they lay out their file.
    std::shared_ptr<CReadOnlyFile> m_file = std::make_shared<CReadOnlyFile>();
    std::string m_path;
    bool m_registered = false;
    AviFileInfo m_info;
    AviReadReport m_report;
    std::vector<std::unique_ptr<CAviReaderStream>> m_streams;
};
