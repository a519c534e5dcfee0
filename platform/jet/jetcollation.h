// Text order and Like matching of the engine. Texts compare with the case
// ignored and accented letters next to their base letter: first by the base
// letters ("e" = "é" = "E"), then, only when those tie, by the accents
// ("e" before "é"). Punctuation sorts before digits, digits before letters.
// The same weights decide Like's character tests, so "[a-z]" takes "è".
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace jet::detail {

struct CharWeight {
  std::uint32_t primary = 0;    // base letter, case folded
  std::uint32_t secondary = 0;  // accent; 0 for none
};
CharWeight WeightOf(char32_t c);

// Compares two UTF-8 texts (the form SQLite hands to a collation).
int CompareUtf8(const char *a, int na, const char *b, int nb);
int CompareQString(const QString &a, const QString &b);

// A compiled Like pattern. Compile throws EJetError 3075 for a malformed
// pattern ("[" never closed, an empty "[]").
class LikePattern {
 public:
  explicit LikePattern(const QString &pattern);
  bool Matches(const QString &text) const;

 private:
  struct Element {
    enum Kind { Literal, Any, Digit, Set, Star } kind = Literal;
    CharWeight ch;
    bool negated = false;
    std::vector<std::pair<CharWeight, CharWeight>> ranges;  // Set: [lo, hi]
  };
  bool MatchOne(const Element &e, char32_t c) const;
  std::vector<Element> elements_;
};

}  // namespace jet::detail
