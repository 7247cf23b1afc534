#include "knowledge_graph/parse_proposition.hpp"

namespace corvane {

Literal parse_proposition(std::string_view text) {
  const std::size_t open = text.find('(');
  if (open == std::string_view::npos) return Literal::positive(AtomicProposition::new_(text));
  std::string_view parameter = text.substr(open + 1);
  parameter = parameter.substr(0, parameter.find('('));
  while (!parameter.empty() && parameter.back() == ')') parameter.remove_suffix(1);
  return Literal::positive(AtomicProposition::with_parameter(text.substr(0, open), parameter));
}

}  // namespace corvane
