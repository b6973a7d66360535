#include "BiffWriter.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <bit>
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

Bytes sheetStream(const BiffSheet& sheet, bool biff8) {
    Bytes s;
    s.record(0x0809, bof(biff8, 0x0010));
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

    constexpr std::uint32_t kCellXf = 15;
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        for (std::size_t c = 0; c < sheet.rows[r].size(); ++c) {
            const BiffCell& cell = sheet.rows[r][c];
            Bytes b;
            b.u16(static_cast<std::uint32_t>(r));
            b.u16(static_cast<std::uint32_t>(c));
            b.u16(kCellXf);
            if (const auto* number = std::get_if<double>(&cell)) {
                b.f64(*number);
                s.record(0x0203, b);
            } else if (const auto* label = std::get_if<std::string>(&cell)) {
                biffString(b, *label, biff8, true);
                s.record(0x0204, b);
            }
        }
    }
    s.record(0x000A, {});
    return s;
}

void writeCompoundFile(const std::filesystem::path& path, const char* streamName,
                       const Bytes& stream) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });
    GError* error = nullptr;
    GsfOutput* file = gsf_output_stdio_new(path.c_str(), &error);
    if (file == nullptr) {
        g_clear_error(&error);
        throw std::runtime_error("cannot write " + path.string());
    }
    GsfOutfile* ole = gsf_outfile_msole_new(file);
    GsfOutput* child = gsf_outfile_new_child(ole, streamName, FALSE);
    gsf_output_write(child, stream.size(), stream.data().data());
    gsf_output_close(child);
    g_object_unref(child);
    gsf_output_close(GSF_OUTPUT(ole));
    g_object_unref(ole);
    g_object_unref(file);
}

}  // namespace

void writeBiffWorkbook(const std::filesystem::path& path, const BiffWorkbook& workbook) {
    const bool biff8 = workbook.biff8;
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
    for (std::uint32_t i = 0; i < 16; ++i) {  // 15 style XFs and one cell XF
        Bytes xf;
        xf.u16(0);
        xf.u16(0);  // the General number format
        xf.u16(i < 15 ? 0xFFF5 : 0x0001);
        for (int k = 0; k < (biff8 ? 14 : 10); ++k) {
            xf.u8(0);
        }
        globals.record(0x00E0, xf);
    }
    std::vector<std::size_t> offsetFields;
    for (const BiffSheet& sheet : workbook.sheets) {
        Bytes bound;
        bound.u32(0);  // patched below
        bound.u8(0);
        bound.u8(0);
        biffString(bound, sheet.name, biff8, false);
        offsetFields.push_back(globals.size() + 4);
        globals.record(0x0085, bound);
    }
    globals.record(0x000A, {});

    Bytes stream = globals;
    for (std::size_t i = 0; i < workbook.sheets.size(); ++i) {
        stream.patchU32(offsetFields[i], static_cast<std::uint32_t>(stream.size()));
        stream.append(sheetStream(workbook.sheets[i], biff8));
    }
    writeCompoundFile(path, biff8 ? "Workbook" : "Book", stream);
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
