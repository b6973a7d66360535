#pragma once

#include <string>
#include <string_view>

namespace tesselin::cli {

// A text from a file or from the workbook helper (a column name, a cell, a
// failure, a file name) as it may go to a terminal: control characters,
// which could move the cursor, set the window's title or forge a line, are
// written out as escapes ("\x1b", "\r", "\n", "\u009b").
std::string terminalSafe(std::string_view text);

}  // namespace tesselin::cli
