#include "shared/model_writer.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "textio/record.h"

namespace model_files {

namespace {

constexpr int unit = 2;  // the model files' channel in diagnostics

// A real as the shortest text that reads back as the same 32-bit value, with a
// point or exponent so that every reader takes it as a real.
std::string real(double v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<float>(v));
  std::string s(buf, r.ptr);
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

// One record of a model file, built word by word, blank-separated.
class Words {
 public:
  Words& operator<<(std::int64_t v) {
    char buf[24];
    return *this << std::string_view(buf, static_cast<std::size_t>(std::to_chars(buf, buf + sizeof buf, v).ptr - buf));
  }
  Words& operator<<(const std::array<double, 3>& p) { return *this << real(p[0]) << real(p[1]) << real(p[2]); }
  Words& operator<<(std::string_view w) {
    if (!text_.empty()) text_ += ' ';
    text_ += w;
    return *this;
  }
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

void line(textio::OutFile& f, const Words& w) { f.record(textio::Record().text(w.str())); }

void write_reals(const std::vector<double>& values, textio::OutFile& f) {
  line(f, Words() << static_cast<std::int64_t>(values.size()));
  for (double v : values) line(f, Words() << real(v));  // one value per record
}

// The files of dir that belong to an earlier model and that this one does not
// replace: the programs' results, pictures and pattern cache, and the optional files not
// written now, by any letter case (the programs find their files so).
std::vector<std::string> earlier_files(const std::filesystem::path& dir, const std::vector<std::string>& written) {
  std::vector<std::string> names = {
      "potent.out",      "irowjcol.da0",     "cortexfield.out", "cortexfield.tec", "cortexfield.ply",
      "cortexfield.png", "cortexnormal.png", "convergence.png", "leadfield.h5",    "cortex.dat",
      "ele_size.txt",    "headmesh.map",     "electrodes.dat"};
  std::erase_if(names, [&](const std::string& n) { return std::find(written.begin(), written.end(), n) != written.end(); });
  std::vector<std::string> found;
  std::error_code ec;
  // every entry whose name is one of them
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    std::string name = entry.path().filename().string();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (std::find(names.begin(), names.end(), name) != names.end()) found.push_back(entry.path().string());
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

void write_model(const Model& m, const std::string& dir, const std::vector<ExtraFile>& extra) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir)) throw std::runtime_error("cannot create the directory " + dir);
  const fs::path d(dir);
  const auto open = [&](const char* name) { return std::make_unique<textio::OutFile>((d / name).string(), unit); };

  auto setting = open("setting.dta");
  line(*setting, Words() << "''");
  line(*setting, Words() << real(m.scale));

  auto xyz = open("xyz.dat");
  line(*xyz, Words() << static_cast<std::int64_t>(m.xyz.size()));
  // number, x, y, z of every node
  for (std::size_t i = 0; i < m.xyz.size(); ++i) line(*xyz, Words() << static_cast<std::int64_t>(i + 1) << m.xyz[i]);

  auto elem = open("elem.dat");
  line(*elem, Words() << static_cast<std::int64_t>(m.elem.size()) << 4);
  // number, corners counted from 0, material of every element
  for (std::size_t e = 0; e < m.elem.size(); ++e) {
    const auto& c = m.elem[e];
    line(*elem, Words() << static_cast<std::int64_t>(e + 1) << c[0] << c[1] << c[2] << c[3] << m.mat[e]);
  }

  auto prop = open("prop.dat");
  write_reals(m.prop, *prop);
  auto bval = open("bval.dat");
  write_reals(m.bval, *bval);

  auto bcp = open("bcp.dat");
  line(*bcp, Words() << static_cast<std::int64_t>(m.bcp.size()));
  for (const auto& [node, code] : m.bcp) line(*bcp, Words() << node + 1 << code);  // node from 1, code

  std::vector<std::unique_ptr<textio::OutFile>> more;
  for (const ExtraFile& x : extra) {
    more.push_back(open(x.name));
    x.records(*more.back());
  }

  std::unique_ptr<textio::OutFile> cortex = m.cortex.empty() ? nullptr : open("cortex.dat");
  if (cortex) {
    line(*cortex, Words() << static_cast<std::int64_t>(m.cortex.size()) << static_cast<std::int64_t>(m.tri.size()));
    // the points' coordinates, then the triangles with points counted from 1
    for (const auto& p : m.cortex) line(*cortex, Words() << p);
    for (const auto& t : m.tri) line(*cortex, Words() << t[0] + 1 << t[1] + 1 << t[2] + 1);
  }

  std::unique_ptr<textio::OutFile> ele_size = m.reference ? open("ele_size.txt") : nullptr;
  if (ele_size) line(*ele_size, Words() << real(m.reference->area) << real(m.reference->current));

  // published together with the removal of an earlier model's files (its
  // results, its pattern cache): the directory then holds this model only
  std::vector<textio::OutFile*> all{setting.get(), xyz.get(), elem.get(), prop.get(), bval.get(), bcp.get()};
  for (const auto& f : more) all.push_back(f.get());
  all.insert(all.end(), {cortex.get(), ele_size.get()});
  std::vector<std::string> written;
  for (const textio::OutFile* f : all)
    if (f) written.push_back(fs::path(f->path()).filename().string());
  textio::commit_together(all, earlier_files(d, written));
}

}  // namespace model_files
