// A named proposition with an optional parameter, e.g. `speed(car1)`.
//
// Both texts are immutable and shared between copies through atomically reference-counted
// storage, so copying a proposition (which formulas do constantly) never copies characters.
// The empty parameter means "no parameter": `with_parameter("a", "")` is `new_("a")`.
#pragma once

#include <compare>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace corvane {

class AtomicProposition {
 public:
  // The proposition `name` without parameter.
  static AtomicProposition new_(std::string_view name);
  static AtomicProposition with_parameter(std::string_view name, std::string_view parameter);

  std::string_view name() const noexcept { return *name_; }
  std::string_view parameter() const noexcept { return *parameter_; }
  bool has_parameter() const noexcept { return !parameter_->empty(); }

  // Texts compare bytewise as UTF-8: name first, then parameter.
  friend bool operator==(const AtomicProposition& a, const AtomicProposition& b) noexcept {
    return (a.name_ == b.name_ || *a.name_ == *b.name_) &&
           (a.parameter_ == b.parameter_ || *a.parameter_ == *b.parameter_);
  }
  friend std::strong_ordering operator<=>(const AtomicProposition& a,
                                          const AtomicProposition& b) noexcept;

  std::size_t hash() const noexcept;

  // `name` or `name(parameter)`.
  std::string display() const;
  void append_display(std::string& out) const;
  // `AtomicProposition { name: "a", parameter: "" }`.
  void append_debug(std::string& out) const;

 private:
  using Text = std::shared_ptr<const std::string>;
  AtomicProposition(Text name, Text parameter)
      : name_(std::move(name)), parameter_(std::move(parameter)) {}

  Text name_;
  Text parameter_;
};

// Appends `text` as a double-quoted string with backslash escapes: `\"`, `\\`, `\0`, `\t`, `\r`,
// `\n`, and `\u{hex}` for every other non-printable or grapheme-extending character.
void append_escaped_debug_string(std::string& out, std::string_view text);

}  // namespace corvane

template <>
struct std::hash<corvane::AtomicProposition> {
  std::size_t operator()(const corvane::AtomicProposition& p) const noexcept { return p.hash(); }
};
