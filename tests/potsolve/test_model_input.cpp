// Reading setting.dta and the five model files into the solver's tables.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/meshgen.h"
#include "common/runner.h"
#include "potsolve/model_input.h"
#include "potsolve/settings.h"
#include "shared/model_files.h"
#include "textio/console.h"
#include "textio/errors.h"
#include "textio/reader.h"

namespace {

using testmesh::write_file;

// A directory holding a small valid model: two elements over five nodes.
struct ModelDir {
  std::string dir = testmesh::fresh_dir("model");
  ModelDir() {
    write_file(dir + "/setting.dta", "''\n1.0\n");
    write_file(dir + "/xyz.dat", "5\n1 0 0 0\n2 1 0 0\n3 0 1 0\n4 0 0 1\n5 1 1 1\n");
    write_file(dir + "/elem.dat", "2 4\n0 0 1 2 3 1\n1 1 2 3 4 2\n");
    write_file(dir + "/prop.dat", "2\n0.33\n1.65\n");
    write_file(dir + "/bval.dat", "2\n1.0\n0.0\n");
    write_file(dir + "/bcp.dat", "2\n1 -1\n5 -2\n");
  }
  potsolve::ModelStore store() const {
    potsolve::ModelStore m;
    m.datadir = dir;
    m.scale = 1.0f;
    return m;
  }
};

// Reads the model with the console captured; returns the exit status of a stop
// (or -1 when the reading completed) and leaves the console text in out and the
// announced file names in names.
int read(potsolve::ModelStore& m, std::string& out, std::vector<std::string>* names = nullptr) {
  textio::ConsoleCapture cap;
  int status = -1;
  try {
    potsolve::read_model(m, [&](const char* name) {
      if (names) names->push_back(name);
    });
  } catch (const textio::Stop& s) {
    status = s.status;
  } catch (const textio::FatalError& e) {
    status = textio::exit_fatal;
  }
  out = cap.text();
  return status;
}

TEST(MakePath, JoinsDirectoryAndNameDroppingBlanks) {
  EXPECT_EQ(potsolve::make_path("C:\\model", "xyz.dat"), "C:/model/xyz.dat");
  EXPECT_EQ(potsolve::make_path("C:\\model\\", "xyz.dat"), "C:/model/xyz.dat");
  EXPECT_EQ(potsolve::make_path("C:\\my model", "xyz.dat"), "C:/mymodel/xyz.dat");
  EXPECT_EQ(potsolve::make_path("/data/head/", "xyz.dat"), "/data/head/xyz.dat");
  EXPECT_EQ(potsolve::make_path(std::string(40, ' '), "xyz.dat"), "xyz.dat");
  EXPECT_EQ(potsolve::make_path("", "POTENT.OUT   "), "POTENT.OUT");
  // only the first 40 characters of the directory count
  EXPECT_EQ(potsolve::make_path(std::string(40, 'd') + "zz", "a"), std::string(40, 'd') + "/a");
}

// A model directory given by path: its setting.dta, and the data directory it
// names taken from it (an absolute one as it is), whatever the working directory.
TEST(ReadModelDir, DataDirectoryTakenFromTheModelDirectory) {
  const ModelDir model;
  const std::string outer = testmesh::fresh_dir("modelhome");
  std::filesystem::create_directories(outer + "/sub");
  for (const char* f : {"xyz.dat", "elem.dat", "prop.dat", "bval.dat", "bcp.dat"})
    std::filesystem::copy_file(model.dir + "/" + f, outer + "/sub/" + f);
  const std::pair<std::string, std::string> cases[] = {
      {model.dir, "''\n1.0\n"}, {outer, "'sub'\n1.0\n"}, {testmesh::fresh_dir("modelabs"), "'" + model.dir + "'\n1.0\n"}};
  for (const auto& [dir, settings] : cases) {
    write_file(dir + "/setting.dta", settings);
    potsolve::ModelStore m;
    std::vector<std::string> names;
    potsolve::read_model_dir(m, dir, [&](const char* name) { names.push_back(name); });
    EXPECT_EQ(m.nnode, 5) << dir;
    EXPECT_EQ(m.nelem, 2) << dir;
    EXPECT_EQ(m.bcp[5], -2) << dir;
    EXPECT_EQ(names.size(), 5u) << dir;
  }
  // a model file missing is named by the path tried
  std::filesystem::remove(outer + "/sub/bcp.dat");
  potsolve::ModelStore m;
  try {
    potsolve::read_model_dir(m, outer);
    ADD_FAILURE() << "no ModelFileMissing";
  } catch (const potsolve::ModelFileMissing& missing) {
    EXPECT_EQ(missing.path, outer + "/sub/bcp.dat");
  }
}

TEST(Settings, ReadsDirectoryAndScale) {
  const std::string dir = testmesh::fresh_dir("settings");
  potsolve::ModelStore m;
  write_file(dir + "/setting.dta", "'C:\\my model'\n0.001\n");
  potsolve::read_settings(m, dir + "/setting.dta");
  EXPECT_EQ(m.datadir, "C:\\my model" + std::string(29, ' '));
  EXPECT_EQ(m.scale, 0.001f);
  // a blank first line is passed over: the directory is the next value
  write_file(dir + "/setting.dta", "\n   \nmodels 2.0\n0.5\n");
  potsolve::read_settings(m, dir + "/setting.dta");
  EXPECT_EQ(m.datadir.substr(0, 7), "models ");
  EXPECT_EQ(m.scale, 0.5f);
  write_file(dir + "/setting.dta", "''\n1\n");
  potsolve::read_settings(m, dir + "/setting.dta");
  EXPECT_EQ(m.datadir, std::string(40, ' '));
}

TEST(ModelInput, ReadsTablesAndAnnouncesEachFile) {
  ModelDir d;
  auto m = d.store();
  std::string out;
  std::vector<std::string> names;
  ASSERT_EQ(read(m, out, &names), -1) << out;
  EXPECT_EQ(out, "");
  EXPECT_EQ(names, (std::vector<std::string>{"xyz.dat", "elem.dat", "prop.dat", "bval.dat", "bcp.dat"}));
  EXPECT_EQ(m.nnode, 5);
  EXPECT_EQ(m.xyz[3 * 5 + 2], 1.0f);
  EXPECT_EQ(m.nelem, 2);
  EXPECT_EQ(m.ielem[4 * 2 + 0], 2);
  EXPECT_EQ(m.ielem[4 * 2 + 3], 5);
  EXPECT_EQ(m.imat[2], 2);
  EXPECT_EQ(m.nbval, 2);
  EXPECT_EQ(m.bcp[1], -1);
  EXPECT_EQ(m.bcp[5], -2);
  EXPECT_EQ(m.bcp[3], 0);
  potsolve::derive_conductivities(m);
  EXPECT_EQ(m.sigel[1], 0.33f);
  EXPECT_EQ(m.sigel[2], 1.65f);
}

TEST(ModelInput, StatementsFollowTheRecordRules) {
  ModelDir d;
  // node 1 spans two lines; a fifth value on a line is ignored; numbers are not used
  write_file(d.dir + "/xyz.dat", "5\n9 0.0\n 0.0 0.0\n7 1000.0 -250.0 2.5 99\n3 0 1 0\n4 0 0 1\n5 1 1 1\n");
  write_file(d.dir + "/elem.dat", "2 4\n7 0 1 2 3 2\n1 1 2 3 4 3\n");
  // every conductivity starts a new record: 9.9 is not read
  write_file(d.dir + "/prop.dat", "2\n1.5 9.9\n0.33\n");
  // a later entry for a node replaces the earlier one; a positive code is kept
  write_file(d.dir + "/bcp.dat", "3\n2 -1\n2 5\n4 -2\n");
  auto m = d.store();
  m.scale = 0.001f;
  std::string out;
  ASSERT_EQ(read(m, out), -1) << out;
  EXPECT_EQ(m.xyz[3 * 1 + 0], 0.0f);
  EXPECT_EQ(m.xyz[3 * 2 + 0], 1000.0f * 0.001f);
  EXPECT_EQ(m.xyz[3 * 2 + 0], 1.0f);
  EXPECT_EQ(m.xyz[3 * 2 + 1], -250.0f * 0.001f);
  EXPECT_EQ(m.xyz[3 * 2 + 2], 2.5f * 0.001f);
  EXPECT_EQ(m.ielem[4 * 1 + 0], 1);
  EXPECT_EQ(m.ielem[4 * 1 + 3], 4);
  EXPECT_EQ(m.imat[1], 2);
  EXPECT_EQ(m.prop[1], 1.5f);
  EXPECT_EQ(m.prop[2], 0.33f);
  EXPECT_EQ(m.bcp[2], 5);
  potsolve::derive_conductivities(m);
  // material 3 lies within the table but past the values read
  EXPECT_EQ(m.sigel[2], 0.0f);
}

TEST(ModelInput, ElementCountAloneOnItsLineLosesAStatement) {
  ModelDir d;
  write_file(d.dir + "/elem.dat", "2\n0 0 1 2 3 1\n1 1 2 3 4 2\n");
  auto m = d.store();
  std::string out;
  EXPECT_EQ(read(m, out), textio::exit_fatal) << out;
}

TEST(ModelInput, RejectsValuesOutsideTheTables) {
  struct Case {
    const char* file;
    const char* text;
    const char* expect;  // part of the one-line message
  };
  const Case cases[] = {
      {"xyz.dat", "100001\n", "100001"},
      {"xyz.dat", "-1\n", "-1"},
      {"xyz.dat", "5\n1 0 0 0\n2 1 0 0\n3 0 1e39 0\n4 0 0 1\n5 1 1 1\n", "1e39"},
      {"elem.dat", "550001 4\n", "550001"},
      {"elem.dat", "2 4\n0 0 1 2 3 1\n1 1 2 3 5 2\n", "corner 5"},
      {"elem.dat", "2 4\n0 0 1 2 3 1\n1 1 2 3 -1 2\n", "corner -1"},
      {"elem.dat", "2 4\n0 0 1 2 3 0\n1 1 2 3 4 2\n", "material 0"},
      {"elem.dat", "2 4\n0 0 1 2 3 101\n1 1 2 3 4 2\n", "material 101"},
      {"prop.dat", "101\n", "101"},
      {"bval.dat", "51\n", "51"},
      {"bcp.dat", "1\n6 -1\n", "node 6"},
      {"bcp.dat", "1\n0 -1\n", "node 0"},
      {"bcp.dat", "1\n2 -51\n", "code -51"},
      {"bcp.dat", "-2\n", "-2"},
  };
  for (const Case& c : cases) {
    ModelDir d;
    write_file(d.dir + "/" + c.file, c.text);
    auto m = d.store();
    std::string out;
    EXPECT_EQ(read(m, out), textio::exit_handled) << c.file << ": " << c.text;
    const auto last = out.substr(out.rfind('\n', out.size() - 2) + 1);
    EXPECT_NE(last.find(c.file), std::string::npos) << last;
    EXPECT_NE(last.find(c.expect), std::string::npos) << last;
    EXPECT_NE(last.find("record"), std::string::npos) << last;
  }
}

TEST(ModelInput, ScaledCoordinateThatOverflowsIsRejected) {
  ModelDir d;
  write_file(d.dir + "/xyz.dat", "5\n1 3e38 0 0\n2 1 0 0\n3 0 1 0\n4 0 0 1\n5 1 1 1\n");
  auto m = d.store();
  m.scale = 10.0f;
  std::string out;
  EXPECT_EQ(read(m, out), textio::exit_handled) << out;
}

TEST(ModelInput, NonNumericTextIsAFatalRecordError) {
  for (const char* text : {"5\n1 nan 0 0\n", "5\n1 Inf 0 0\n", "5.0\n"}) {
    ModelDir d;
    write_file(d.dir + "/xyz.dat", text);
    auto m = d.store();
    std::string out;
    EXPECT_EQ(read(m, out), textio::exit_fatal) << text;
  }
}

TEST(ModelInput, MissingFileIsReportedAndTheRunWaits) {
  ModelDir d;
  std::remove((d.dir + "/bval.dat").c_str());
  // run from the model directory with an empty datadir: the path is the bare name
  const testrun::Result r = testrun::run("potsolve", d.dir, "\n");
  EXPECT_EQ(r.status, textio::exit_handled);
  EXPECT_EQ(r.console,
            "  Read from [xyz.dat] \n  Read from [elem.dat] \n  Read from [prop.dat] \n"
            "  Read from [bval.dat] \n  File Not Found - bval.dat" + std::string(52, ' ') +
                "\n  Please Check it Again!!! \n Press Any To Continue ...");
  // the end of console input ends the pause as Enter does: the same ending
  const testrun::Result eof = testrun::run("potsolve", d.dir);
  EXPECT_EQ(eof.status, textio::exit_handled);
  EXPECT_EQ(eof.console, r.console);
}

TEST(ModelInput, UpperCaseFileNamesAreFound) {
  ModelDir d;
  std::rename((d.dir + "/xyz.dat").c_str(), (d.dir + "/XYZ.DAT").c_str());
  auto m = d.store();
  std::string out;
  EXPECT_EQ(read(m, out), -1) << out;
  EXPECT_EQ(m.nnode, 5);
}

// The two programs read elem.dat alike but check a corner at different times
// (once its record is read, or as soon as the corner is), and a null value
// leaves either 0 or the previous record's value.
TEST(ModelFiles, CheckTimeAndNullValuesFollowTheRules) {
  using model_files::OutOfRange;
  model_files::ModelRules rules{};
  rules.max_elements = rules.max_materials = 10;
  rules.reject = [](const textio::Reader&, const OutOfRange& v) { throw v; };
  std::vector<std::int32_t> ielem, imat;
  auto read = [&](const char* text) {
    textio::Reader r = textio::Reader::from_text(text, "elem.dat", 1);
    return model_files::read_elements(r, rules, 4, ielem, imat);
  };
  // corner 9 of four nodes, then a field that cannot be converted
  const char* bad = "1 4\n1 0 9 x 3 1\n";
  rules.check_as_read = true;
  try {
    read(bad);
    ADD_FAILURE() << "corner 9 accepted";
  } catch (const OutOfRange& v) {
    EXPECT_EQ(v.what, OutOfRange::corner);
    EXPECT_EQ(v.found, 9);
    EXPECT_EQ(v.item, 1);
  }
  rules.check_as_read = false;
  EXPECT_THROW(read(bad), textio::FatalError);
  // the second corner of element 2 is null
  const char* null_corner = "2 4\n1 0 1 2 3 2\n2 3,,2 0 2\n";
  rules.null_repeats_previous = true;
  ASSERT_EQ(read(null_corner), 2);
  EXPECT_EQ(ielem[4 * 2 + 1], 2);
  rules.null_repeats_previous = false;
  ASSERT_EQ(read(null_corner), 2);
  EXPECT_EQ(ielem[4 * 2 + 1], 1);
}

}  // namespace
