// Reading ahead of the resolver. While the resolver parses and declares one
// file, a second thread follows the model's type-1 references the way the
// resolver does -- depth first, in line order, through the sections of a
// multi-part model -- reads the library files met and prescans them, so
// that the resolver finds their lines already split and their numbers
// already scanned.
#ifndef R7P_MODEL_READ_AHEAD_H_
#define R7P_MODEL_READ_AHEAD_H_

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/prescan.h"
#include "platform/path_finder.h"
#include "platform/platform.h"
#include "searchdirs/path_ini.h"

class ReadAhead {
 public:
  /// The thread stops reading while the files not yet taken hold this many
  /// bytes, and goes on once they are down to half of it.
  static constexpr size_t kMaxHeldBytes = size_t{1024} << 10;
  /// Larger files are left to the resolver, which reads them line by line
  /// instead of whole.
  static constexpr size_t kMaxFileBytes = size_t{8} << 20;

  struct Plan {
    /// The main model, as the resolver opens it.
    std::string model_path;
    /// The search directories in order: a library file is looked up in
    /// them through LookUpFile, as the resolver looks it up.
    std::vector<SearchDir> directories;
    /// Normalised names that the resolver never reads (POV-Ray
    /// equivalents, edge-only files without edges). Called on the reading
    /// thread: it must not touch anything the resolver changes.
    std::function<bool(const std::string& name)> never_read;
  };

  /// A library file as the thread read it.
  struct File {
    std::string name;      // the normalised LDraw name it was looked up by
    std::string path;      // where it was found, spelt as on disk
    size_t directory = 0;  // index in Plan::directories
    PrescannedFile lines;
  };

  /// Starts the reading thread.
  explicit ReadAhead(Plan plan);
  /// Stops the thread after the file it is reading, and waits for it.
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  /// The library file read for `name`, handed out once; null when the
  /// thread has not read it. A file the thread is reading at the moment is
  /// waited for; one it has not come to yet is left to the caller, and the
  /// thread will not read it any more.
  std::unique_ptr<File> Take(const std::string& name);
  /// Returns a file that Take handed out, once read, for its room to be
  /// used again.
  void GiveBack(std::unique_ptr<File> file);
  /// Asks the thread to stop after the file it is reading; the destructor
  /// waits for it.
  void Stop();

  /// Library files read by the thread so far (handed out or not).
  size_t files_read() const { return files_read_.load(); }

 private:
  /// The thread's work: WalkReferences, then its own memory freed.
  void Walk();
  /// The walk over the model's references.
  void WalkReferences();
  /// Reads the main model for the references of its first section
  /// (`root`) and of its further sections by name; false when it cannot be
  /// read.
  bool ReadModelReferences(
      std::vector<std::string>* root,
      std::unordered_map<std::string, std::vector<std::string>>* sections);
  /// Reads and prescans the first file found for `name` in the search
  /// directories and hands it over; appends its references to `names`.
  void ReadLibraryFile(const std::string& name,
                       std::vector<std::string>* names);
  /// Makes `name` the file being read and returns the room to read it
  /// into; null when the resolver has read it already or the thread is to
  /// stop.
  std::unique_ptr<File> BeginReading(const std::string& name);
  /// Ends the reading begun by BeginReading; hands `file` out unless it is
  /// null (a read error).
  void Publish(std::unique_ptr<File> file);
  std::unique_ptr<File> SpareFile();  // with the lock held

  static size_t HeldSize(const File& file);

  Plan plan_;
  platform::PathFinder finder_;  // the thread's own, never the resolver's
  platform::FileBytes bytes_;    // the file being read
  PrescannedFile model_;         // the main model, for its references

  // Memory is passed back and forth rather than freed by the other thread:
  // every allocation then stays with the thread that made it.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<File>> ready_;  // in reading order
  std::vector<std::unique_ptr<File>> spare_;
  std::unordered_set<std::string> claimed_;  // names the resolver read itself
  std::string reading_;                      // name being read, "" if none
  size_t held_bytes_ = 0;
  bool held_full_ = false;  // the thread waits for room
  // Set with the lock held, so that waiters see it; the walk also looks
  // without the lock between files.
  std::atomic<bool> stop_{false};
  std::atomic<size_t> files_read_{0};

  std::thread thread_;  // started last, in the constructor
};

#endif  // R7P_MODEL_READ_AHEAD_H_
