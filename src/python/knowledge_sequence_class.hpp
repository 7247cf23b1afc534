// The `KnowledgeSequence` class: facts per time step, turned into one knowledge graph per distinct
// statement, in effect from each change point on.
#pragma once

#include <Python.h>

#include "knowledge/knowledge_sequence.hpp"

namespace corvane::python {

// The class object, created on first use. Null with a Python exception set if creation failed.
PyTypeObject* knowledge_sequence_type();

// The knowledge of a `KnowledgeSequence` instance (the caller has checked the type).
const KnowledgeSequence& knowledge_of(PyObject* object);

}  // namespace corvane::python
