#include "import/workbook_helper.h"

#include <sys/stat.h>
#include <unistd.h>

#include <new>
#include <string>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/code_pages.h"
#include "import/compound_file.h"
#include "import/helper_protocol.h"
#include "import/sandbox.h"

namespace tesselin {
namespace {

// Room for the file's own bytes, its strings decoded, and the table.
SandboxLimits limitsFor(int fd, std::size_t memoryBudget) {
    struct stat file {};
    const std::uint64_t size =
        ::fstat(fd, &file) == 0 ? static_cast<std::uint64_t>(file.st_size) : 0;
    return {.memoryBytes = memoryBudget + 4 * size + (std::uint64_t{512} << 20),
            .cpuSeconds = static_cast<std::uint32_t>(10 + (size >> 20))};
}

}  // namespace

int writeWorkbookForParent(const std::filesystem::path& path, SpreadsheetKind kind,
                           std::uint32_t mostRows, std::size_t memoryBudget) {
    AnswerWriter answer(STDOUT_FILENO);
    try {
        preloadCodePages();  // they are files to open; afterwards nothing is
        xls::WorkbookFile file(path);
        enterSandbox(file.fd(), limitsFor(file.fd(), memoryBudget));
        SheetTable sheet = readSpreadsheet(file, kind, mostRows, memoryBudget);
        answer.table(sheet);
    } catch (const Failure& failure) {
        answer.failure(failure);
    } catch (const std::bad_alloc&) {
        answer.failure(
            Failure::outOfMemory("Out of memory: " + path.string() + " is too large to read."));
    }
    return answer.ok() ? 0 : 1;
}

}  // namespace tesselin
