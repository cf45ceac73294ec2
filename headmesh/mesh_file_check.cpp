#include "headmesh/mesh_file_check.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gmsh.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

#include "headmesh/error.h"
#include "textio/errors.h"

namespace headmesh {

namespace {

constexpr std::int64_t top_tag = 2147483647;

// Sections a mesh file may hold besides $Nodes and $Elements; they are passed
// over here and read by gmsh.
constexpr std::string_view passed_over[] = {"PhysicalNames", "Entities",        "NodeData",
                                            "ElementData",   "ElementNodeData", "Comments"};
// Words that make gmsh's reader take a section as nodes or elements (it
// compares the beginnings of lines, and old formats' names), or as another
// section that names nodes or elements. Outside the sections read here
// none may appear anywhere in the file.
constexpr std::string_view section_words[] = {"$Nodes", "$Elements",   "$NOD",     "$NOE",   "$ELM",
                                              "$PARA",  "$Parametric", "$Periodic", "$Ghost", "$Partitioned"};

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The file mapped read-only and read from a cursor: words and lines of text,
// or the raw values of a binary file.
class MeshText {
 public:
  explicit MeshText(const std::string& path) : path_(path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // a pipe does not block the open
    if (fd < 0) fail(errno == ENOENT ? "no such file" : std::strerror(errno));
    struct stat st {};
    const bool stated = fstat(fd, &st) == 0;
    if (!stated || !S_ISREG(st.st_mode)) {
      close(fd);
      fail(stated && S_ISDIR(st.st_mode) ? "it is a directory" : "not a regular file");
    }
    size_ = static_cast<std::size_t>(st.st_size);
    if (size_ > 0) {
      void* p = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
      if (p == MAP_FAILED) {
        const int err = errno;
        close(fd);
        fail(std::strerror(err));
      }
      data_ = static_cast<const char*>(p);
    }
    close(fd);
  }
  ~MeshText() {
    if (data_) munmap(const_cast<char*>(data_), size_);
  }
  MeshText(const MeshText&) = delete;
  MeshText& operator=(const MeshText&) = delete;

  std::string_view all() const { return {data_, size_}; }
  bool at_end() const { return pos_ >= size_; }
  std::size_t left() const { return size_ - pos_; }

  // The rest of the line without its end (a carriage return dropped too).
  std::string_view line() {
    const std::string_view rest = all().substr(pos_);
    const std::size_t nl = rest.find('\n');
    std::string_view l = rest.substr(0, nl);
    pos_ += nl == std::string_view::npos ? rest.size() : nl + 1;
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
    return l;
  }
  // The next blank-separated word.
  std::string_view word() {
    while (pos_ < size_ && blank(data_[pos_])) ++pos_;
    const std::size_t from = pos_;
    while (pos_ < size_ && !blank(data_[pos_])) ++pos_;
    if (pos_ == from) fail("it ends inside its $" + section_ + " section");
    return all().substr(from, pos_ - from);
  }
  // One character that must be c.
  void expect(char c) {
    if (at_end() || data_[pos_] != c) fail("it is cut short in its $" + section_ + " section");
    ++pos_;
  }
  template <class T>
  T binary() {
    T v;
    if (left() < sizeof v) fail("it ends inside its $" + section_ + " section");
    std::memcpy(&v, data_ + pos_, sizeof v);
    pos_ += sizeof v;
    return v;
  }

  void enter(std::string_view section) { section_ = section; }
  [[noreturn]] void fail(const std::string& what) const { throw Error("cannot read the mesh " + path_ + ": " + what); }

 private:

  std::string path_;
  const char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t pos_ = 0;
  std::string section_ = "MeshFormat";
};

std::string quoted(std::string_view w) { return "'" + textio::printable(w, 40) + "'"; }

// The checks of the two sections, reading ASCII words or binary values alike.
class SectionCheck {
 public:
  SectionCheck(MeshText& t, bool binary) : t_(t), binary_(binary) {}

  void nodes_41() {
    start("Nodes");
    const std::uint64_t blocks = count(1), total = count(1), low = bound(), high = bound();
    std::uint64_t seen = 0;
    // every block: its header, its tags, then their coordinates
    for (std::uint64_t b = 0; b < blocks; ++b) {
      const int dim = small_int("an entity dimension", 0, 3);
      small_int("an entity tag", -top_tag, top_tag);
      const int parametric = small_int("a parametric flag", 0, 1);
      const std::uint64_t n = count(binary_ ? 32 : 2);
      const std::size_t from = node_tags_.size();
      for (std::uint64_t k = 0; k < n; ++k) node_tags_.push_back(tag_value("node tag"));
      for (std::uint64_t k = 0; k < n; ++k) coordinates(node_tags_[from + k], parametric ? dim : 0);
      seen += n;
    }
    end("Nodes", total, seen, low, high, node_tags_, "node");
  }

  void nodes_22() {
    start("Nodes");
    const std::uint64_t n = line_count();
    // tag and coordinates of every node
    for (std::uint64_t k = 0; k < n; ++k) {
      node_tags_.push_back(binary_ ? int_tag("node tag") : tag_value("node tag"));
      coordinates(node_tags_.back(), 0);
    }
    end("Nodes", n, n, 0, 0, node_tags_, "node");
  }

  void elements_41() {
    start("Elements");
    const std::uint64_t blocks = count(1), total = count(1), low = bound(), high = bound();
    std::uint64_t seen = 0;
    // every block: its header, then the tag and the nodes of each element
    for (std::uint64_t b = 0; b < blocks; ++b) {
      const int dim = small_int("an entity dimension", 0, 3);
      small_int("an entity tag", -top_tag, top_tag);
      const int type = small_int("an element type", 1, top_tag);
      const std::uint64_t n = count(binary_ ? 16 : 4);
      for (std::uint64_t k = 0; k < n; ++k) {
        const std::int64_t tag = tag_value("element tag");
        if (nodes_of(type, tag).dim != dim)
          t_.fail("element tag " + std::to_string(tag) + " lies in an entity of dimension " + std::to_string(dim) +
                  " but is not of that dimension");
        element_nodes(tag, nodes_of(type, tag).nodes, false);
      }
      seen += n;
    }
    end("Elements", total, seen, low, high, elem_tags_, "element");
  }

  void elements_22() {
    start("Elements");
    const std::uint64_t n = line_count();
    if (!binary_) {
      // tag, type, the number of integer tags and the tags, then the nodes
      for (std::uint64_t k = 0; k < n; ++k) {
        const std::int64_t tag = tag_value("element tag");
        const int type = small_int("an element type", 1, top_tag);
        const int ntags = small_int("a number of element tags", 0, 1000);
        for (int j = 0; j < ntags; ++j) small_int("an element tag", -top_tag, top_tag);
        element_nodes(tag, nodes_of(type, tag).nodes, false);
      }
    } else {
      // blocks of one type and number of tags
      for (std::uint64_t k = 0; k < n;) {
        const int type = small_int("an element type", 1, top_tag);
        const int count = small_int("an element count", 0, top_tag);
        const int ntags = small_int("a number of element tags", 0, 1000);
        if (static_cast<std::uint64_t>(count) > n - k)
          t_.fail("its $Elements section holds more elements than its count " + std::to_string(n));
        for (int e = 0; e < count; ++e, ++k) {
          const std::int64_t tag = int_tag("element tag");
          for (int j = 0; j < ntags; ++j) t_.binary<std::int32_t>();
          element_nodes(tag, nodes_of(type, tag).nodes, true);
        }
        if (count == 0) t_.fail("its $Elements section holds an empty block");
      }
    }
    end("Elements", n, n, 0, 0, elem_tags_, "element");
  }

  bool have_nodes() const { return nodes_read_; }
  bool have_elements() const { return elements_read_; }

 private:
  struct Type {
    int dim = 0, nodes = 0;
  };

  void start(const char* section) {
    t_.enter(section);
    current_ = section;
    if (section[0] == 'N' ? nodes_read_ : elements_read_) t_.fail(std::string("it holds a second $") + section + " section");
  }

  // A count of items that take at least bytes_each bytes (or words) of the file.
  std::uint64_t count(std::uint64_t bytes_each) {
    const std::uint64_t n = binary_ ? t_.binary<std::uint64_t>() : unsigned_word("a count");
    if (bytes_each > 0 && n > t_.left() / bytes_each) t_.fail("a count of its $" + current_ + " section exceeds the file");
    return n;
  }
  // The lowest or highest tag of a 4.1 section, as its header gives it.
  std::uint64_t bound() {
    return binary_ ? t_.binary<std::uint64_t>() : static_cast<std::uint64_t>(signed_word("a tag bound"));
  }
  // The count on its own line of the 2.2 sections (text in binary files too).
  std::uint64_t line_count() {
    const std::string_view l = t_.line();
    const std::uint64_t n = unsigned_word_of(trimmed(l), "a count");
    if (n > t_.left() / 4) t_.fail("a count of its $" + current_ + " section exceeds the file");
    return n;
  }
  static std::string_view trimmed(std::string_view l) {
    while (!l.empty() && (l.back() == ' ' || l.back() == '\t')) l.remove_suffix(1);
    while (!l.empty() && (l.front() == ' ' || l.front() == '\t')) l.remove_prefix(1);
    return l;
  }

  std::uint64_t unsigned_word(const char* what) { return unsigned_word_of(t_.word(), what); }
  std::uint64_t unsigned_word_of(std::string_view w, const char* what) {
    std::uint64_t v = 0;
    const auto r = std::from_chars(w.data(), w.data() + w.size(), v);
    if (r.ec != std::errc() || r.ptr != w.data() + w.size()) t_.fail(std::string(what) + " " + quoted(w) + " is not a count");
    return v;
  }
  std::int64_t signed_word(const char* what) {
    const std::string_view w = t_.word();
    std::int64_t v = 0;
    const auto r = std::from_chars(w.data(), w.data() + w.size(), v);
    if (r.ec != std::errc() || r.ptr != w.data() + w.size()) t_.fail(std::string(what) + " " + quoted(w) + " is not an integer");
    return v;
  }
  int small_int(const char* what, std::int64_t low, std::int64_t high) {
    const std::int64_t v = binary_ ? t_.binary<std::int32_t>() : signed_word(what);
    if (v < low || v > high) t_.fail(std::string("its $") + current_ + " section holds " + what + " " + std::to_string(v) + " outside " + std::to_string(low) + " to " + std::to_string(high));
    return static_cast<int>(v);
  }
  std::int64_t checked_tag(std::int64_t v, const char* what) {
    if (v < 1 || v > top_tag) t_.fail(std::string(what) + " " + std::to_string(v) + " is outside 1 to 2147483647");
    return v;
  }
  // A tag of the 4.1 sections (eight bytes in a binary file) or of the text 2.2 sections.
  std::int64_t tag_value(const char* what) {
    if (!binary_) return checked_tag(signed_word(what), what);
    const std::uint64_t v = t_.binary<std::uint64_t>();
    if (v > static_cast<std::uint64_t>(top_tag)) t_.fail(std::string(what) + " " + std::to_string(v) + " is outside 1 to 2147483647");
    return checked_tag(static_cast<std::int64_t>(v), what);
  }
  // A tag of the binary 2.2 sections (four bytes).
  std::int64_t int_tag(const char* what) { return checked_tag(t_.binary<std::int32_t>(), what); }

  void coordinates(std::int64_t tag, int parametric) {
    // x, y, z checked; the parametric ones only read
    for (int c = 0; c < 3 + parametric; ++c) {
      double v = 0.0;
      std::string text;
      if (binary_) {
        v = t_.binary<double>();
        text = std::to_string(v);
      } else {
        const std::string_view w = t_.word();
        const auto r = std::from_chars(w.data(), w.data() + w.size(), v);
        if (r.ec == std::errc::result_out_of_range) v = HUGE_VAL;
        else if (r.ec != std::errc() || r.ptr != w.data() + w.size())
          t_.fail("node tag " + std::to_string(tag) + " has the coordinate " + quoted(w) + ", not a number");
        text = w;
      }
      if (c < 3 && !(std::fabs(v) <= FLT_MAX))
        t_.fail("node tag " + std::to_string(tag) + " has the coordinate " + textio::printable(text, 40) +
                ", which the model files cannot hold (finite 32-bit reals)");
    }
  }

  Type nodes_of(int type, std::int64_t tag) {
    const auto it = types_.find(type);
    if (it != types_.end()) return it->second;
    Type t;
    try {
      std::string name;
      int order = 0, primary = 0;
      std::vector<double> local;
      gmsh::model::mesh::getElementProperties(type, name, t.dim, order, t.nodes, local, primary);
    } catch (...) {
      t.nodes = 0;
    }
    if (t.nodes <= 0 || t.dim < 0 || t.dim > 3)
      t_.fail("element tag " + std::to_string(tag) + " has the element type " + std::to_string(type) + ", which gmsh does not know");
    return types_[type] = t;
  }

  void element_nodes(std::int64_t tag, int nodes, bool int_tags) {
    elem_tags_.push_back(tag);
    // every node named, one the file holds
    for (int k = 0; k < nodes; ++k) {
      const std::int64_t node = int_tags ? int_tag("node tag") : tag_value("node tag");
      if (!std::binary_search(node_tags_.begin(), node_tags_.end(), node))
        t_.fail("element tag " + std::to_string(tag) + " names the node tag " + std::to_string(node) +
                ", which the file does not hold");
    }
  }

  // The end of a section: its counts against what it held, every tag once.
  void end(const char* section, std::uint64_t total, std::uint64_t seen, std::uint64_t low, std::uint64_t high,
           std::vector<std::int64_t>& tags, const char* what) {
    if (seen != total)
      t_.fail("its $" + std::string(section) + " section counts " + std::to_string(total) + " " + what + "s but holds " + std::to_string(seen));
    std::sort(tags.begin(), tags.end());
    const auto twice = std::adjacent_find(tags.begin(), tags.end());
    if (twice != tags.end()) t_.fail(std::string(what) + " tag " + std::to_string(*twice) + " appears twice");
    if ((low != 0 || high != 0) && !tags.empty() &&
        (low != static_cast<std::uint64_t>(tags.front()) || high != static_cast<std::uint64_t>(tags.back())))
      t_.fail("its $" + std::string(section) + " section gives the tags " + std::to_string(low) + " to " + std::to_string(high) +
              " but holds " + std::to_string(tags.front()) + " to " + std::to_string(tags.back()));
    const std::string_view close = t_.word();
    if (close != "$End" + std::string(section)) t_.fail("its $" + std::string(section) + " section ends in " + quoted(close));
    (section[0] == 'N' ? nodes_read_ : elements_read_) = true;
  }

  MeshText& t_;
  bool binary_;
  bool nodes_read_ = false, elements_read_ = false;
  std::string current_;
  std::vector<std::int64_t> node_tags_, elem_tags_;
  std::map<int, Type> types_;
};

// How often word occurs in text.
std::size_t occurrences(std::string_view text, std::string_view word) {
  std::size_t n = 0;
  for (std::size_t at = text.find(word); at != std::string_view::npos; at = text.find(word, at + 1)) ++n;
  return n;
}

}  // namespace

void check_mesh_file(const std::string& path) {
  MeshText t(path);
  const std::string not_mesh = " (headmesh reads " + std::string(accepted_formats) + ")";
  if (t.line() != "$MeshFormat") t.fail("it is not a mesh file: it does not begin with $MeshFormat" + not_mesh);
  const std::string_view version = t.word(), type = t.word(), size = t.word();
  if (version != "2.2" && version != "4.1") t.fail("its version " + quoted(version) + " is not accepted" + not_mesh);
  if ((type != "0" && type != "1") || size != "8") t.fail("its file type " + quoted(type) + " " + quoted(size) + " is not accepted" + not_mesh);
  const bool binary = type == "1";
  if (binary) {
    t.expect('\n');
    if (t.binary<std::int32_t>() != 1) t.fail("it is a binary mesh of another byte order" + not_mesh);
  }
  t.line();
  if (t.line() != "$EndMeshFormat") t.fail("its $MeshFormat section does not end in $EndMeshFormat");

  // the words that begin a section of nodes or elements: only where they are read below
  for (std::string_view w : section_words) {
    const std::size_t n = occurrences(t.all(), w), allowed = w == "$Nodes" || w == "$Elements" ? 1 : 0;
    if (n > allowed) t.fail("it holds " + std::string(w) + " more often than the one section that headmesh reads");
  }

  SectionCheck check(t, binary);
  // every section: nodes and elements checked, the others passed over
  while (!t.at_end()) {
    const std::string_view l = t.line();
    if (l.empty() || l[0] != '$') continue;  // gmsh passes over such lines too
    const std::string_view name = l.substr(1);
    if (name == "Nodes") {
      version == "4.1" ? check.nodes_41() : check.nodes_22();
    } else if (name == "Elements") {
      version == "4.1" ? check.elements_41() : check.elements_22();
    } else if (std::find(std::begin(passed_over), std::end(passed_over), name) != std::end(passed_over)) {
      while (!t.at_end() && !t.line().starts_with("$End")) {
      }
    } else {
      t.fail("it holds a section " + quoted(l) + ", which headmesh does not read" + not_mesh);
    }
  }
  if (!check.have_nodes() || !check.have_elements()) t.fail("it holds no $Nodes or no $Elements section");
}

}  // namespace headmesh
