#include "Format.h"

#include <cstdio>
#include <vector>

namespace lensoro {

namespace {

std::u16string FormatFixed(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return AsciiToUtf16(buffer);
}

}  // namespace

std::u16string FormatText(const std::u16string& templ, std::initializer_list<TFormatArg> args, bool* ok) {
  std::vector<const TFormatArg*> list;
  list.reserve(args.size());
  for (const auto& a : args) list.push_back(&a);

  std::u16string out;
  out.reserve(templ.size() + 32);
  std::size_t next = 0;
  bool allMatched = true;
  const std::size_t n = templ.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t c = templ[i];
    if (c != u'%') {
      out += c;
      continue;
    }
    if (i + 1 < n && templ[i + 1] == u'%') {
      out += u'%';
      ++i;
      continue;
    }
    // "%s", "%d" or "%.Nf" (N one or two digits).
    std::size_t j = i + 1;
    int decimals = -1;
    if (j < n && templ[j] == u'.') {
      std::size_t k = j + 1;
      int d = 0, digits = 0;
      while (k < n && digits < 2 && templ[k] >= u'0' && templ[k] <= u'9') {
        d = d * 10 + (templ[k] - u'0');
        ++k;
        ++digits;
      }
      if (digits > 0 && k < n && templ[k] == u'f') {
        decimals = d;
        j = k;
      }
    }
    const char16_t kind = j < n ? templ[j] : u'\0';
    const TFormatArg* arg = next < list.size() ? list[next] : nullptr;
    bool used = false;
    if (decimals >= 0) {
      if (arg && arg->Kind == TFormatArg::TKind::Number) {
        out += FormatFixed(arg->Number, decimals);
        used = true;
      }
    } else if (kind == u's') {
      if (arg && arg->Kind == TFormatArg::TKind::Text) {
        out += arg->Text;
        used = true;
      }
    } else if (kind == u'd') {
      if (arg && arg->Kind == TFormatArg::TKind::Integer) {
        out += AsciiToUtf16(std::to_string(arg->Integer).c_str());
        used = true;
      }
    }
    if (used) {
      ++next;
      i = j;
    } else {
      // Not a placeholder we can fill: keep the "%" and go on after it.
      allMatched = false;
      out += u'%';
    }
  }
  if (next != list.size()) allMatched = false;
  if (ok) *ok = allMatched;
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
