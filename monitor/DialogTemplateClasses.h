#pragma once
// The window classes a dialog template names for its controls, read from the
// template's bytes (the extended layout and the classic one). Pure: the bytes
// come from a resource library, so nothing is read past its size, and a
// template that does not hold together gives what was read up to the fault.
#include <cstddef>
#include <string>
#include <vector>

// Class names of the controls, as written (UTF-16); predefined classes given
// by ordinal (button, edit, static, ...) are not listed.
std::vector<std::u16string> DialogTemplateClassNames(const unsigned char* bytes, std::size_t size);
