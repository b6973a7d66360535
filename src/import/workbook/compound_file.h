#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

// libgsf's input type, as its own headers declare it.
typedef struct _GsfInput GsfInput;

namespace tesselin::xls {

// An .xls file opened for reading. Opening checks the file as every import
// does (missing, not allowed, not a plain file); the bytes are only read by
// workbookStream(), which the workbook helper calls once it has given up
// every right but reading this file.
class WorkbookFile {
public:
    explicit WorkbookFile(const std::filesystem::path& path);

    int fd() const noexcept;
    std::FILE* stream() const noexcept { return m_file.get(); }
    const std::string& name() const noexcept { return m_name; }

    // The workbook stream of the compound file: "Workbook" (Excel 97-2003),
    // else "Book" (Excel 5.0/95), never a mix of both. Throws a Failure that
    // says what the file is when it is no such workbook, and a damaged
    // workbook when the compound file's sectors do not hold the whole stream.
    std::vector<std::uint8_t> workbookStream();

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::string m_name;
    std::unique_ptr<std::FILE, Closer> m_file;
};

// The first bytes of an input (at most eight), by which a file is known; the
// input is left at its start.
std::string signatureOf(GsfInput* input, const std::string& name);

// The same from a whole file held in memory (for the fuzzer).
std::vector<std::uint8_t> workbookStreamOf(std::span<const std::uint8_t> file,
                                           const std::string& name);

}  // namespace tesselin::xls
