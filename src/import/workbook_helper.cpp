#include "import/workbook_helper.h"

#include <cstdio>
#include <new>
#include <string>

#include "common/DataGrid.h"
#include "common/Failure.h"
#include "import/helper_protocol.h"
#include "import/workbook_import.h"

namespace tesselin {

int writeWorkbookForParent(const std::filesystem::path& path) {
    std::string out;
    try {
        out = tableAnswer(readWorkbook(path));
    } catch (const Failure& failure) {
        out = failureAnswer(failure);
    } catch (const std::bad_alloc&) {
        out = failureAnswer(
            Failure::outOfMemory("Out of memory: " + path.string() + " is too large to read."));
    }
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0
               ? 0
               : 1;
}

}  // namespace tesselin
