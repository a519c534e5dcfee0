// Text order and Like matching of the engine; see jetcollation.h.
#include "platform/jet/jetcollation.h"

#include <algorithm>
#include <array>

#include "platform/jet/jeterror.h"
#include "platform/jet/jetsql.h"

namespace jet::detail {

namespace {

// Weight classes keep punctuation < digits < letters whatever their codes.
constexpr std::uint32_t kDigitBase = 0x100000;
constexpr std::uint32_t kLetterBase = 0x200000;

CharWeight ComputeWeight(char32_t c) {
  CharWeight w;
  char32_t base = c;
  if (c >= 0x80 && QChar::decompositionTag(c) == QChar::Canonical) {
    const QString d = QChar::decomposition(c);
    if (!d.isEmpty()) {
      const char32_t first = d.at(0).unicode();
      if (first < 0x250) {
        base = first;
        // The accent: the first combining mark after the base letter.
        w.secondary = d.size() > 1 ? d.at(1).unicode() : 1;
      }
    }
  }
  base = QChar::toCaseFolded(base);
  if (QChar::isLetter(base))
    w.primary = kLetterBase + base;
  else if (QChar::isDigit(base))
    w.primary = kDigitBase + base;
  else
    w.primary = base;
  return w;
}

const std::array<CharWeight, 0x250> &Table() {
  static const std::array<CharWeight, 0x250> table = [] {
    std::array<CharWeight, 0x250> t{};
    for (char32_t c = 0; c < 0x250; ++c) t[c] = ComputeWeight(c);
    return t;
  }();
  return table;
}

// Next code point of a UTF-8 text; malformed bytes stand for themselves so
// that any byte string still has a total order.
char32_t NextUtf8(const unsigned char *s, int n, int &i) {
  const unsigned char c = s[i];
  if (c < 0x80) {
    ++i;
    return c;
  }
  int len = 0;
  char32_t cp = 0;
  if ((c & 0xE0) == 0xC0) {
    len = 2;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4;
    cp = c & 0x07;
  } else {
    ++i;
    return 0xDC00 + c;
  }
  if (i + len > n) {
    ++i;
    return 0xDC00 + c;
  }
  for (int k = 1; k < len; ++k) {
    const unsigned char cc = s[i + k];
    if ((cc & 0xC0) != 0x80) {
      ++i;
      return 0xDC00 + c;
    }
    cp = (cp << 6) | (cc & 0x3F);
  }
  i += len;
  return cp;
}

template <class NextA, class NextB>
int CompareSequences(NextA next_a, NextB next_b) {
  int secondary = 0;
  while (true) {
    char32_t ca = 0, cb = 0;
    const bool has_a = next_a(ca);
    const bool has_b = next_b(cb);
    if (!has_a || !has_b) {
      if (has_a) return 1;
      if (has_b) return -1;
      return secondary;
    }
    if (ca == cb) continue;
    const CharWeight wa = WeightOf(ca);
    const CharWeight wb = WeightOf(cb);
    if (wa.primary != wb.primary) return wa.primary < wb.primary ? -1 : 1;
    if (secondary == 0 && wa.secondary != wb.secondary) secondary = wa.secondary < wb.secondary ? -1 : 1;
  }
}

char32_t NextQ(const QString &s, int &i) {
  const QChar c = s.at(i++);
  if (c.isHighSurrogate() && i < s.size() && s.at(i).isLowSurrogate()) return QChar::surrogateToUcs4(c, s.at(i++));
  return c.unicode();
}

}  // namespace

CharWeight WeightOf(char32_t c) {
  if (c < 0x250) return Table()[c];
  return ComputeWeight(c);
}

int CompareUtf8(const char *a, int na, const char *b, int nb) {
  const auto *ua = reinterpret_cast<const unsigned char *>(a);
  const auto *ub = reinterpret_cast<const unsigned char *>(b);
  // Keys of an index share long prefixes: skip the equal bytes first, then
  // step back to the start of the character they may have split.
  const int n = std::min(na, nb);
  int i = 0;
  while (i < n && ua[i] == ub[i]) ++i;
  if (i == na && i == nb) return 0;
  while (i > 0 && ((i < na && (ua[i] & 0xC0) == 0x80) || (i < nb && (ub[i] & 0xC0) == 0x80))) --i;
  const auto &table = Table();
  int ia = i, ib = i;
  int secondary = 0;
  while (ia < na && ib < nb) {
    const unsigned char ca = ua[ia], cb = ub[ib];
    if (ca < 0x80 && cb < 0x80) {
      if (ca != cb && table[ca].primary != table[cb].primary) return table[ca].primary < table[cb].primary ? -1 : 1;
      ++ia;
      ++ib;
      continue;
    }
    const char32_t xa = NextUtf8(ua, na, ia);
    const char32_t xb = NextUtf8(ub, nb, ib);
    if (xa == xb) continue;
    const CharWeight wa = WeightOf(xa);
    const CharWeight wb = WeightOf(xb);
    if (wa.primary != wb.primary) return wa.primary < wb.primary ? -1 : 1;
    if (secondary == 0 && wa.secondary != wb.secondary) secondary = wa.secondary < wb.secondary ? -1 : 1;
  }
  if (ia < na) return 1;
  if (ib < nb) return -1;
  return secondary;
}

int CompareQString(const QString &a, const QString &b) {
  int i = 0, j = 0;
  return CompareSequences(
      [&](char32_t &c) {
        if (i >= a.size()) return false;
        c = NextQ(a, i);
        return true;
      },
      [&](char32_t &c) {
        if (j >= b.size()) return false;
        c = NextQ(b, j);
        return true;
      });
}

LikePattern::LikePattern(const QString &pattern) {
  int i = 0;
  const int n = static_cast<int>(pattern.size());
  auto bad = [&](const char *why) {
    RaiseJetError(kErrSyntaxInQueryExpr,
                  QStringLiteral("Invalid pattern string '%1' in Like: %2.").arg(pattern, QString::fromLatin1(why)));
  };
  while (i < n) {
    const char32_t c = NextQ(pattern, i);
    Element e;
    if (c == u'*') {
      // Runs of stars are one star.
      if (!elements_.empty() && elements_.back().kind == Element::Star) continue;
      e.kind = Element::Star;
    } else if (c == u'?') {
      e.kind = Element::Any;
    } else if (c == u'#') {
      e.kind = Element::Digit;
    } else if (c == u'[') {
      const int close = pattern.indexOf(u']', i);
      if (close < 0) bad("missing ]");
      const QString body = pattern.mid(i, close - i);
      i = close + 1;
      // "[]" matches the empty text: nothing to test. "[!]" is a "!".
      if (body.isEmpty()) continue;
      int k = 0;
      e.kind = Element::Set;
      if (body.startsWith(u'!') && body.size() > 1) {
        e.negated = true;
        k = 1;
      }
      std::vector<char32_t> chars;
      while (k < body.size()) chars.push_back(NextQ(body, k));
      for (size_t m = 0; m < chars.size(); ++m) {
        if (m + 2 < chars.size() && chars[m + 1] == u'-') {
          CharWeight lo = WeightOf(chars[m]);
          CharWeight hi = WeightOf(chars[m + 2]);
          if (hi.primary < lo.primary) bad("range out of order");
          e.ranges.emplace_back(lo, hi);
          m += 2;
        } else {
          const CharWeight w = WeightOf(chars[m]);
          e.ranges.emplace_back(w, w);
        }
      }
    } else {
      e.kind = Element::Literal;
      e.ch = WeightOf(c);
    }
    elements_.push_back(std::move(e));
  }
}

bool LikePattern::MatchOne(const Element &e, char32_t c) const {
  switch (e.kind) {
    case Element::Any:
      return true;
    case Element::Digit:
      return c >= u'0' && c <= u'9';
    case Element::Literal: {
      const CharWeight w = WeightOf(c);
      return w.primary == e.ch.primary && w.secondary == e.ch.secondary;
    }
    case Element::Set: {
      const CharWeight w = WeightOf(c);
      bool in = false;
      for (const auto &[lo, hi] : e.ranges) {
        if (lo.primary == hi.primary && lo.secondary == hi.secondary) {
          if (w.primary == lo.primary && w.secondary == lo.secondary) in = true;
        } else if (w.primary >= lo.primary && w.primary <= hi.primary) {
          in = true;
        }
        if (in) break;
      }
      return in != e.negated;
    }
    case Element::Star:
      return false;
  }
  return false;
}

bool LikePattern::Matches(const QString &text) const {
  std::vector<char32_t> s;
  s.reserve(text.size());
  for (int i = 0; i < text.size();) s.push_back(NextQ(text, i));
  // Greedy match with a return to the last star: every element but the
  // star takes exactly one character, so this is linear in practice.
  size_t p = 0, t = 0;
  size_t star_p = SIZE_MAX, star_t = 0;
  const size_t np = elements_.size();
  while (t < s.size()) {
    if (p < np && elements_[p].kind == Element::Star) {
      star_p = p++;
      star_t = t;
    } else if (p < np && MatchOne(elements_[p], s[t])) {
      ++p;
      ++t;
    } else if (star_p != SIZE_MAX) {
      p = star_p + 1;
      t = ++star_t;
    } else {
      return false;
    }
  }
  while (p < np && elements_[p].kind == Element::Star) ++p;
  return p == np;
}

}  // namespace jet::detail

namespace jet {

int CompareText(const QString &a, const QString &b) { return detail::CompareQString(a, b); }

bool LikeMatch(const QString &pattern, const QString &text) { return detail::LikePattern(pattern).Matches(text); }

}  // namespace jet
