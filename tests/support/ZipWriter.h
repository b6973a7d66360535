#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace tesselin::testing {

// Writes a zip archive of the given entries (path, bytes), deflated, through
// libgsf: the container of hand-made .xlsx and .ods files, hostile ones too.
void writeZip(const std::filesystem::path& path,
              const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace tesselin::testing
