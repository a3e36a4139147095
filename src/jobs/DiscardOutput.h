#pragma once
// A job that cannot fill the file it was given drops it unfinished: an AVI
// without its streams or parts is of no use to anyone.

class CAVIFile;

// Discards `file` (CAVIFile::Discard): nothing is left under its name but
// what was there before.
void DiscardOutput(CAVIFile& file);
