#pragma once

#include "options.h"

namespace tesselin::cli {

// Analyses each data set of the options and writes its results; returns the
// exit status (see the usage text).
int run(const Options& options);

// Prints the data set of the options as the data grid would hold it, as CSV
// (--table); returns the exit status.
int printTable(const Options& options);

}  // namespace tesselin::cli
