// The atomic replacement of a file: a template copy beside the target,
// flushed and renamed over it.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>

#include "orva/dao.h"

namespace orva::dao {
namespace {

[[noreturn]] void SystemError(const std::string& what, int err) {
  const std::string why = err == EFBIG    ? "the file would be larger than the file-size limit of this process"
                          : err == ENOSPC ? "the disk is full"
                                          : std::strerror(err);
  throw Error(ErrorKind::kFileSystem, what + ": " + why);
}

// A write past the process's file-size limit raises SIGXFSZ, which ends the
// process unless it is ignored; ignored, the write fails with EFBIG and the
// save fails as on a full disk. A handler the program set itself is kept.
void IgnoreFileSizeSignal() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction old {};
    if (::sigaction(SIGXFSZ, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) ::signal(SIGXFSZ, SIG_IGN);
  });
}

// The file a save replaces: the target itself, or the file a symbolic link
// names (link after link), so that the link stays and the file it points to
// gets the new contents.
std::string Resolve(const std::string& target) {
  namespace fs = std::filesystem;
  fs::path path(target);
  for (int i = 0; i < 40; ++i) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path.string();
    std::error_code ec;
    const fs::path to = fs::read_symlink(path, ec);
    if (ec) return path.string();
    path = to.is_absolute() ? to : path.parent_path() / to;
  }
  throw Error(ErrorKind::kFileSystem, "cannot save " + target + ": too many symbolic links");
}

// Hidden copies of earlier saves older than this are left by a killed process.
constexpr auto kStaleAge = std::chrono::minutes(10);

// Whether a name is that of a save's hidden copy: ".<name>.<8 hex digits>.tmp",
// or its "-journal".
bool IsCopyName(std::string_view n) {
  constexpr std::string_view kJournal = "-journal";
  if (n.size() > kJournal.size() && n.substr(n.size() - kJournal.size()) == kJournal)
    n.remove_suffix(kJournal.size());
  constexpr std::string_view kTmp = ".tmp";
  if (n.size() < 1 + 1 + 1 + 8 + kTmp.size() || n.front() != '.' || n.substr(n.size() - kTmp.size()) != kTmp)
    return false;
  n.remove_suffix(kTmp.size());
  if (n[n.size() - 9] != '.') return false;
  for (char c : n.substr(n.size() - 8))
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// Removes the hidden copies a killed save left in the folder: files of this
// user, by their name, untouched for kStaleAge (a save running now in
// another process has touched its copy within seconds).
void RemoveStaleCopies(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  const auto now = std::chrono::system_clock::now();
  for (int seen = 0; !ec && it != fs::directory_iterator() && seen < 100000; it.increment(ec), ++seen) {
    const std::string name = it->path().filename().string();
    if (!IsCopyName(name)) continue;
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    const auto touched = std::chrono::system_clock::from_time_t(st.st_mtime);
    if (now - touched > kStaleAge) ::unlink(it->path().c_str());
  }
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    const int f = fd_;
    fd_ = -1;
    return f;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

std::string Folder(const std::filesystem::path& target) {
  const std::filesystem::path parent = target.parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

}  // namespace

ReplacementFile::ReplacementFile(const std::string& template_path, const std::string& target)
    : target_(Resolve(target)) {
  Fd in(::open(template_path.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) SystemError("cannot read the template " + template_path, errno);
  struct stat st {};
  if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))
    throw Error(ErrorKind::kFileSystem, "the template " + template_path + " is not a file");

  Fd out(CreateTemporary());
  auto fail = [&](const std::string& what, int err) {
    ::unlink(temp_.c_str());
    SystemError(what, err);
  };
  char buf[1 << 16];
  for (;;) {
    const ssize_t r = ::read(in.get(), buf, sizeof buf);
    if (r < 0) {
      if (errno == EINTR) continue;
      fail("cannot read the template " + template_path, errno);
    }
    if (r == 0) break;
    if (!WriteAll(out.get(), buf, static_cast<std::size_t>(r))) fail("cannot write " + temp_, errno);
  }
  if (::close(out.release()) != 0) fail("cannot write " + temp_, errno);
}

ReplacementFile::ReplacementFile(const std::string& target) : target_(Resolve(target)) {
  Fd out(CreateTemporary());
  if (::close(out.release()) != 0) {
    ::unlink(temp_.c_str());
    SystemError("cannot write " + temp_, errno);
  }
}

int ReplacementFile::CreateTemporary() {
  const std::filesystem::path t(target_);
  const std::string name = t.filename().string();
  if (name.empty() || name == "." || name == "..")
    throw Error(ErrorKind::kFileSystem, "no file name in " + target_);

  // The copy keeps the permissions of the file it will replace.
  mode_t mode = 0666;  // less the umask
  struct stat old {};
  const bool replaces = ::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode);

  IgnoreFileSizeSignal();
  std::random_device rd;
  const std::string folder = Folder(t);
  RemoveStaleCopies(folder);
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(rd()));
    temp_ = folder + "/." + name + "." + suffix + ".tmp";
    fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0 && errno != EEXIST) SystemError("cannot create a file in " + folder, errno);
  }
  if (fd < 0) SystemError("cannot create a file in " + folder, EEXIST);
  if (replaces && ::fchmod(fd, old.st_mode & 07777) != 0) {
    const int err = errno;
    ::close(fd);
    ::unlink(temp_.c_str());
    SystemError("cannot set the permissions of " + temp_, err);
  }
  return fd;
}

ReplacementFile::~ReplacementFile() {
  if (!committed_ && !temp_.empty()) {
    ::unlink(temp_.c_str());
    ::unlink((temp_ + "-journal").c_str());
  }
}

void ReplacementFile::Commit() {
  {
    Fd f(::open(temp_.c_str(), O_RDWR | O_CLOEXEC));
    if (f.get() < 0 || ::fsync(f.get()) != 0) SystemError("cannot flush " + temp_, errno);
  }
  // Side files another program left beside the old file (a rollback journal,
  // a write-ahead log and its index) would be applied to the new file by the
  // next program that opens it: they go first, while the old file is still
  // the one they belong to. A kill between here and the rename leaves the old
  // file without them (its unfinished change undone or lost, which replacing
  // it does anyway); removed after the rename, a kill in between would leave
  // them beside the new file.
  for (const char* side : {"-journal", "-wal", "-shm"}) {
    const std::string f = target_ + side;
    if (::unlink(f.c_str()) != 0 && errno != ENOENT) SystemError("cannot remove " + f, errno);
  }
  if (::rename(temp_.c_str(), target_.c_str()) != 0) SystemError("cannot replace " + target_, errno);
  committed_ = true;
  // The rename itself reaches the disk with the folder. The new file is in
  // place already: a failure here is not reported as a failed save.
  Fd dir(::open(Folder(std::filesystem::path(target_)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace orva::dao
