#include "model/read_ahead.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <utility>

#include "model/file_lookup.h"
#include "platform/path_finder.h"

namespace {

// The references of `file` in line order, appended to `names`.
void AppendReferences(const PrescannedFile& file,
                      std::vector<std::string>* names) {
  for (const PrescannedFile::Line& line : file.lines) {
    std::string name = ReferencedName(file, line);
    if (!name.empty()) names->push_back(std::move(name));
  }
}

}  // namespace

ReadAhead::ReadAhead(Plan plan)
    : plan_(std::move(plan)), thread_([this] { Walk(); }) {}

ReadAhead::~ReadAhead() {
  Stop();
  thread_.join();
}

void ReadAhead::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
}

std::unique_ptr<ReadAhead::File> ReadAhead::Take(const std::string& name) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    // Nearly always the oldest: the thread reads in the resolver's order.
    auto it = std::find_if(ready_.begin(), ready_.end(),
                           [&](const auto& file) { return file->name == name; });
    if (it != ready_.end()) {
      std::unique_ptr<File> file = std::move(*it);
      ready_.erase(it);
      held_bytes_ -= HeldSize(*file);
      if (held_full_ && held_bytes_ <= kMaxHeldBytes / 2) {
        held_full_ = false;
        changed_.notify_all();
      }
      return file;
    }
    if (reading_ != name) {
      claimed_.insert(name);
      return nullptr;
    }
    changed_.wait(lock);
  }
}

void ReadAhead::GiveBack(std::unique_ptr<File> file) {
  std::lock_guard<std::mutex> lock(mutex_);
  spare_.push_back(std::move(file));
}

size_t ReadAhead::HeldSize(const File& file) {
  const PrescannedFile& lines = file.lines;
  return lines.text.size() +
         lines.lines.size() * sizeof(PrescannedFile::Line) +
         lines.scans.size() * sizeof(GeometryScan);
}

std::unique_ptr<ReadAhead::File> ReadAhead::SpareFile() {
  if (spare_.empty()) return std::make_unique<File>();
  std::unique_ptr<File> file = std::move(spare_.back());
  spare_.pop_back();
  return file;
}

void ReadAhead::Walk() {
  WalkReferences();
  // What only this thread used is freed here, while the resolver goes on.
  finder_ = platform::PathFinder();
  bytes_.Release();
  model_ = PrescannedFile();
  std::lock_guard<std::mutex> lock(mutex_);
  spare_.clear();
}

// The resolver reads the model with all its sections, then walks the
// references of its first section depth first; a reference to a later
// section walks that section's references, one to anything else reads a
// file from the search directories. The walk here does the same, so that
// it reads files in the order in which they are asked for.
void ReadAhead::WalkReferences() {
  try {
    std::vector<std::string> root;
    std::unordered_map<std::string, std::vector<std::string>> sections;
    if (!ReadModelReferences(&root, &sections)) return;

    std::unordered_set<std::string> seen;
    std::vector<std::string> pending(root.rbegin(), root.rend());
    std::vector<std::string> children;
    while (!pending.empty() && !stop_.load(std::memory_order_relaxed)) {
      std::string name = std::move(pending.back());
      pending.pop_back();
      if (!seen.insert(name).second) continue;
      children.clear();
      if (auto section = sections.find(name); section != sections.end())
        children = section->second;
      else if (!plan_.never_read || !plan_.never_read(name))
        ReadLibraryFile(name, &children);
      pending.insert(pending.end(), children.rbegin(), children.rend());
    }
  } catch (const std::exception&) {
    // Reading ahead is only a help: the resolver reads what it lacks. It
    // must not wait for a file that will never come.
    {
      std::lock_guard<std::mutex> lock(mutex_);
      reading_.clear();
    }
    changed_.notify_all();
  }
}

// Only the references of the model are wanted here: the resolver reads the
// model itself meanwhile.
bool ReadAhead::ReadModelReferences(
    std::vector<std::string>* root,
    std::unordered_map<std::string, std::vector<std::string>>* sections) {
  std::optional<std::string> found = finder_.FindFile(plan_.model_path);
  if (!found || bytes_.Read(*found, kMaxFileBytes) !=
                    platform::FileBytes::Outcome::kRead)
    return false;
  PrescanLines(bytes_.bytes(), &model_);
  // Lines up to the second FILE line belong to the model itself.
  std::vector<std::string>* into = root;
  bool first_section = true;
  for (const PrescannedFile::Line& line : model_.lines) {
    if (line.scan >= 0) {
      std::string name = ReferencedName(model_, line);
      if (!name.empty()) into->push_back(std::move(name));
      continue;
    }
    std::string section = SectionName(model_.LineText(line));
    if (section.empty()) continue;
    if (first_section) {
      first_section = false;
      continue;
    }
    into = &(*sections)[section];
    into->clear();  // a section given twice is read from its last FILE line
  }
  return true;
}

void ReadAhead::ReadLibraryFile(const std::string& name,
                                std::vector<std::string>* names) {
  using Outcome = platform::FileBytes::Outcome;
  std::unique_ptr<File> file;
  std::string path;
  const std::optional<size_t> directory = LookUpFile(
      plan_.directories, name, false, nullptr, [&](const std::string& tried) {
        std::optional<std::string> found = finder_.FindFile(tried);
        if (!found) return false;
        file = BeginReading(name);
        if (file == nullptr) return true;
        const Outcome outcome = bytes_.Read(*found, kMaxFileBytes);
        if (outcome == Outcome::kRead) {
          path = std::move(*found);
          return true;
        }
        // A file that cannot be opened is looked for in the next
        // directory, as the resolver does; anything else unusual is left
        // to the resolver.
        GiveBack(std::move(file));
        Publish(nullptr);
        return outcome != Outcome::kCannotOpen;
      });
  if (!directory || file == nullptr) return;
  file->name = name;
  file->path = std::move(path);
  file->directory = *directory;
  PrescanLines(bytes_.bytes(), &file->lines);
  AppendReferences(file->lines, names);
  Publish(std::move(file));
}

std::unique_ptr<ReadAhead::File> ReadAhead::BeginReading(
    const std::string& name) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (held_bytes_ >= kMaxHeldBytes) {
    held_full_ = true;
    changed_.wait(lock, [this] { return stop_ || !held_full_; });
  }
  if (stop_ || claimed_.count(name) != 0) return nullptr;
  reading_ = name;
  return SpareFile();
}

void ReadAhead::Publish(std::unique_ptr<File> file) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    reading_.clear();
    if (file != nullptr) {
      ++files_read_;
      held_bytes_ += HeldSize(*file);
      ready_.push_back(std::move(file));
    }
  }
  changed_.notify_all();
}
