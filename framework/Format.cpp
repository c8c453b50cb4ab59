#include "Format.h"

#include <cstdio>
#include <vector>

namespace lensoro {

namespace {

// Large enough for any double with 99 decimals.
std::u16string FormatFixed(double value, int decimals) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return AsciiToUtf16(buffer);
}

std::u16string ArgText(const TFormatArg& arg) {
  switch (arg.Kind) {
    case TFormatArg::TKind::Text:
      return arg.Text;
    case TFormatArg::TKind::Integer:
      return AsciiToUtf16(std::to_string(arg.Integer).c_str());
    case TFormatArg::TKind::Number: {
      char buffer[64];
      std::snprintf(buffer, sizeof buffer, "%.15g", arg.Number);
      return AsciiToUtf16(buffer);
    }
  }
  return {};
}

// One piece of a template: literal text, or a placeholder of a kind.
struct TPiece {
  bool IsPlaceholder = false;
  TFormatArg::TKind Kind = TFormatArg::TKind::Text;
  int Decimals = 0;
  std::u16string Literal;
};

// Splits the template; false when a "%" starts nothing we know: "%n", "%x",
// a width, a lone "%" at the end.
bool ParseTemplate(const std::u16string& templ, std::vector<TPiece>& pieces) {
  std::u16string literal;
  const std::size_t n = templ.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (templ[i] != u'%') {
      literal += templ[i];
      continue;
    }
    TPiece p;
    p.IsPlaceholder = true;
    const char16_t next = i + 1 < n ? templ[i + 1] : u'\0';
    if (next == u'%') {
      literal += u'%';
      ++i;
      continue;
    }
    if (next == u's') {
      p.Kind = TFormatArg::TKind::Text;
      i += 1;
    } else if (next == u'd') {
      p.Kind = TFormatArg::TKind::Integer;
      i += 1;
    } else if (next == u'.') {
      // "%.Nf" with N of one or two digits.
      std::size_t k = i + 2;
      int d = 0, digits = 0;
      while (k < n && digits < 2 && templ[k] >= u'0' && templ[k] <= u'9') {
        d = d * 10 + (templ[k] - u'0');
        ++k;
        ++digits;
      }
      if (digits == 0 || k >= n || templ[k] != u'f') return false;
      p.Kind = TFormatArg::TKind::Number;
      p.Decimals = d;
      i = k;
    } else {
      return false;
    }
    if (!literal.empty()) {
      TPiece l;
      l.Literal = std::move(literal);
      pieces.push_back(std::move(l));
      literal.clear();
    }
    pieces.push_back(std::move(p));
  }
  if (!literal.empty()) {
    TPiece l;
    l.Literal = std::move(literal);
    pieces.push_back(std::move(l));
  }
  return true;
}

}  // namespace

std::u16string FormatText(const std::u16string& templ, std::initializer_list<TFormatArg> args, bool* ok) {
  std::vector<const TFormatArg*> list;
  list.reserve(args.size());
  for (const auto& a : args) list.push_back(&a);

  std::vector<TPiece> pieces;
  bool matched = ParseTemplate(templ, pieces);
  if (matched) {
    std::size_t next = 0;
    for (const auto& p : pieces) {
      if (!p.IsPlaceholder) continue;
      if (next >= list.size() || list[next]->Kind != p.Kind) {
        matched = false;
        break;
      }
      ++next;
    }
    if (next != list.size()) matched = false;
  }
  if (ok) *ok = matched;

  std::u16string out;
  if (!matched) {
    // The template as it stands, then what it was given, so nothing the
    // message was meant to say is lost.
    out = templ;
    for (std::size_t i = 0; i < list.size(); ++i) {
      out += i == 0 ? u" (" : u", ";
      out += ArgText(*list[i]);
    }
    if (!list.empty()) out += u')';
    return out;
  }
  out.reserve(templ.size() + 32);
  std::size_t next = 0;
  for (const auto& p : pieces) {
    if (!p.IsPlaceholder) {
      out += p.Literal;
      continue;
    }
    const TFormatArg& a = *list[next++];
    out += p.Kind == TFormatArg::TKind::Number ? FormatFixed(a.Number, p.Decimals) : ArgText(a);
  }
  return out;
}

std::u16string AsciiToUtf16(const char* text) {
  std::u16string out;
  for (; *text; ++text) out += static_cast<char16_t>(static_cast<unsigned char>(*text));
  return out;
}

std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    char32_t cp;
    int extra;
    if (c < 0x80) {
      cp = c;
      extra = 0;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      extra = 1;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      extra = 2;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      extra = 3;
    } else {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (i + extra >= text.size()) {  // a sequence cut off by the end
      out += u'\uFFFD';
      break;
    }
    bool bad = false;
    for (int k = 1; k <= extra; ++k) {
      const unsigned char cc = static_cast<unsigned char>(text[i + k]);
      if ((cc & 0xC0) != 0x80) {
        bad = true;
        break;
      }
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (bad) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

}  // namespace lensoro
