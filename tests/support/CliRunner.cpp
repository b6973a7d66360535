#include "CliRunner.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>

namespace tesselin::testing {

CliRun runTesselinCli(const std::string& arguments, const TempDir& dir,
                      const std::filesystem::path& in) {
    const auto err = dir.path() / "cli-stderr.txt";
    const std::string command = (in.empty() ? std::string() : "cd " + in.string() + " && ") +
                                std::string(TESSELIN_CLI) + " " + arguments + " 2>" + err.string();
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        run.out.append(buffer, n);
    }
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream errors(err);
    run.err.assign(std::istreambuf_iterator<char>(errors), {});
    return run;
}

}  // namespace tesselin::testing
