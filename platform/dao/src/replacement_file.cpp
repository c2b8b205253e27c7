// The atomic replacement of a file: a template copy beside the target,
// flushed and renamed over it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "orva/dao.h"

namespace orva::dao {
namespace {

[[noreturn]] void SystemError(const std::string& what, int err) {
  throw Error(ErrorKind::kFileSystem, what + ": " + std::strerror(err));
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
    : target_(target) {
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

ReplacementFile::ReplacementFile(const std::string& target) : target_(target) {
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

  std::random_device rd;
  const std::string folder = Folder(t);
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
  if (::rename(temp_.c_str(), target_.c_str()) != 0) SystemError("cannot replace " + target_, errno);
  committed_ = true;
  // The rename itself reaches the disk with the folder. The new file is in
  // place already: a failure here is not reported as a failed save.
  Fd dir(::open(Folder(std::filesystem::path(target_)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace orva::dao
