// The values a statement computes with: Oracle's NULL, NUMBER, character
// strings and DATE, with Oracle's conversions between them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin::sim {

// The datatype of an expression as the binder knows it before any row is
// read. Unknown is the type of a bare NULL, which fits every other.
enum class SqlType : unsigned char { Unknown, Char, Number, Date };

// A point in time to the second: seconds since 1970-01-01 00:00:00.
using DateValue = std::int64_t;

struct CivilTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

DateValue MakeDate(const CivilTime& civil);
CivilTime SplitDate(DateValue date);
bool IsValidCivil(const CivilTime& civil);
DateValue CurrentDate();

class Value {
 public:
  enum class Kind : unsigned char { Null, Number, Text, Date };

  Value() = default;
  static Value Null() { return Value(); }
  static Value Number(double n);
  // Oracle keeps no empty strings: '' is NULL.
  static Value Text(std::string s);
  static Value Date(DateValue d);

  Kind kind() const { return kind_; }
  bool IsNull() const { return kind_ == Kind::Null; }
  double number() const { return number_; }
  const std::string& text() const { return text_; }
  DateValue date() const { return date_; }

  bool operator==(const Value& other) const = default;

 private:
  Kind kind_ = Kind::Null;
  double number_ = 0;
  DateValue date_ = 0;
  std::string text_;
};

using Row = std::vector<Value>;

// The longest character value the server builds (VARCHAR2's limit).
inline constexpr std::size_t kMaxTextLength = 2000;

// Oracle's text for a number: integers without a point, fractions without
// a leading zero (".5").
std::string FormatNumber(double n);
// Reads a number as TO_NUMBER does; nullopt when the text is not one.
std::optional<double> ParseNumber(std::string_view text);

// Formats and reads dates with a format model such as 'dd/mm/yyyy hh24:mi:ss'.
// Raises ORA-01821 for an element it does not know.
std::string FormatDate(DateValue date, std::string_view format);
DateValue ParseDate(std::string_view text, std::string_view format);
inline constexpr std::string_view kDefaultDateFormat = "DD-MON-YY";

// Implicit conversions. NULL stays NULL; a failed conversion raises the
// error Oracle raises (ORA-01722, ORA-00932, ...).
std::optional<std::string> ToText(const Value& v);
Value ToNumberValue(const Value& v);
double ToNumber(const Value& v);
Value ToDateValue(const Value& v);
Value ConvertTo(const Value& v, SqlType type);

// Compares two values that are not NULL, converting as Oracle does (a string
// meets a number as a number). Strings compare byte by byte.
int Compare(const Value& a, const Value& b);

// Orders values for sorting: NULL after everything else.
int SortCompare(const Value& a, const Value& b);

SqlType TypeOf(const Value& v);

}  // namespace kestrin::sim
