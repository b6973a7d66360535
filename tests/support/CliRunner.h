#pragma once

#include <filesystem>
#include <string>

#include "support/TempDir.h"

namespace tesselin::testing {

struct CliRun {
    int status = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs the real tesselin-cli program with the given arguments (a shell
// command line), keeping its standard error in a file of `dir`; in the folder
// `in` when one is given.
CliRun runTesselinCli(const std::string& arguments, const TempDir& dir,
                      const std::filesystem::path& in = {});

}  // namespace tesselin::testing
