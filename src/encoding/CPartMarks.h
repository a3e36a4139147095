#pragma once
// The current start and end frame that the user marks with the slider
// before adding a part to the encoding list, and the commands that move them.
// The windows bind their buttons to these; nothing here touches a widget.

#include "encoding/CEncodingList.h"

#include <cstdint>

class CAVIFile;

class CPartMarks {
public:
    int32_t GetStart() const { return m_nStart; }
    int32_t GetEnd() const { return m_nEnd; }
    void Reset() { m_nStart = m_nEnd = 0; }

    // Start at the slider; the end follows when it would lie before the start.
    void SetStart(int32_t slider);
    // End at the slider; the start follows when it would lie behind the end.
    // On the last frame of the LOW movie the end becomes the movie's length,
    // so the part includes that frame.
    void SetEnd(int32_t slider, int32_t lowLength);
    // Adds start .. end measured in `file` as a new row (nothing when the part
    // is empty) and starts the next part where this one ended, so adding
    // twice without moving adds once.
    void AddPart(CEncodingList& list, const CAVIFile& file, EPartEncoding encoding);
    // Takes start and end from a row (0 and 0 without a row).
    void Reselect(const CEncodingList& list, int row);
    // Turns a row into the other encoding and takes its start and end.
    void Toggle(CEncodingList& list, int row, const CAVIFile& lowFile, const CAVIFile& fastFile);

private:
    int32_t m_nStart = 0;
    int32_t m_nEnd = 0;
};
