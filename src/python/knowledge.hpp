// Access to the knowledge held by a `KnowledgeSequence` instance.
#pragma once

#include <Python.h>

#include "knowledge/knowledge_sequence.hpp"

namespace corvane::python {

// The knowledge of a `KnowledgeSequence` instance (the caller has checked the type).
const PlainSequence<KnowledgeGraph>& knowledge_of(PyObject* object);

}  // namespace corvane::python
