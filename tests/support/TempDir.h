#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tesselin::testing {

// A fresh folder for one test, removed with everything in it afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // Writes the bytes to a file in the folder and returns its path.
    std::filesystem::path write(std::string_view name, std::string_view bytes) const;

private:
    std::filesystem::path m_path;
};

// The whole of a file, or an empty text when it cannot be read.
std::string readFile(const std::filesystem::path& path);

}  // namespace tesselin::testing
