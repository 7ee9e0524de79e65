#include "platform/base/SafeFormat.h"

#include <vector>

namespace mx {

namespace {

std::wstring Digits(std::uint64_t v, unsigned base, bool upper) {
  const wchar_t* set = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
  std::wstring out;
  do {
    out.insert(out.begin(), set[v % base]);
    v /= base;
  } while (v);
  return out;
}

struct Spec {
  bool left = false;
  bool zero = false;
  bool plus = false;
  bool space = false;
  size_t width = 0;
  long precision = -1;
};

std::wstring Pad(std::wstring body, const Spec& spec, bool numeric) {
  if (body.size() >= spec.width) return body;
  size_t fill = spec.width - body.size();
  if (spec.left) return body + std::wstring(fill, L' ');
  if (spec.zero && numeric && spec.precision < 0) {
    size_t signLen = (!body.empty() && (body[0] == L'-' || body[0] == L'+' || body[0] == L' ')) ? 1 : 0;
    return body.substr(0, signLen) + std::wstring(fill, L'0') + body.substr(signLen);
  }
  return std::wstring(fill, L' ') + body;
}

std::wstring FormatNumber(const FormatArg& arg, wchar_t conv, const Spec& spec) {
  const auto& v = arg.value();
  if (std::holds_alternative<std::wstring>(v)) return std::get<std::wstring>(v);
  bool negative = false;
  std::uint64_t magnitude = 0;
  if (std::holds_alternative<std::int64_t>(v)) {
    std::int64_t s = std::get<std::int64_t>(v);
    if (conv == L'd' || conv == L'i') {
      negative = s < 0;
      magnitude = negative ? 0 - static_cast<std::uint64_t>(s) : static_cast<std::uint64_t>(s);
    } else {
      // %u and %x of a negative int show its 32-bit pattern, as the C runtime does.
      magnitude = (s < 0 && s >= INT32_MIN) ? static_cast<std::uint32_t>(s) : static_cast<std::uint64_t>(s);
    }
  } else {
    magnitude = std::get<std::uint64_t>(v);
  }
  unsigned base = (conv == L'x' || conv == L'X') ? 16 : 10;
  std::wstring digits = Digits(magnitude, base, conv == L'X');
  if (spec.precision >= 0 && digits.size() < static_cast<size_t>(spec.precision))
    digits.insert(0, static_cast<size_t>(spec.precision) - digits.size(), L'0');
  if (spec.precision == 0 && magnitude == 0) digits.clear();
  if (negative) digits.insert(digits.begin(), L'-');
  else if (spec.plus && (conv == L'd' || conv == L'i')) digits.insert(digits.begin(), L'+');
  else if (spec.space && (conv == L'd' || conv == L'i')) digits.insert(digits.begin(), L' ');
  return digits;
}

std::wstring FormatText(const FormatArg& arg, const Spec& spec) {
  const auto& v = arg.value();
  std::wstring s;
  if (std::holds_alternative<std::wstring>(v)) s = std::get<std::wstring>(v);
  else if (std::holds_alternative<std::int64_t>(v)) s = std::to_wstring(std::get<std::int64_t>(v));
  else s = std::to_wstring(std::get<std::uint64_t>(v));
  if (spec.precision >= 0 && s.size() > static_cast<size_t>(spec.precision)) s.resize(static_cast<size_t>(spec.precision));
  return s;
}

}  // namespace

std::wstring SafeFormat(std::wstring_view tmpl, std::initializer_list<FormatArg> argList) {
  std::vector<const FormatArg*> args;
  for (const auto& a : argList) args.push_back(&a);
  std::wstring out;
  out.reserve(tmpl.size() + 32);
  size_t next = 0;
  size_t i = 0;
  while (i < tmpl.size()) {
    wchar_t c = tmpl[i];
    if (c != L'%') {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t start = i++;
    if (i < tmpl.size() && tmpl[i] == L'%') {
      out.push_back(L'%');
      ++i;
      continue;
    }
    Spec spec;
    for (; i < tmpl.size(); ++i) {
      wchar_t f = tmpl[i];
      if (f == L'-') spec.left = true;
      else if (f == L'0') spec.zero = true;
      else if (f == L'+') spec.plus = true;
      else if (f == L' ') spec.space = true;
      else if (f == L'#') {}
      else break;
    }
    // Width and precision are capped: a translation cannot make us build a huge string.
    while (i < tmpl.size() && tmpl[i] >= L'0' && tmpl[i] <= L'9') {
      spec.width = std::min<size_t>(spec.width * 10 + static_cast<size_t>(tmpl[i] - L'0'), 4096);
      ++i;
    }
    if (i < tmpl.size() && tmpl[i] == L'.') {
      ++i;
      spec.precision = 0;
      while (i < tmpl.size() && tmpl[i] >= L'0' && tmpl[i] <= L'9') {
        spec.precision = std::min<long>(spec.precision * 10 + (tmpl[i] - L'0'), 4096);
        ++i;
      }
    }
    while (i < tmpl.size() && (tmpl[i] == L'l' || tmpl[i] == L'h' || tmpl[i] == L'I' || tmpl[i] == L'w'))
      ++i;
    if (i >= tmpl.size()) {
      out.append(tmpl.substr(start));
      break;
    }
    wchar_t conv = tmpl[i++];
    bool known = conv == L's' || conv == L'S' || conv == L'd' || conv == L'i' || conv == L'u' ||
                 conv == L'x' || conv == L'X' || conv == L'c';
    if (!known || next >= args.size()) {
      out.append(tmpl.substr(start, i - start));
      continue;
    }
    const FormatArg& arg = *args[next++];
    if (conv == L's' || conv == L'S') {
      out += Pad(FormatText(arg, spec), spec, false);
    } else if (conv == L'c') {
      const auto& v = arg.value();
      std::wstring ch;
      if (std::holds_alternative<std::wstring>(v)) ch = std::get<std::wstring>(v).substr(0, 1);
      else if (std::holds_alternative<std::int64_t>(v)) ch.push_back(static_cast<wchar_t>(std::get<std::int64_t>(v) & 0xFFFF));
      else ch.push_back(static_cast<wchar_t>(std::get<std::uint64_t>(v) & 0xFFFF));
      out += Pad(ch, spec, false);
    } else {
      bool numeric = !std::holds_alternative<std::wstring>(arg.value());
      out += Pad(FormatNumber(arg, conv, spec), spec, numeric);
    }
  }
  return out;
}

}  // namespace mx
