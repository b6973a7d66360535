#pragma once

#include <string>

#include "support/TempDir.h"

namespace tesselin::testing {

struct CliRun {
    int status = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs the real tesselin-cli program with the given arguments (a shell
// command line), keeping its standard error in a file of `dir`.
CliRun runTesselinCli(const std::string& arguments, const TempDir& dir);

}  // namespace tesselin::testing
