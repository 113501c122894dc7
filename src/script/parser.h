#pragma once
// Builds the syntax tree from tokens. Stops at the first syntax error, which it reports
// with the position of the offending token.
#include <memory>
#include <string>
#include <vector>

#include "script/ast.h"
#include "script/lexer.h"

namespace kelmo::script {

struct SyntaxError {
  int row = 0, col = 0;
  std::string text;
};

// A whole script: optional program header, declarations, main block, final "end.".
// Returns null after a syntax error (described in `error`).
std::unique_ptr<ProgramSyntax> parseProgram(const std::vector<Token>& tokens, SyntaxError& error);

// A routine heading as plug-ins declare them: "Function f( var x : WORD) : boolean",
// optionally ending with ';'. Returns null after a syntax error.
std::unique_ptr<RoutineDecl> parseHeading(const std::vector<Token>& tokens, SyntaxError& error);

// Type, constant and variable sections as plug-ins declare them:
// "type TMsgDlgType = (mtWarning, mtError); const mrOk = 1;". Null after a syntax error.
std::unique_ptr<Block> parseDeclarationsText(const std::vector<Token>& tokens, SyntaxError& error);

// A property as a plug-in declares it: "property Strings[Index: Integer]: string; default;".
// Returned as a function heading: the index parameters and the property's type as result.
std::unique_ptr<RoutineDecl> parsePropertyText(const std::vector<Token>& tokens, bool& isDefault, SyntaxError& error);

// A type text as plug-ins name them: "integer", "array[0..7] of double".
std::unique_ptr<TypeSpec> parseTypeText(const std::vector<Token>& tokens, SyntaxError& error);

}  // namespace kelmo::script
