#include "import/helper_protocol.h"

#include <cstdint>

#include "common/ByteReader.h"
#include "common/DataGrid.h"
#include "common/Failure.h"

namespace tesselin {
namespace {

constexpr std::string_view kMagic = "TSLW";

void putU32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void putText(std::string& out, std::string_view text) {
    putU32(out, static_cast<std::uint32_t>(text.size()));
    out.append(text);
}

std::string_view text(ByteReader& reader) {
    return reader.text(reader.u32());
}

}  // namespace

std::string tableAnswer(const DataGrid& table) {
    std::string out(kMagic);
    out.push_back('O');
    putU32(out, static_cast<std::uint32_t>(table.Rows()));
    putU32(out, static_cast<std::uint32_t>(table.Cols()));
    for (int r = 0; r < table.Rows(); ++r) {
        for (int c = 0; c < table.Cols(); ++c) {
            putText(out, table.TextMatrix(r, c));
        }
    }
    return out;
}

std::string failureAnswer(const Failure& failure) {
    std::string out(kMagic);
    out.push_back('F');
    putU32(out, static_cast<std::uint32_t>(failure.number()));
    putText(out, failure.description());
    return out;
}

DataGrid tableFromHelperAnswer(std::string_view answer, const std::filesystem::path& path) {
    const auto unusable = [&] {
        return Failure::damagedWorkbook(path.string(), "the workbook reader gave no usable answer");
    };
    if (!answer.starts_with(kMagic)) {
        throw unusable();
    }
    try {
        ByteReader reader(answer.substr(kMagic.size()));
        if (reader.u8() == 'F') {
            const auto number = static_cast<std::int32_t>(reader.u32());
            throw Failure(number, std::string(text(reader)));
        }
        const std::uint32_t rows = reader.u32();
        const std::uint32_t columns = reader.u32();
        // Every cell takes at least its four length bytes.
        if (rows > static_cast<std::uint32_t>(kMaxCounter) ||
            columns > static_cast<std::uint32_t>(kMaxCounter) ||
            std::uint64_t{rows} * columns * 4 > answer.size()) {
            throw unusable();
        }
        DataGrid table;
        table.setRows(static_cast<int>(rows));
        table.setCols(static_cast<int>(columns));
        for (int r = 0; r < table.Rows(); ++r) {
            for (int c = 0; c < table.Cols(); ++c) {
                table.setTextMatrix(r, c, text(reader));
            }
        }
        return table;
    } catch (const ByteReader::Short&) {
        throw unusable();
    }
}

}  // namespace tesselin
