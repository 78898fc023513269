// Splits a SQL statement into tokens: identifiers (folded to upper case
// unless quoted), string and number literals and operators. Comments and
// white space fall away.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestrin::sim {

enum class TokenKind : unsigned char {
  Word,        // an identifier or keyword, upper-cased
  QuotedWord,  // a "quoted" identifier, exactly as written
  String,      // a 'literal' with its '' pairs undone
  Number,      // a numeric literal as written
  Symbol,      // an operator or punctuation: ( ) , . || + - * / = <> != ^= < > <= >=
  End,
};

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;
  std::size_t offset = 0;
};

// Raises ORA-01756 for an open quote, ORA-01742 for an open comment and
// ORA-00911 for a character that starts no token.
std::vector<Token> Tokenize(std::string_view sql);

}  // namespace kestrin::sim
