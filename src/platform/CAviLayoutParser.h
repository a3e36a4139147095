#pragma once
// Walks the RIFF structure of an AVI file (the 'RIFF AVI ' part and any
// 'RIFF AVIX' extensions) and collects the headers and the positions of the
// movi lists and of idx1. Every size field is checked against the file and
// its parent before it is used; the walk always moves forward.

#include "platform/AviLayout.h"
#include "platform/IAviFile.h"

#include <string>

class CReadOnlyFile;

class CAviLayoutParser {
public:
    CAviLayoutParser(const CReadOnlyFile& file, AviReadReport& report) : m_file(file), m_report(report) {}

    // False with a reason when the file is no AVI file or its headers are
    // unusable; a file cut short after its headers still succeeds.
    bool Parse(AviLayout& layout, std::string* error);

private:
    struct Chunk {
        FOURCC id = 0;
        uint32_t size = 0;
        uint64_t pos = 0;
        uint64_t Data() const { return pos + 8; }
        uint64_t End() const { return pos + 8 + size; }
        uint64_t Next() const { return End() + (size & 1); }
    };

    bool ReadChunk(uint64_t pos, uint64_t end, Chunk& chunk) const;
    bool ReadListType(const Chunk& chunk, FOURCC& type) const;
    bool IsMoviWithoutSize(const Chunk& chunk) const;
    uint64_t WalkRiffPart(uint64_t start, uint64_t end, bool first, AviLayout& layout, std::string* error);
    bool ParseHdrl(const Chunk& list, AviLayout& layout, std::string* error);
    bool ParseAvih(const Chunk& chunk, AviLayout& layout);
    bool ParseStrl(const Chunk& list, AviLayout& layout, std::string* error);
    bool ParseStrh(const Chunk& chunk, AviStreamInfo& info);
    void ParseOdml(const Chunk& list, AviLayout& layout);
    void Note(const std::string& text);

    const CReadOnlyFile& m_file;
    AviReadReport& m_report;
    bool m_failed = false;
    bool m_sawHdrl = false;
};
