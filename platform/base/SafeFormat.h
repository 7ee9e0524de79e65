#pragma once
// Formats the printf-style templates that come from language files without ever handing them to printf:
// a translation with a wrong or missing placeholder gives odd text, never a crash or garbage.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace mx {

class FormatArg {
 public:
  FormatArg(std::wstring_view s) : value_(std::wstring(s)) {}
  FormatArg(const std::wstring& s) : value_(s) {}
  FormatArg(const wchar_t* s) : value_(std::wstring(s ? s : L"")) {}
  FormatArg(int v) : value_(static_cast<std::int64_t>(v)) {}
  FormatArg(long v) : value_(static_cast<std::int64_t>(v)) {}
  FormatArg(long long v) : value_(static_cast<std::int64_t>(v)) {}
  FormatArg(unsigned v) : value_(static_cast<std::uint64_t>(v)) {}
  FormatArg(unsigned long v) : value_(static_cast<std::uint64_t>(v)) {}
  FormatArg(unsigned long long v) : value_(static_cast<std::uint64_t>(v)) {}

  const std::variant<std::wstring, std::int64_t, std::uint64_t>& value() const { return value_; }

 private:
  std::variant<std::wstring, std::int64_t, std::uint64_t> value_;
};

// Supports %s %ls %S %d %i %u %x %X %c %% with flags (-, 0), width and precision. A placeholder past the
// last argument, or of an unknown kind, is copied as it stands; a number given for %s prints as a number,
// text given for %d prints as text.
std::wstring SafeFormat(std::wstring_view tmpl, std::initializer_list<FormatArg> args);

}  // namespace mx
