#include "import/workbook/spreadsheet.h"

#include <glib.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>

#include <cstdio>
#include <memory>
#include <string>

#include "common/Failure.h"
#include "import/sheet.h"
#include "import/signatures.h"
#include "import/workbook/compound_file.h"
#include "import/workbook/workbook_import.h"
#include "import/workbook/xls_reader.h"
#include "import/workbook/zip_archive.h"
#include "import/workbook/zip_workbooks.h"

namespace tesselin {
namespace {

constexpr std::string_view kOdsMimeType = "application/vnd.oasis.opendocument.spreadsheet";

// What a file proved to be, for the readers and for the messages.
enum class Content { Xls, Xlsx, Ods, OtherZip, Empty, Other };

std::string describe(Content content) {
    switch (content) {
        case Content::Xls:
            return describeKind(SpreadsheetKind::Xls);
        case Content::Xlsx:
            return describeKind(SpreadsheetKind::Xlsx);
        case Content::Ods:
            return describeKind(SpreadsheetKind::Ods);
        case Content::OtherZip:
            return "a zip archive that holds no spreadsheet";
        case Content::Empty:
        case Content::Other:
            break;
    }
    return "no workbook";
}

Content asContent(SpreadsheetKind kind) {
    switch (kind) {
        case SpreadsheetKind::Xlsx:
            return Content::Xlsx;
        case SpreadsheetKind::Ods:
            return Content::Ods;
        default:
            return Content::Xls;
    }
}

// What the file is. Files this program does not read are refused here, by
// what they are, whatever kind was asked for: an encrypted workbook, an
// Excel binary workbook (.xlsb), an Excel 2.x to 4.0 file.
// (Asked for an .xls or any workbook, the .xls reader finds the encryption
// itself, without a second reading of the workbook stream.)
Content identify(GsfInput* input, std::unique_ptr<ZipArchive>& zip, const std::string& name,
                 std::size_t memoryBudget, SpreadsheetKind requested) {
    const std::string head = xls::signatureOf(input, name);
    if (head.empty()) {
        return Content::Empty;
    }
    if (const auto version = oldExcelVersion(head)) {
        throw Failure::notAWorkbook(
            name, "is an " + std::string(*version) + std::string(kOldExcelAdvice));
    }
    if (head == kCompoundFileSignature) {
        const bool readerFindsIt =
            requested == SpreadsheetKind::Xls || requested == SpreadsheetKind::Any;
        if (!readerFindsIt && xls::holdsEncryptedWorkbook(input)) {
            throw Failure::passwordProtected(name);
        }
        return Content::Xls;
    }
    if (!head.starts_with(kZipSignature)) {
        return Content::Other;
    }
    zip = std::make_unique<ZipArchive>(input, name, memoryBudget);
    if (zip->has("xl/workbook.bin")) {
        throw Failure::notAWorkbook(name,
                                    "is an Excel binary workbook (.xlsb), which this program does "
                                    "not read. Save it as .xlsx and open that.");
    }
    if (zip->has(xlsxWorkbookPart(*zip))) {
        return Content::Xlsx;
    }
    if (zip->text("mimetype", kOdsMimeType.size() + 64) == kOdsMimeType) {
        return Content::Ods;
    }
    return Content::OtherZip;
}

// The file opened as the workbook asked for; a file of another kind is refused.
struct OpenedWorkbook {
    std::unique_ptr<GsfInput, decltype(&g_object_unref)> input{nullptr, &g_object_unref};
    std::unique_ptr<ZipArchive> zip;
    Content content = Content::Other;
};

OpenedWorkbook openWorkbook(xls::WorkbookFile& file, SpreadsheetKind requested,
                            std::size_t memoryBudget) {
    const std::string& name = file.name();
    OpenedWorkbook opened;
    opened.input.reset(gsf_input_memory_new(file.bytes().data(),
                                            static_cast<gsf_off_t>(file.bytes().size()), FALSE));
    if (!opened.input) {
        throw Failure::damagedWorkbook(name);
    }
    const Content content = identify(opened.input.get(), opened.zip, name, memoryBudget, requested);
    const Content wanted = asContent(requested);
    if (content == Content::Empty) {
        throw Failure::notAWorkbook(name, "is empty.");
    }
    if (content == Content::OtherZip) {
        throw Failure::notAWorkbook(name, "is " + describe(content) + ".");
    }
    if (content == Content::Other) {
        // The .xls filter keeps its old words; the others say what the file is.
        throw Failure::notAWorkbook(name, requested == SpreadsheetKind::Xls
                                              ? "is not " + describe(wanted) + "."
                                              : "is no workbook but a text or other file, not " +
                                                    describeKind(requested) +
                                                    ". Open it as the kind of file it is.");
    }
    if (requested != SpreadsheetKind::Any && content != wanted) {
        throw Failure::notAWorkbook(name, "is " + describe(content) + ", not " + describe(wanted) +
                                              ". Open it as the kind of file it is.");
    }
    opened.content = content;
    if (content == Content::Xls) {
        opened.zip.reset();
        opened.input.reset();  // the compound-file reader opens the file anew
    }
    return opened;
}

}  // namespace

SheetTable readSpreadsheet(xls::WorkbookFile& file, SpreadsheetKind requested,
                           std::uint32_t mostRows, std::size_t memoryBudget) {
    OpenedWorkbook opened = openWorkbook(file, requested, memoryBudget);
    const auto tooManyRows = [&](std::uint32_t rows) {
        return tooManyRowsForTheWindow(file.name(), rows);
    };
    switch (opened.content) {
        case Content::Xlsx:
            return {tableOfSheet(
                        [&](const CellSink& onCell) {
                            return readFirstXlsxWorksheet(*opened.zip, mostRows, onCell);
                        },
                        mostRows, memoryBudget, tooManyRows),
                    SpreadsheetKind::Xlsx};
        case Content::Ods:
            return {tableOfSheet(
                        [&](const CellSink& onCell) {
                            return readFirstOdsTable(*opened.zip, mostRows, onCell);
                        },
                        mostRows, memoryBudget, tooManyRows),
                    SpreadsheetKind::Ods};
        default:
            return {readWorkbook(file, mostRows, memoryBudget), SpreadsheetKind::Xls};
    }
}

SpreadsheetKind describeWorkbook(xls::WorkbookFile& file, std::size_t memoryBudget) {
    OpenedWorkbook opened = openWorkbook(file, SpreadsheetKind::Any, memoryBudget);
    switch (opened.content) {
        case Content::Xlsx:
            return SpreadsheetKind::Xlsx;
        case Content::Ods:
            return SpreadsheetKind::Ods;
        default: {
            std::unique_ptr<GsfInput, decltype(&g_object_unref)> input(
                gsf_input_memory_new(file.bytes().data(),
                                     static_cast<gsf_off_t>(file.bytes().size()), FALSE),
                &g_object_unref);
            if (xls::holdsEncryptedWorkbook(input.get())) {
                throw Failure::passwordProtected(file.name());
            }
            (void)file.workbookStream();  // a compound file without a workbook is refused
            return SpreadsheetKind::Xls;
        }
    }
}

SpreadsheetKind identifySpreadsheet(xls::WorkbookFile& file, SpreadsheetKind requested,
                                    std::size_t memoryBudget) {
    switch (openWorkbook(file, requested, memoryBudget).content) {
        case Content::Xlsx:
            return SpreadsheetKind::Xlsx;
        case Content::Ods:
            return SpreadsheetKind::Ods;
        default:
            return SpreadsheetKind::Xls;
    }
}

SheetCells readSpreadsheetCells(xls::WorkbookFile& file, SpreadsheetKind requested,
                                std::uint32_t mostRows, std::size_t memoryBudget,
                                const CellSink& onCell) {
    OpenedWorkbook opened = openWorkbook(file, requested, memoryBudget);
    switch (opened.content) {
        case Content::Xlsx:
            return {SpreadsheetKind::Xlsx, readFirstXlsxWorksheet(*opened.zip, mostRows, onCell)};
        case Content::Ods:
            return {SpreadsheetKind::Ods, readFirstOdsTable(*opened.zip, mostRows, onCell)};
        default: {
            const std::vector<std::uint8_t> stream = file.workbookStream();
            return {SpreadsheetKind::Xls,
                    xls::readFirstWorksheet(stream, file.name(), mostRows, onCell)};
        }
    }
}

}  // namespace tesselin
