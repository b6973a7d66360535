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

// Writes a zip archive byte by byte, its entries stored as they are, with
// the names exactly as given (backslashes, two entries of one name) and, for
// the entry named `wrongChecksum`, a checksum that does not match: archives
// that other writers make and that a library's writer would not.
void writeStoredZip(const std::filesystem::path& path,
                    const std::vector<std::pair<std::string, std::string>>& entries,
                    const std::string& wrongChecksum = {});

}  // namespace tesselin::testing
