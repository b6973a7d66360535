// Enters the workbook helper's sandbox and then tries what its argument
// names; the sandbox must end it for everything but "nothing", "log" (a
// library's warning) and "descriptors" (which reports whether any inherited
// descriptor survived the closing that comes before the filter).
#include <dirent.h>
#include <fcntl.h>
#include <glib.h>
#include <sys/mman.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "import/helper/sandbox.h"

namespace {

// How many descriptors are open, besides the one that lists them.
int openDescriptors() {
    DIR* folder = ::opendir("/proc/self/fd");
    int count = 0;
    while (const dirent* entry = ::readdir(folder)) {
        count += entry->d_name[0] != '.' ? 1 : 0;
    }
    ::closedir(folder);
    return count - 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    // A descriptor inherited from the caller, open for writing.
    const int inherited = ::open(argv[1], O_RDWR);
    if (inherited < 0) {
        return 2;
    }
    const std::string_view attempt = argv[2];
    if (attempt == "descriptors") {
        tesselin::closeInheritedDescriptors();
        return openDescriptors() == 3 ? 0 : 5;
    }
    tesselin::enterSandbox({.memoryBytes = std::uint64_t{1} << 30, .cpuSeconds = 10});
    // Memory may still be had.
    void* memory = std::malloc(1 << 24);
    if (memory == nullptr) {
        return 3;
    }
    std::free(memory);
    struct stat status {};
    if (attempt == "log") {  // a library's warning must not end it
        g_warning("a warning from inside the sandbox");
        return 0;
    }
    if (attempt == "open") {
        return ::open("/etc/hostname", O_RDONLY) >= 0 ? 0 : 4;
    }
    if (attempt == "stat") {
        return ::stat("/etc/hostname", &status) == 0 ? 0 : 4;
    }
    if (attempt == "fstat") {
        return ::fstat(inherited, &status) == 0 ? 0 : 4;
    }
    if (attempt == "mmap") {
        return ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, inherited, 0) != MAP_FAILED
                   ? 0
                   : 4;
    }
    if (attempt == "read") {
        char byte = 0;
        return ::read(inherited, &byte, 1) >= 0 ? 0 : 4;
    }
    if (attempt == "write") {
        return ::write(inherited, "x", 1) >= 0 ? 0 : 4;
    }
    if (attempt == "socket") {
        return ::socket(AF_INET, SOCK_STREAM, 0) >= 0 ? 0 : 4;
    }
    if (attempt == "exec") {
        char* const arguments[] = {nullptr};
        return ::execve("/bin/true", arguments, arguments) == 0 ? 0 : 4;
    }
    if (attempt == "ptrace") {
        return ::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0 ? 0 : 4;
    }
    if (attempt == "executable") {
        return ::mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) !=
                       MAP_FAILED
                   ? 0
                   : 4;
    }
    return attempt == "nothing" ? 0 : 2;
}
