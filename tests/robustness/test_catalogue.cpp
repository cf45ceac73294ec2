// The bad-input catalogue: both programs run on malformed variants of every
// input file. A rejected input ends the run with its documented exit status
// and exactly one line that names the cause and the file, and leaves every
// file of the directory as it was; an unusable pattern cache is rebuilt and
// the run succeeds.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "common/meshgen.h"
#include "common/runner.h"
#include "robustness/files.h"

namespace {

namespace fs = std::filesystem;
using robust::Files;

// A value position: record (line) and blank-separated token, both 1-based.
struct Pos {
  int rec = 0, tok = 0;
};

// What a file holds and which program reads it.
struct FileForm {
  const char* file;
  bool potsolve, cortexmap;
  Pos count;    // a count (rec 0: none)
  Pos integer;  // an integer field other than the count (rec 0: none)
  Pos real;     // a real field (rec 0: none)
  std::vector<std::pair<Pos, std::string>> outside;  // indices outside their tables
  const char* opened = nullptr;  // the name the program opens, when it differs in letter case
};

const FileForm forms[] = {
    {"setting.dta", true, false, {}, {}, {2, 1}, {}},
    {"xyz.dat", true, true, {1, 1}, {2, 1}, {2, 3}, {}},
    {"elem.dat", true, true, {1, 1}, {2, 2}, {}, {{{2, 2}, "12"}, {{3, 4}, "-1"}, {{2, 6}, "0"}, {{4, 6}, "101"}}},
    {"prop.dat", true, true, {1, 1}, {}, {2, 1}, {}},
    {"bval.dat", true, true, {1, 1}, {}, {3, 1}, {}},
    {"bcp.dat", true, true, {1, 1}, {2, 1}, {}, {{{2, 1}, "0"}, {{3, 1}, "13"}}},
    {"irowjcol.da0", true, false, {1, 1}, {3, 2}, {}, {{{3, 4}, "13"}, {{2, 1}, "-5"}}},
    {"potent.out", false, true, {1, 1}, {2, 1}, {3, 2}, {}, "POTENT.OUT"},
    {"ele_size.txt", false, true, {}, {}, {1, 2}, {}},
    {"cortex.dat", false, true, {1, 1}, {6, 3}, {3, 2}, {{{6, 2}, "0"}, {{7, 3}, "5"}}},
};

// Replaces the token at pos.
std::string with_token(const std::string& text, Pos pos, const std::string& value) {
  std::vector<std::string> recs = robust::lines(text);
  std::istringstream in(recs.at(pos.rec - 1));
  std::vector<std::string> toks;
  for (std::string t; in >> t;) toks.push_back(t);
  toks.at(pos.tok - 1) = value;
  std::string rec;
  // the record again, one blank between tokens
  for (const std::string& t : toks) rec += (rec.empty() ? "" : " ") + t;
  recs[pos.rec - 1] = rec;
  std::string out;
  for (const std::string& r : recs) out += r + "\n";
  return out;
}

std::string token(const std::string& text, Pos pos) {
  std::istringstream in(robust::lines(text).at(pos.rec - 1));
  std::string t;
  for (int k = 0; k < pos.tok; ++k) in >> t;
  return t;
}

// The file cut in the middle of its last record but one (of its only record),
// the records after it lost.
std::string truncated(const std::string& text) {
  const std::vector<std::string> recs = robust::lines(text);
  const std::size_t k = recs.size() >= 2 ? recs.size() - 2 : 0;
  std::string out;
  for (std::size_t r = 0; r < k; ++r) out += recs[r] + "\n";
  return out + recs[k].substr(0, recs[k].size() / 2);
}

// Bytes that are no number, quote, separator or blank, a line end every 64.
std::string garbage() {
  std::string g;
  unsigned x = 12345;
  // a deterministic byte stream
  for (int k = 1; g.size() < 4096; ++k) {
    x = x * 1103515245u + 12345u;
    const char c = static_cast<char>((x >> 16) & 0xff);
    if (std::string_view(" \t\n\r,/'\"*+-.0123456789").find(c) != std::string_view::npos) continue;
    g += k % 64 == 0 ? '\n' : c;
  }
  return g;
}

// The file as UTF-16 (little-endian, with its byte-order mark): a NUL byte
// after every character.
std::string utf16(const std::string& text) {
  std::string out = "\xFF\xFE";
  // each character and its high byte
  for (const char c : text) out += std::string{c, '\0'};
  return out;
}

struct Case {
  std::string name;     // test name
  const FileForm* form;
  std::string content;  // the malformed file
  bool directory = false;
  int potsolve = -1;    // expected exit status (-1: not run)
  int cortexmap = -1;
};

std::vector<Case> catalogue() {
  const Files& base = robust::base_model();
  std::vector<Case> cases;
  for (const FileForm& s : forms) {
    const std::string& text = base.at(s.file);
    const bool cache = std::string(s.file) == "irowjcol.da0";
    // Adds a case with one expected status for every program that reads the file.
    // A directory in place of a model file takes potsolve's missing-file path
    // (exit status 1 after the pause); everywhere else it is a fatal open error.
    auto add = [&](const std::string& label, std::string content, int status, bool dir = false) {
      Case c{std::string(s.file) + "_" + label, &s, std::move(content), dir};
      if (s.potsolve) c.potsolve = cache && !dir ? 0 : status;
      if (s.cortexmap) c.cortexmap = dir ? 3 : status;
      for (char& ch : c.name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      cases.push_back(std::move(c));
    };
    add("empty", "", 3);
    add("truncated_mid_record", truncated(text), 3);
    const Pos field = s.real.rec ? s.real : s.integer;
    add("non_numeric", with_token(text, field, "abc"), 3);
    add("binary_garbage", garbage(), 3);
    add("utf16", utf16(text), 3);
    add("nul_byte", with_token(text, field, token(text, field) + std::string(1, '\0') + "0"), 3);
    add("directory", "", s.potsolve && std::string(s.file) != "setting.dta" && !cache ? 1 : 3, true);
    const Pos intpos = s.integer.rec ? s.integer : s.count;
    if (intpos.rec) {
      add("real_for_integer", with_token(text, intpos, "1.5"), 3);
      add("integer_beyond_32_bits", with_token(text, intpos, "4294967296"), 3);
      add("long_line_integer", with_token(text, intpos, std::string(1 << 20, '7')), 3);
    }
    if (s.count.rec) {
      add("count_huge", with_token(text, s.count, "2000000000"), 1);
      add("count_negative", with_token(text, s.count, "-3"), 1);
      add("count_beyond_records", with_token(text, s.count, std::to_string(std::stoi(token(text, s.count)) + 1)), 3);
    }
    if (s.real.rec) {
      add("nan", with_token(text, s.real, "NaN"), 3);
      add("inf", with_token(text, s.real, "-Inf"), 3);
      add("real_beyond_32_bits", with_token(text, s.real, "3.5e38"), 1);
      add("long_line_real", with_token(text, s.real, std::string(1 << 20, '9')), 1);
    }
    int k = 0;
    for (const auto& [pos, value] : s.outside) add("index_outside_" + std::to_string(++k), with_token(text, pos, value), 1);
  }
  // potsolve has no capacity for the entries of bcp.dat: a huge count runs out of records
  for (Case& c : cases)
    if (c.name == "bcp_dat_count_huge") c.potsolve = 3;
  return cases;
}

// Shown in test listings as its name.
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Catalogue : public testing::TestWithParam<Case> {};

// Runs program on the case in a fresh directory with sentinel outputs.
void check(const Case& c, const std::string& program, int expected) {
  SCOPED_TRACE(program);
  const bool solver = program == "potsolve";
  const std::string dir = testmesh::fresh_dir("catalogue");
  Files files = robust::base_model();
  files.erase(c.form->file);
  if (solver) {
    files.erase("irowjcol.da0");
    files["POTENT.OUT"] = "sentinel potentials\n";
  } else {
    for (const char* out : {"cortexfield.out", "cortexfield.tec", "cortexfield.ply"}) files[out] = "sentinel\n";
  }
  robust::put(dir, files);
  if (c.directory)
    fs::create_directory(dir + "/" + c.form->file);
  else
    testmesh::write_file(dir + "/" + c.form->file, c.content);
  const Files before = robust::snapshot(dir);
  // any line ends the pause after a missing model file
  const testrun::Result r = testrun::run(program, dir, "\n");
  EXPECT_EQ(r.status, expected) << r.console.substr(0, 2000);
  const std::vector<std::string> msg = robust::messages(r.console);
  ASSERT_EQ(msg.size(), 1u) << r.console.substr(0, 2000);
  // a file that cannot be opened is named as the program opens it, one that is read as it was found
  const char* named = c.directory && c.form->opened ? c.form->opened : c.form->file;
  EXPECT_NE(msg[0].find(named), std::string::npos) << msg[0];
  EXPECT_LT(msg[0].size(), 200u);
  // a fatal error names the unit, the file and the record, whatever bytes the value held
  static const std::regex fatal_line(R"(^ Fatal error: [ -~]+; unit [0-9]+, file [ -~]+, record [0-9]+$)");
  if (expected == 3) {
    EXPECT_TRUE(std::regex_match(msg[0], fatal_line)) << msg[0];
  }
  if (expected != 0) {
    EXPECT_TRUE(robust::snapshot(dir) == before) << "files created or changed";
  } else {
    // an unusable cache: rebuilt as a clean run writes it, with the same potentials
    const Files after = robust::snapshot(dir);
    EXPECT_EQ(after.at("irowjcol.da0"), robust::base_model().at("irowjcol.da0"));
    EXPECT_EQ(after.at("POTENT.OUT"), robust::base_model().at("potent.out"));
    EXPECT_EQ(after.size(), before.size());
  }
  fs::remove_all(dir);
}

TEST_P(Catalogue, RejectedCleanlyOrRebuilt) {
  const Case& c = GetParam();
  if (c.potsolve >= 0) check(c, "potsolve", c.potsolve);
  if (c.cortexmap >= 0) check(c, "cortexmap", c.cortexmap);
}

INSTANTIATE_TEST_SUITE_P(Inputs, Catalogue, testing::ValuesIn(catalogue()),
                         [](const testing::TestParamInfo<Case>& p) { return p.param.name; });

}  // namespace
