// Recording of the measurements to a CSV file, one row per capture, written
// off the acquisition pass. Standard library and POSIX only.
//
// The pass hands each capture to Add, which stamps it (wall clock and
// monotonic clock) and copies it into a bounded queue of rows allocated at
// Start: no allocation, no formatting and no disk access in the pass. A
// writer thread takes the queued rows, formats them into a buffer also
// allocated at Start, writes them with one write(2) (no buffering in the
// program) and then flushes them to the disk (fdatasync). Rows that arrive
// while the queue is full are dropped and counted: a slow disk never stalls
// the acquisition. Rows that come less often than every 10 ms are written
// and flushed one by one, so a crash or a power cut loses at most the last
// row; faster ones go together, at most one write and flush every 10 ms (or
// slower, as fast as the disk flushes), so that such a loss is at most the
// rows of the last 10 ms.
//
// The recording stops by itself, keeping a valid file of whole rows:
//   - before a row would take the file past the size limit (kSizeLimit);
//   - when the free space of the file's disk would fall under the reserve,
//     or a write fails for want of room: ENOSPC, EDQUOT, or EFBIG under a
//     file-size limit (kDiskFull);
//   - on any other write or flush error (kWriteError).
// A write that failed half way is cut back to the last whole row. Start
// ignores SIGXFSZ for the process, so that a file-size limit makes the write
// fail with EFBIG instead of killing the program.
//
// File layout (docs/file-formats.md): UTF-8, lines ending in LF, commas, a
// decimal point whatever the locale. The header line names the columns and
// their units; each row holds the UTC time in ISO 8601 with milliseconds
// ("2026-12-09T18:47:42.123Z"), the seconds since the start (3 decimals),
// the timebase in s/div, both gains in V/div, then the eight measurements
// (readout order, see capture.h), each in the fewest digits that read back
// to it (plain from 1e-5 up to 1e9, exponent form beyond: 500000, 2e-07),
// empty where there is no value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "orva/record/capture.h"

namespace orva::record {

struct RecorderOptions {
  std::uint64_t max_bytes = std::uint64_t{1024} << 20;  // size limit of the file, header included
  std::size_t queue_rows = 4096;                         // rows the queue holds (at least 1)
  std::uint64_t disk_reserve_bytes = std::uint64_t{32} << 20;  // free space never used
};

enum class StopReason {
  kNone,        // recording, or never started
  kUser,        // Stop() was called
  kSizeLimit,   // the next row would have passed max_bytes
  kDiskFull,    // no room on the disk, or a file-size limit
  kWriteError,  // another write or flush error
};

// The CSV header line (without its line end).
std::string CsvHeader();

class CsvRecorder {
 public:
  CsvRecorder();
  ~CsvRecorder();  // stops as Stop() does
  CsvRecorder(const CsvRecorder&) = delete;
  CsvRecorder& operator=(const CsvRecorder&) = delete;

  // Creates (or empties) the file, writes the header line and starts the
  // writer. False, with one line in *error, when the file cannot be created
  // or written, the header alone passes the size limit, the disk is already
  // within its reserve, or a recording is running.
  bool Start(const std::string& path, const RecorderOptions& options, std::string* error);
  // The pass side: queues the capture's row. Does nothing unless recording.
  void Add(const Capture& capture);
  // Writes the rows queued, stops the writer and closes the file; returns
  // when all that is done. A recording that stopped by itself keeps its reason.
  void Stop();

  // Started and not stopped, neither by Stop() nor by itself.
  bool Recording() const;
  StopReason Reason() const;
  int Error() const;  // errno of a kDiskFull / kWriteError stop, else 0
  std::uint64_t RowsWritten() const;
  std::uint64_t RowsDropped() const;  // dropped because the queue was full
  std::uint64_t BytesWritten() const;  // the file's size, header included
  const std::string& Path() const;
  std::uint64_t MaxBytes() const;
  // Why the recording stopped by itself, in English, one line
  // ("size limit of 1 MB reached", "disk full: No space left on device");
  // empty while recording or after Stop().
  std::string StopText() const;

 private:
  struct Shared;
  void Writer();
  std::unique_ptr<Shared> s_;
};

}  // namespace orva::record
