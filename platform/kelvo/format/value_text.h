#pragma once
// Helpers the formatters share: the text of a value, display widths, field
// selection and per-record headings.

#include "formatter.h"

#include <Kelvo/MetaObj.h>

#include <functional>
#include <string>
#include <vector>

namespace Kelvo {
namespace Format {

bool IsScalar(const MetaObj::MetaValue& value);
// Whether a scalar holds a value; strings always do, lists and structures too.
bool HasValue(const MetaObj::MetaValue& value);
// The text of a scalar: decimal integers, true/false, the string itself, and
// the empty text for a scalar without a value.
std::string ScalarText(const MetaObj::MetaValue& value);
// A value on one line: scalars as above, lists joined with ", ", structures
// as "Field=value, ...".
std::string InlineText(const MetaObj::MetaValue& value);

// Terminal columns a UTF-8 text takes (one per code point).
std::size_t DisplayWidth(const std::string& text);
// The text followed by blanks up to the width.
std::string PadRight(const std::string& text, std::size_t width);
// Line breaks and other control characters turned into blanks.
std::string OneLine(const std::string& text);

// Walks a text as UTF-8. visit(codePoint, valid) is called once per
// well-formed sequence (valid) and once per byte that starts none
// (not valid; the code point is then the byte's value).
void DecodeUtf8(const std::string& text, const std::function<void(char32_t, bool)>& visit);
// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& text, char32_t codePoint);

// The fields of a structure in the order the parameters select; all fields
// in structure order when no fields:<Type> is given. Names that the
// structure lacks are left out.
std::vector<const MetaObj::MetaStruct::Field*> SelectFields(const MetaObj::MetaStruct& record,
                                                            const OutputParameters& parameters);
// Field names for a column layout taken from a representative structure.
std::vector<std::string> SelectFieldNames(const MetaObj::MetaStruct& record,
                                          const OutputParameters& parameters);

// The heading template with each %Field% replaced by that field's inline
// text; %% gives one percent sign, an unknown name is kept as written.
std::string ExpandHeading(const std::string& pattern, const MetaObj::MetaStruct& record);

// A structure that stands for every item of a list of structures: the first
// item, else the list's prototype, else null.
const MetaObj::MetaStruct* RepresentativeRecord(const MetaObj::MetaList& list);

// Whether every field is a list of scalars (a structure with one entry per
// node in each field); such a structure reads best as rows by index.
bool IsStructOfScalarLists(const MetaObj::MetaStruct& record);

// Turns a value into a grid of texts: a title per column, cells per row.
struct Grid {
  std::vector<std::string> titles;
  std::vector<std::vector<std::string>> rows;
};
// Lists of structures give one row per item; a structure of scalar lists
// one row per index; any other structure one row; scalars and lists of
// scalars a single column titled "Value".
Grid MakeGrid(const MetaObj::MetaValue& value, const OutputParameters& parameters);

}  // namespace Format
}  // namespace Kelvo
