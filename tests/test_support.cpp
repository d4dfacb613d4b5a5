#include "tests/test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace testing_support {

std::string SharedDir() {
  fs::path dir(R7P_SHARED_DIR);
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return "";
  return fs::canonical(dir, ec).string();
}

std::string SharedLibrary() {
  std::string shared = SharedDir();
  if (shared.empty()) return "";
  std::error_code ec;
  return fs::is_directory(shared + "/ldraw", ec) ? shared + "/ldraw" : "";
}

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "r7p-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& relative,
                           const std::string& content) const {
  fs::path full = fs::path(path_) / relative;
  fs::create_directories(full.parent_path());
  std::ofstream out(full, std::ios::binary);
  out << content;
  return full.string();
}

std::string TempDir::Mkdir(const std::string& relative) const {
  fs::path full = fs::path(path_) / relative;
  fs::create_directories(full);
  return full.string();
}

MemoryFile::MemoryFile() { file_ = open_memstream(&buffer_, &size_); }

MemoryFile::~MemoryFile() {
  if (file_ != nullptr) fclose(file_);
  free(buffer_);
}

std::string MemoryFile::text() {
  fflush(file_);
  return std::string(buffer_, size_);
}

static std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

RunResult RunR7p(const std::string& args, const std::string& cwd,
                 const std::string& env) {
  TempDir capture;
  std::string out_path = capture.path() + "/out";
  std::string err_path = capture.path() + "/err";
  std::string command = "cd '" + cwd + "' && " + env + " '" R7P_BINARY "' " +
                        args + " </dev/null >'" + out_path + "' 2>'" +
                        err_path + "'";
  int raw = std::system(command.c_str());
  RunResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadWhole(out_path);
  result.err = ReadWhole(err_path);
  return result;
}

bool HavePovray() { return std::system("command -v povray >/dev/null 2>&1") == 0; }

int RenderWithPovray(const std::string& scene, std::string* messages) {
  TempDir work;
  std::string log = work.path() + "/povray.log";
  std::string command = "cd '" + work.path() +
                        "' && povray +W160 +H120 -D +O" + work.path() +
                        "/out.png '+I" + scene + "' >'" + log + "' 2>&1";
  int raw = std::system(command.c_str());
  if (messages != nullptr) *messages = ReadWhole(log);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

}  // namespace testing_support
