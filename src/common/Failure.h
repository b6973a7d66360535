#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

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
inline constexpr std::int32_t DialogCancelled = 32755;
}  // namespace FailureNumber

// A failing step of a command. The command handlers of File > Open and
// File > Save catch it: a cancelled dialog ends the command silently, anything
// else is shown to the user through ReportError.
class Failure : public std::runtime_error {
public:
    Failure(std::int32_t number, std::string description)
        : std::runtime_error(description),
          m_number(number),
          m_description(std::move(description)) {}

    std::int32_t number() const noexcept { return m_number; }
    const std::string& description() const noexcept { return m_description; }

private:
    std::int32_t m_number;
    std::string m_description;
};

}  // namespace tesselin
