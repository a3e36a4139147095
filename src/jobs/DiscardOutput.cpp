#include "jobs/DiscardOutput.h"

#include "media/CAVIFile.h"

void DiscardOutput(CAVIFile& file) {
    // Dropped unfinished: nothing takes the name, and a file that was there
    // before (or that a refused Create never touched) stays as it was.
    file.Discard();
}
