#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tesselin {

// The failure numbers of the classic runtime that this program reports. Users
// and support notes know them, so the numbers stay stable.
namespace FailureNumber {
inline constexpr std::int32_t InvalidArgument = 5;  // Invalid procedure call or argument
inline constexpr std::int32_t Overflow = 6;
inline constexpr std::int32_t OutOfMemory = 7;
inline constexpr std::int32_t SubscriptOutOfRange = 9;
inline constexpr std::int32_t FileNotFound = 53;
inline constexpr std::int32_t DeviceIoError = 57;
inline constexpr std::int32_t DiskFull = 61;
inline constexpr std::int32_t PermissionDenied = 70;
inline constexpr std::int32_t PathFileAccessError = 75;
inline constexpr std::int32_t PathNotFound = 76;
// The database engine's numbers for workbooks that cannot be read.
inline constexpr std::int32_t NotAValidPassword = 3031;
inline constexpr std::int32_t ExternalTableFormat = 3274;
}  // namespace FailureNumber

// What a failing file operation was doing, for the wording of its failure.
enum class FileAction { Read, Write };

// A failing step of a command: a number and a description that says what
// failed and where. The commands of the windows show it with ReportError;
// tesselin-cli prints it. The factories below word the failures that several
// places raise, so that each is said one way.
class Failure : public std::runtime_error {
public:
    Failure(std::int32_t number, std::string description)
        : std::runtime_error(description),
          m_number(number),
          m_description(std::move(description)) {}

    std::int32_t number() const noexcept { return m_number; }
    const std::string& description() const noexcept { return m_description; }

    // An operating-system error (errno) met while reading or writing `path`.
    static Failure fromErrno(int error, const std::filesystem::path& path, FileAction action);
    // A path that names something other than a plain file (a FIFO, a device).
    static Failure notARegularFile(const std::filesystem::path& path);
    // A file that is no workbook this program reads; `why` completes the
    // sentence after the file's name ("is empty.").
    static Failure notAWorkbook(std::string_view name, std::string_view why);
    // A workbook that is damaged; `detail`, when given, says how.
    static Failure damagedWorkbook(std::string_view name, std::string_view detail = {});
    static Failure passwordProtected(std::string_view name);
    // The workbook reader itself failed (a signal ended it): a fault of this
    // program, not of the file.
    static Failure readerFault(std::string_view name, std::string_view how);
    static Failure outOfMemory(std::string description);
    static Failure overflow(std::string description);

private:
    std::int32_t m_number;
    std::string m_description;
};

}  // namespace tesselin
