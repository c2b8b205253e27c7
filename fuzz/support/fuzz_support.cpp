#include "fuzz_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace orva::fuzz {

namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz support: %s\n", what.c_str());
  std::abort();
}

std::string MakeFolder() {
  std::string base = "/tmp";
  if (const char* t = std::getenv("TMPDIR"); t != nullptr && *t != '\0') base = t;
  struct stat st {};
  if (::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && ::access("/dev/shm", W_OK) == 0)
    base = "/dev/shm";
  std::string templ = base + "/orva-fuzz-XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data()) == nullptr) Fail("cannot make a scratch folder under " + base);
  return std::string(buf.data());
}

void RemoveFolder() {
  std::error_code ec;
  std::filesystem::remove_all(ScratchFolder(), ec);
}

}  // namespace

const std::string& ScratchFolder() {
  static const std::string folder = MakeFolder();
  static const bool registered = (std::atexit(RemoveFolder), true);
  (void)registered;
  return folder;
}

std::string ScratchSubfolder(const std::string& name) {
  const std::string path = ScratchFolder() + "/" + name;
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (ec) Fail("cannot make " + path);
  return path;
}

void WriteWholeFile(const std::string& folder, const char* name, const std::uint8_t* data,
                    std::size_t size) {
  const std::string path = folder + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) Fail("cannot write " + path);
  const bool ok = (size == 0 || std::fwrite(data, 1, size, f) == size);
  if (std::fclose(f) != 0 || !ok) Fail("cannot write " + path);
}

volatile double kept_value;

void Keep(double value) { kept_value = value; }

}  // namespace orva::fuzz
