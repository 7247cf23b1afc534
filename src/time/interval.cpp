#include "time/interval.hpp"

#include <ostream>

namespace corvane {

void Interval::append_display(std::string& out) const {
  switch (kind_) {
    case Kind::Empty:
      out += "∅";
      return;
    case Kind::Bounded:
      out += '[';
      out += std::to_string(lb_);
      out += ", ";
      out += std::to_string(ub_);
      out += ']';
      return;
    case Kind::Unbounded:
      out += '[';
      out += std::to_string(lb_);
      out += ", inf]";
      return;
  }
}

std::string Interval::display() const {
  std::string out;
  append_display(out);
  return out;
}

void Interval::append_debug(std::string& out) const {
  switch (kind_) {
    case Kind::Empty:
      out += "Empty";
      return;
    case Kind::Bounded:
      out += "Bounded { lb: ";
      out += std::to_string(lb_);
      out += ", ub: ";
      out += std::to_string(ub_);
      out += " }";
      return;
    case Kind::Unbounded:
      out += "Unbounded { lb: ";
      out += std::to_string(lb_);
      out += " }";
      return;
  }
}

std::ostream& operator<<(std::ostream& out, const Interval& interval) {
  return out << interval.display();
}

Interval operator-(const Interval& a, const Interval& b) noexcept {
  if (a.is_empty() || b.is_empty()) return Interval::empty();
  if (a.is_bounded() && b.is_bounded()) {
    if (a.ub() < b.lb()) return Interval::empty();
    return Interval::bounded(saturating_sub(a.lb(), b.ub()), a.ub() - b.lb());
  }
  if (a.is_unbounded() && b.is_bounded()) {
    return Interval::unbounded(saturating_sub(a.lb(), b.ub()));
  }
  if (a.is_bounded()) {  // b unbounded
    if (a.ub() < b.lb()) return Interval::empty();
    return Interval::bounded(0, a.ub() - b.lb());
  }
  return Interval::unbounded(0);
}

Interval operator+(const Interval& a, const Interval& b) noexcept {
  if (a.is_empty() || b.is_empty()) return Interval::empty();
  const TimeStep lb = saturating_add(a.lb(), b.lb());
  if (a.is_unbounded() || b.is_unbounded()) return Interval::unbounded(lb);
  return Interval::bounded(lb, saturating_add(a.ub(), b.ub()));
}

Interval shifted(const Interval& interval, TimeStep t) noexcept {
  return interval + Interval::singleton(t);
}

}  // namespace corvane
