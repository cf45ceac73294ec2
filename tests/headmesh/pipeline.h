// The programs run on model directories by the headmesh tests, the files they
// write read back as numbers, and the anatomical-like test head.
#pragma once

#include <string>
#include <vector>

namespace hmtest {

// Runs a shell command in dir with its console kept in dir/.console; the exit status.
int run(const std::string& dir, const std::string& command);
// The command line of headmesh, potsolve or cortexmap of the build with args.
std::string program(const std::string& name, const std::string& args = "");
// Whitespace-separated numbers of a text file, all of them.
std::vector<double> numbers(const std::string& path);
// POTENT.OUT of a model directory: the potential of model node i (0-based).
std::vector<double> potentials(const std::string& dir);

// The test head of headmesh head (default options), made once for all test
// processes of the build (under a lock) and again when headmesh is newer.
const std::string& test_head();

}  // namespace hmtest
