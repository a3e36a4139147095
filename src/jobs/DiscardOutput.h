#pragma once
// A job that cannot fill the file it was given closes it and removes it:
// an AVI without its streams or parts is of no use to anyone.

class CAVIFile;

// Closes `file`; removes it from disk only when it was really created. A
// refused Create (say, on a movie that is being read) has no handle, and the
// file of that name must then stay untouched.
void DiscardOutput(CAVIFile& file);
