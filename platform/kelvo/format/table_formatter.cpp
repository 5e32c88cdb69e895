// "table": records as aligned columns under a title row, for reading on a
// terminal.

#include "formatter.h"
#include "value_text.h"

#include <algorithm>

namespace Kelvo {
namespace Format {

namespace {

using MetaObj::MetaKind;
using MetaObj::MetaList;
using MetaObj::MetaStruct;
using MetaObj::MetaValue;

constexpr const char kGap[] = "  ";

// The title of the heading column: the heading's fixed text before its first
// field, without a trailing colon ("Record:%Record Id%" gives "Record").
std::string HeadingTitle(const std::string& pattern) {
  std::string title = pattern.substr(0, pattern.find('%'));
  while (!title.empty() && (title.back() == ':' || title.back() == ' ')) {
    title.pop_back();
  }
  return title;
}

std::string TrimRight(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

void PrintGrid(const Grid& grid, std::ostream& out) {
  std::vector<std::size_t> widths(grid.titles.size(), 0);
  for (std::size_t column = 0; column < widths.size(); ++column) {
    widths[column] = DisplayWidth(grid.titles[column]);
    for (const auto& row : grid.rows) {
      widths[column] = std::max(widths[column], DisplayWidth(OneLine(row[column])));
    }
  }
  auto printRow = [&](const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t column = 0; column < cells.size(); ++column) {
      if (column > 0) {
        line += kGap;
      }
      line += PadRight(OneLine(cells[column]), widths[column]);
    }
    out << TrimRight(line) << '\n';
  };
  printRow(grid.titles);
  std::vector<std::string> rules;
  for (std::size_t width : widths) {
    rules.emplace_back(width, '-');
  }
  printRow(rules);
  for (const auto& row : grid.rows) {
    printRow(row);
  }
}

// Titles are always printed: they are what makes the columns readable.
// "show-header" and "header:<Type>" decide the per-record heading: a leading
// column for a list of records, a line above a single record.
class TableFormatter : public Formatter {
 public:
  std::string Name() const override { return "table"; }
  std::string Summary() const override { return "aligned columns under a title row, one row per record"; }

  void Print(const MetaValue& value, const OutputParameters& parameters, std::ostream& out) const override {
    if (value.GetKind() == MetaKind::List) {
      PrintList(static_cast<const MetaList&>(value), parameters, out);
    } else if (value.GetKind() == MetaKind::Struct) {
      PrintRecord(static_cast<const MetaStruct&>(value), parameters, out);
    } else {
      out << OneLine(ScalarText(value)) << '\n';
    }
  }

 private:
  static void PrintList(const MetaList& list, const OutputParameters& parameters, std::ostream& out) {
    if (list.GetItems().empty()) {
      return;
    }
    if (list.GetElementType() != MetaObj::META_STRUCT) {
      for (const auto& item : list.GetItems()) {
        out << OneLine(ScalarText(*item)) << '\n';
      }
      return;
    }
    Grid grid = MakeGrid(list, parameters);
    auto pattern = parameters.HeaderFor(RepresentativeRecord(list)->GetTypeName());
    if (pattern && parameters.ShowHeader().value_or(true)) {
      grid.titles.insert(grid.titles.begin(), HeadingTitle(*pattern));
      for (std::size_t row = 0; row < grid.rows.size(); ++row) {
        const auto& record = static_cast<const MetaStruct&>(*list.GetItems()[row]);
        grid.rows[row].insert(grid.rows[row].begin(), ExpandHeading(*pattern, record));
      }
    }
    PrintGrid(grid, out);
  }

  static void PrintRecord(const MetaStruct& record, const OutputParameters& parameters, std::ostream& out) {
    auto pattern = parameters.HeaderFor(record.GetTypeName());
    if (parameters.ShowHeader().value_or(pattern.has_value())) {
      out << OneLine(pattern ? ExpandHeading(*pattern, record) : record.GetTypeName()) << '\n';
    }
    if (IsStructOfScalarLists(record)) {
      Grid grid = MakeGrid(record, parameters);
      if (!grid.rows.empty()) {
        PrintGrid(grid, out);
      }
      return;
    }
    Grid grid;
    grid.titles = {"Field", "Value"};
    for (const auto* field : SelectFields(record, parameters)) {
      grid.rows.push_back({field->first, InlineText(*field->second)});
    }
    PrintGrid(grid, out);
  }
};

}  // namespace

std::unique_ptr<Formatter> MakeTableFormatter() {
  return std::make_unique<TableFormatter>();
}

}  // namespace Format
}  // namespace Kelvo
