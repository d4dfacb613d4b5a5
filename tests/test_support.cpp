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

std::string MemoryFile::NewText() {
  fflush(file_);
  std::string fresh(buffer_ + seen_, size_ - seen_);
  seen_ = size_;
  return fresh;
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t Occurrences(const std::string& text, const std::string& what) {
  if (what.empty()) return 0;
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + what.size()))
    ++count;
  return count;
}

std::string CleanLdrawEnv(const std::string& home) {
  return "env -u LDRAWINI -u LDRAWSEARCH -u LDRAWSEARCH01 -u LDRAWSEARCH02 "
         "-u LDRAWSEARCH03 -u LDRAWSEARCH04 -u LGEODIR -u USERPROFILE "
         "-u ALLUSERSPROFILE -u windir SOURCE_DATE_EPOCH=0 HOME=" +
         ShellQuote(home) + " LDRAWDIR=";
}

RunResult RunR7p(const std::string& args, const std::string& cwd,
                 const std::string& env) {
  TempDir capture;
  std::string out_path = capture.path() + "/out";
  std::string err_path = capture.path() + "/err";
  std::string command = "cd " + ShellQuote(cwd) + " && " + env + " " +
                        ShellQuote(R7P_BINARY) + " " + args + " </dev/null >" +
                        ShellQuote(out_path) + " 2>" + ShellQuote(err_path);
  int raw = std::system(command.c_str());
  RunResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = ReadFileText(out_path);
  result.err = ReadFileText(err_path);
  return result;
}

bool HavePovray() { return std::system("command -v povray >/dev/null 2>&1") == 0; }

std::string PovrayPathOption(const std::string& option, const std::string& path) {
  return ShellQuote(option + "\"" + path + "\"");
}

int RenderWithPovray(const std::string& scene, std::string* messages,
                     const std::string& extra_options, const std::string& image) {
  TempDir work;
  std::string log = work.path() + "/povray.log";
  std::string command = "cd " + ShellQuote(work.path()) +
                        " && HOME=" + ShellQuote(work.path()) +
                        " povray +W160 +H120 -D " + extra_options + " " +
                        PovrayPathOption("+O", image.empty() ? work.path() + "/out.png" : image) + " " +
                        PovrayPathOption("+I", scene) + " >" + ShellQuote(log) +
                        " 2>&1";
  int raw = std::system(command.c_str());
  if (messages != nullptr) *messages = ReadFileText(log);
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

}  // namespace testing_support
