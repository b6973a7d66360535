// Enters the workbook helper's sandbox over a file, reads it, and then tries
// what its second argument names: "open" another file, a "socket", or
// "nothing". The sandbox must end it for the first two.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string_view>

#include "import/helper/sandbox.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY);
    tesselin::enterSandbox(fd, {.memoryBytes = std::uint64_t{1} << 30, .cpuSeconds = 10});
    char bytes[16];
    if (::read(fd, bytes, sizeof bytes) < 0) {
        return 3;
    }
    const std::string_view attempt = argv[2];
    if (attempt == "open") {
        return ::open("/etc/hostname", O_RDONLY) >= 0 ? 0 : 4;
    }
    if (attempt == "socket") {
        return ::socket(AF_INET, SOCK_STREAM, 0) >= 0 ? 0 : 4;
    }
    return 0;
}
