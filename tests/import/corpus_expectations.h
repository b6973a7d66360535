#pragma once

#include <initializer_list>

// What the first worksheet of each workbook in the corpus of real-world files
// holds, for checking the readers against files that other programs wrote.
// Paths are relative to the corpus folder.
//
// rows and columns: the extent from A1 to the last cell that holds a value,
// in the sheet's own rows and columns; a first row that serves as column names
// and rows without values still count. Formatted cells without a value, error
// values and formulas without a stored result hold no value.
//
// cells: 0-based sheet row and column, with the cell's exact text; a number in
// full precision (dates and times as days since 1899-12-30), TRUE or FALSE for a
// Boolean; an empty text where the cell must be empty.
//
// refusal: nullptr for a file that is read; otherwise a fragment of the message
// that refuses it.

namespace tesselin::testing {

struct CorpusCell {
    int row;
    int column;
    const char* text;
};

struct CorpusFile {
    const char* path;
    const char* refusal;
    int rows;
    int columns;
    std::initializer_list<CorpusCell> cells;
};

inline const CorpusFile kCorpusFiles[] = {
    // Dates and times under date formats; the formatted blank cells in column C
    // hold no value.
    {"xls/Formate.xls",
     nullptr,
     10,
     2,
     {
         {0, 1, "2741"},
         // Äcker
         {1, 0,
          "\xc3\x84"
          "cker"},
         {3, 1, "0.2736111111111111"},
         {5, 1, "0.7411226851851852"},
         {8, 1, "1000.3"},
         {9, 0, "wenig"},
     }},
    // A single-sheet Excel 4.0 file: a bare BIFF4 stream, no compound file.
    {"xls/biff4_no_format_no_window2.xls", "Excel 4.0", 0, 0, {}},
    // The root's mini-stream chain runs on into the Workbook stream's sectors; the
    // Workbook stream itself is whole. Its directory entries carry timestamps.
    {"xls/corrupted_error.xls",
     nullptr,
     17,
     7,
     {
         // ПРАЙС-ЛИСТ
         {0, 0, "\xd0\x9f\xd0\xa0\xd0\x90\xd0\x99\xd0\xa1-\xd0\x9b\xd0\x98\xd0\xa1\xd0\xa2"},
         {1, 0, "05-06-2019"},
         // Цена за тонну
         {3, 6,
          "\xd0\xa6\xd0\xb5\xd0\xbd\xd0\xb0 \xd0\xb7\xd0\xb0 \xd1\x82\xd0\xbe\xd0"
          "\xbd\xd0\xbd\xd1\x83"},
         // ду 15х2,5
         {4, 1,
          "\xd0\xb4\xd1\x83 15\xd1\x85"
          "2,5"},
         {8, 5, "0.021"},
         {16, 6, "47400"},
     }},
    {"xls/formula_test_names.xls",
     nullptr,
     8,
     2,
     {
         {1, 1, "-7"},
         {4, 0, "Function with variable # args"},
         {5, 1, "b"},
         {6, 1, "C"},
         // Binary operation → bool
         {7, 0, "Binary operation \xe2\x86\x92 bool"},
         {7, 1, "TRUE"},
     }},
    // Formula results: a zero-length text and an error give empty cells.
    {"xls/formula_test_sjmachin.xls",
     nullptr,
     8,
     2,
     {
         // МОСКВА Москва
         {1, 1,
          "\xd0\x9c\xd0\x9e\xd0\xa1\xd0\x9a\xd0\x92\xd0\x90 \xd0\x9c\xd0\xbe\xd1"
          "\x81\xd0\xba\xd0\xb2\xd0\xb0"},
         {2, 1, "0.14285714285714285"},
         {4, 1, ""},
         {5, 1, "TRUE"},
         {6, 1, ""},
         // МОСКВА Москва
         {7, 1,
          "\xd0\x9c\xd0\x9e\xd0\xa1\xd0\x9a\xd0\x92\xd0\x90 \xd0\x9c\xd0\xbe\xd1"
          "\x81\xd0\xba\xd0\xb2\xd0\xb0"},
     }},
    // A1 is a formula whose stored result is #REF!; nothing else.
    {"xls/invalid_formula.xls", nullptr, 0, 0, {}},
    // Merged areas and formatted blank cells that reach past the last value.
    {"xls/issue20.xls",
     nullptr,
     12,
     12,
     {
         {0, 0, "aasa"},
         {5, 0, ""},
         {10, 11, "asasa"},
         {11, 0, "legenda "},
         {11, 4, ""},
         {11, 5, "as"},
     }},
    // Defined names; one formula result below eleven empty rows.
    {"xls/namesdemo.xls", nullptr, 12, 1, {{0, 0, ""}, {11, 0, "42"}}},
    // Only a picture.
    {"xls/picture_in_cell.xls", nullptr, 0, 0, {}},
    // Numbers in MULRK records.
    {"xls/profiles.xls",
     nullptr,
     15,
     13,
     {
         {0, 0, "PROFIL"},
         {0, 12, "l"},
         {1, 0, "P8.2"},
         {1, 1, "100"},
         {14, 0, "Q0"},
         {14, 12, "267"},
     }},
    {"xls/ragged.xls",
     nullptr,
     5,
     4,
     {
         {0, 2, "c"},
         {1, 2, ""},
         {3, 2, "I"},
         {3, 3, "j"},
         {4, 1, ""},
         {4, 3, "l"},
     }},
    {"xls/xf_class.xls",
     nullptr,
     10,
     3,
     {
         {0, 2, ""},
         {2, 0, "BLUE"},
         {3, 2, "RIGHT"},
         {4, 1, "MIDDLE"},
         {5, 0, ""},
         {9, 0, "borderstyle"},
     }},
    {"xlsx/autofilter11.xlsx",
     nullptr,
     51,
     4,
     {
         {0, 0, "Region"},
         {0, 3, "Month"},
         {1, 2, "9000"},
         {50, 0, "East"},
         {50, 2, "6000"},
         {50, 3, "February"},
     }},
    {"xlsx/background02.xlsx", nullptr, 0, 0, {}},
    {"xlsx/button09.xlsx", nullptr, 0, 0, {}},
    {"xlsx/chart_axis06.xlsx", nullptr, 3, 2, {{0, 1, "60"}, {2, 0, "6"}, {2, 1, "10"}}},
    {"xlsx/chart_axis22.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_axis38.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_axis54.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    // Chart sheets follow the worksheet in this file and in chartsheet11.
    {"xlsx/chart_bar16.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_chartarea01.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_column11.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_crossing03.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_data_labels12.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_data_labels28.xlsx",
     nullptr,
     5,
     4,
     {
         {0, 3, "foo"},
         {1, 3, "bar"},
         {2, 3, ""},
         {4, 2, "15"},
     }},
    {"xlsx/chart_data_labels44.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_display_units01.xlsx",
     nullptr,
     5,
     1,
     {
         {0, 0, "10000000"},
         {2, 0, "30000000"},
         {4, 0, "10000000"},
     }},
    {"xlsx/chart_doughnut05.xlsx", nullptr, 3, 2, {{0, 1, "60"}, {2, 0, "6"}, {2, 1, "10"}}},
    {"xlsx/chart_errorbars10.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_format07.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_format23.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_gap04.xlsx", nullptr, 5, 2, {{0, 1, "6"}, {3, 0, "4"}, {4, 1, "2"}}},
    {"xlsx/chart_gridlines02.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_layout07.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_name01.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_pie03.xlsx", nullptr, 3, 2, {{0, 1, "60"}, {2, 0, "6"}, {2, 1, "10"}}},
    {"xlsx/chart_scatter05.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_table01.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chart_title02.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/chartsheet11.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/comment09.xlsx", nullptr, 0, 0, {}},
    {"xlsx/cond_format11.xlsx",
     nullptr,
     6,
     2,
     {
         {0, 0, "Hello"},
         {0, 1, ""},
         {1, 1, ""},
         {2, 1, "10"},
         {5, 1, "40"},
     }},
    {"xlsx/date_examples01.xlsx", nullptr, 7, 1, {{0, 0, "41333.5"}, {6, 0, "41333.5"}}},
    {"xlsx/default_format14.xlsx", nullptr, 0, 0, {}},
    // A picture in A1, stored as the error #VALUE!.
    {"xlsx/embed_image01.xlsx", nullptr, 0, 0, {}},
    {"xlsx/escapes04.xlsx", nullptr, 1, 1, {{0, 0, "http://www.perl.com/?a=1&b=2"}}},
    {"xlsx/fit_to_pages02.xlsx", nullptr, 1, 1, {{0, 0, "Foo"}}},
    {"xlsx/format22.xlsx", nullptr, 1, 1, {{0, 0, "Foo"}}},
    {"xlsx/header_image08.xlsx", nullptr, 1, 1, {{0, 0, "Foo"}}},
    {"xlsx/hyperlink01.xlsx", nullptr, 1, 1, {{0, 0, "http://www.perl.org/"}}},
    {"xlsx/hyperlink17.xlsx", nullptr, 1, 1, {{0, 0, "http://google.com/some link"}}},
    {"xlsx/hyperlink33.xlsx", nullptr, 0, 0, {}},
    {"xlsx/hyperlink49.xlsx", nullptr, 1, 1, {{0, 0, "https://github.com/jmcnamara"}}},
    {"xlsx/image07.xlsx", nullptr, 0, 0, {}},
    {"xlsx/image24.xlsx", nullptr, 0, 0, {}},
    {"xlsx/image40.xlsx", nullptr, 0, 0, {}},
    {"xlsx/image56.xlsx", nullptr, 0, 0, {}},
    // B2:D2 merged; C2 and D2 are styled empty cells.
    {"xlsx/merge_range04.xlsx", nullptr, 2, 2, {{0, 0, ""}, {1, 0, ""}, {1, 1, "Foo"}}},
    {"xlsx/object_position15.xlsx", nullptr, 0, 0, {}},
    // Inline strings.
    {"xlsx/optimize11.xlsx",
     nullptr,
     4,
     1,
     {
         {0, 0, "Hello 1"},
         {1, 0, "Hello 2"},
         {2, 0, ""},
         {3, 0, "Hello 3"},
     }},
    {"xlsx/page_view02.xlsx", nullptr, 1, 1, {{0, 0, "Foo"}}},
    {"xlsx/print_options06.xlsx", nullptr, 1, 1, {{0, 0, "Foo"}}},
    {"xlsx/quote_name01.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/repeat05.xlsx", nullptr, 1, 1, {{0, 0, "Foo"}}},
    {"xlsx/set_column03.xlsx",
     nullptr,
     6,
     3,
     {
         {0, 0, "Foo"},
         {0, 1, "Bar"},
         {0, 2, ""},
         {1, 0, "1"},
         {5, 2, "15"},
     }},
    // _xHHHH_ escapes decode to U+HHHH, _x005F_ to an underscore; _X0000_ is no escape.
    {"xlsx/shared_strings02.xlsx",
     nullptr,
     14,
     1,
     {
         {6, 0, "_x0000_"},
         {7, 0, "_x005F_"},
         {9, 0, "_X0000_"},
         {10, 0, "_x000a_"},
         {12, 0, "_x0000__x0000_"},
         {13, 0, "__x0000__"},
     }},
    {"xlsx/simple01.xlsx", nullptr, 2, 1, {{0, 0, "Hello"}, {1, 0, "123"}}},
    {"xlsx/table07.xlsx", nullptr, 1, 1, {{0, 0, "Foo"}}},
    // A table header alone, starting at C3.
    {"xlsx/table25.xlsx",
     nullptr,
     3,
     6,
     {
         {0, 0, ""},
         {2, 0, ""},
         {2, 2, "Column1"},
         {2, 5, "Column4"},
     }},
    {"xlsx/technic.xlsx", nullptr, 5, 3, {{0, 0, "1"}, {2, 1, "6"}, {4, 2, "15"}}},
    {"xlsx/textbox02.xlsx", nullptr, 0, 0, {}},
    {"xlsx/textbox18.xlsx", nullptr, 0, 0, {}},
    {"xlsx/textbox34.xlsx", nullptr, 0, 0, {}},
    {"xlsx/theme_color03.xlsx", nullptr, 0, 0, {}},
    {"xlsx/types10.xlsx", nullptr, 1, 1, {{0, 0, "6fa459ea-ee8a-3ca4-894e-db77e160355e"}}},
    {"ods/chinese_spreadsheet.ods", nullptr, 1, 3, {{0, 0, "test"}, {0, 2, "test"}}},
    // Two paragraphs in one cell join with a line break.
    {"ods/countrystatistics.ods",
     nullptr,
     28,
     4,
     {
         {0, 1, "Population\nin millions"},
         {0, 3, "Pop. density\nPeople/km2"},
         {4, 1, "0.8"},
         {8, 2, "337030"},
         {18, 3, "1261"},
         {27, 0, "United Kingdom"},
     }},
    {"ods/empty.ods", nullptr, 0, 0, {}},
    // Written by KSpread, with whitespace between the elements.
    {"ods/pythagoras-kspread.ods", nullptr, 4, 1, {{0, 0, "3"}, {2, 0, "5"}, {3, 0, "7"}}},
    {"ods/pythagoras.ods", nullptr, 4, 1, {{0, 0, "3"}, {2, 0, "5"}, {3, 0, "7"}}},
    // A chart anchored in A1, 34 repeated empty rows, then the data.
    {"ods/spreadsheet-with-macro.ods",
     nullptr,
     49,
     13,
     {
         {0, 0, ""},
         // PM kilometers 72h – 78h
         {35, 0, "PM kilometers 72h \xe2\x80\x93 78h"},
         {36, 0, ""},
         {36, 12, "11"},
         {37, 5, "26.01"},
         {48, 11, "7.36"},
     }},
};

}  // namespace tesselin::testing
