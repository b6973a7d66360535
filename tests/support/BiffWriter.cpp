#include "BiffWriter.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <bit>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>

namespace tesselin::testing {
namespace {

class Bytes {
public:
    void u8(std::uint32_t v) { m_data.push_back(static_cast<std::uint8_t>(v)); }
    void u16(std::uint32_t v) {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void f64(double v) {
        const auto bits = std::bit_cast<std::uint64_t>(v);
        u32(static_cast<std::uint32_t>(bits));
        u32(static_cast<std::uint32_t>(bits >> 32));
    }
    void text(const std::string& s) { m_data.insert(m_data.end(), s.begin(), s.end()); }

    void record(std::uint16_t type, const Bytes& body) {
        u16(type);
        u16(static_cast<std::uint32_t>(body.m_data.size()));
        m_data.insert(m_data.end(), body.m_data.begin(), body.m_data.end());
    }
    void patchU32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            m_data[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    }
    void append(const Bytes& other) {
        m_data.insert(m_data.end(), other.m_data.begin(), other.m_data.end());
    }
    std::size_t size() const { return m_data.size(); }
    void cut(std::size_t count) { m_data.resize(m_data.size() - std::min(count, m_data.size())); }
    const std::vector<std::uint8_t>& data() const { return m_data; }

private:
    std::vector<std::uint8_t> m_data;
};

// Strings in BIFF8 carry a flags byte; these are all 8-bit (Latin-1).
void biffString(Bytes& b, const std::string& s, bool biff8, bool wideCount) {
    if (wideCount) {
        b.u16(static_cast<std::uint32_t>(s.size()));
    } else {
        b.u8(static_cast<std::uint32_t>(s.size()));
    }
    if (biff8) {
        b.u8(0);
    }
    b.text(s);
}

Bytes bof(bool biff8, std::uint32_t kind) {
    Bytes b;
    b.u16(biff8 ? 0x0600 : 0x0500);
    b.u16(kind);
    b.u16(0x0DBB);
    b.u16(0x07CC);
    if (biff8) {
        b.u32(0);
        b.u32(0x0006);
    }
    return b;
}

// Cell XFs: 15 for numbers and texts, 16 for dates (the built-in format 14).
constexpr std::uint32_t kCellXf = 15;
constexpr std::uint32_t kDateXf = 16;

// The BOF kind of each BOUNDSHEET kind of sheet.
std::uint32_t substreamKind(std::uint8_t sheetKind) {
    switch (sheetKind) {
        case 1:
            return 0x0040;
        case 2:
            return 0x0020;
        case 6:
            return 0x0006;
        default:
            return 0x0010;
    }
}

Bytes sheetStream(const BiffSheet& sheet, bool biff8, std::vector<std::string>* shared) {
    Bytes s;
    s.record(0x0809, bof(biff8, substreamKind(sheet.kind)));
    Bytes wsbool;
    wsbool.u16(sheet.dialog ? 0x0010 : 0x0000);
    s.record(0x0081, wsbool);
    std::uint32_t rows = static_cast<std::uint32_t>(sheet.rows.size());
    std::uint32_t cols = 0;
    for (const auto& row : sheet.rows) {
        cols = std::max(cols, static_cast<std::uint32_t>(row.size()));
    }
    if (sheet.claimedSize) {
        rows = sheet.claimedSize->first;
        cols = sheet.claimedSize->second;
    }
    Bytes dim;
    if (biff8) {
        dim.u32(0);
        dim.u32(rows);
    } else {
        dim.u16(0);
        dim.u16(rows);
    }
    dim.u16(0);
    dim.u16(cols);
    dim.u16(0);
    s.record(0x0200, dim);

    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        for (std::size_t c = 0; c < sheet.rows[r].size(); ++c) {
            const BiffCell& cell = sheet.rows[r][c];
            if (std::holds_alternative<std::monostate>(cell)) {
                continue;
            }
            const bool dated =
                std::holds_alternative<Dated>(cell) ||
                (std::holds_alternative<FormulaResult>(cell) && std::get<FormulaResult>(cell).date);
            Bytes b;
            b.u16(static_cast<std::uint32_t>(r));
            b.u16(static_cast<std::uint32_t>(c));
            b.u16(dated ? kDateXf : kCellXf);
            if (const auto* number = std::get_if<double>(&cell)) {
                b.f64(*number);
                s.record(0x0203, b);
            } else if (const auto* date = std::get_if<Dated>(&cell)) {
                b.f64(date->serial);
                s.record(0x0203, b);
            } else if (const auto* formula = std::get_if<FormulaResult>(&cell)) {
                b.f64(formula->value);
                b.u16(0);  // flags
                b.u32(0);
                b.u16(3);  // a formula of three bytes: the number 1
                b.u8(0x1E);
                b.u16(1);
                s.record(0x0006, b);
            } else if (const auto& label = std::get<std::string>(cell); shared != nullptr) {
                // Equal texts share one string, as spreadsheet programs write them.
                const auto found = std::find(shared->begin(), shared->end(), label);
                b.u32(static_cast<std::uint32_t>(found - shared->begin()));
                if (found == shared->end()) {
                    shared->push_back(label);
                }
                s.record(0x00FD, b);
            } else {
                biffString(b, label, biff8, true);
                s.record(0x0204, b);
            }
        }
    }
    for (const RawRecord& raw : sheet.extraRecords) {
        Bytes b;
        b.text(raw.data);
        s.record(raw.type, b);
    }
    if (sheet.endRecord) {
        s.record(0x000A, {});
    }
    return s;
}

Bytes workbookStream(const BiffWorkbook& workbook, const std::vector<BiffSheet>& sheets,
                     bool biff8) {
    Bytes globals;
    globals.record(0x0809, bof(biff8, 0x0005));
    if (workbook.passwordMarker) {
        Bytes pass;
        if (biff8) {
            pass.u16(0);  // XOR obfuscation
        }
        pass.u16(0x1234);
        pass.u16(0x5678);
        globals.record(0x002F, pass);
    }
    Bytes codepage;
    codepage.u16(biff8 ? 1200 : 1252);
    globals.record(0x0042, codepage);
    Bytes datemode;
    datemode.u16(workbook.dates1904 ? 1 : 0);
    globals.record(0x0022, datemode);
    for (std::uint32_t i = 0; i <= kDateXf; ++i) {  // 15 style XFs, two cell XFs
        Bytes xf;
        xf.u16(0);
        xf.u16(i == kDateXf ? 14 : 0);  // m/d/yy, or General
        xf.u16(i < 15 ? 0xFFF5 : 0x0001);
        for (int k = 0; k < (biff8 ? 14 : 10); ++k) {
            xf.u8(0);
        }
        globals.record(0x00E0, xf);
    }
    for (const RawRecord& raw : workbook.globalsRecords) {
        Bytes data;
        data.text(raw.data);
        globals.record(raw.type, data);
    }
    std::vector<std::size_t> offsetFields;
    for (const BiffSheet& sheet : sheets) {
        Bytes bound;
        bound.u32(0);  // patched below
        bound.u8(0);
        bound.u8(sheet.kind);
        biffString(bound, sheet.name, biff8, false);
        offsetFields.push_back(globals.size() + 4);
        globals.record(0x0085, bound);
    }
    std::vector<std::string> shared;
    const bool sst = biff8 && workbook.sharedStrings;
    std::vector<Bytes> sheetStreams;
    for (const BiffSheet& sheet : sheets) {
        sheetStreams.push_back(sheetStream(sheet, biff8, sst ? &shared : nullptr));
    }
    if (sst) {
        // The table goes in records of at most 8,224 bytes: the SST, then
        // CONTINUE records; a string's characters that cross into the next
        // record start it with a new flags byte.
        constexpr std::size_t kMost = 8224;
        std::vector<Bytes> records(1);
        records[0].u32(static_cast<std::uint32_t>(shared.size()));
        records[0].u32(static_cast<std::uint32_t>(shared.size()) + workbook.sstCountExtra);
        for (const std::string& text : shared) {
            if (records.back().size() + 3 > kMost) {
                records.emplace_back();
            }
            records.back().u16(static_cast<std::uint32_t>(text.size()));
            records.back().u8(0);  // 8-bit characters
            for (std::size_t at = 0; at < text.size();) {
                if (records.back().size() == kMost) {
                    records.emplace_back();
                    records.back().u8(0);
                }
                const std::size_t here = std::min(text.size() - at, kMost - records.back().size());
                records.back().text(text.substr(at, here));
                at += here;
            }
        }
        for (std::size_t i = 0; i < records.size(); ++i) {
            globals.record(i == 0 ? 0x00FC : 0x003C, records[i]);
        }
    }
    globals.record(0x000A, {});

    Bytes stream = globals;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        stream.patchU32(offsetFields[i], static_cast<std::uint32_t>(stream.size()));
        stream.append(sheetStreams[i]);
    }
    stream.cut(workbook.cutBytes);
    return stream;
}

void writeCompoundFile(const std::filesystem::path& path,
                       const std::vector<std::pair<const char*, Bytes>>& streams) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });
    GError* error = nullptr;
    GsfOutput* file = gsf_output_stdio_new(path.c_str(), &error);
    if (file == nullptr) {
        g_clear_error(&error);
        throw std::runtime_error("cannot write " + path.string());
    }
    GsfOutfile* ole = gsf_outfile_msole_new(file);
    for (const auto& [name, stream] : streams) {
        GsfOutput* child = gsf_outfile_new_child(ole, name, FALSE);
        gsf_output_write(child, stream.size(), stream.data().data());
        gsf_output_close(child);
        g_object_unref(child);
    }
    gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    g_object_unref(file);
}

}  // namespace

void writeCompoundFile(const std::filesystem::path& path,
                       const std::vector<std::pair<std::string, std::string>>& streams) {
    std::vector<std::pair<const char*, Bytes>> converted;
    for (const auto& [name, bytes] : streams) {
        Bytes stream;
        stream.text(bytes);
        converted.emplace_back(name.c_str(), std::move(stream));
    }
    writeCompoundFile(path, converted);
}

namespace {

// Makes the directory entry of a stream claim more bytes than its sectors
// hold (version 3 files: 512-byte sectors, 128-byte entries).
void claimMore(const std::filesystem::path& path, const char* streamName, std::uint32_t extra) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), {});
    const auto u32 = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) {
            v = v << 8 | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
        }
        return v;
    };
    const std::size_t directory = 512 + std::size_t{u32(0x30)} * 512;
    for (std::size_t entry = directory; entry + 128 <= bytes.size(); entry += 128) {
        std::string name;
        for (std::size_t i = 0; i < 64 && bytes[entry + i] != 0; i += 2) {
            name.push_back(bytes[entry + i]);
        }
        if (name == streamName) {
            const std::uint32_t size = u32(entry + 0x78) + extra;
            for (int i = 0; i < 4; ++i) {
                bytes[entry + 0x78 + static_cast<std::size_t>(i)] =
                    static_cast<char>(size >> (8 * i));
            }
            file.seekp(0);
            file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            return;
        }
    }
    throw std::runtime_error("no stream named " + std::string(streamName));
}

}  // namespace

void writeBiffWorkbook(const std::filesystem::path& path, const BiffWorkbook& workbook) {
    const bool biff8 = workbook.biff8;
    std::vector<std::pair<const char*, Bytes>> streams;
    const char* name = biff8 ? "Workbook" : "Book";
    streams.emplace_back(name, workbookStream(workbook, workbook.sheets, biff8));
    if (workbook.bookStream) {
        streams.emplace_back("Book", workbookStream({}, *workbook.bookStream, false));
    }
    writeCompoundFile(path, streams);
    if (workbook.claimedExtraBytes > 0) {
        claimMore(path, name, workbook.claimedExtraBytes);
    }
}

BiffSheet numericSheet(std::uint32_t rows) {
    BiffSheet sheet;
    sheet.rows.reserve(rows);
    for (std::uint32_t r = 0; r < rows; ++r) {
        sheet.rows.push_back({r * 0.5, static_cast<double>(r % 7) - 3.25});
    }
    return sheet;
}

}  // namespace tesselin::testing
