#include "Value.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>

#include "Errors.h"

namespace kestrin::sim {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<int>(y + (m <= 2 ? 1 : 0));
  month = static_cast<int>(m);
  day = static_cast<int>(d);
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) {
    return 29;
  }
  return kDays[month - 1];
}

constexpr std::array<const char*, 12> kMonthNames = {
    "JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
    "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
constexpr std::array<const char*, 7> kDayNames = {"THURSDAY", "FRIDAY",  "SATURDAY", "SUNDAY",
                                                  "MONDAY",   "TUESDAY", "WEDNESDAY"};

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view word) {
  if (text.size() - at < word.size()) {
    return false;
  }
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (Upper(text[at + i]) != word[i]) {
      return false;
    }
  }
  return true;
}

// The elements of a date format model, longest first where one is a prefix
// of another.
enum class Element { Yyyy, Yy, Month, Mon, Mm, Day, Dy, Dd, Hh24, Hh12, Hh, Mi, Ss, Am, Pm };

struct ElementName {
  const char* name;
  Element element;
};

constexpr ElementName kElements[] = {
    {"YYYY", Element::Yyyy}, {"YY", Element::Yy},   {"MONTH", Element::Month},
    {"MON", Element::Mon},   {"MM", Element::Mm},   {"DAY", Element::Day},
    {"DY", Element::Dy},     {"DD", Element::Dd},   {"HH24", Element::Hh24},
    {"HH12", Element::Hh12}, {"HH", Element::Hh},   {"MI", Element::Mi},
    {"SS", Element::Ss},     {"AM", Element::Am},   {"PM", Element::Pm},
    {"A.M.", Element::Am},   {"P.M.", Element::Pm},
};

bool IsFormatPunctuation(char c) {
  return c == '-' || c == '/' || c == ',' || c == '.' || c == ';' || c == ':' || c == ' ';
}

// Applies the case of the element as written ("Mon", "MON", "mon") to a name.
std::string CasedName(std::string_view written, const char* name, std::size_t length) {
  std::string out(name, std::min(length, std::strlen(name)));
  const bool firstUpper = !written.empty() && Upper(written[0]) == written[0];
  const bool secondUpper = written.size() > 1 && Upper(written[1]) == written[1];
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (!(i == 0 ? firstUpper : secondUpper)) {
      out[i] = Lower(out[i]);
    }
  }
  return out;
}

void AppendNumber(std::string& out, int n, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, n);
  out += buf;
}

}  // namespace

DateValue MakeDate(const CivilTime& c) {
  return DaysFromCivil(c.year, static_cast<unsigned>(c.month), static_cast<unsigned>(c.day)) *
             kSecondsPerDay +
         c.hour * 3600 + c.minute * 60 + c.second;
}

CivilTime SplitDate(DateValue date) {
  std::int64_t days = date / kSecondsPerDay;
  std::int64_t rest = date % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  CivilTime c;
  CivilFromDays(days, c.year, c.month, c.day);
  c.hour = static_cast<int>(rest / 3600);
  c.minute = static_cast<int>(rest / 60 % 60);
  c.second = static_cast<int>(rest % 60);
  return c;
}

bool IsValidCivil(const CivilTime& c) {
  return c.year >= -4712 && c.year <= 9999 && c.year != 0 && c.month >= 1 && c.month <= 12 &&
         c.day >= 1 && c.day <= DaysInMonth(c.year, c.month) && c.hour >= 0 && c.hour < 24 &&
         c.minute >= 0 && c.minute < 60 && c.second >= 0 && c.second < 60;
}

DateValue CurrentDate() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::seconds>(now).count();
}

Value Value::Number(double n) {
  Value v;
  v.kind_ = Kind::Number;
  v.number_ = n == 0 ? 0.0 : n;  // no negative zero
  return v;
}

Value Value::Text(std::string s) {
  Value v;
  if (!s.empty()) {
    v.kind_ = Kind::Text;
    v.text_ = std::move(s);
  }
  return v;
}

Value Value::Date(DateValue d) {
  Value v;
  v.kind_ = Kind::Date;
  v.date_ = d;
  return v;
}

std::string FormatNumber(double n) {
  if (!std::isfinite(n)) {
    return n > 0 ? "~" : "-~";
  }
  if (n == std::floor(n) && std::fabs(n) < 1e15) {
    return std::to_string(static_cast<long long>(n));
  }
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, n, std::chars_format::general, 15);
  std::string text(buf, result.ptr);
  if (text.compare(0, 2, "0.") == 0) {
    text.erase(0, 1);
  } else if (text.compare(0, 3, "-0.") == 0) {
    text.erase(1, 1);
  }
  return text;
}

std::optional<double> ParseNumber(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && text[begin] == ' ') {
    ++begin;
  }
  while (end > begin && text[end - 1] == ' ') {
    --end;
  }
  std::string clean(text.substr(begin, end - begin));
  if (!clean.empty() && clean[0] == '+') {
    clean.erase(0, 1);
  }
  // Only digits, one point, and an exponent: no "inf", "nan" or hex.
  bool digits = false;
  bool point = false;
  std::size_t i = 0;
  if (i < clean.size() && clean[i] == '-') {
    ++i;
  }
  for (; i < clean.size(); ++i) {
    const char c = clean[i];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!digits) {
    return std::nullopt;
  }
  if (i < clean.size()) {
    if (clean[i] != 'e' && clean[i] != 'E') {
      return std::nullopt;
    }
    ++i;
    if (i < clean.size() && (clean[i] == '+' || clean[i] == '-')) {
      ++i;
    }
    const std::size_t expStart = i;
    while (i < clean.size() && clean[i] >= '0' && clean[i] <= '9') {
      ++i;
    }
    if (i == expStart || i != clean.size()) {
      return std::nullopt;
    }
  }
  // from_chars does not take a leading point: give it a zero.
  std::size_t pointAt = clean[0] == '-' ? 1 : 0;
  if (clean[pointAt] == '.') {
    clean.insert(pointAt, 1, '0');
  }
  double value = 0;
  const auto result = std::from_chars(clean.data(), clean.data() + clean.size(), value);
  if (result.ec != std::errc() || result.ptr != clean.data() + clean.size()) {
    return std::nullopt;
  }
  return value;
}

std::string FormatDate(DateValue date, std::string_view format) {
  const CivilTime c = SplitDate(date);
  std::string out;
  std::size_t i = 0;
  while (i < format.size()) {
    const char ch = format[i];
    if (ch == '"') {
      const std::size_t close = format.find('"', i + 1);
      if (close == std::string_view::npos) {
        Fail(ora::kDateFormat);
      }
      out.append(format.substr(i + 1, close - i - 1));
      i = close + 1;
      continue;
    }
    if (IsFormatPunctuation(ch)) {
      out += ch;
      ++i;
      continue;
    }
    const ElementName* found = nullptr;
    for (const ElementName& e : kElements) {
      if (StartsWithNoCase(format, i, e.name)) {
        found = &e;
        break;
      }
    }
    if (found == nullptr) {
      Fail(ora::kDateFormat);
    }
    const std::size_t length = std::strlen(found->name);
    const std::string_view written = format.substr(i, length);
    i += length;
    const int weekday = static_cast<int>(((date / kSecondsPerDay) % 7 + 7) % 7);
    switch (found->element) {
      case Element::Yyyy:
        AppendNumber(out, c.year, 4);
        break;
      case Element::Yy:
        AppendNumber(out, c.year % 100, 2);
        break;
      case Element::Mm:
        AppendNumber(out, c.month, 2);
        break;
      case Element::Mon:
        out += CasedName(written, kMonthNames[c.month - 1], 3);
        break;
      case Element::Month: {
        // Oracle pads the name to the longest month's name.
        std::string name = CasedName(written, kMonthNames[c.month - 1], 9);
        name.resize(9, ' ');
        out += name;
        break;
      }
      case Element::Dd:
        AppendNumber(out, c.day, 2);
        break;
      case Element::Dy:
        out += CasedName(written, kDayNames[weekday], 3);
        break;
      case Element::Day: {
        std::string name = CasedName(written, kDayNames[weekday], 9);
        name.resize(9, ' ');
        out += name;
        break;
      }
      case Element::Hh24:
        AppendNumber(out, c.hour, 2);
        break;
      case Element::Hh:
      case Element::Hh12:
        AppendNumber(out, c.hour % 12 == 0 ? 12 : c.hour % 12, 2);
        break;
      case Element::Mi:
        AppendNumber(out, c.minute, 2);
        break;
      case Element::Ss:
        AppendNumber(out, c.second, 2);
        break;
      case Element::Am:
      case Element::Pm: {
        const bool dotted = written.size() > 2;
        const char* marker = c.hour < 12 ? (dotted ? "A.M." : "AM") : (dotted ? "P.M." : "PM");
        out += CasedName(written, marker, std::strlen(marker));
        break;
      }
    }
  }
  return out;
}

namespace {

int ReadDigits(std::string_view text, std::size_t& at, int maxDigits) {
  int value = 0;
  int count = 0;
  while (at < text.size() && count < maxDigits && text[at] >= '0' && text[at] <= '9') {
    value = value * 10 + (text[at] - '0');
    ++at;
    ++count;
  }
  if (count == 0) {
    Fail(ora::kDateNotValid);
  }
  return value;
}

int ReadName(std::string_view text, std::size_t& at, bool abbreviated, bool months) {
  const int count = months ? 12 : 7;
  for (int n = 0; n < count; ++n) {
    const char* full =
        months ? kMonthNames[static_cast<std::size_t>(n)] : kDayNames[static_cast<std::size_t>(n)];
    const std::string name(full, abbreviated ? 3 : std::strlen(full));
    if (StartsWithNoCase(text, at, name)) {
      at += name.size();
      return n;
    }
  }
  Fail(ora::kDateNotValid);
}

}  // namespace

DateValue ParseDate(std::string_view text, std::string_view format) {
  CivilTime c;
  const CivilTime today = SplitDate(CurrentDate());
  c.year = today.year;
  c.month = today.month;
  bool pm = false;
  bool twelveHour = false;
  std::size_t at = 0;
  std::size_t i = 0;
  while (i < format.size()) {
    const char ch = format[i];
    if (IsFormatPunctuation(ch)) {
      if (at < text.size() && IsFormatPunctuation(text[at])) {
        ++at;
      }
      ++i;
      continue;
    }
    const ElementName* found = nullptr;
    for (const ElementName& e : kElements) {
      if (StartsWithNoCase(format, i, e.name)) {
        found = &e;
        break;
      }
    }
    if (found == nullptr) {
      Fail(ora::kDateFormat);
    }
    i += std::strlen(found->name);
    switch (found->element) {
      case Element::Yyyy:
        c.year = ReadDigits(text, at, 4);
        break;
      case Element::Yy:
        c.year = today.year / 100 * 100 + ReadDigits(text, at, 2);
        break;
      case Element::Mm:
        c.month = ReadDigits(text, at, 2);
        break;
      case Element::Mon:
      case Element::Month:
        c.month = ReadName(text, at, found->element == Element::Mon, true) + 1;
        break;
      case Element::Dd:
        c.day = ReadDigits(text, at, 2);
        break;
      case Element::Dy:
      case Element::Day:
        ReadName(text, at, found->element == Element::Dy, false);
        break;
      case Element::Hh24:
        c.hour = ReadDigits(text, at, 2);
        break;
      case Element::Hh:
      case Element::Hh12:
        c.hour = ReadDigits(text, at, 2) % 12;
        twelveHour = true;
        break;
      case Element::Mi:
        c.minute = ReadDigits(text, at, 2);
        break;
      case Element::Ss:
        c.second = ReadDigits(text, at, 2);
        break;
      case Element::Am:
      case Element::Pm:
        if (StartsWithNoCase(text, at, "PM") || StartsWithNoCase(text, at, "P.M.")) {
          pm = true;
        }
        while (at < text.size() && text[at] != ' ' &&
               (Upper(text[at]) == 'A' || Upper(text[at]) == 'P' || Upper(text[at]) == 'M' ||
                text[at] == '.')) {
          ++at;
        }
        break;
    }
  }
  if (at != text.size()) {
    Fail(1830);
  }
  if (twelveHour && pm) {
    c.hour += 12;
  }
  if (!IsValidCivil(c)) {
    Fail(ora::kDateNotValid);
  }
  return MakeDate(c);
}

std::optional<std::string> ToText(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Null:
      return std::nullopt;
    case Value::Kind::Number:
      return FormatNumber(v.number());
    case Value::Kind::Text:
      return v.text();
    case Value::Kind::Date:
      return FormatDate(v.date(), kDefaultDateFormat);
  }
  return std::nullopt;
}

Value ToNumberValue(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Null:
    case Value::Kind::Number:
      return v;
    case Value::Kind::Text: {
      const std::optional<double> n = ParseNumber(v.text());
      if (!n) {
        Fail(ora::kInvalidNumber);
      }
      return Value::Number(*n);
    }
    case Value::Kind::Date:
      break;
  }
  Fail(ora::kInconsistentTypes);
}

double ToNumber(const Value& v) {
  return ToNumberValue(v).number();
}

Value ToDateValue(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Null:
    case Value::Kind::Date:
      return v;
    case Value::Kind::Text:
      return Value::Date(ParseDate(v.text(), kDefaultDateFormat));
    case Value::Kind::Number:
      break;
  }
  Fail(ora::kInconsistentTypes);
}

Value ConvertTo(const Value& v, SqlType type) {
  switch (type) {
    case SqlType::Unknown:
      return v;
    case SqlType::Char: {
      std::optional<std::string> text = ToText(v);
      return text ? Value::Text(std::move(*text)) : Value::Null();
    }
    case SqlType::Number:
      return ToNumberValue(v);
    case SqlType::Date:
      return ToDateValue(v);
  }
  return v;
}

int Compare(const Value& a, const Value& b) {
  using Kind = Value::Kind;
  if (a.kind() == Kind::Number || b.kind() == Kind::Number) {
    const double x = ToNumber(a);
    const double y = ToNumber(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (a.kind() == Kind::Date || b.kind() == Kind::Date) {
    const DateValue x = ToDateValue(a).date();
    const DateValue y = ToDateValue(b).date();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  const std::string& x = a.text();
  const std::string& y = b.text();
  const std::size_t n = std::min(x.size(), y.size());
  const int c = n == 0 ? 0 : std::memcmp(x.data(), y.data(), n);
  if (c != 0) {
    return c < 0 ? -1 : 1;
  }
  return x.size() < y.size() ? -1 : (x.size() > y.size() ? 1 : 0);
}

int SortCompare(const Value& a, const Value& b) {
  if (a.IsNull() || b.IsNull()) {
    return a.IsNull() == b.IsNull() ? 0 : (a.IsNull() ? 1 : -1);
  }
  return Compare(a, b);
}

SqlType TypeOf(const Value& v) {
  switch (v.kind()) {
    case Value::Kind::Null:
      return SqlType::Unknown;
    case Value::Kind::Number:
      return SqlType::Number;
    case Value::Kind::Text:
      return SqlType::Char;
    case Value::Kind::Date:
      return SqlType::Date;
  }
  return SqlType::Unknown;
}

}  // namespace kestrin::sim
