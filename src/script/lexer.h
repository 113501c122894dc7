#pragma once
// Splits script text into tokens, each with the row and column where it starts.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelmo::script {

enum class Tok {
  End, Identifier, Integer, Real, String,
  // keywords
  And, Array, Begin, Case, Const, Constructor, Div, Do, Downto, Else, End_, Except, Finally,
  For, Forward, Function, If, In, Is, As, Mod, Nil, Not, Of, Or, Out, Procedure, Program, Raise, Record, Set,
  Repeat, Shl, Shr, Then, To, Try, Type, Until, Uses, Var, While, With, Xor,
  // symbols
  Plus, Minus, Star, Slash, Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual, Assign,
  LParen, RParen, LBracket, RBracket, Comma, Semicolon, Colon, Dot, DotDot, Caret, At,
};

struct Token {
  Tok kind = Tok::End;
  int row = 1, col = 1;
  std::string text;        // identifiers as written; string literals decoded
  std::int64_t intValue = 0;
  double realValue = 0;
};

struct LexError {
  int row = 0, col = 0;
  std::string text;
};

// Tokenises the whole text; the last token is End. Errors (an unterminated string or
// comment, a stray character) are collected and the bad part skipped.
std::vector<Token> tokenize(std::string_view text, std::vector<LexError>& errors);

// How a message names a token: 'begin', 'x', end of file.
std::string describe(const Token& t);
std::string spelling(Tok kind);

}  // namespace kelmo::script
