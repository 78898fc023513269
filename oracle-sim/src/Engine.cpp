#include "Engine.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "Errors.h"

namespace kestrin::sim {

namespace {

enum class Tri : unsigned char { False, True, Unknown };

Tri Not(Tri t) {
  return t == Tri::Unknown ? t : (t == Tri::True ? Tri::False : Tri::True);
}

// What an expression sees of the rows around it.
struct RowContext {
  const RowContext* outer = nullptr;
  const std::vector<const Row*>* rows = nullptr;   // the current row of each FROM entry
  const std::vector<const Row*>* prior = nullptr;  // CONNECT BY: the parent's rows
  long level = 0;
  long rownum = 0;
  const std::vector<Value>* aggregates = nullptr;
};

int CompareRows(const Row& a, const Row& b, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) {
    const int c = SortCompare(a[i], b[i]);
    if (c != 0) {
      return c;
    }
  }
  return 0;
}

void SortUnique(std::vector<Row>& rows) {
  if (rows.empty()) {
    return;
  }
  const std::size_t width = rows[0].size();
  std::stable_sort(rows.begin(), rows.end(),
                   [&](const Row& a, const Row& b) { return CompareRows(a, b, width) < 0; });
  rows.erase(std::unique(rows.begin(), rows.end(),
                         [&](const Row& a, const Row& b) { return CompareRows(a, b, width) == 0; }),
             rows.end());
}

bool ContainsRow(const std::vector<Row>& sorted, const Row& row) {
  return std::binary_search(sorted.begin(), sorted.end(), row, [&](const Row& a, const Row& b) {
    return CompareRows(a, b, row.size()) < 0;
  });
}

std::string Text(const Value& v) {
  return ToText(v).value_or("");
}

long WholeNumber(const Value& v) {
  const double n = std::trunc(ToNumber(v));
  return static_cast<long>(std::clamp(n, -1e9, 1e9));
}

std::string CheckedText(std::string s) {
  if (s.size() > kMaxTextLength) {
    Fail(ora::kConcatTooLong);
  }
  return s;
}

bool Like(std::string_view text, std::string_view pattern, int escape) {
  std::size_t t = 0;
  std::size_t p = 0;
  std::size_t starP = std::string_view::npos;
  std::size_t starT = 0;
  while (t < text.size()) {
    if (p < pattern.size()) {
      const char c = pattern[p];
      if (escape >= 0 && c == static_cast<char>(escape) && p + 1 < pattern.size()) {
        if (pattern[p + 1] == text[t]) {
          p += 2;
          ++t;
          continue;
        }
      } else if (c == '%') {
        starP = p++;
        starT = t;
        continue;
      } else if (c == '_' || c == text[t]) {
        ++p;
        ++t;
        continue;
      }
    }
    if (starP == std::string_view::npos) {
      return false;
    }
    p = starP + 1;
    t = ++starT;
  }
  while (p < pattern.size() && pattern[p] == '%') {
    ++p;
  }
  return p == pattern.size();
}

// TO_CHAR of a number with a model of 9s and 0s, a point and group commas,
// with FM to drop the padding.
std::string FormatNumberModel(double n, std::string_view model) {
  std::string fmt(model);
  for (char& c : fmt) {
    c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  const bool fillMode = fmt.compare(0, 2, "FM") == 0;
  if (fillMode) {
    fmt.erase(0, 2);
  }
  const std::size_t point = fmt.find('.');
  const std::string whole = fmt.substr(0, point);
  const std::string fraction = point == std::string::npos ? "" : fmt.substr(point + 1);
  for (char c : whole + fraction) {
    if (c != '9' && c != '0' && (c != ',' || fraction.find(',') != std::string::npos)) {
      Fail(1481);
    }
  }
  if (whole.size() + fraction.size() > 40) {
    Fail(1481);
  }
  const int decimals = static_cast<int>(fraction.size());
  std::string digits = FormatNumber(std::round(std::fabs(n) * std::pow(10.0, decimals)));
  if (digits.find_first_not_of("0123456789") != std::string::npos) {
    return std::string(fmt.size() + 1, '#');
  }
  while (static_cast<int>(digits.size()) <= decimals) {
    digits.insert(0, 1, '0');
  }
  std::string intDigits = digits.substr(0, digits.size() - static_cast<std::size_t>(decimals));
  const std::string fracDigits = digits.substr(intDigits.size());
  if (intDigits == "0") {
    intDigits.clear();  // a zero shows only where the model has a 0
  }
  const auto slots = static_cast<std::size_t>(
      std::count_if(whole.begin(), whole.end(), [](char c) { return c == '9' || c == '0'; }));
  if (intDigits.size() > slots) {
    return std::string(fmt.size() + 1, '#');
  }
  const std::size_t firstZero = whole.find('0');
  std::string laid;
  std::size_t next = intDigits.size();
  for (std::size_t i = whole.size(); i-- > 0;) {
    const bool zero = firstZero != std::string::npos && i >= firstZero;
    if (whole[i] == ',') {
      laid.insert(0, 1, next > 0 || zero ? ',' : ' ');
    } else if (next > 0) {
      laid.insert(0, 1, intDigits[--next]);
    } else {
      laid.insert(0, 1, zero ? '0' : ' ');
    }
  }
  if (laid.find_first_not_of(' ') == std::string::npos && fracDigits.empty()) {
    laid.back() = '0';
  }
  std::string out = laid;
  if (point != std::string::npos) {
    out += '.';
    out += fracDigits;
  }
  const std::size_t first = out.find_first_not_of(' ');
  out.insert(first == std::string::npos ? out.size() : first, 1, n < 0 ? '-' : ' ');
  if (fillMode) {
    const std::size_t begin = out.find_first_not_of(' ');
    out = begin == std::string::npos ? "" : out.substr(begin);
  }
  return out;
}

class Executor {
 public:
  Executor(Catalog& catalog, const SessionUser& user)
      : catalog_(catalog), user_(user), now_(CurrentDate()) {}

  DateValue now() const { return now_; }

  ResultSet RunQuery(const Query& q, const RowContext* outer) {
    ResultSet result;
    if (q.op == SetOp::None) {
      result = RunBlock(*q.block, q.orderBy, outer);
      result.labels = q.labels;
      result.types = q.types;
      return result;
    }
    ResultSet left = RunQuery(*q.left, outer);
    ResultSet right = RunQuery(*q.right, outer);
    result.labels = q.labels;
    result.types = q.types;
    switch (q.op) {
      case SetOp::UnionAll:
        result.rows = std::move(left.rows);
        result.rows.insert(result.rows.end(), std::make_move_iterator(right.rows.begin()),
                           std::make_move_iterator(right.rows.end()));
        break;
      case SetOp::Union:
        result.rows = std::move(left.rows);
        result.rows.insert(result.rows.end(), std::make_move_iterator(right.rows.begin()),
                           std::make_move_iterator(right.rows.end()));
        SortUnique(result.rows);
        break;
      case SetOp::Intersect:
      case SetOp::Minus: {
        SortUnique(left.rows);
        SortUnique(right.rows);
        const bool keep = q.op == SetOp::Intersect;
        for (Row& row : left.rows) {
          if (ContainsRow(right.rows, row) == keep) {
            result.rows.push_back(std::move(row));
          }
        }
        break;
      }
      case SetOp::None:
        break;
    }
    SortByOrder(result.rows, q.orderBy, 0);
    return result;
  }

  Value Eval(const Expr& e, const RowContext& ctx) {
    switch (e.kind) {
      case ExprKind::Literal:
        return e.literal;
      case ExprKind::Column: {
        const RowContext* c = &ctx;
        for (int d = 0; d < e.depth && c != nullptr; ++d) {
          c = c->outer;
        }
        if (c == nullptr || c->rows == nullptr) {
          return Value();
        }
        const Row* row = (*c->rows)[static_cast<std::size_t>(e.source)];
        return row == nullptr ? Value() : (*row)[static_cast<std::size_t>(e.column)];
      }
      case ExprKind::Level:
        return Value::Number(static_cast<double>(ctx.level));
      case ExprKind::Rownum:
        return Value::Number(static_cast<double>(ctx.rownum));
      case ExprKind::Sysdate:
        return Value::Date(now_);
      case ExprKind::User:
        return Value::Text(user_.name);
      case ExprKind::Prior: {
        RowContext parent = ctx;
        parent.rows = ctx.prior;
        parent.prior = nullptr;
        return Eval(*e.args[0], parent);
      }
      case ExprKind::Negate: {
        const Value v = Eval(*e.args[0], ctx);
        return v.IsNull() ? v : Value::Number(-ToNumber(v));
      }
      case ExprKind::Arith:
        return Arith(e, ctx);
      case ExprKind::Concat: {
        std::string text = Text(Eval(*e.args[0], ctx));
        text += Text(Eval(*e.args[1], ctx));
        return Value::Text(CheckedText(std::move(text)));
      }
      case ExprKind::Function:
        if (e.slot >= 0) {
          return ctx.aggregates == nullptr ? Value()
                                           : (*ctx.aggregates)[static_cast<std::size_t>(e.slot)];
        }
        return Function(e, ctx);
      default:
        Fail(ora::kMissingExpression, e.offset);
    }
  }

  Tri Test(const Expr& e, const RowContext& ctx) {
    switch (e.kind) {
      case ExprKind::And: {
        const Tri a = Test(*e.args[0], ctx);
        if (a == Tri::False) {
          return a;
        }
        const Tri b = Test(*e.args[1], ctx);
        if (b == Tri::False) {
          return b;
        }
        return a == Tri::True && b == Tri::True ? Tri::True : Tri::Unknown;
      }
      case ExprKind::Or: {
        const Tri a = Test(*e.args[0], ctx);
        if (a == Tri::True) {
          return a;
        }
        const Tri b = Test(*e.args[1], ctx);
        if (b == Tri::True) {
          return b;
        }
        return a == Tri::False && b == Tri::False ? Tri::False : Tri::Unknown;
      }
      case ExprKind::Not:
        return Not(Test(*e.args[0], ctx));
      case ExprKind::Compare: {
        const Value left = Eval(*e.args[0], ctx);
        Value right;
        if (e.query) {
          ResultSet scratch;
          const ResultSet& rows = SubqueryRows(e, ctx, scratch);
          if (rows.rows.size() > 1) {
            Fail(1427, e.offset);
          }
          if (!rows.rows.empty()) {
            right = rows.rows[0][0];
          }
        } else {
          right = Eval(*e.args[1], ctx);
        }
        if (left.IsNull() || right.IsNull()) {
          return Tri::Unknown;
        }
        const int c = Compare(left, right);
        bool result = false;
        switch (e.compare) {
          case CompareOp::Eq:
            result = c == 0;
            break;
          case CompareOp::Ne:
            result = c != 0;
            break;
          case CompareOp::Lt:
            result = c < 0;
            break;
          case CompareOp::Le:
            result = c <= 0;
            break;
          case CompareOp::Gt:
            result = c > 0;
            break;
          case CompareOp::Ge:
            result = c >= 0;
            break;
        }
        return result ? Tri::True : Tri::False;
      }
      case ExprKind::IsNull: {
        const bool isNull = Eval(*e.args[0], ctx).IsNull();
        return isNull != e.negated ? Tri::True : Tri::False;
      }
      case ExprKind::InList: {
        const Value left = Eval(*e.args[0], ctx);
        Tri result = Tri::False;
        if (left.IsNull()) {
          result = Tri::Unknown;
        } else {
          for (std::size_t i = 1; i < e.args.size() && result != Tri::True; ++i) {
            const Value item = Eval(*e.args[i], ctx);
            if (item.IsNull()) {
              result = Tri::Unknown;
            } else if (Compare(left, item) == 0) {
              result = Tri::True;
            }
          }
        }
        return e.negated ? Not(result) : result;
      }
      case ExprKind::InQuery: {
        std::vector<Value> left;
        const Expr& l = *e.args[0];
        if (l.kind == ExprKind::Tuple) {
          for (const ExprPtr& part : l.args) {
            left.push_back(Eval(*part, ctx));
          }
        } else {
          left.push_back(Eval(l, ctx));
        }
        ResultSet scratch;
        const ResultSet& rows = SubqueryRows(e, ctx, scratch);
        Tri result = Tri::False;
        for (const Row& row : rows.rows) {
          Tri match = Tri::True;
          for (std::size_t i = 0; i < left.size() && match != Tri::False; ++i) {
            if (left[i].IsNull() || row[i].IsNull()) {
              match = Tri::Unknown;
            } else if (Compare(left[i], row[i]) != 0) {
              match = Tri::False;
            }
          }
          if (match == Tri::True) {
            result = Tri::True;
            break;
          }
          if (match == Tri::Unknown) {
            result = Tri::Unknown;
          }
        }
        return e.negated ? Not(result) : result;
      }
      case ExprKind::Exists: {
        ResultSet scratch;
        return SubqueryRows(e, ctx, scratch).rows.empty() ? Tri::False : Tri::True;
      }
      case ExprKind::Between: {
        const Value v = Eval(*e.args[0], ctx);
        const Value lo = Eval(*e.args[1], ctx);
        const Value hi = Eval(*e.args[2], ctx);
        const Tri above = v.IsNull() || lo.IsNull()
                              ? Tri::Unknown
                              : (Compare(v, lo) >= 0 ? Tri::True : Tri::False);
        const Tri below = v.IsNull() || hi.IsNull()
                              ? Tri::Unknown
                              : (Compare(v, hi) <= 0 ? Tri::True : Tri::False);
        Tri result = Tri::Unknown;
        if (above == Tri::False || below == Tri::False) {
          result = Tri::False;
        } else if (above == Tri::True && below == Tri::True) {
          result = Tri::True;
        }
        return e.negated ? Not(result) : result;
      }
      case ExprKind::Like: {
        const Value v = Eval(*e.args[0], ctx);
        const Value pattern = Eval(*e.args[1], ctx);
        int escape = -1;
        if (e.args.size() > 2) {
          const Value esc = Eval(*e.args[2], ctx);
          if (esc.IsNull() || Text(esc).size() != 1) {
            Fail(1425, e.offset);
          }
          escape = static_cast<unsigned char>(Text(esc)[0]);
        }
        if (v.IsNull() || pattern.IsNull()) {
          return Tri::Unknown;
        }
        const bool match = Like(Text(v), Text(pattern), escape);
        return match != e.negated ? Tri::True : Tri::False;
      }
      default:
        Fail(920, e.offset);
    }
  }

 private:
  const ResultSet& SubqueryRows(const Expr& e, const RowContext& ctx, ResultSet& scratch) {
    if (!e.correlated) {
      const auto at = cache_.find(&e);
      if (at != cache_.end()) {
        return at->second;
      }
      return cache_.emplace(&e, RunQuery(*e.query, &ctx)).first->second;
    }
    scratch = RunQuery(*e.query, &ctx);
    return scratch;
  }

  Value Arith(const Expr& e, const RowContext& ctx) {
    const Value a = Eval(*e.args[0], ctx);
    const Value b = Eval(*e.args[1], ctx);
    if (a.IsNull() || b.IsNull()) {
      return Value();
    }
    const bool aDate = a.kind() == Value::Kind::Date;
    const bool bDate = b.kind() == Value::Kind::Date;
    if (aDate || bDate) {
      if (e.op == '-' && aDate && bDate) {
        return Value::Number(static_cast<double>(a.date() - b.date()) / 86400.0);
      }
      if (e.op == '+' && aDate != bDate) {
        const DateValue d = aDate ? a.date() : b.date();
        const double days = ToNumber(aDate ? b : a);
        return Value::Date(d + static_cast<DateValue>(std::llround(days * 86400.0)));
      }
      if (e.op == '-' && aDate) {
        return Value::Date(a.date() - static_cast<DateValue>(std::llround(ToNumber(b) * 86400.0)));
      }
      Fail(ora::kInconsistentTypes, e.offset);
    }
    const double x = ToNumber(a);
    const double y = ToNumber(b);
    switch (e.op) {
      case '+':
        return Value::Number(x + y);
      case '-':
        return Value::Number(x - y);
      case '*':
        return Value::Number(x * y);
      default:
        if (y == 0) {
          Fail(ora::kDivisorZero, e.offset);
        }
        return Value::Number(x / y);
    }
  }

  Value Function(const Expr& e, const RowContext& ctx) {
    const std::string& n = e.name;
    std::vector<Value> a;
    if (n == "DECODE") {
      return Decode(e, ctx);
    }
    for (const ExprPtr& arg : e.args) {
      a.push_back(Eval(*arg, ctx));
    }
    if (n == "NVL") {
      return ConvertTo(a[0].IsNull() ? a[1] : a[0], e.type);
    }
    if (n == "CONCAT") {
      return Value::Text(CheckedText(Text(a[0]) + Text(a[1])));
    }
    if (n == "TO_CHAR") {
      if (a[0].IsNull() || (a.size() > 1 && a[1].IsNull())) {
        return Value();
      }
      if (a[0].kind() == Value::Kind::Date) {
        return Value::Text(FormatDate(a[0].date(), a.size() > 1 ? Text(a[1]) : kDefaultDateFormat));
      }
      if (a.size() > 1) {
        return Value::Text(FormatNumberModel(ToNumber(a[0]), Text(a[1])));
      }
      return ConvertTo(a[0], SqlType::Char);
    }
    if (n == "TO_DATE") {
      if (a[0].IsNull() || (a.size() > 1 && a[1].IsNull())) {
        return Value();
      }
      if (a[0].kind() == Value::Kind::Date) {
        return a[0];
      }
      return Value::Date(ParseDate(Text(a[0]), a.size() > 1 ? Text(a[1]) : kDefaultDateFormat));
    }
    if (n == "GREATEST" || n == "LEAST") {
      Value best = a[0];
      for (const Value& v : a) {
        if (v.IsNull()) {
          return Value();
        }
        const int c = Compare(v, best);
        if (n == "GREATEST" ? c > 0 : c < 0) {
          best = v;
        }
      }
      return ConvertTo(best, e.type);
    }
    for (const Value& v : a) {
      if (v.IsNull()) {
        return Value();
      }
    }
    if (n == "LPAD" || n == "RPAD") {
      const std::string s = Text(a[0]);
      const long width = std::min<long>(WholeNumber(a[1]), static_cast<long>(kMaxTextLength));
      const std::string pad = a.size() > 2 ? Text(a[2]) : " ";
      if (width <= 0) {
        return Value();
      }
      const auto w = static_cast<std::size_t>(width);
      if (s.size() >= w) {
        return Value::Text(s.substr(0, w));
      }
      std::string fill;
      while (fill.size() < w - s.size()) {
        fill += pad;
      }
      fill.resize(w - s.size());
      return Value::Text(n == "LPAD" ? fill + s : s + fill);
    }
    if (n == "UPPER" || n == "LOWER" || n == "INITCAP") {
      std::string s = Text(a[0]);
      bool wordStart = true;
      for (char& c : s) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool up = n == "UPPER" || (n == "INITCAP" && wordStart);
        if (up && c >= 'a' && c <= 'z') {
          c = static_cast<char>(c - 'a' + 'A');
        } else if (!up && c >= 'A' && c <= 'Z') {
          c = static_cast<char>(c - 'A' + 'a');
        }
        wordStart = !letter && !(c >= '0' && c <= '9');
      }
      return Value::Text(s);
    }
    if (n == "SUBSTR") {
      const std::string s = Text(a[0]);
      long start = WholeNumber(a[1]);
      const auto size = static_cast<long>(s.size());
      if (start == 0) {
        start = 1;
      }
      if (start < 0) {
        start += size + 1;
      }
      if (start < 1 || start > size) {
        return Value();
      }
      long length = size - start + 1;
      if (a.size() > 2) {
        length = std::min(length, WholeNumber(a[2]));
      }
      if (length < 1) {
        return Value();
      }
      return Value::Text(
          s.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length)));
    }
    if (n == "LENGTH") {
      return Value::Number(static_cast<double>(Text(a[0]).size()));
    }
    if (n == "INSTR") {
      const std::string s = Text(a[0]);
      const std::string sub = Text(a[1]);
      const long start = a.size() > 2 ? WholeNumber(a[2]) : 1;
      long occurrence = a.size() > 3 ? WholeNumber(a[3]) : 1;
      if (start == 0 || occurrence < 1) {
        return Value::Number(0);
      }
      if (start > 0) {
        std::size_t at = static_cast<std::size_t>(start - 1);
        while (at <= s.size()) {
          at = s.find(sub, at);
          if (at == std::string::npos) {
            break;
          }
          if (--occurrence == 0) {
            return Value::Number(static_cast<double>(at + 1));
          }
          ++at;
        }
      }
      return Value::Number(0);
    }
    if (n == "LTRIM" || n == "RTRIM") {
      const std::string s = Text(a[0]);
      const std::string set = a.size() > 1 ? Text(a[1]) : " ";
      std::size_t begin = 0;
      std::size_t end = s.size();
      if (n == "LTRIM") {
        while (begin < end && set.find(s[begin]) != std::string::npos) {
          ++begin;
        }
      } else {
        while (end > begin && set.find(s[end - 1]) != std::string::npos) {
          --end;
        }
      }
      return Value::Text(s.substr(begin, end - begin));
    }
    if ((n == "ROUND" || n == "TRUNC") && a[0].kind() == Value::Kind::Date) {
      const DateValue day = 86400;
      const DateValue d = a[0].date();
      DateValue base = d / day * day;
      if (base > d) {
        base -= day;
      }
      return Value::Date(n == "ROUND" && d - base >= day / 2 ? base + day : base);
    }
    const double x = ToNumber(a[0]);
    if (n == "ABS") {
      return Value::Number(std::fabs(x));
    }
    if (n == "SIGN") {
      return Value::Number(x > 0 ? 1 : (x < 0 ? -1 : 0));
    }
    if (n == "FLOOR") {
      return Value::Number(std::floor(x));
    }
    if (n == "CEIL") {
      return Value::Number(std::ceil(x));
    }
    if (n == "MOD") {
      const double y = ToNumber(a[1]);
      return Value::Number(y == 0 ? x : std::fmod(x, y));
    }
    if (n == "ROUND" || n == "TRUNC") {
      const double scale =
          std::pow(10.0, a.size() > 1 ? static_cast<double>(WholeNumber(a[1])) : 0);
      const double v = x * scale;
      return Value::Number((n == "ROUND" ? std::round(v) : std::trunc(v)) / scale);
    }
    if (n == "TO_NUMBER") {
      return ToNumberValue(a[0]);
    }
    Fail(ora::kInvalidColumn, e.offset);
  }

  Value Decode(const Expr& e, const RowContext& ctx) {
    const Value v = Eval(*e.args[0], ctx);
    const std::size_t n = e.args.size();
    std::size_t i = 1;
    for (; i + 1 < n; i += 2) {
      const Value search = Eval(*e.args[i], ctx);
      const bool match = (v.IsNull() && search.IsNull()) ||
                         (!v.IsNull() && !search.IsNull() && Compare(v, search) == 0);
      if (match) {
        return ConvertTo(Eval(*e.args[i + 1], ctx), e.type);
      }
    }
    return i < n ? ConvertTo(Eval(*e.args[i], ctx), e.type) : Value();
  }

  struct Match {
    std::vector<const Row*> rows;
    const Row* parent = nullptr;
    long level = 0;
  };

  // The rows of a hierarchical query in Oracle's order: each root, then its
  // descendants depth first, children in the order the table holds them.
  std::vector<Match> Walk(const SelectBlock& b, const std::vector<Row>& rows,
                          const RowContext* outer) {
    std::vector<Match> out;
    struct Frame {
      const Row* row;
      long level;
      std::size_t next;
    };
    for (const Row& root : rows) {
      std::vector<const Row*> current{&root};
      RowContext ctx;
      ctx.outer = outer;
      ctx.rows = &current;
      ctx.level = 1;
      if (b.startWith && Test(*b.startWith, ctx) != Tri::True) {
        continue;
      }
      out.push_back({{&root}, nullptr, 1});
      std::vector<Frame> stack{{&root, 1, 0}};
      while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next >= rows.size()) {
          stack.pop_back();
          continue;
        }
        const Row* candidate = &rows[top.next++];
        std::vector<const Row*> child{candidate};
        std::vector<const Row*> parent{top.row};
        RowContext c;
        c.outer = outer;
        c.rows = &child;
        c.prior = &parent;
        c.level = top.level + 1;
        if (Test(*b.connectBy, c) != Tri::True) {
          continue;
        }
        for (const Frame& f : stack) {
          if (f.row == candidate) {
            Fail(ora::kConnectByLoop);
          }
        }
        const long level = top.level + 1;
        out.push_back({{candidate}, top.row, level});
        stack.push_back({candidate, level, 0});
      }
    }
    return out;
  }

  std::vector<Value> Aggregates(const SelectBlock& b, const std::vector<Match>& matches,
                                const std::vector<std::size_t>& group, const RowContext* outer) {
    std::vector<Value> values;
    for (const Expr* agg : b.aggregates) {
      std::vector<Value> seen;
      long count = 0;
      for (std::size_t index : group) {
        const Match& m = matches[index];
        if (agg->star) {
          ++count;
          continue;
        }
        std::vector<const Row*> prior{m.parent};
        RowContext ctx;
        ctx.outer = outer;
        ctx.rows = &m.rows;
        ctx.prior = &prior;
        ctx.level = m.level;
        Value v = Eval(*agg->args[0], ctx);
        if (!v.IsNull()) {
          seen.push_back(std::move(v));
        }
      }
      if (agg->distinct) {
        std::stable_sort(seen.begin(), seen.end(),
                         [](const Value& x, const Value& y) { return SortCompare(x, y) < 0; });
        seen.erase(
            std::unique(seen.begin(), seen.end(),
                        [](const Value& x, const Value& y) { return SortCompare(x, y) == 0; }),
            seen.end());
      }
      const std::string& n = agg->name;
      if (n == "COUNT") {
        values.push_back(
            Value::Number(static_cast<double>(agg->star ? count : static_cast<long>(seen.size()))));
      } else if (seen.empty()) {
        values.emplace_back();
      } else if (n == "SUM" || n == "AVG") {
        double sum = 0;
        for (const Value& v : seen) {
          sum += ToNumber(v);
        }
        values.push_back(Value::Number(n == "SUM" ? sum : sum / static_cast<double>(seen.size())));
      } else {
        Value best = seen[0];
        for (const Value& v : seen) {
          const int c = SortCompare(v, best);
          if (n == "MIN" ? c < 0 : c > 0) {
            best = v;
          }
        }
        values.push_back(best);
      }
    }
    return values;
  }

  void SortByOrder(std::vector<Row>& rows, const std::vector<OrderItem>& order,
                   std::size_t hiddenStart) {
    if (order.empty()) {
      return;
    }
    std::vector<std::size_t> keys;
    std::size_t hidden = hiddenStart;
    for (const OrderItem& item : order) {
      keys.push_back(item.position > 0 ? static_cast<std::size_t>(item.position - 1) : hidden++);
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
      for (std::size_t k = 0; k < keys.size(); ++k) {
        int c = SortCompare(a[keys[k]], b[keys[k]]);
        if (order[k].descending) {
          c = -c;
        }
        if (c != 0) {
          return c < 0;
        }
      }
      return false;
    });
  }

  ResultSet RunBlock(const SelectBlock& b, const std::vector<OrderItem>& order,
                     const RowContext* outer) {
    std::vector<std::vector<Row>> viewRows(b.sources.size());
    std::vector<const std::vector<Row>*> data;
    for (std::size_t i = 0; i < b.sources.size(); ++i) {
      const BoundSource& s = b.sources[i];
      if (s.table != nullptr) {
        data.push_back(&s.table->rows);
      } else {
        viewRows[i] = ViewRows(s.view, catalog_, user_);
        data.push_back(&viewRows[i]);
      }
    }
    std::vector<Match> matches;
    auto accept = [&](Match m) {
      std::vector<const Row*> prior{m.parent};
      RowContext ctx;
      ctx.outer = outer;
      ctx.rows = &m.rows;
      ctx.prior = &prior;
      ctx.level = m.level;
      ctx.rownum = static_cast<long>(matches.size()) + 1;
      if (!b.where || Test(*b.where, ctx) == Tri::True) {
        matches.push_back(std::move(m));
      }
    };
    if (b.connectBy) {
      for (Match& m : Walk(b, *data[0], outer)) {
        accept(std::move(m));
      }
    } else {
      const std::size_t n = data.size();
      bool empty = false;
      for (const auto* rows : data) {
        empty = empty || rows->empty();
      }
      std::vector<std::size_t> at(n, 0);
      while (!empty) {
        Match m;
        for (std::size_t i = 0; i < n; ++i) {
          m.rows.push_back(&(*data[i])[at[i]]);
        }
        accept(std::move(m));
        std::size_t i = n;
        while (i > 0) {
          --i;
          if (++at[i] < data[i]->size()) {
            break;
          }
          at[i] = 0;
          if (i == 0) {
            empty = true;
          }
        }
      }
    }

    std::vector<const Expr*> hidden;
    for (const OrderItem& item : order) {
      if (item.position == 0) {
        hidden.push_back(item.expr.get());
      }
    }
    ResultSet result;
    auto project = [&](const RowContext& ctx) {
      Row row;
      for (const SelectItem& item : b.items) {
        row.push_back(Eval(*item.expr, ctx));
      }
      for (const Expr* key : hidden) {
        row.push_back(Eval(*key, ctx));
      }
      result.rows.push_back(std::move(row));
    };
    if (b.aggregated) {
      auto less = [](const std::vector<Value>& x, const std::vector<Value>& y) {
        return CompareRows(x, y, x.size()) < 0;
      };
      std::map<std::vector<Value>, std::vector<std::size_t>, decltype(less)> groups(less);
      for (std::size_t i = 0; i < matches.size(); ++i) {
        std::vector<const Row*> prior{matches[i].parent};
        RowContext ctx;
        ctx.outer = outer;
        ctx.rows = &matches[i].rows;
        ctx.prior = &prior;
        ctx.level = matches[i].level;
        std::vector<Value> key;
        for (const ExprPtr& g : b.groupBy) {
          key.push_back(Eval(*g, ctx));
        }
        groups[std::move(key)].push_back(i);
      }
      if (b.groupBy.empty() && groups.empty()) {
        groups[{}];
      }
      const std::vector<const Row*> noRows(b.sources.size(), nullptr);
      long rownum = 0;
      for (const auto& [key, members] : groups) {
        const std::vector<Value> aggregates = Aggregates(b, matches, members, outer);
        const Match* first = members.empty() ? nullptr : &matches[members[0]];
        std::vector<const Row*> prior{first != nullptr ? first->parent : nullptr};
        RowContext ctx;
        ctx.outer = outer;
        ctx.rows = first != nullptr ? &first->rows : &noRows;
        ctx.prior = &prior;
        ctx.level = first != nullptr ? first->level : 0;
        ctx.rownum = ++rownum;
        ctx.aggregates = &aggregates;
        if (b.having && Test(*b.having, ctx) != Tri::True) {
          continue;
        }
        project(ctx);
      }
    } else {
      long rownum = 0;
      for (const Match& m : matches) {
        std::vector<const Row*> prior{m.parent};
        RowContext ctx;
        ctx.outer = outer;
        ctx.rows = &m.rows;
        ctx.prior = &prior;
        ctx.level = m.level;
        ctx.rownum = ++rownum;
        project(ctx);
      }
    }
    if (b.distinct) {
      SortUnique(result.rows);
    }
    SortByOrder(result.rows, order, b.items.size());
    for (Row& row : result.rows) {
      row.resize(b.items.size());
    }
    return result;
  }

  Catalog& catalog_;
  const SessionUser& user_;
  DateValue now_;
  std::map<const Expr*, ResultSet> cache_;
};

// Converts a value for a column, as an INSERT or UPDATE stores it.
Value StoreValue(const Column& column, const Value& value) {
  Value stored = ConvertTo(value, column.type.type);
  if (column.type.type == SqlType::Char && !column.type.isLong &&
      stored.text().size() > static_cast<std::size_t>(column.type.length)) {
    Fail(ora::kValueTooLarge);
  }
  if (stored.IsNull() && column.notNull) {
    Fail(ora::kNullIntoNotNull);
  }
  return stored;
}

void CheckUnique(const Catalog& catalog, const Table& table) {
  for (const Index* index : catalog.IndexesOn(table)) {
    if (!index->unique) {
      continue;
    }
    std::vector<std::size_t> columns;
    for (const std::string& name : index->columns) {
      columns.push_back(static_cast<std::size_t>(table.ColumnIndex(name)));
    }
    std::vector<Row> keys;
    for (const Row& row : table.rows) {
      Row key;
      bool allNull = true;
      for (std::size_t c : columns) {
        key.push_back(row[c]);
        allNull = allNull && row[c].IsNull();
      }
      if (!allNull) {
        keys.push_back(std::move(key));
      }
    }
    const std::size_t before = keys.size();
    SortUnique(keys);
    if (keys.size() != before) {
      Fail(ora::kUniqueViolated);
    }
  }
}

// Changes a table's rows; if the change breaks a unique index the rows are
// put back as they were and the error raised.
template <typename Change>
void ChangeRows(const Catalog& catalog, Table& table, Change change) {
  std::vector<Row> saved = table.rows;
  try {
    change(table.rows);
    CheckUnique(catalog, table);
  } catch (...) {
    table.rows = std::move(saved);
    throw;
  }
}

constexpr const char* kPlanColumns[] = {
    "STATEMENT_ID", "TIMESTAMP",      "REMARKS",     "OPERATION",       "OPTIONS",
    "OBJECT_NODE",  "OBJECT_OWNER",   "OBJECT_NAME", "OBJECT_INSTANCE", "OBJECT_TYPE",
    "OPTIMIZER",    "SEARCH_COLUMNS", "ID",          "PARENT_ID",       "POSITION",
    "COST",         "CARDINALITY",    "BYTES",       "OTHER_TAG",       "OTHER",
};

Value OptionalNumber(const std::optional<long>& n) {
  return n ? Value::Number(static_cast<double>(*n)) : Value();
}

}  // namespace

std::size_t Engine::Describe(Statement& statement) {
  if (auto* select = std::get_if<SelectStmt>(&statement.body)) {
    BindStatement(statement, catalog_, user_);
    return select->query->labels.size();
  }
  if (std::holds_alternative<InsertStmt>(statement.body) ||
      std::holds_alternative<UpdateStmt>(statement.body) ||
      std::holds_alternative<DeleteStmt>(statement.body)) {
    BindStatement(statement, catalog_, user_);
  }
  return 0;
}

Outcome Engine::Execute(Statement& statement) {
  Outcome outcome;
  Executor executor(catalog_, user_);
  const std::string& me = user_.name;
  auto ownerOf = [&](const TableRef& ref) { return ref.owner.empty() ? me : ref.owner; };

  if (auto* select = std::get_if<SelectStmt>(&statement.body)) {
    BindStatement(statement, catalog_, user_);
    outcome.isQuery = true;
    outcome.result = executor.RunQuery(*select->query, nullptr);
    return outcome;
  }
  if (auto* create = std::get_if<CreateTableStmt>(&statement.body)) {
    const std::string owner = ownerOf(create->table);
    if (catalog_.FindUser(owner) == nullptr) {
      Fail(ora::kUserNotFound, create->table.offset);
    }
    if (catalog_.NameInUse(owner, create->table.name)) {
      Fail(ora::kNameInUse, create->table.offset);
    }
    Table table;
    table.owner = owner;
    table.name = create->table.name;
    std::vector<std::vector<std::string>> keys;
    std::vector<bool> keyUnique;
    int longs = 0;
    int primaryKeys = create->primaryKey.empty() ? 0 : 1;
    for (const ColumnDefinition& def : create->columns) {
      if (table.ColumnIndex(def.name) >= 0) {
        Fail(ora::kDuplicateColumn, def.offset);
      }
      longs += def.type.isLong ? 1 : 0;
      if (longs > 1) {
        Fail(1754, def.offset);
      }
      table.columns.push_back({def.name, def.type, def.notNull});
      if (def.primaryKey || def.unique) {
        keys.push_back({def.name});
        keyUnique.push_back(true);
        primaryKeys += def.primaryKey ? 1 : 0;
      }
    }
    if (primaryKeys > 1) {
      Fail(2260, create->table.offset);
    }
    if (!create->primaryKey.empty()) {
      for (const std::string& column : create->primaryKey) {
        const int at = table.ColumnIndex(column);
        if (at < 0) {
          Fail(ora::kInvalidColumn, create->table.offset);
        }
        table.columns[static_cast<std::size_t>(at)].notNull = true;
      }
      keys.push_back(create->primaryKey);
    }
    catalog_.AddTable(std::move(table));
    for (std::vector<std::string>& key : keys) {
      Index index;
      index.owner = owner;
      index.name = catalog_.NextConstraintName();
      index.tableOwner = owner;
      index.tableName = create->table.name;
      index.columns = std::move(key);
      index.unique = true;
      catalog_.AddIndex(std::move(index));
    }
    return outcome;
  }
  if (auto* create = std::get_if<CreateIndexStmt>(&statement.body)) {
    const std::string owner = ownerOf(create->index);
    Table* table = catalog_.FindTable(ownerOf(create->table), create->table.name);
    if (table == nullptr) {
      Fail(ora::kTableNotFound, create->table.offset);
    }
    if (catalog_.FindUser(owner) == nullptr) {
      Fail(ora::kUserNotFound, create->index.offset);
    }
    if (catalog_.NameInUse(owner, create->index.name)) {
      Fail(ora::kNameInUse, create->index.offset);
    }
    for (std::size_t i = 0; i < create->columns.size(); ++i) {
      if (table->ColumnIndex(create->columns[i]) < 0) {
        Fail(ora::kInvalidColumn, create->columnOffsets[i]);
      }
      if (std::count(create->columns.begin(), create->columns.end(), create->columns[i]) > 1) {
        Fail(ora::kDuplicateColumn, create->columnOffsets[i]);
      }
    }
    for (const Index* existing : catalog_.IndexesOn(*table)) {
      if (existing->columns == create->columns) {
        Fail(ora::kAlreadyIndexed, create->table.offset);
      }
    }
    Index index;
    index.owner = owner;
    index.name = create->index.name;
    index.tableOwner = table->owner;
    index.tableName = table->name;
    index.columns = create->columns;
    index.unique = create->unique;
    catalog_.AddIndex(index);
    try {
      CheckUnique(catalog_, *table);
    } catch (const SqlError&) {
      catalog_.DropIndex(owner, create->index.name);
      Fail(ora::kDuplicateKeys);
    }
    return outcome;
  }
  if (auto* drop = std::get_if<DropStmt>(&statement.body)) {
    const std::string owner = ownerOf(drop->object);
    if (drop->index) {
      if (catalog_.FindIndex(owner, drop->object.name) == nullptr) {
        Fail(ora::kIndexNotFound, drop->object.offset);
      }
      catalog_.DropIndex(owner, drop->object.name);
    } else {
      if (catalog_.FindTable(owner, drop->object.name) == nullptr) {
        Fail(ora::kTableNotFound, drop->object.offset);
      }
      catalog_.DropTable(owner, drop->object.name);
    }
    return outcome;
  }
  if (auto* insert = std::get_if<InsertStmt>(&statement.body)) {
    BindStatement(statement, catalog_, user_);
    Table& table = *insert->target.table;
    std::vector<Row> values;
    if (insert->query) {
      values = executor.RunQuery(*insert->query, nullptr).rows;
    } else {
      Row row;
      RowContext none;
      for (const ExprPtr& e : insert->values) {
        row.push_back(executor.Eval(*e, none));
      }
      values.push_back(std::move(row));
    }
    std::vector<Row> rows;
    for (const Row& given : values) {
      Row row(table.columns.size());
      for (std::size_t k = 0; k < given.size(); ++k) {
        const auto column = static_cast<std::size_t>(insert->targetColumns[k]);
        row[column] = given[k];
      }
      for (std::size_t c = 0; c < row.size(); ++c) {
        row[c] = StoreValue(table.columns[c], row[c]);
      }
      rows.push_back(std::move(row));
    }
    ChangeRows(catalog_, table, [&](std::vector<Row>& stored) {
      stored.insert(stored.end(), rows.begin(), rows.end());
    });
    outcome.rowsProcessed = static_cast<long>(rows.size());
    return outcome;
  }
  if (auto* update = std::get_if<UpdateStmt>(&statement.body)) {
    BindStatement(statement, catalog_, user_);
    Table& table = *update->block.sources[0].table;
    std::vector<std::pair<std::size_t, Row>> changes;
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
      std::vector<const Row*> current{&table.rows[i]};
      RowContext ctx;
      ctx.rows = &current;
      if (update->block.where && executor.Test(*update->block.where, ctx) != Tri::True) {
        continue;
      }
      Row row = table.rows[i];
      for (std::size_t k = 0; k < update->values.size(); ++k) {
        const auto column = static_cast<std::size_t>(update->targetColumns[k]);
        row[column] = StoreValue(table.columns[column], executor.Eval(*update->values[k], ctx));
      }
      changes.emplace_back(i, std::move(row));
    }
    ChangeRows(catalog_, table, [&](std::vector<Row>& stored) {
      for (auto& [at, row] : changes) {
        stored[at] = std::move(row);
      }
    });
    outcome.rowsProcessed = static_cast<long>(changes.size());
    return outcome;
  }
  if (auto* del = std::get_if<DeleteStmt>(&statement.body)) {
    BindStatement(statement, catalog_, user_);
    Table& table = *del->block.sources[0].table;
    std::vector<bool> doomed(table.rows.size(), false);
    long count = 0;
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
      std::vector<const Row*> current{&table.rows[i]};
      RowContext ctx;
      ctx.rows = &current;
      if (!del->block.where || executor.Test(*del->block.where, ctx) == Tri::True) {
        doomed[i] = true;
        ++count;
      }
    }
    std::vector<Row> kept;
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
      if (!doomed[i]) {
        kept.push_back(std::move(table.rows[i]));
      }
    }
    table.rows = std::move(kept);
    outcome.rowsProcessed = count;
    return outcome;
  }
  if (auto* explain = std::get_if<ExplainStmt>(&statement.body)) {
    TableRef into = explain->into;
    if (into.name.empty()) {
      into.name = "PLAN_TABLE";
    }
    Table* plan = catalog_.FindTable(ownerOf(into), into.name);
    if (plan == nullptr) {
      Fail(ora::kTableNotFound, into.offset);
    }
    for (const char* column : kPlanColumns) {
      if (plan->ColumnIndex(column) < 0) {
        Fail(ora::kInvalidColumn);
      }
    }
    std::vector<PlanStep> steps;
    if (planOverride_ != nullptr && planOverride_->has_value()) {
      steps = std::move(**planOverride_);
      planOverride_->reset();
    } else {
      BindStatement(*explain->inner, catalog_, user_);
      steps = PlanStatement(catalog_, *explain->inner);
    }
    std::vector<Row> rows;
    for (const PlanStep& step : steps) {
      Row row(plan->columns.size());
      auto set = [&](const char* column, Value v) {
        const auto at = static_cast<std::size_t>(plan->ColumnIndex(column));
        row[at] = std::move(v);
      };
      set("STATEMENT_ID", explain->statementId ? Value::Text(*explain->statementId) : Value());
      set("TIMESTAMP", Value::Date(executor.now()));
      set("OPERATION", Value::Text(step.operation));
      set("OPTIONS", Value::Text(step.options));
      set("OBJECT_OWNER", Value::Text(step.objectOwner));
      set("OBJECT_NAME", Value::Text(step.objectName));
      set("OBJECT_INSTANCE", OptionalNumber(step.objectInstance));
      set("OBJECT_TYPE", Value::Text(step.objectType));
      set("OPTIMIZER", Value::Text(step.optimizer));
      set("SEARCH_COLUMNS", OptionalNumber(step.searchColumns));
      set("ID", Value::Number(step.id));
      set("PARENT_ID", OptionalNumber(step.parentId));
      set("POSITION", OptionalNumber(step.position));
      set("COST", OptionalNumber(step.cost));
      set("CARDINALITY", OptionalNumber(step.cardinality));
      set("BYTES", OptionalNumber(step.bytes));
      for (std::size_t c = 0; c < row.size(); ++c) {
        row[c] = StoreValue(plan->columns[c], row[c]);
      }
      rows.push_back(std::move(row));
    }
    ChangeRows(catalog_, *plan, [&](std::vector<Row>& stored) {
      stored.insert(stored.end(), rows.begin(), rows.end());
    });
    return outcome;
  }
  return outcome;  // COMMIT and ROLLBACK: nothing to do
}

}  // namespace kestrin::sim
