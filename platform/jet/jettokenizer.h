// The tokenizer of the engine's query language, shared by statements,
// criteria and sort texts. It knows the dialect's lexical forms: [bracketed
// names] (spaces allowed, "]" cannot be escaped), "double" and 'single'
// quoted text with doubled quotes inside, #date# literals (month first, as
// the engine writes them), numbers with "." as decimal separator, and the
// operators. Keywords are left as names: the parser decides what a word is.
#pragma once

#include <QString>
#include <vector>

namespace jet::detail {

enum class TokenKind { End, Name, Bracket, String, Number, Date, Op };

struct Token {
  TokenKind kind = TokenKind::End;
  QString text;           // names without brackets, text without quotes, the operator
  double value = 0;       // Number and Date (a day count)
  bool integer = false;   // Number without "." or exponent
  bool has_time = false;  // Date with a time part
  int pos = 0;            // offset in the source text
};

// Splits `source` into tokens ending with an End token. Throws EJetError
// with `error_number` and a message naming the offending text.
std::vector<Token> Tokenize(const QString &source, int error_number);

// Reads the inside of a #...# literal: m/d/y[ time] (or d/m/y when the first
// number cannot be a month), y-m-d, or a time alone. False when it is none.
bool ParseDateLiteral(const QString &text, double &day_count, bool &has_time);

// The piece of `source` from `pos`, cut short for messages.
QString Excerpt(const QString &source, int pos);
// Where a parse stopped, for messages: "'WHERE Tipo =' at the end",
// "'SELECT * FROM' at 'WHERE ...'".
QString Located(const QString &source, int pos);

}  // namespace jet::detail
