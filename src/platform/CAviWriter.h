#pragma once
// An AVI file being written. Chunks are collected in a scratch spool as the
// caller writes them, in whatever stream order (chunks copied unchanged from
// another AVI file stay where they are: only their place is noted); Close lays
// the file out in play-time order (interleaved), writes the headers and
// indexes (idx1 for the first RIFF, OpenDML indx/ix## once the file needs
// more than one RIFF) and copies the chunk data from the spool in large runs
// and from the input files chunk by chunk.

#include "platform/CAviChunkSpool.h"
#include "platform/CAviOutputFile.h"
#include "platform/CAviWriterStream.h"
#include "platform/IAviFile.h"

#include <memory>
#include <string>
#include <vector>

class CAviMuxPlan;
class CRiffBuilder;
struct AviHeaderStream;
struct AviMainHeader;
struct AviMuxItem;
struct AviMuxPart;
struct AviMuxStream;

class CAviWriter : public IAviFile {
public:
    explicit CAviWriter(const AviWriterOptions& options) : m_options(options) {}
    ~CAviWriter() override;
    CAviWriter(const CAviWriter&) = delete;
    CAviWriter& operator=(const CAviWriter&) = delete;

    // Creates the file (under a temporary name beside `path` that replaces
    // it when Close succeeds) and the spool beside it.
    bool Create(const std::string& path, std::string* error);

    AviFileInfo Info() const override;
    int StreamCount() const override { return static_cast<int>(m_streams.size()); }
    IAviStream* GetStream(int index) override;
    IAviStream* CreateStream(const AviStreamInfo& info) override;
    bool Close(std::string* error) override;
    void Discard() override;
    bool WasStopped() const override { return m_bStopped; }
    const AviReadReport& Report() const override { return m_report; }

private:
    bool Assemble(std::string& error);
    AviMainHeader MainHeader() const;
    // Places the chunks into RIFF parts; returns the super index entries
    // reserved per stream and sets the header's size.
    uint32_t PlanLayout(CAviMuxPlan& plan, const std::vector<AviMuxStream>& mux, const AviMainHeader& main,
                        const std::vector<AviHeaderStream>& headers, size_t& headerSize) const;
    void ListSuperIndexes(const CAviMuxPlan& plan, std::vector<AviHeaderStream>& headers) const;
    bool WritePart(const CAviMuxPlan& plan, size_t partNumber, const std::vector<uint8_t>& header);
    bool WriteChunks(const CAviMuxPlan& plan, const AviMuxPart& part);
    // The OpenDML ix## chunks of one part; false when they would not land
    // where the plan put them or cannot be written.
    bool PutStandardIndexes(const CAviMuxPlan& plan, const AviMuxPart& part);
    bool PutIdx1(const CAviMuxPlan& plan, const AviMuxPart& part);
    // Writes the block once it is large enough (or `always`) and empties it.
    bool FlushIndexBlock(CRiffBuilder& block, bool always);
    uint64_t RecordSize(const AviMuxItem& item) const;
    bool CopyInputChunk(const CAviWriterStream& stream, const AviIndexEntry& chunk, uint32_t origin);
    const CAviWriterStream* FirstVideo() const;
    uint64_t TotalDataBytes() const;

    AviWriterOptions m_options;
    std::string m_path;
    CAviOutputFile m_out;
    CAviChunkSpool m_spool;
    std::vector<std::unique_ptr<CAviWriterStream>> m_streams;
    AviReadReport m_report;
    bool m_closed = false;
    bool m_closeOk = false;
    bool m_bStopped = false;
    std::string m_closeError;
    std::string m_layoutError = "internal error: the layout does not add up";
    std::string m_inputError; // an input file no longer holds its chunks
};
