// Helpers shared by the fuzz targets: a private scratch folder for loaders
// that read files by folder, and whole-file writes into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orva::fuzz {

// A folder of this process's own, made on first use (under /dev/shm when it
// is there, so that the per-input file writes stay in memory, else under
// TMPDIR or /tmp) and removed with everything in it when the process exits.
// The process stops with a message when no folder can be made: a target
// without its files would fuzz nothing.
const std::string& ScratchFolder();

// A sub-folder of the scratch folder, made on first use.
std::string ScratchSubfolder(const std::string& name);

// Replaces folder/name by exactly size bytes of data; stops the process when
// the file cannot be written (the target would read a stale file).
void WriteWholeFile(const std::string& folder, const char* name, const std::uint8_t* data,
                    std::size_t size);

// Keeps a value computed from what a target read, so that the reads are not
// optimised away.
void Keep(double value);

}  // namespace orva::fuzz
