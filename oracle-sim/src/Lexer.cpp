#include "Lexer.h"

#include "Errors.h"

namespace kestrin::sim {

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsWordStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80;
}
bool IsWordPart(char c) {
  return IsWordStart(c) || IsDigit(c) || c == '_' || c == '$' || c == '#';
}

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::vector<Token> Tokenize(std::string_view sql) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  const std::size_t n = sql.size();
  while (true) {
    while (i < n && IsSpace(sql[i])) {
      ++i;
    }
    if (i >= n) {
      break;
    }
    const std::size_t start = i;
    const char c = sql[i];
    if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      const std::size_t close = sql.find("*/", i + 2);
      if (close == std::string_view::npos) {
        Fail(ora::kCommentNotEnded, start);
      }
      i = close + 2;
      continue;
    }
    if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      while (i < n && sql[i] != '\n') {
        ++i;
      }
      continue;
    }
    Token token;
    token.offset = start;
    if (IsWordStart(c)) {
      token.kind = TokenKind::Word;
      while (i < n && IsWordPart(sql[i])) {
        token.text += Upper(sql[i]);
        ++i;
      }
    } else if (c == '"') {
      const std::size_t close = sql.find('"', i + 1);
      if (close == std::string_view::npos || close == i + 1) {
        Fail(close == std::string_view::npos ? ora::kQuoteNotEnded : 1741, start);
      }
      token.kind = TokenKind::QuotedWord;
      token.text = std::string(sql.substr(i + 1, close - i - 1));
      i = close + 1;
    } else if (c == '\'') {
      token.kind = TokenKind::String;
      ++i;
      while (true) {
        if (i >= n) {
          Fail(ora::kQuoteNotEnded, start);
        }
        if (sql[i] == '\'') {
          if (i + 1 < n && sql[i + 1] == '\'') {
            token.text += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        token.text += sql[i];
        ++i;
      }
    } else if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(sql[i + 1]))) {
      token.kind = TokenKind::Number;
      while (i < n && IsDigit(sql[i])) {
        ++i;
      }
      if (i < n && sql[i] == '.' && !(i + 1 < n && sql[i + 1] == '.')) {
        ++i;
        while (i < n && IsDigit(sql[i])) {
          ++i;
        }
      }
      if (i < n && (sql[i] == 'e' || sql[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < n && (sql[j] == '+' || sql[j] == '-')) {
          ++j;
        }
        if (j < n && IsDigit(sql[j])) {
          i = j;
          while (i < n && IsDigit(sql[i])) {
            ++i;
          }
        }
      }
      token.text = std::string(sql.substr(start, i - start));
    } else {
      token.kind = TokenKind::Symbol;
      const char next = i + 1 < n ? sql[i + 1] : '\0';
      if ((c == '|' && next == '|') || (c == '<' && (next == '>' || next == '=')) ||
          (c == '>' && next == '=') || ((c == '!' || c == '^') && next == '=')) {
        token.text = std::string(sql.substr(i, 2));
        i += 2;
      } else if (c == '(' || c == ')' || c == ',' || c == '.' || c == '+' || c == '-' || c == '*' ||
                 c == '/' || c == '=' || c == '<' || c == '>') {
        token.text = std::string(1, c);
        ++i;
      } else {
        Fail(ora::kInvalidCharacter, start);
      }
    }
    tokens.push_back(std::move(token));
  }
  Token end;
  end.offset = n;
  tokens.push_back(end);
  return tokens;
}

}  // namespace kestrin::sim
