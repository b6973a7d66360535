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

// A workbook file opened for reading. Opening checks the file as every import
// does (missing, not allowed, not a plain file); load() then takes its bytes
// into memory and closes it, so that the workbook helper can give up every
// right to files before a byte of it is interpreted.
class WorkbookFile {
public:
    explicit WorkbookFile(const std::filesystem::path& path);

    // Reads the whole file and closes it; a failing read is a Failure that
    // names the file. Called once, before bytes() or workbookStream().
    void load();

    std::span<const std::uint8_t> bytes() const noexcept { return m_bytes; }
    const std::string& name() const noexcept { return m_name; }

    // The workbook stream of the compound file: "Workbook" (Excel 97-2003),
    // else "Book" (Excel 5.0/95), never a mix of both. Throws a Failure that
    // says what the file is when it is no such workbook, and a damaged
    // workbook when the compound file's sectors do not hold the whole stream.
    std::vector<std::uint8_t> workbookStream() const;

private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::string m_name;
    std::unique_ptr<std::FILE, Closer> m_file;
    std::vector<std::uint8_t> m_bytes;
};

// The first bytes of an input (at most eight), by which a file is known; the
// input is left at its start.
std::string signatureOf(GsfInput* input, const std::string& name);

// Whether a compound file holds an encrypted workbook: an .xlsx saved with a
// password (an "EncryptedPackage" stream) or an .xls whose workbook stream is
// encrypted. A file that cannot be read as a compound file is not called
// encrypted here; its reading reports it. The input is left at its start.
bool holdsEncryptedWorkbook(GsfInput* input);

// The same from a whole file held in memory (for the fuzzer).
std::vector<std::uint8_t> workbookStreamOf(std::span<const std::uint8_t> file,
                                           const std::string& name);

}  // namespace tesselin::xls
