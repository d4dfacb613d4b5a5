// The lean form of a scene (-lean). POV-Ray copies a declared object each
// time the scene names it and frees the declaration only when it is
// #undef'ined, so a scene that declares every LDraw file holds the
// sub-models and parts long after their last use. The lean form undefines
// every file identifier once the last statement naming it has been read.
#ifndef R7P_POV_LEAN_SCENE_H_
#define R7P_POV_LEAN_SCENE_H_

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/status.h"

struct DatFile;

/// The identifiers declared for one LDraw file: the object itself, its
/// slope object (declared only above quality 0) and, for LGEO elements, its
/// clear object.
enum class IdentifierForm : unsigned char { kPlain, kSlope, kClear };

/// One naming of a file identifier in a text on its way to the scene: the
/// identifier's lifetime (IdentifierLifetimes::Lifetime) and an offset in
/// the text on the line that names it.
struct Naming {
  size_t lifetime;
  size_t offset;
};

/// Where the scene names each file identifier for the last time. The writer
/// reports where it names an identifier; once the scene is written, the
/// identifier's #undef goes right after the line of its last naming. A
/// naming inside an #if branch counts (the #undef is then inside the same
/// branch, and a branch POV-Ray skips only keeps the declaration longer),
/// as does one inside an object: POV-Ray has copied the declared object
/// once it has read its identifier.
class IdentifierLifetimes {
 public:
  /// The lifetime of `file`'s identifier in `form`, with `suffix` (the
  /// writer's identifier suffix) after the file's name.
  size_t Lifetime(const DatFile& file, IdentifierForm form,
                  const std::string& suffix);
  /// The lifetime of `identifier` as POV code of the model's own names it
  /// ("0 R7P IFPOV" blocks): such a naming keeps a file identifier alive,
  /// but an identifier only such code names is never undefined.
  size_t LifetimeOfText(std::string_view identifier);
  /// The namings of `text`, whose lines are complete, written to the scene
  /// at offset `base`.
  void Place(const std::vector<Naming>& namings, std::string_view text,
             long base);
  /// Puts each placed file identifier's #undef into the finished scene that
  /// `scene` writes (open for reading too), after the line of its last
  /// naming. kFailed when reading or writing failed.
  Status InsertUndefs(FILE* scene) const;
  /// Forgets everything (a new scene).
  void Clear();

 private:
  struct Key {
    const DatFile* file;
    IdentifierForm form;
    bool operator==(const Key& other) const {
      return file == other.file && form == other.form;
    }
  };
  struct KeyHash {
    size_t operator()(const Key& key) const {
      return std::hash<const void*>()(key.file) * 3 +
             static_cast<size_t>(key.form);
    }
  };
  struct Span {
    std::string identifier;
    long undef_at;  // scene offset after the line of the last naming, or -1
    bool declared;  // a file identifier of the scene, to be undefined
  };

  std::unordered_map<Key, size_t, KeyHash> index_;  // into spans_
  std::unordered_map<std::string, size_t> by_identifier_;  // into spans_
  std::vector<Span> spans_;                         // in order of first naming
};

#endif  // R7P_POV_LEAN_SCENE_H_
