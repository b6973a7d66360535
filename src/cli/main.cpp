// tesselin-cli: the lag binning analysis of data sets of any size, without
// windows; also the program's sandboxed workbook reader.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "batch.h"
#include "import/helper/isolated_reader.h"
#include "import/helper/workbook_helper.h"
#include "import/sheet.h"
#include "options.h"

int main(int argc, char** argv) {
    using namespace tesselin;
    using namespace tesselin::cli;
    // The program's workbook reader: see readWorkbookIsolated.
    if (argc == 6 && std::string_view(argv[1]) == "--read-columns") {
        const auto kind = spreadsheetKindNamed(argv[3]);
        return kind ? writeColumnsForParent(argv[2], *kind, argv[4], argv[5]) : kBadArguments;
    }
    if (argc == 3 && std::string_view(argv[1]) == "--describe-workbook") {
        return describeWorkbookForParent(argv[2]);
    }
    if (argc == 6 && std::string_view(argv[1]) == "--read-workbook") {
        const auto kind = spreadsheetKindNamed(argv[3]);
        std::uint32_t rows = 0;
        std::size_t bytes = 0;
        const std::string_view rowsText = argv[4];
        const std::string_view bytesText = argv[5];
        const bool numbers =
            std::from_chars(rowsText.begin(), rowsText.end(), rows).ptr == rowsText.end() &&
            std::from_chars(bytesText.begin(), bytesText.end(), bytes).ptr == bytesText.end();
        return kind && numbers ? writeWorkbookForParent(argv[2], *kind, rows, bytes)
                               : kBadArguments;
    }
    // This program is its own workbook reader, whatever its name or folder.
    std::error_code ec;
    if (const auto self = std::filesystem::read_symlink("/proc/self/exe", ec); !ec) {
        setWorkbookHelper(self);
    }
    Options options;
    if (const auto done = parse(argc, argv, options)) {
        return *done;
    }
    return options.table ? printTable(options) : run(options);
}
