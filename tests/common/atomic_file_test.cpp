#include "common/atomic_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "common/Failure.h"
#include "support/TempDir.h"

namespace tesselin {
namespace {

std::string read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::size_t entries(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

TEST(WriteFileAtomically, ReplacesAFileWholeAndLeavesNothingElse) {
    const testing::TempDir dir;
    const auto file = dir.write("results.txt", "old");
    writeFileAtomically(file, "new\r\n");
    EXPECT_EQ(read(file), "new\r\n");
    writeFileAtomically(dir.path() / "fresh", "x");  // no extension is added
    EXPECT_EQ(read(dir.path() / "fresh"), "x");
    EXPECT_EQ(entries(dir.path()), 2u);
}

TEST(WriteFileAtomically, FailsWithoutTouchingTheOldFile) {
    const testing::TempDir dir;
    const auto folder = dir.path() / "folder";
    std::filesystem::create_directory(folder);
    const auto old = dir.write("old.txt", "keep me");

    const struct {
        std::filesystem::path target;
        std::int32_t number;
    } cases[] = {
        {folder, FailureNumber::PathFileAccessError},
        {dir.path() / "missing" / "results.txt", FailureNumber::PathNotFound},
    };
    for (const auto& c : cases) {
        try {
            writeFileAtomically(c.target, "data");
            ADD_FAILURE() << c.target << " was written";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), c.number) << c.target;
        }
    }
    EXPECT_EQ(read(old), "keep me");
    EXPECT_EQ(entries(dir.path()), 2u);
    EXPECT_EQ(entries(folder), 0u);
}

TEST(WriteFileAtomically, ReportsAFolderWithoutWritePermission) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes everywhere";
    }
    const testing::TempDir dir;
    const auto old = dir.write("old.txt", "keep me");
    std::filesystem::permissions(
        dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    try {
        writeFileAtomically(old, "new");
        ADD_FAILURE() << "written";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), FailureNumber::PermissionDenied);
    }
    EXPECT_EQ(read(old), "keep me");
}

}  // namespace
}  // namespace tesselin
