// The CSV recorder: a bounded queue filled by the pass, a writer thread
// that formats, writes and flushes.
#include "orva/record/recorder.h"

#include "number_text.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

namespace orva::record {
namespace {

constexpr std::size_t kMaxRowBytes = 512;   // room for the longest row (about 280 bytes)
constexpr std::size_t kBatchRows = 256;     // rows the writer takes from the queue at once
constexpr std::uint64_t kReserveCheckBytes = std::uint64_t{1} << 20;  // free space looked at every MiB
// Shortest time between two writes: rows that come faster go out together,
// at most 100 writes and flushes a second, so that a fast acquisition costs
// the disk and the processor little.
constexpr auto kWriteInterval = std::chrono::milliseconds(10);

struct Row {
  std::int64_t unix_ms = 0;  // wall clock, milliseconds since 1970 (UTC)
  double elapsed = 0;        // seconds since the start, monotonic clock
  Capture capture;
};

// Appends to [p, end) and moves p; a field that does not fit is left out
// (it cannot happen with kMaxRowBytes, but nothing is ever written past end).
void PutChar(char*& p, char* end, char c) {
  if (p < end) *p++ = c;
}
void PutText(char*& p, char* end, std::string_view t) {
  if (static_cast<std::size_t>(end - p) < t.size()) return;
  p = std::copy(t.begin(), t.end(), p);
}
void PutFloat(char*& p, char* end, double v) {  // single precision, fewest digits
  if (std::isfinite(v)) p = detail::ShortestText(p, end, static_cast<float>(v));
}
void PutDouble(char*& p, char* end, double v) { p = detail::ShortestText(p, end, v); }
void PutFixed3(char*& p, char* end, double v) {
  if (!std::isfinite(v)) return;
  const auto r = std::to_chars(p, end, v, std::chars_format::fixed, 3);
  if (r.ec == std::errc()) p = r.ptr;
}
void PutDigits(char*& p, char* end, long v, int width) {
  std::array<char, 24> d{};
  const auto r = std::to_chars(d.data(), d.data() + d.size(), v < 0 ? -v : v);
  const auto n = static_cast<int>(r.ptr - d.data());
  if (v < 0) PutChar(p, end, '-');
  for (int k = n; k < width; ++k) PutChar(p, end, '0');
  PutText(p, end, std::string_view(d.data(), static_cast<std::size_t>(n)));
}

// One row into buf (kMaxRowBytes), line end included; returns its length.
std::size_t FormatRow(const Row& row, char* buf) {
  char* p = buf;
  char* const end = buf + kMaxRowBytes;
  std::int64_t seconds = row.unix_ms / 1000;
  std::int64_t ms = row.unix_ms % 1000;
  if (ms < 0) {
    ms += 1000;
    --seconds;
  }
  const auto t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (gmtime_r(&t, &tm) != nullptr) {
    PutDigits(p, end, tm.tm_year + 1900L, 4);
    PutChar(p, end, '-');
    PutDigits(p, end, tm.tm_mon + 1, 2);
    PutChar(p, end, '-');
    PutDigits(p, end, tm.tm_mday, 2);
    PutChar(p, end, 'T');
    PutDigits(p, end, tm.tm_hour, 2);
    PutChar(p, end, ':');
    PutDigits(p, end, tm.tm_min, 2);
    PutChar(p, end, ':');
    PutDigits(p, end, tm.tm_sec, 2);
    PutChar(p, end, '.');
    PutDigits(p, end, static_cast<long>(ms), 3);
    PutChar(p, end, 'Z');
  }
  PutChar(p, end, ',');
  PutFixed3(p, end, row.elapsed);
  const CaptureSettings& s = row.capture.settings;
  PutChar(p, end, ',');
  PutDouble(p, end, s.seconds_per_div);
  for (double v : s.volts_per_div) {
    PutChar(p, end, ',');
    PutFloat(p, end, v);
  }
  for (double v : row.capture.values) {
    PutChar(p, end, ',');
    PutFloat(p, end, v);
  }
  // The line end always fits: the fields above stop short of the end.
  if (p == end) --p;
  *p++ = '\n';
  return static_cast<std::size_t>(p - buf);
}

// Writes len bytes; returns how many were written before an error (*err is
// then its errno, else 0).
std::size_t WriteAll(int fd, const char* data, std::size_t len, int* err) {
  *err = 0;
  std::size_t done = 0;
  while (done < len) {
    const ssize_t w = ::write(fd, data + done, len - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      *err = errno;
      break;
    }
    if (w == 0) {
      *err = EIO;
      break;
    }
    done += static_cast<std::size_t>(w);
  }
  return done;
}

bool IsWantOfRoom(int err) { return err == ENOSPC || err == EDQUOT || err == EFBIG; }

// Free bytes of the file's disk for an ordinary user; nullopt when unknown.
std::optional<std::uint64_t> FreeBytes(int fd) {
  struct statvfs sv {};
  if (fstatvfs(fd, &sv) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(sv.f_bavail) * static_cast<std::uint64_t>(sv.f_frsize);
}

std::string SizeText(std::uint64_t bytes) {
  constexpr std::uint64_t kMB = std::uint64_t{1} << 20;
  if (bytes % kMB == 0) return std::to_string(bytes / kMB) + " MB";
  return std::to_string(bytes) + " bytes";
}

}  // namespace

std::string CsvHeader() {
  std::string h = "time (UTC),elapsed (s),timebase (s/div),ch1 gain (V/div),ch2 gain (V/div)";
  for (const MeasurementInfo& m : kMeasurementInfo) {
    h += ",ch" + std::to_string(m.channel) + " " + std::string(m.name) + " (" +
         std::string(m.symbol) + ")";
  }
  return h;
}

struct CsvRecorder::Shared {
  // Queue, guarded by m.
  std::mutex m;
  std::condition_variable cv;
  std::vector<Row> ring;
  std::size_t head = 0, count = 0;
  bool writer_waiting = false;
  bool stop_requested = false;
  // Writer's own buffers.
  std::vector<Row> batch;
  std::vector<char> out;
  std::vector<std::size_t> ends;  // end offset in out of each formatted row
  std::uint64_t checked_at = 0;   // file size at the last look at the free space
  bool checked = false;
  // Set at Start.
  int fd = -1;
  std::string path;
  RecorderOptions options;
  std::chrono::steady_clock::time_point start{};
  std::thread thread;
  // Read by anyone.
  std::atomic<bool> recording{false};
  std::atomic<int> reason{static_cast<int>(StopReason::kNone)};
  std::atomic<int> error{0};
  std::atomic<std::uint64_t> rows{0}, dropped{0}, bytes{0};

  void StopsItself(StopReason r, int err) {
    error.store(err);
    reason.store(static_cast<int>(r));
    recording.store(false, std::memory_order_release);
  }
  bool WriteBatch(std::size_t n);
};

CsvRecorder::CsvRecorder() : s_(std::make_unique<Shared>()) {}

CsvRecorder::~CsvRecorder() { Stop(); }

bool CsvRecorder::Start(const std::string& path, const RecorderOptions& options, std::string* error) {
  std::string ignored;
  std::string& why = error != nullptr ? *error : ignored;
  Shared& s = *s_;
  if (s.thread.joinable() || s.fd >= 0) {
    why = "a recording is already running";
    return false;
  }
  // A file-size limit must make the write fail (EFBIG), not kill the program.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGXFSZ, &ignore, nullptr);

  s.options = options;
  s.options.queue_rows = std::max<std::size_t>(1, options.queue_rows);
  s.path = path;
  s.head = s.count = 0;
  s.stop_requested = false;
  s.checked = false;
  s.rows = 0;
  s.dropped = 0;
  s.bytes = 0;
  s.error = 0;
  s.reason = static_cast<int>(StopReason::kNone);
  s.ring.assign(s.options.queue_rows, Row{});
  s.batch.assign(std::min(kBatchRows, s.options.queue_rows), Row{});
  s.out.assign(s.batch.size() * kMaxRowBytes, '\0');
  s.ends.assign(s.batch.size(), 0);

  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    why = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  auto fails = [&](std::string text) {
    ::close(fd);
    why = std::move(text);
    return false;
  };
  if (s.options.disk_reserve_bytes > 0) {
    const auto free = FreeBytes(fd);
    if (free && *free < s.options.disk_reserve_bytes)
      return fails("the disk of " + path + " has less than " + SizeText(s.options.disk_reserve_bytes) +
                   " free");
  }
  const std::string header = CsvHeader() + "\n";
  if (header.size() > s.options.max_bytes)
    return fails("the size limit of " + SizeText(s.options.max_bytes) + " does not hold the header");
  int err = 0;
  WriteAll(fd, header.data(), header.size(), &err);
  if (err == 0 && fdatasync(fd) != 0 && errno != EINVAL) err = errno;
  if (err != 0) return fails("cannot write " + path + ": " + std::strerror(err));
  s.fd = fd;
  s.bytes = header.size();
  s.start = std::chrono::steady_clock::now();
  s.recording.store(true, std::memory_order_release);
  s.thread = std::thread([this] { Writer(); });
  return true;
}

void CsvRecorder::Add(const Capture& capture) {
  Shared& s = *s_;
  if (!s.recording.load(std::memory_order_acquire)) return;
  const auto wall = std::chrono::system_clock::now();
  const auto mono = std::chrono::steady_clock::now();
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(s.m);
    if (s.count == s.ring.size()) {
      s.dropped.fetch_add(1, std::memory_order_relaxed);
      return;
    }
    Row& r = s.ring[(s.head + s.count) % s.ring.size()];
    r.unix_ms = std::chrono::duration_cast<std::chrono::milliseconds>(wall.time_since_epoch()).count();
    r.elapsed = std::chrono::duration<double>(mono - s.start).count();
    r.capture = capture;
    ++s.count;
    wake = s.writer_waiting;
  }
  if (wake) s.cv.notify_one();
}

void CsvRecorder::Writer() {
  Shared& s = *s_;
  std::unique_lock<std::mutex> lock(s.m);
  for (;;) {
    // Rows come one by one: the first one wakes the writer. While it keeps
    // its interval between writes it is not waiting, so the pass never pays
    // for a wake-up when captures come fast.
    while (s.count == 0 && !s.stop_requested) {
      s.writer_waiting = true;
      s.cv.wait(lock);
      s.writer_waiting = false;
    }
    if (s.count == 0) break;  // asked to stop, everything written
    const std::size_t n = std::min(s.count, s.batch.size());
    for (std::size_t k = 0; k < n; ++k) s.batch[k] = s.ring[(s.head + k) % s.ring.size()];
    s.head = (s.head + n) % s.ring.size();
    s.count -= n;
    lock.unlock();
    const auto written = std::chrono::steady_clock::now();
    const bool more = s.WriteBatch(n);
    lock.lock();
    if (!more) {
      s.count = 0;  // stopped by itself: the rows still queued go
      break;
    }
    s.cv.wait_until(lock, written + kWriteInterval, [&s] { return s.stop_requested; });
  }
}

bool CsvRecorder::Shared::WriteBatch(std::size_t n) {
  const std::uint64_t base = bytes.load();
  std::size_t len = 0, whole = 0;
  bool limit = false;
  // out holds kMaxRowBytes per row of the batch: row k starts at most at
  // k * kMaxRowBytes and takes at most kMaxRowBytes.
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t l = FormatRow(batch[k], out.data() + len);
    if (base + len + l > options.max_bytes) {
      limit = true;
      break;
    }
    len += l;
    ends[whole++] = len;
  }
  if (options.disk_reserve_bytes > 0 && (!checked || base - checked_at >= kReserveCheckBytes)) {
    checked = true;
    checked_at = base;
    const auto free = FreeBytes(fd);
    if (free && *free < options.disk_reserve_bytes + len) {
      StopsItself(StopReason::kDiskFull, ENOSPC);
      return false;
    }
  }
  int err = 0;
  const std::size_t done = WriteAll(fd, out.data(), len, &err);
  if (err != 0) {
    // Only whole rows stay: a row cut by the failure is taken off again.
    std::size_t kept = 0, keep = 0;
    while (kept < whole && ends[kept] <= done) keep = ends[kept++];
    if (done != keep) (void)::ftruncate(fd, static_cast<off_t>(base + keep));
    bytes.store(base + keep);
    rows.fetch_add(kept);
    StopsItself(IsWantOfRoom(err) ? StopReason::kDiskFull : StopReason::kWriteError, err);
    return false;
  }
  bytes.store(base + len);
  rows.fetch_add(whole);
  // EINVAL: the file cannot be flushed (a pipe, a special file); nothing lost.
  if (fdatasync(fd) != 0 && errno != EINVAL) {
    const int e = errno;
    StopsItself(IsWantOfRoom(e) ? StopReason::kDiskFull : StopReason::kWriteError, e);
    return false;
  }
  if (limit) {
    StopsItself(StopReason::kSizeLimit, 0);
    return false;
  }
  return true;
}

void CsvRecorder::Stop() {
  Shared& s = *s_;
  s.recording.store(false, std::memory_order_release);
  if (s.thread.joinable()) {
    {
      std::lock_guard<std::mutex> lock(s.m);
      s.stop_requested = true;
    }
    s.cv.notify_one();
    s.thread.join();
  }
  if (s.fd >= 0) {
    const bool itself = s.reason.load() != static_cast<int>(StopReason::kNone);
    if (fdatasync(s.fd) != 0 && errno != EINVAL && !itself) {
      s.StopsItself(StopReason::kWriteError, errno);
    } else if (!itself) {
      s.reason.store(static_cast<int>(StopReason::kUser));
    }
    ::close(s.fd);
    s.fd = -1;
  }
}

bool CsvRecorder::Recording() const { return s_->recording.load(std::memory_order_acquire); }
StopReason CsvRecorder::Reason() const { return static_cast<StopReason>(s_->reason.load()); }
int CsvRecorder::Error() const { return s_->error.load(); }
std::uint64_t CsvRecorder::RowsWritten() const { return s_->rows.load(); }
std::uint64_t CsvRecorder::RowsDropped() const { return s_->dropped.load(); }
std::uint64_t CsvRecorder::BytesWritten() const { return s_->bytes.load(); }
const std::string& CsvRecorder::Path() const { return s_->path; }
std::uint64_t CsvRecorder::MaxBytes() const { return s_->options.max_bytes; }

std::string CsvRecorder::StopText() const {
  switch (Reason()) {
    case StopReason::kSizeLimit:
      return "size limit of " + SizeText(s_->options.max_bytes) + " reached";
    case StopReason::kDiskFull:
      return std::string("disk full: ") + std::strerror(Error());
    case StopReason::kWriteError:
      return std::string("write error: ") + std::strerror(Error());
    case StopReason::kNone:
    case StopReason::kUser:
      break;
  }
  return {};
}

}  // namespace orva::record
