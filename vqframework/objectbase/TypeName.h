// Readable names of types and functions for object texts and exception messages.
#pragma once

#include <string>
#include <typeinfo>

namespace VQ {

// The run-time type information's name, demangled as the compiler spells it ("VQ::LEvent").
std::string TypeName(const std::type_info& type);

template <class T> std::string TypeName() { return TypeName(typeid(T)); }

// The qualified function name of a __PRETTY_FUNCTION__ text, without return type and parameters;
// template parameters are replaced by their arguments ("VQ::ConstRCPtr<VQ::LIBuffer>::Unshare").
std::string FunctionName(const char* prettyFunction);

} // namespace VQ
