// SPDX-License-Identifier: Apache-2.0
// The SpreadsheetML workbook writer.
#include "database/sheet_writer.h"

#include <array>
#include <charconv>
#include <initializer_list>
#include <string>
#include <utility>

#include "database/xml_text.h"

namespace tagline::database {

namespace {

// Files are CR LF on every platform, as a text-mode file on the target would have them.
constexpr std::string_view kLineEnd = "\r\n";

std::string StyleId(int style) {
  return "s" + std::to_string(style + kStyleIdBase);
}

std::string_view HorizontalAlignment(StyleFlags flags) {
  // Later tests win: Right over Left over Center.
  std::string_view value;
  if ((flags & style_flags::kHorizontalCenter) != 0) value = "Center";
  if ((flags & style_flags::kHorizontalLeft) != 0) value = "Left";
  if ((flags & style_flags::kHorizontalRight) != 0) value = "Right";
  return value;
}

std::string_view VerticalAlignment(StyleFlags flags) {
  // Later tests win: Bottom over Top over Center.
  std::string_view value;
  if ((flags & style_flags::kVerticalCenter) != 0) value = "Center";
  if ((flags & style_flags::kVerticalTop) != 0) value = "Top";
  if ((flags & style_flags::kVerticalBottom) != 0) value = "Bottom";
  return value;
}

void AppendBorder(std::string& out, std::string_view position) {
  out += "    <Border ss:Position=\"";
  out += position;
  out += "\" ss:LineStyle=\"Continuous\" ss:Weight=\"1\"/>";
  out += kLineEnd;
}

void AppendBorders(std::string& out, std::initializer_list<std::string_view> positions) {
  out += "   <Borders>";
  out += kLineEnd;
  for (const std::string_view position : positions) AppendBorder(out, position);
  out += "   </Borders>";
  out += kLineEnd;
}

}  // namespace

std::string FormatTwoDecimals(double value) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                    std::chars_format::fixed, 2);
  if (result.ec != std::errc{}) return "0.00";
  return std::string(buffer.data(), result.ptr);
}

void SheetWriter::AddColumn(double width) {
  if (state_ != State::Setup) return;
  columnWidths_.push_back(width != 0 ? FormatTwoDecimals(width) : std::string());
}

int SheetWriter::AddStyle(StyleFlags flags, std::string fontSize) {
  if (state_ != State::Setup) return kNoStyle;
  styles_.push_back(Style{flags, std::move(fontSize)});
  return static_cast<int>(styles_.size()) - 1;
}

bool SheetWriter::Open(int rowCount, std::string_view sheetName) {
  if (state_ != State::Setup || sheetName.empty()) return false;
  text_.clear();
  styleAttributes_.clear();
  for (std::size_t i = 0; i < styles_.size(); ++i) {
    styleAttributes_.push_back(" ss:StyleID=\"" + StyleId(static_cast<int>(i)) + "\"");
  }
  for (const std::string_view line : {
           "<?xml version=\"1.0\"?>",
           "<?mso-application progid=\"Excel.Sheet\"?>",
           "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\"",
           " xmlns:o=\"urn:schemas-microsoft-com:office:office\"",
           " xmlns:x=\"urn:schemas-microsoft-com:office:excel\"",
           " xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">",
           " <Styles>",
           "  <Style ss:ID=\"Default\" ss:Name=\"Normal\">",
           "   <Alignment ss:Vertical=\"Bottom\"/>",
           "  </Style>",
       }) {
    text_ += line;
    text_ += kLineEnd;
  }
  for (std::size_t i = 0; i < styles_.size(); ++i) WriteStyle(i, styles_[i]);
  text_ += " </Styles>";
  text_ += kLineEnd;
  text_ += " <Worksheet ss:Name=\"";
  text_ += EncodeCellText(sheetName);
  text_ += "\">";
  text_ += kLineEnd;
  text_ += "  <Table ss:ExpandedColumnCount=\"";
  text_ += std::to_string(columnWidths_.size());
  text_ += "\" ss:ExpandedRowCount=\"";
  text_ += std::to_string(rowCount);
  text_ += "\">";
  text_ += kLineEnd;
  for (const std::string& width : columnWidths_) {
    if (width.empty()) {
      text_ += "   <Column ss:AutoFitWidth=\"1\"/>";
    } else {
      text_ += "   <Column ss:Width=\"";
      text_ += width;
      text_ += "\"/>";
    }
    text_ += kLineEnd;
  }
  state_ = State::Open;
  return true;
}

void SheetWriter::WriteStyle(std::size_t index, const Style& style) {
  const StyleFlags flags = style.flags;
  text_ += "  <Style ss:ID=\"" + StyleId(static_cast<int>(index)) + "\">";
  text_ += kLineEnd;

  text_ += "   <Alignment";
  if (const std::string_view horizontal = HorizontalAlignment(flags); !horizontal.empty()) {
    text_ += " ss:Horizontal=\"";
    text_ += horizontal;
    text_ += '"';
  }
  if (const std::string_view vertical = VerticalAlignment(flags); !vertical.empty()) {
    text_ += " ss:Vertical=\"";
    text_ += vertical;
    text_ += '"';
  }
  if ((flags & style_flags::kWrapText) != 0) text_ += " ss:WrapText=\"1\"";
  text_ += "/>";
  text_ += kLineEnd;

  // The number formats carry no line end of their own.
  if ((flags & style_flags::kShortDate) != 0) text_ += "  <NumberFormat ss:Format=\"Short Date\"/>";
  if ((flags & style_flags::kShortTime) != 0) text_ += "  <NumberFormat ss:Format=\"Short Time\"/>";
  if ((flags & style_flags::kCurrency) != 0) text_ += "  <NumberFormat ss:Format=\"Currency\"/>";

  if ((flags & style_flags::kBorderAll) != 0) {
    AppendBorders(text_, {"Bottom", "Left", "Right", "Top"});
  }
  if ((flags & style_flags::kBorderLeftRight) != 0) AppendBorders(text_, {"Left", "Right"});
  if ((flags & style_flags::kBorderTop) != 0) AppendBorders(text_, {"Top"});

  text_ += "   <Font x:Family=\"Swiss\"";
  if (!style.fontSize.empty()) {
    text_ += " ss:Size=\"";
    text_ += EncodeCellText(style.fontSize);
    text_ += '"';
  }
  if ((flags & style_flags::kBold) != 0) text_ += " ss:Bold=\"1\"";
  if ((flags & style_flags::kUnderline) != 0) text_ += " ss:Underline=\"Single\"";
  if ((flags & style_flags::kItalic) != 0) text_ += " ss:Italic=\"1\"";
  text_ += "/>";
  text_ += kLineEnd;

  text_ += "  </Style>";
  text_ += kLineEnd;
}

void SheetWriter::BeginRow(int style, double height) {
  if (state_ != State::Open) return;
  text_ += "   <Row";
  if (style >= 0) text_ += " ss:StyleID=\"" + StyleId(style) + "\"";
  if (height != 0) text_ += " ss:Height=\"" + FormatTwoDecimals(height) + "\"";
  text_ += ">";
  text_ += kLineEnd;
}

void SheetWriter::WriteCell(std::string_view text, int style) {
  if (state_ != State::Open) return;
  text_ += "    <Cell";
  if (style >= 0 && static_cast<std::size_t>(style) < styleAttributes_.size()) {
    text_ += styleAttributes_[static_cast<std::size_t>(style)];
  } else if (style >= 0) {
    text_ += " ss:StyleID=\"" + StyleId(style) + "\"";
  }
  text_ += "><Data ss:Type=\"String\">";
  AppendCellText(text_, text);
  text_ += "</Data></Cell>";
  text_ += kLineEnd;
}

void SheetWriter::EndRow() {
  if (state_ != State::Open) return;
  text_ += "   </Row>";
  text_ += kLineEnd;
}

void SheetWriter::Close() {
  if (state_ != State::Open) return;
  for (const std::string_view line : {"  </Table>", " </Worksheet>", "</Workbook>"}) {
    text_ += line;
    text_ += kLineEnd;
  }
  state_ = State::Closed;
}

}  // namespace tagline::database
