#include "model/line_validation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "colour/colour_table.h"
#include "base/settings.h"
#include "geometry/vector_ops.h"
#include "base/diagnostics.h"
#include "model/name_class.h"

namespace {

constexpr double kPi = 3.141592653589793;

// Earlier identical lines named one by one for a line; any more are
// counted in one further message.
constexpr size_t kNamedIdenticalLines = 100;

bool SameVertex(const Vector& a, const Vector& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

double SquaredDistance(const Vector& a, const Vector& b) {
  double dx = static_cast<double>(b.x) - a.x;
  double dy = static_cast<double>(b.y) - a.y;
  double dz = static_cast<double>(b.z) - a.z;
  return dx * dx + dy * dy + dz * dz;
}

// --- Hashing for the duplicate index --------------------------------------
// The hash only groups candidates; every candidate is confirmed with the
// exact comparison, so collisions cost time, never a wrong message.

uint64_t Mix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  h ^= h >> 33;
  return h;
}

// -0 and +0 compare equal, so they must hash alike. Adding +0 turns -0
// into +0 and leaves every other value as it is, without a branch (zero
// coordinates are common and come in no predictable order).
uint32_t CoordinateBits(float value) {
  value += 0.0f;
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// NaN as the bits show it: all exponent bits set and a non-zero fraction.
uint32_t NaNBit(uint32_t bits) { return (bits & 0x7fffffffu) > 0x7f800000u; }

// Odd constants of the hash lanes below.
constexpr uint64_t kLaneKeys[8] = {
    0x9e3779b97f4a7c15ULL, 0xc2b2ae3d27d4eb4fULL, 0x165667b19e3779f9ULL,
    0xd6e8feb86659fd93ULL, 0xff51afd7ed558ccdULL, 0xc4ceb9fe1a85ec53ULL,
    0x94d049bb133111ebULL, 0xbf58476d1ce4e5b9ULL};

// The products of pairs of 32-bit words (each offset by a constant) are
// independent of each other, so the words are hashed side by side instead
// of in one long chain of multiplications. The first word is added again:
// a product alone would not tell which of its two words a change came from.
uint64_t PairHash(uint32_t a, uint32_t b, int lane) {
  const uint32_t ka = static_cast<uint32_t>(kLaneKeys[lane]);
  const uint32_t kb = static_cast<uint32_t>(kLaneKeys[lane] >> 32);
  return (static_cast<uint64_t>(a + ka) * static_cast<uint64_t>(b + kb)) ^ a;
}

uint64_t VertexHash(const float* row, uint32_t* nan) {
  const uint32_t x = CoordinateBits(row[0]);
  const uint32_t y = CoordinateBits(row[1]);
  const uint32_t z = CoordinateBits(row[2]);
  const uint32_t w = CoordinateBits(row[3]);
  *nan |= NaNBit(x) | NaNBit(y) | NaNBit(z) | NaNBit(w);
  return Mix(PairHash(x, y, 0) + PairHash(z, w, 1));
}

uint64_t StringHash(std::string_view text) {
  uint64_t h = 1469598103934665603ULL;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ULL;
  }
  return h;
}

// The sixteen numbers of both matrices are the same bit for bit; compared
// a word at a time in place (a call to memcmp costs more than the work).
bool SameBits(const Matrix& a, const Matrix& b) {
  constexpr size_t kWords = sizeof(Matrix::m) / (sizeof(uint64_t));
  uint64_t wa[kWords], wb[kWords];
  std::memcpy(wa, a.m, sizeof wa);
  std::memcpy(wb, b.m, sizeof wb);
  uint64_t differ = 0;
  for (size_t i = 0; i < kWords; ++i) differ |= wa[i] ^ wb[i];
  return differ == 0;
}

// The rows of the 3x4 placement that a type-1 line compares: all twelve.
constexpr int kPlacementValues = 12;

int VertexCount(int type) { return type == 2 ? 2 : type == 3 ? 3 : 4; }

// The order-independent key of a line, or nothing when the line can equal
// no other line (a NaN coordinate never compares equal).
std::optional<uint64_t> DuplicateKey(const DatLine& line,
                                     std::string_view name) {
  const float* m = line.matrix.m;
  uint64_t sum = Mix(static_cast<uint64_t>(line.type) + 1);
  uint32_t nan = 0;
  if (line.type == 1) {
    for (int i = 0; i < kPlacementValues; i += 2) {
      const uint32_t a = CoordinateBits(m[i]);
      const uint32_t b = CoordinateBits(m[i + 1]);
      nan |= NaNBit(a) | NaNBit(b);
      sum += PairHash(a, b, i / 2);
    }
    if (nan != 0) return std::nullopt;
    return Mix(sum + StringHash(name) * kLaneKeys[7]);
  }
  // The vertices are an unordered set, so their hashes are added up: a sum
  // does not depend on the order (and takes no data-dependent branches, as
  // sorting would).
  const int count = VertexCount(line.type);
  if (line.type == 5) {
    // End points and control points are each an unordered pair.
    const uint64_t ends = VertexHash(m, &nan) + VertexHash(m + 4, &nan);
    const uint64_t controls = VertexHash(m + 8, &nan) + VertexHash(m + 12, &nan);
    sum += ends + controls * kLaneKeys[2];
  } else {
    for (int k = 0; k < count; ++k) sum += VertexHash(m + 4 * k, &nan);
  }
  if (nan != 0) return std::nullopt;
  return Mix(sum);
}

// True when the vertices `first`..`first+count` of `a` are those of `b` in
// some order (each vertex of `b` used once). Exact float equality is an
// equivalence relation once NaNs are excluded, so a greedy match suffices.
bool SameVertexSet(const Matrix& a, const Matrix& b, int first, int count) {
  bool used[4] = {false, false, false, false};
  for (int i = first; i < first + count; ++i) {
    Vector v = a.Row(i);
    bool found = false;
    for (int j = first; j < first + count && !found; ++j) {
      if (used[j] || !SameVertex(v, b.Row(j))) continue;
      used[j] = true;
      found = true;
    }
    if (!found) return false;
  }
  return true;
}

bool IsIdentical(const DatLine& earlier, const DatLine& line,
                 const std::string& name) {
  if (earlier.type != line.type) return false;
  switch (line.type) {
    case 1:
      for (int i = 0; i < kPlacementValues; ++i)
        if (earlier.matrix.m[i] != line.matrix.m[i]) return false;
      return earlier.file != nullptr && earlier.file->name == name;
    case 2:
      return SameVertexSet(earlier.matrix, line.matrix, 0, 2);
    case 3:
      return SameVertexSet(earlier.matrix, line.matrix, 0, 3);
    case 4:
      return SameVertexSet(earlier.matrix, line.matrix, 0, 4);
    case 5:
      return SameVertexSet(earlier.matrix, line.matrix, 0, 2) &&
             SameVertexSet(earlier.matrix, line.matrix, 2, 2);
    default:
      return false;
  }
}

// The corner triples of a quadrilateral tested for collinearity, in order.
struct CornerTriple {
  int a, b, c;
  const char* label;
};
constexpr CornerTriple kCornerTriples[4] = {
    {0, 1, 2, "012"}, {0, 1, 3, "013"}, {0, 2, 3, "023"}, {1, 2, 3, "123"}};

// Vertex orders of a quadrilateral, as indices into the given order.
constexpr int kRotated[4] = {1, 2, 3, 0};
constexpr int kOrder0312[4] = {0, 3, 1, 2};
constexpr int kOrder0132[4] = {0, 1, 3, 2};

void Reorder(Matrix& matrix, const int order[4]) {
  Matrix old = matrix;
  for (int k = 0; k < 4; ++k)
    for (int c = 0; c < 4; ++c) matrix.at(k, c) = old.at(order[k], c);
}

Vector Edge(const Matrix& m, int from, int to) {
  Vector e;
  VecSub(e, m.Row(to), m.Row(from));
  return e;
}

Vector Cross(const Vector& a, const Vector& b) {
  Vector c;
  VecCross(c, a, b);
  return c;
}

}  // namespace

float CollinearityMeasure(const Vector& p, const Vector& q, const Vector& r) {
  double ux = static_cast<double>(q.x) - p.x;
  double uy = static_cast<double>(q.y) - p.y;
  double uz = static_cast<double>(q.z) - p.z;
  double wx = static_cast<double>(r.x) - p.x;
  double wy = static_cast<double>(r.y) - p.y;
  double wz = static_cast<double>(r.z) - p.z;
  double uu = ux * ux + uy * uy + uz * uz;
  double ww = wx * wx + wy * wy + wz * wz;
  double uw = ux * wx + uy * wy + uz * wz;
  // Rounding can make the squared area of a nearly straight triangle
  // slightly negative; such a triangle is as collinear as it gets.
  double area2 = uu * ww - uw * uw;
  if (!(area2 > 0)) area2 = std::isnan(area2) ? area2 : 0.0;
  double longest = std::max({uu, ww, SquaredDistance(q, r)});
  if (longest == 0) return 0.0f;
  return static_cast<float>(std::sqrt(area2) / longest);
}

// --- Duplicate index ---------------------------------------------------------

/// The stored lines of one record, grouped by their order-independent key
/// and, within a key, into classes of identical lines (being identical is an
/// equivalence: exact float equality once NaNs are excluded). Filled lazily
/// from the record's line list, which only grows while a physical file is
/// read. The classes of one key are chained in the order of their first
/// lines from an open-addressing table, the lines of one class in file
/// order, so a line is compared with one line per class of its key instead
/// of with every earlier copy: a file that repeats one line thousands of
/// times is indexed in linear time.
class LineValidator::DuplicateIndex {
 public:
  /// Calls `visit(earlier)` for the first `limit` earlier lines identical to
  /// `line` (key `key`, target `name`), in file order, and returns how many
  /// earlier lines are identical to it in all.
  template <typename Visit>
  size_t ForEachIdentical(const DatFile& file, uint64_t key,
                          const DatLine& line, const std::string& name,
                          size_t limit, Visit visit) const {
    if (slots_.empty()) return 0;
    const size_t head = FindClass(file, slots_[FindSlot(key)], line, name);
    if (head == kNone) return 0;
    size_t shown = 0;
    for (size_t at = head; at != kNone && shown < limit;
         at = nodes_[at].next_same, ++shown)
      visit(file.lines[at]);
    return nodes_[head].same_count;
  }

  /// Remembers the key of the line about to be appended to `file`, so that
  /// indexing it later costs a comparison instead of a second hash.
  void ExpectLine(const DatFile& file, const DatLine& line,
                  const std::string& name, uint64_t key) {
    expecting_ = true;
    expected_position_ = file.lines.size();
    expected_type_ = line.type;
    expected_matrix_ = line.matrix;
    if (line.type == 1) expected_name_ = name;
    expected_key_ = key;
  }

  void CatchUp(const DatFile& file) {
    if (file.lines.size() < indexed_) {  // the list was freed meanwhile
      slots_.clear();
      nodes_.clear();
      used_ = 0;
      indexed_ = 0;
    }
    for (; indexed_ < file.lines.size(); ++indexed_) {
      nodes_.push_back(Node());
      std::optional<uint64_t> key = KeyOf(file.lines[indexed_]);
      if (key) Add(file, *key, indexed_);
    }
    expecting_ = false;
  }

 private:
  static constexpr size_t kNone = SIZE_MAX;
  struct Slot {
    uint64_t key = 0;
    size_t head = kNone;  // first line of the key's first class; kNone: free
    size_t tail = kNone;  // first line of its last class
  };
  /// Per indexed line. Only the first line of a class uses next_class,
  /// last_same and same_count.
  struct Node {
    size_t next_class = kNone;  // first line of the key's next class
    size_t next_same = kNone;   // next line of the same class
    size_t last_same = kNone;   // last line of the class
    size_t same_count = 0;      // lines in the class
  };

  static const std::string& TargetName(const DatLine& stored) {
    static const std::string kNoName;
    return stored.type == 1 ? stored.file->name : kNoName;
  }

  std::optional<uint64_t> KeyOf(const DatLine& stored) const {
    if (stored.type < 1 || stored.type > 5) return std::nullopt;
    if (stored.type == 1 && stored.file == nullptr) return std::nullopt;
    if (IsExpected(stored)) return expected_key_;
    return DuplicateKey(stored, TargetName(stored));
  }

  // The key is a function of type, numbers and name only, so a line equal
  // in all three to the one announced has the announced key.
  bool IsExpected(const DatLine& stored) const {
    return expecting_ && indexed_ == expected_position_ &&
           stored.type == expected_type_ &&
           SameBits(stored.matrix, expected_matrix_) &&
           (stored.type != 1 || stored.file->name == expected_name_);
  }

  // The first line of the class of `slot` identical to `line`, or kNone.
  size_t FindClass(const DatFile& file, const Slot& slot, const DatLine& line,
                   const std::string& name) const {
    for (size_t at = slot.head; at != kNone; at = nodes_[at].next_class)
      if (IsIdentical(file.lines[at], line, name)) return at;
    return kNone;
  }

  size_t FindSlot(uint64_t key) const {
    const size_t mask = slots_.size() - 1;
    size_t at = static_cast<size_t>(key) & mask;
    while (slots_[at].head != kNone && slots_[at].key != key)
      at = (at + 1) & mask;
    return at;
  }

  void Add(const DatFile& file, uint64_t key, size_t position) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    Slot& slot = slots_[FindSlot(key)];
    Node& node = nodes_[position];
    if (slot.head == kNone) {
      slot.key = key;
      slot.head = position;
      ++used_;
    } else {
      const DatLine& line = file.lines[position];
      const size_t head = FindClass(file, slot, line, TargetName(line));
      if (head != kNone) {
        Node& first = nodes_[head];
        nodes_[first.last_same].next_same = position;
        first.last_same = position;
        ++first.same_count;
        return;
      }
      nodes_[slot.tail].next_class = position;
    }
    slot.tail = position;
    node.last_same = position;
    node.same_count = 1;
  }

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot());
    for (const Slot& slot : old)
      if (slot.head != kNone) slots_[FindSlot(slot.key)] = slot;
  }

  std::vector<Slot> slots_;  // a power of two in size, at most half used
  std::vector<Node> nodes_;  // per indexed line
  size_t used_ = 0;
  size_t indexed_ = 0;
  bool expecting_ = false;
  size_t expected_position_ = 0;
  int32_t expected_type_ = 0;
  Matrix expected_matrix_;
  std::string expected_name_;
  uint64_t expected_key_ = 0;
};

// --- LineValidator -----------------------------------------------------------

LineValidator::LineValidator(Diagnostics& diag, const RunSwitches& switches,
                             const ColourTable* colours)
    : colours_(colours), diag_(diag), switches_(switches) {}

LineValidator::~LineValidator() = default;

void LineValidator::BeginFile() {
  ForgetDuplicates();
  last_file_.clear();
  last_line_ = 0;
}

void LineValidator::NoticePhysicalFile() {
  // The reader numbers the lines of one physical file upwards and validates
  // each at most once; a new name or a number that does not advance means a
  // new file, whose records may reuse the addresses of freed ones.
  if (diag_.current_file != last_file_ || diag_.current_line <= last_line_) {
    ForgetDuplicates();
    last_file_ = diag_.current_file;
  }
  last_line_ = diag_.current_line;
}

void LineValidator::ForgetDuplicates() {
  duplicates_.clear();
  last_record_ = nullptr;
  last_index_ = nullptr;
}

void LineValidator::SetThreshold() {
  if (threshold_set_) return;
  double angle = switches_.CoplanarAngle;
  if (!(angle > 0)) angle = switches_.CheckMode ? 1.0 : 3.0;
  coplanar_threshold_ = static_cast<float>(std::cos(angle * kPi / 180));
  threshold_set_ = true;
}

LineVerdict LineValidator::ValidateLine(DatLine& line, const std::string& name,
                                const DatFile& file) {
  if (line.type < 1 || line.type > 5) return LineVerdict::kStore;
  SetThreshold();
  NoticePhysicalFile();
  const Matrix& m = line.matrix;
  // The geometry remarks of level 1 change nothing; below that level they
  // are not computed at all (the default of a conversion, and every library
  // file of a check run).
  const bool remarks = diag_.warning_level >= 1;
  switch (line.type) {
    case 1:
      if (!CheckPlacement(line, name)) return LineVerdict::kDrop;
      break;
    case 2:
      if (remarks && SameVertex(m.Row(0), m.Row(1)))
        diag_.ReportMessage(1, kWarning, "Identical vertices");
      break;
    case 3:
      if (remarks) CheckTriangle(line);
      break;
    case 4:
      CheckQuadrilateral(line, remarks);
      break;
    case 5:
      if (remarks &&
          (SameVertex(m.Row(0), m.Row(1)) || SameVertex(m.Row(2), m.Row(3))))
        diag_.ReportMessage(1, kWarning, "Identical vertices");
      break;
  }
  CheckColour(line);
  if (remarks) ReportDuplicates(line, name, file);
  return LineVerdict::kStore;
}

bool LineValidator::CheckPlacement(DatLine& line, const std::string& name) {
  Matrix& m = line.matrix;
  double det = MatDet3(m);
  if (det != 0) return true;
  bool flat = IsFlatPrimitive(name);
  if (!flat) {
    diag_.ReportMessage(0, kSkipping, "Singular matrix");
    return false;
  }
  // A flat primitive has no extent along its local y axis, so authors often
  // leave that row or column empty; any non-zero y scale draws the same.
  for (int r = 0; r < 3; ++r) {
    if (m.at(r, 0) != 0 || m.at(r, 1) != 0 || m.at(r, 2) != 0) continue;
    m.at(r, 1) = 1;
    det = MatDet3(m);
    if (det != 0) {
      diag_.ReportMessage(2, kWarning, "Row %d all zeros", r);
      return true;
    }
  }
  if (m.at(0, 1) == 0 && m.at(1, 1) == 0 && m.at(2, 1) == 0) {
    for (int r = 0; r < 3; ++r) {
      m.at(r, 1) = 1;
      det = MatDet3(m);
      if (det != 0) {
        diag_.ReportMessage(2, kWarning, "Y column all zeros");
        return true;
      }
    }
  }
  diag_.ReportMessage(0, kSkipping, "Singular matrix (unfixable)");
  return false;
}

void LineValidator::CheckTriangle(const DatLine& line) {
  Vector p0 = line.matrix.Row(0), p1 = line.matrix.Row(1),
         p2 = line.matrix.Row(2);
  if (SameVertex(p0, p1) || SameVertex(p0, p2) || SameVertex(p1, p2)) {
    diag_.ReportMessage(1, kWarning, "Identical vertices");
    return;
  }
  float measure = CollinearityMeasure(p0, p2, p1);
  if (measure < kCollinearityLimit)
    diag_.ReportMessage(1, kWarning, "Collinear vertices (%g)",
                        static_cast<double>(measure));
}

void LineValidator::CheckQuadrilateral(DatLine& line, bool remarks) {
  Matrix& m = line.matrix;
  // Identical corners leave the vertex order alone, remarks or not.
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j)
      if (SameVertex(m.Row(i), m.Row(j))) {
        diag_.ReportMessage(1, kWarning, "Identical vertices");
        return;
      }
  if (remarks) {
    for (const CornerTriple& corner : kCornerTriples) {
      float measure = CollinearityMeasure(m.Row(corner.a), m.Row(corner.b),
                                          m.Row(corner.c));
      if (measure < kCollinearityLimit)
        diag_.ReportMessage(1, kWarning, "Collinear vertices %s (%g)",
                            corner.label, static_cast<double>(measure));
    }
  }
  FixVertexOrder(m);
  if (remarks) CheckCoplanar(m);
}

void LineValidator::FixVertexOrder(Matrix& m) {
  Vector e01 = Edge(m, 0, 1), e02 = Edge(m, 0, 2), e03 = Edge(m, 0, 3);
  Vector e12 = Edge(m, 1, 2), e13 = Edge(m, 1, 3), e23 = Edge(m, 2, 3);
  double i = VecDot(Cross(e01, e02), Cross(e02, e03));
  if (i > 0) return;
  double j = VecDot(Cross(e12, e01), Cross(e01, e13));
  double k = -VecDot(Cross(e02, e12), Cross(e12, e23));
  if (j > 0 && k <= 0) {
    diag_.ReportMessage(1, kWarning, "Bad vertex sequence, 0312 used");
    Reorder(m, kOrder0312);
  } else if (j <= 0 && k > 0) {
    diag_.ReportMessage(1, kWarning, "Bad vertex sequence, 0132 used");
    Reorder(m, kOrder0132);
  } else {
    // Concave at P1 or P3: the same outline, started at the next corner,
    // splits along the other diagonal.
    Reorder(m, kRotated);
  }
}

void LineValidator::CheckCoplanar(const Matrix& m) {
  Vector e01 = Edge(m, 0, 1), e03 = Edge(m, 0, 3);
  Vector e12 = Edge(m, 1, 2), e23 = Edge(m, 2, 3);
  Vector n0 = Cross(e01, e03), n2 = Cross(e12, e23);
  Vector n1 = Cross(e01, e12), n3 = Cross(e03, e23);
  double lengths_a = VecLength(n0) * VecLength(n2);
  if (lengths_a == 0) {
    diag_.ReportMessage(1, kWarning, "Zero normals (1) Cannot check angle");
    return;
  }
  double cos_a = VecDot(n0, n2) / lengths_a;
  double lengths_b = VecLength(n1) * VecLength(n3);
  if (lengths_b == 0) {
    diag_.ReportMessage(1, kWarning, "Zero normals (2) Cannot check angle");
    return;
  }
  double cos_b = VecDot(n1, n3) / lengths_b;
  double cos_min = cos_a < cos_b ? cos_a : cos_b;
  if (!(coplanar_threshold_ > cos_min)) return;
  // Rounding may push a folded quadrilateral's cosine just below -1.
  double degrees = std::acos(std::max(cos_min, -1.0)) * 180 / kPi;
  diag_.ReportMessage(1, kWarning, "Vertices not coplanar (%g)", degrees);
}

void LineValidator::CheckColour(DatLine& line) {
  bool is_line = line.type == 2 || line.type == 5;
  if (line.colour == 16) {
    if (is_line) diag_.ReportMessage(1, kWarning, "Lines should not use color 16");
    return;
  }
  if (line.colour == 24) {
    if (is_line) return;
    diag_.ReportMessage(0, kWarning,
                        "Color 24 illegal for this line type, using 16");
    line.colour = 16;
    return;
  }
  if (colours_ != nullptr && !colours_->IsColour(line.colour)) {
    diag_.ReportMessage(0, kWarning, "Unknown color, using 7");
    line.colour = 7;
  }
}

void LineValidator::ReportDuplicates(const DatLine& line,
                                     const std::string& name,
                                     const DatFile& file) {
  std::optional<uint64_t> key = DuplicateKey(line, name);
  if (!key) return;
  // Consecutive lines nearly always go to the same record.
  if (&file != last_record_) {
    std::unique_ptr<DuplicateIndex>& entry = duplicates_[&file];
    if (!entry) entry = std::make_unique<DuplicateIndex>();
    last_record_ = &file;
    last_index_ = entry.get();
  }
  DuplicateIndex* index = last_index_;
  index->CatchUp(file);
  // Earlier copies are named, as part authors expect, up to a bound: a file
  // of thousands of equal lines would otherwise give a message for every
  // pair of them. Below warning level 1 nothing would be shown, so nothing
  // is looked up.
  if (diag_.warning_level >= 1) {
    const size_t identical = index->ForEachIdentical(
        file, *key, line, name, kNamedIdenticalLines,
        [&](const DatLine& earlier) {
          diag_.ReportMessage(1, kWarning, "Identical to line %u",
                              earlier.lineNumber);
        });
    if (identical > kNamedIdenticalLines)
      diag_.ReportMessage(1, kWarning, "Identical to %zu more earlier lines",
                          identical - kNamedIdenticalLines);
  }
  index->ExpectLine(file, line, name, *key);
}
