// Text helpers shared by every program: bounded strings that cut what does
// not fit, bounded formatting, and the letter-case-blind comparisons the
// registry and file names call for.
#pragma once

#include <cstddef>
#include <string>

namespace vellora {

// Registry key texts and the names of keys as enumerated hold at most 254
// characters.
constexpr std::size_t kKeyTextCapacity = 255;

// A text with a fixed capacity in bytes, terminating NUL included, so it holds
// at most Capacity - 1 characters; anything longer is cut on assignment or
// append, never written past the end.
template <std::size_t Capacity>
class Bounded {
 public:
  static_assert(Capacity >= 1, "a bounded text needs room for its terminator");
  static constexpr std::size_t kCapacity = Capacity;
  static constexpr std::size_t kMaxLength = Capacity - 1;

  Bounded() = default;
  Bounded(const std::string& text) { assign(text); }  // NOLINT: implicit by design
  Bounded(const char* text) { assign(text ? std::string(text) : std::string()); }  // NOLINT

  Bounded& operator=(const std::string& text) {
    assign(text);
    return *this;
  }
  Bounded& operator=(const char* text) {
    assign(text ? std::string(text) : std::string());
    return *this;
  }

  void assign(const std::string& text) {
    value_.assign(text, 0, kMaxLength < text.size() ? kMaxLength : text.size());
  }
  void append(const std::string& text) {
    if (value_.size() >= kMaxLength) return;
    std::size_t room = kMaxLength - value_.size();
    value_.append(text, 0, room < text.size() ? room : text.size());
  }
  void clear() { value_.clear(); }

  const std::string& str() const { return value_; }
  operator const std::string&() const { return value_; }  // NOLINT: reads like the text
  const char* c_str() const { return value_.c_str(); }
  std::size_t size() const { return value_.size(); }
  std::size_t length() const { return value_.size(); }
  bool empty() const { return value_.empty(); }
  char operator[](std::size_t i) const { return value_[i]; }

  friend bool operator==(const Bounded& a, const std::string& b) { return a.value_ == b; }
  friend bool operator!=(const Bounded& a, const std::string& b) { return a.value_ != b; }

 private:
  std::string value_;
};

// printf-style formatting into a new string, the whole result.
std::string format(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// The same, cut to capacity - 1 characters (a buffer of `capacity` bytes).
std::string formatCut(std::size_t capacity, const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
// Cuts a text to capacity - 1 characters.
std::string cut(const std::string& text, std::size_t capacity);

// ASCII letter-case folding, as the Windows ANSI comparisons of names behave
// for the texts this system handles.
std::string toLower(const std::string& text);
bool equalsIgnoreCase(const std::string& a, const std::string& b);
bool startsWithIgnoreCase(const std::string& text, const std::string& prefix);
bool endsWithIgnoreCase(const std::string& text, const std::string& suffix);
bool containsIgnoreCase(const std::string& text, const std::string& part);
bool contains(const std::string& text, const std::string& part);  // case-sensitive

// Replaces the first occurrence of `from` by `to`; returns whether it found one.
bool replaceFirst(std::string& text, const std::string& from, const std::string& to);

// The integer at the start of a text as atoi reads it (blanks, sign, digits);
// 0 when the text does not start with a number.
int leadingInt(const std::string& text);
// The decimal number at the start of a text as atof reads it; 0 when none.
double leadingNumber(const std::string& text);

}  // namespace vellora
