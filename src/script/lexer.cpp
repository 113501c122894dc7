#include "script/lexer.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "script/program.h"

namespace kelmo::script {

namespace {

const std::unordered_map<std::string, Tok>& keywords() {
  static const std::unordered_map<std::string, Tok> table = {
      {"and", Tok::And}, {"array", Tok::Array}, {"begin", Tok::Begin}, {"case", Tok::Case},
      {"const", Tok::Const}, {"constructor", Tok::Constructor}, {"div", Tok::Div},
      {"do", Tok::Do}, {"downto", Tok::Downto}, {"else", Tok::Else}, {"end", Tok::End_},
      {"except", Tok::Except}, {"finally", Tok::Finally}, {"for", Tok::For},
      {"forward", Tok::Forward}, {"function", Tok::Function}, {"if", Tok::If}, {"in", Tok::In},
      {"is", Tok::Is}, {"as", Tok::As}, {"mod", Tok::Mod}, {"nil", Tok::Nil}, {"not", Tok::Not},
      {"of", Tok::Of}, {"or", Tok::Or}, {"out", Tok::Out}, {"procedure", Tok::Procedure},
      {"program", Tok::Program}, {"raise", Tok::Raise}, {"record", Tok::Record}, {"set", Tok::Set}, {"repeat", Tok::Repeat},
      {"shl", Tok::Shl}, {"shr", Tok::Shr}, {"then", Tok::Then}, {"to", Tok::To},
      {"try", Tok::Try}, {"type", Tok::Type}, {"until", Tok::Until}, {"uses", Tok::Uses},
      {"var", Tok::Var}, {"while", Tok::While}, {"with", Tok::With}, {"xor", Tok::Xor},
  };
  return table;
}

bool isIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

class Lexer {
 public:
  Lexer(std::string_view text, std::vector<LexError>& errors) : s_(text), errors_(errors) {}

  std::vector<Token> run() {
    std::vector<Token> out;
    for (;;) {
      skipSpaceAndComments();
      Token t;
      t.row = row_;
      t.col = col_;
      if (pos_ >= s_.size()) {
        t.kind = Tok::End;
        out.push_back(std::move(t));
        return out;
      }
      if (scan(t)) out.push_back(std::move(t));
    }
  }

 private:
  char peek(std::size_t ahead = 0) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : '\0'; }

  void advance() {
    if (s_[pos_] == '\n') {
      ++row_;
      col_ = 1;
    } else {
      ++col_;
    }
    ++pos_;
  }

  void error(int row, int col, std::string text) { errors_.push_back({row, col, std::move(text)}); }

  void skipSpaceAndComments() {
    while (pos_ < s_.size()) {
      char c = s_[pos_];
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
        advance();
      } else if (c == '/' && peek(1) == '/') {
        while (pos_ < s_.size() && s_[pos_] != '\n') advance();
      } else if (c == '{') {
        int row = row_, col = col_;
        while (pos_ < s_.size() && s_[pos_] != '}') advance();
        if (pos_ >= s_.size()) return error(row, col, "Unterminated comment");
        advance();
      } else if (c == '(' && peek(1) == '*') {
        int row = row_, col = col_;
        advance();
        advance();
        while (pos_ < s_.size() && !(s_[pos_] == '*' && peek(1) == ')')) advance();
        if (pos_ >= s_.size()) return error(row, col, "Unterminated comment");
        advance();
        advance();
      } else {
        return;
      }
    }
  }

  bool scan(Token& t) {
    char c = s_[pos_];
    if (isIdentStart(c)) {
      std::size_t start = pos_;
      while (pos_ < s_.size() && isIdentChar(s_[pos_])) advance();
      t.text = std::string(s_.substr(start, pos_ - start));
      auto it = keywords().find(lowerName(t.text));
      t.kind = it == keywords().end() ? Tok::Identifier : it->second;
      return true;
    }
    if (isDigit(c)) return number(t);
    if (c == '$') return hexNumber(t);
    if (c == '\'' || c == '#') return stringLiteral(t);
    advance();
    char n = peek();
    auto two = [&](Tok k) {
      advance();
      t.kind = k;
      return true;
    };
    switch (c) {
      case '+': t.kind = Tok::Plus; return true;
      case '-': t.kind = Tok::Minus; return true;
      case '*': t.kind = Tok::Star; return true;
      case '/': t.kind = Tok::Slash; return true;
      case '=': t.kind = Tok::Equal; return true;
      case '<':
        if (n == '>') return two(Tok::NotEqual);
        if (n == '=') return two(Tok::LessEqual);
        t.kind = Tok::Less;
        return true;
      case '>':
        if (n == '=') return two(Tok::GreaterEqual);
        t.kind = Tok::Greater;
        return true;
      case ':':
        if (n == '=') return two(Tok::Assign);
        t.kind = Tok::Colon;
        return true;
      case '(': t.kind = Tok::LParen; return true;
      case ')': t.kind = Tok::RParen; return true;
      case '[': t.kind = Tok::LBracket; return true;
      case ']': t.kind = Tok::RBracket; return true;
      case ',': t.kind = Tok::Comma; return true;
      case ';': t.kind = Tok::Semicolon; return true;
      case '.':
        if (n == '.') return two(Tok::DotDot);
        t.kind = Tok::Dot;
        return true;
      case '^': t.kind = Tok::Caret; return true;
      case '@': t.kind = Tok::At; return true;
      default: break;
    }
    std::string shown = std::isprint(static_cast<unsigned char>(c))
                            ? std::string(1, c)
                            : "#" + std::to_string(static_cast<unsigned char>(c));
    error(t.row, t.col, "Illegal character '" + shown + "'");
    return false;
  }

  bool number(Token& t) {
    std::size_t start = pos_;
    while (isDigit(peek())) advance();
    bool real = false;
    // "1..5" is a range, not the real 1.
    if (peek() == '.' && isDigit(peek(1))) {
      real = true;
      advance();
      while (isDigit(peek())) advance();
    }
    if ((peek() == 'e' || peek() == 'E') &&
        (isDigit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && isDigit(peek(2))))) {
      real = true;
      advance();
      if (peek() == '+' || peek() == '-') advance();
      while (isDigit(peek())) advance();
    }
    std::string digits(s_.substr(start, pos_ - start));
    t.text = digits;
    if (real) {
      t.kind = Tok::Real;
      t.realValue = std::strtod(digits.c_str(), nullptr);
      return true;
    }
    t.kind = Tok::Integer;
    errno = 0;
    unsigned long long v = std::strtoull(digits.c_str(), nullptr, 10);
    if (errno == ERANGE || v > static_cast<unsigned long long>(INT64_MAX)) {
      error(t.row, t.col, "Integer constant too large");
      v = 0;
    }
    t.intValue = static_cast<std::int64_t>(v);
    return true;
  }

  bool hexNumber(Token& t) {
    advance();
    std::size_t start = pos_;
    while (std::isxdigit(static_cast<unsigned char>(peek()))) advance();
    std::string digits(s_.substr(start, pos_ - start));
    t.text = "$" + digits;
    t.kind = Tok::Integer;
    if (digits.empty()) {
      error(t.row, t.col, "Hexadecimal digits expected after '$'");
      return true;
    }
    if (digits.size() > 16) {
      error(t.row, t.col, "Integer constant too large");
      return true;
    }
    t.intValue = static_cast<std::int64_t>(std::strtoull(digits.c_str(), nullptr, 16));
    return true;
  }

  // 'it''s' #13#10 'next': quoted parts and character codes joined into one literal.
  bool stringLiteral(Token& t) {
    t.kind = Tok::String;
    for (;;) {
      if (peek() == '\'') {
        int row = row_, col = col_;
        advance();
        for (;;) {
          if (pos_ >= s_.size() || peek() == '\n' || peek() == '\r') {
            error(row, col, "Unterminated string");
            return true;
          }
          char c = peek();
          advance();
          if (c == '\'') {
            if (peek() == '\'') {
              t.text += '\'';
              advance();
              continue;
            }
            break;
          }
          t.text += c;
        }
      } else if (peek() == '#') {
        int row = row_, col = col_;
        advance();
        long long code = 0;
        if (peek() == '$') {
          advance();
          if (!std::isxdigit(static_cast<unsigned char>(peek()))) {
            error(row, col, "Character code expected after '#'");
            return true;
          }
          while (std::isxdigit(static_cast<unsigned char>(peek()))) {
            code = code * 16 + std::stoi(std::string(1, peek()), nullptr, 16);
            if (code > 255) code = 256;
            advance();
          }
        } else {
          if (!isDigit(peek())) {
            error(row, col, "Character code expected after '#'");
            return true;
          }
          while (isDigit(peek())) {
            code = code * 10 + (peek() - '0');
            if (code > 255) code = 256;
            advance();
          }
        }
        if (code > 255) error(row, col, "Character code out of range");
        t.text += static_cast<char>(code & 0xFF);
      } else {
        return true;
      }
    }
  }

  std::string_view s_;
  std::vector<LexError>& errors_;
  std::size_t pos_ = 0;
  int row_ = 1, col_ = 1;
};

}  // namespace

std::vector<Token> tokenize(std::string_view text, std::vector<LexError>& errors) {
  return Lexer(text, errors).run();
}

std::string spelling(Tok kind) {
  switch (kind) {
    case Tok::End: return "end of file";
    case Tok::Identifier: return "identifier";
    case Tok::Integer: return "integer constant";
    case Tok::Real: return "real constant";
    case Tok::String: return "string constant";
    case Tok::Plus: return "'+'";
    case Tok::Minus: return "'-'";
    case Tok::Star: return "'*'";
    case Tok::Slash: return "'/'";
    case Tok::Equal: return "'='";
    case Tok::NotEqual: return "'<>'";
    case Tok::Less: return "'<'";
    case Tok::LessEqual: return "'<='";
    case Tok::Greater: return "'>'";
    case Tok::GreaterEqual: return "'>='";
    case Tok::Assign: return "':='";
    case Tok::LParen: return "'('";
    case Tok::RParen: return "')'";
    case Tok::LBracket: return "'['";
    case Tok::RBracket: return "']'";
    case Tok::Comma: return "','";
    case Tok::Semicolon: return "';'";
    case Tok::Colon: return "':'";
    case Tok::Dot: return "'.'";
    case Tok::DotDot: return "'..'";
    case Tok::Caret: return "'^'";
    case Tok::At: return "'@'";
    default: break;
  }
  for (const auto& [word, k] : keywords())
    if (k == kind) return "'" + word + "'";
  return "token";
}

std::string describe(const Token& t) {
  switch (t.kind) {
    case Tok::Identifier: return "identifier '" + t.text + "'";
    case Tok::Integer:
    case Tok::Real: return "'" + t.text + "'";
    case Tok::String: return "string constant";
    case Tok::End: return "end of file";
    default:
      if (!t.text.empty()) return "'" + lowerName(t.text) + "'";
      return spelling(t.kind);
  }
}

}  // namespace kelmo::script
