#include "common/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <fstream>
#include <iterator>

#include "support/Expectations.h"
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
    const auto longest = dir.path() / std::string(255, 'n');  // the longest name allowed
    writeFileAtomically(longest, "x");
    writeFileAtomically(longest, "y");
    EXPECT_EQ(read(longest), "y");
    EXPECT_EQ(entries(dir.path()), 3u);
}

TEST(WriteFileAtomically, FailsWithoutTouchingTheOldFile) {
    const testing::TempDir dir;
    const auto folder = dir.path() / "folder";
    std::filesystem::create_directory(folder);
    const auto old = dir.write("results.txt", "keep me");
    const auto fifo = dir.path() / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    EXPECT_FAILURE(writeFileAtomically(folder, "data"), FailureNumber::PathFileAccessError,
                   "is a folder");
    EXPECT_FAILURE(writeFileAtomically(dir.path() / "missing" / "results.txt", "data"),
                   FailureNumber::PathNotFound, "does not exist");
    // Never a device, a pipe or a socket replaced by a plain file.
    EXPECT_FAILURE(writeFileAtomically(fifo, "x"), FailureNumber::PathFileAccessError,
                   "is not a regular file");
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
    // A write-protected file stays, even for root.
    std::filesystem::permissions(old, std::filesystem::perms::owner_read |
                                          std::filesystem::perms::group_read |
                                          std::filesystem::perms::others_read);
    EXPECT_FAILURE(writeFileAtomically(old, "new"), FailureNumber::PathFileAccessError,
                   old.string() + " is read-only");
    std::filesystem::permissions(old, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    const auto loop = dir.path() / "loop";
    std::filesystem::create_symlink(loop, loop);
    EXPECT_FAILURE(writeFileAtomically(loop, "x"), FailureNumber::PathFileAccessError,
                   "Too many levels of symbolic links");

    // A file size limit makes write() fail half-way, as a full disk does.
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_FAILURE(writeFileAtomically(old, std::string(100000, 'x')), FailureNumber::DiskFull,
                   "Disk full: " + old.string());
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);

    EXPECT_EQ(read(old), "keep me");
    EXPECT_EQ(entries(dir.path()), 4u);  // no temporary file left behind
    EXPECT_EQ(entries(folder), 0u);
}

TEST(WriteFileAtomically, ReplacesAFileOthersHoldOpenAndFollowsLinks) {
    const testing::TempDir dir;
    const auto target = dir.write("results.txt", "old");
    std::ifstream reader(target, std::ios::binary);  // another program reading it
    const auto link = dir.path() / "link.txt";
    std::filesystem::create_symlink(target, link);
    writeFileAtomically(link, "new");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(read(target), "new");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), "old");

    // A link whose file does not exist yet gets its file, and stays a link.
    std::filesystem::create_directory(dir.path() / "sub");
    const auto dangling = dir.path() / "sub" / "dangling.txt";
    std::filesystem::create_symlink("../later.txt", dangling);
    writeFileAtomically(dangling, "made");
    EXPECT_TRUE(std::filesystem::is_symlink(dangling));
    EXPECT_EQ(read(dir.path() / "later.txt"), "made");
}

// In a sticky folder anyone may write to, a link follows as the kernel's
// protected-symlinks rule would let it: one that another user planted there
// is refused and the file it points to keeps its bytes; one of the folder's
// owner, or of this user, is written through.
TEST(WriteFileAtomically, FollowsLinksInASharedFolderOnlyAsTheSystemWould) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "making another user's link needs root";
    }
    const testing::TempDir dir;
    const auto target = dir.write("own.txt", "mine");
    const auto shared = dir.path() / "shared";
    std::filesystem::create_directory(shared);
    std::filesystem::permissions(shared,
                                 std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
    const struct {
        const char* name;
        uid_t owner;  // of the link
        bool followed;
    } links[] = {{"planted.txt", 65534, false}, {"mine.txt", 0, true}};
    for (const auto& l : links) {
        const auto link = shared / l.name;
        std::filesystem::create_symlink(target, link);
        ASSERT_EQ(::lchown(link.c_str(), l.owner, l.owner), 0);
        if (l.followed) {
            writeFileAtomically(link, "through");
            EXPECT_EQ(read(target), "through");
        } else {
            EXPECT_FAILURE(writeFileAtomically(link, "forged"), FailureNumber::PathFileAccessError,
                           "is a link that another user made in the shared folder");
            EXPECT_EQ(read(target), "mine");
        }
    }
}

TEST(WriteFileAtomically, ReportsAFolderWithoutWritePermission) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes everywhere";
    }
    const testing::TempDir dir;
    const auto old = dir.write("old.txt", "keep me");
    std::filesystem::permissions(
        dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_FAILURE(writeFileAtomically(old, "new"), FailureNumber::PermissionDenied,
                   "cannot be written");
    EXPECT_EQ(read(old), "keep me");
}

}  // namespace
}  // namespace tesselin
