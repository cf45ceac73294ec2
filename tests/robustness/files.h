// Helpers of the robustness suite: a small model with every input file of both
// programs, snapshots of a run directory, and runs under a shell command line.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/files.h"
#include "tools/child.h"

namespace robust {

// File name -> content.
using Files = std::map<std::string, std::string>;

// A valid model for both programs: the small model of common/small_model.h,
// with irowjcol.da0 and potent.out as potsolve writes them for it.
const Files& base_model();
// Writes files into dir.
void put(const std::string& dir, const Files& files);

// Every entry under dir: relative path -> content ("<directory>" for a directory).
Files snapshot(const std::string& dir);

using testmesh::lines;
// The console lines that report why a run stopped (a fatal record error, a
// rejected value, a missing file, a stop of cortexmap).
std::vector<std::string> messages(const std::string& console);

// Runs "cd dir && <prefix> BIN_DIR/program <redirect>" under sh, standard
// output and error captured through a pipe (so a file-size limit set in prefix
// does not touch the capture), with a 60 s limit.
using Run = child::Result;
Run run_sh(const std::string& dir, const std::string& prefix, const std::string& program,
           const std::string& redirect = "</dev/null");

// Starts BIN_DIR/argv[0] with argv in dir, its console on /dev/null, and
// returns its process id at once (for a test that signals it mid-run).
int start_quiet(const std::string& dir, const std::vector<std::string>& argv);

}  // namespace robust
