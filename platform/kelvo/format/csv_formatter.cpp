// "csv": comma-separated values with a title line (RFC 4180), for
// spreadsheets and scripts.

#include "formatter.h"
#include "value_text.h"

namespace Kelvo {
namespace Format {

namespace {

using MetaObj::MetaValue;

constexpr const char kLineEnd[] = "\r\n";

// A field is quoted when it holds a comma, a quote or a line break; quotes
// inside are doubled.
std::string Field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    return text;
  }
  std::string quoted = "\"";
  for (char c : text) {
    quoted += c;
    if (c == '"') {
      quoted += '"';
    }
  }
  return quoted + "\"";
}

void Line(const std::vector<std::string>& cells, std::ostream& out) {
  for (std::size_t i = 0; i < cells.size(); ++i) {
    out << (i ? "," : "") << Field(cells[i]);
  }
  out << kLineEnd;
}

class CsvFormatter : public Formatter {
 public:
  std::string Name() const override { return "csv"; }
  std::string Summary() const override { return "comma-separated values with a title line (RFC 4180)"; }

  void Print(const MetaValue& value, const OutputParameters&, std::ostream& out) const override {
    Grid grid = MakeGrid(value, OutputParameters());
    if (grid.titles.empty()) {
      return;
    }
    Line(grid.titles, out);
    for (const auto& row : grid.rows) {
      Line(row, out);
    }
  }
};

}  // namespace

std::unique_ptr<Formatter> MakeCsvFormatter() {
  return std::make_unique<CsvFormatter>();
}

}  // namespace Format
}  // namespace Kelvo
